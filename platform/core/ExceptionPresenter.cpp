#include "platform/core/ExceptionPresenter.h"

#include <string>
#include <utility>

#include "platform/UiEnabled.h"
#include "platform/core/CrashDialog.h"
#include "platform/pure/Redact.h"

namespace velmora::platform::core {

namespace {

// Light red on the console, as failures have always looked there.
constexpr WORD kErrorAttribute = 12;

void WriteToStandardOutput(const std::wstring& text) {
    HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (output == nullptr || output == INVALID_HANDLE_VALUE)
        return;
    CONSOLE_SCREEN_BUFFER_INFO console{};
    DWORD written = 0;
    if (::GetConsoleScreenBufferInfo(output, &console)) {
        ::SetConsoleTextAttribute(output, kErrorAttribute);
        ::WriteConsoleW(output, text.c_str(), static_cast<DWORD>(text.size()), &written, nullptr);
        ::SetConsoleTextAttribute(output, console.wAttributes);
        return;
    }
    // Redirected: a file or pipe gets UTF-8.
    int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                      nullptr, nullptr);
    if (bytes <= 0)
        return;
    std::string utf8(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(), bytes,
                          nullptr, nullptr);
    ::WriteFile(output, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

} // namespace

void PresentError(HWND owner, std::wstring_view givenMessage, std::wstring_view givenReport,
                  const CrashReporting& reporting) {
    // Whatever a failure carries, no URL's password reaches the screen, the clipboard or a reporter.
    const std::wstring messageText = RedactUrlCredentials(givenMessage);
    const std::wstring reportText = RedactUrlCredentials(givenReport);
    const std::wstring_view message = messageText;
    const std::wstring_view report = reportText;
    if (reporting.console != nullptr) {
        const std::wstring line = messageText + L"\r\n";
        WriteToStandardOutput(line);
        reporting.console->Write(line);
        if (reporting.secondConsole != nullptr)
            reporting.secondConsole->Write(line);
    } else if (!UiEnabled()) {
        // A silent run shows no window, but a debugger or a log viewer still sees the whole report.
        std::wstring text(report.empty() ? message : report);
        text += L"\r\n";
        ::OutputDebugStringW(text.c_str());
    } else {
        std::wstring details = report != message ? std::wstring(report) : std::wstring();
        if (owner == nullptr || !::IsWindow(owner))
            owner = ::IsWindow(reporting.defaultOwner) ? reporting.defaultOwner : nullptr;
        ShowCrashDialog(owner, messageText, std::move(details), reporting);
    }
    if (reporting.reporter != nullptr)
        reporting.reporter->Receive(L"\r\n" + messageText);
}

} // namespace velmora::platform::core
