// Tells an end-to-end test what a running chainer shows, by reading its windows as a user would see them.
// Only windows of the program at the full path PROGRAM count: other programs on the same desktop (tests
// running beside this one) show windows of the same titles.
// Usage: window_probe PROGRAM TITLE TIMEOUT_MS
// Waits up to TIMEOUT_MS for a visible top-level window titled TITLE. Found: prints the text of its status
// control (1001), "|", and "skip" or "no skip" for the Skip button, and exits with 0. Not found: exits
// with 1. Usage: window_probe PROGRAM TITLE TIMEOUT_MS --cancel-when TEXT Waits for a window titled TITLE
// whose processing text (1034) reads TEXT, as a person would before giving up, presses its Cancel button
// and exits with 0; exits with 1 when no such window came in time.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <string_view>

#include "support/WindowDriver.h"
#include "ui/resources/ResourceIds.h"

namespace {

int CancelWhenShown(std::wstring_view program, const wchar_t* title, DWORD timeoutMs,
                    std::wstring_view text) {
    HWND shown = nullptr;
    const bool found = velmora::test::WaitUntil(
        [&] {
            for (HWND window : velmora::test::TopLevelWindows(0, title)) {
                if (velmora::test::OfProgram(window, program) &&
                    velmora::test::ControlText(window, IDC_PROCESSING_TEXT) == text) {
                    shown = window;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found && velmora::test::Press(shown, IDCANCEL) ? 0 : 1;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4)
        return 2;
    const std::wstring_view program = argv[1];
    const auto timeoutMs = static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10));
    if (argc == 6 && std::wstring_view(argv[4]) == L"--cancel-when")
        return CancelWhenShown(program, argv[2], timeoutMs, argv[5]);
    HWND window = velmora::test::WaitForProgramWindow(program, argv[2], timeoutMs);
    if (window == nullptr)
        return 1;
    std::wstring text = velmora::test::ControlText(window, IDC_STATUS_TEXT);
    text += velmora::test::ControlVisible(window, IDC_STATUS_SKIP) ? L"|skip" : L"|no skip";
    std::string utf8(text.size() * 3 + 1, '\0');
    int length = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(),
                                       static_cast<int>(utf8.size()), nullptr, nullptr);
    utf8.resize(length > 0 ? static_cast<size_t>(length) : 0);
    std::printf("%s\n", utf8.c_str());
    return 0;
}
