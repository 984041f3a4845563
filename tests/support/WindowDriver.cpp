#include "support/WindowDriver.h"

#include "platform/UniqueHandle.h"

namespace velmora::test {

namespace {

// Far beyond any answer of a live window, even on a machine under load.
constexpr UINT kSendTimeoutMs = 60000;

// The title of a window found while looking through all of them, read without a message: a window whose
// thread does not answer at once (not yet in its message loop, or busy) is seen all the same.
std::wstring TitleOf(HWND window) {
    wchar_t title[256];
    const int length = ::InternalGetWindowText(window, title, ARRAYSIZE(title));
    return std::wstring(title, length > 0 ? static_cast<std::size_t>(length) : 0);
}

struct Search {
    DWORD processId;
    std::wstring_view title;
    std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (search->processId != 0 && process != search->processId)
        return TRUE;
    if (!::IsWindowVisible(window))
        return TRUE;
    if (!search->title.empty() && TitleOf(window) != search->title)
        return TRUE;
    search->found.push_back(window);
    return TRUE;
}

void PumpFor(DWORD milliseconds) {
    ::MsgWaitForMultipleObjectsEx(0, nullptr, milliseconds, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

} // namespace

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (::GetTickCount() - start >= timeoutMs)
            return condition();
        PumpFor(20);
    }
}

std::vector<HWND> TopLevelWindows(DWORD processId, std::wstring_view title) {
    Search search{processId, title, {}};
    ::EnumWindows(Collect, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> ThreadWindows(DWORD threadId, std::wstring_view title) {
    Search search{0, title, {}};
    ::EnumThreadWindows(threadId, Collect, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForWindow(DWORD processId, std::wstring_view title, DWORD timeoutMs) {
    HWND window = nullptr;
    WaitUntil(
        [&] {
            auto found = TopLevelWindows(processId, title);
            window = found.empty() ? nullptr : found.front();
            return window != nullptr;
        },
        timeoutMs);
    return window;
}

HWND WaitForProgramWindow(std::wstring_view program, std::wstring_view title, DWORD timeoutMs) {
    HWND window = nullptr;
    WaitUntil(
        [&] {
            window = nullptr;
            for (HWND found : TopLevelWindows(0, title)) {
                if (OfProgram(found, program)) {
                    window = found;
                    break;
                }
            }
            return window != nullptr;
        },
        timeoutMs);
    return window;
}

bool OfProgram(HWND window, std::wstring_view program) {
    if (program.empty())
        return true;
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    const platform::UniqueKernelHandle process(
        ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    wchar_t path[MAX_PATH * 2];
    DWORD length = ARRAYSIZE(path);
    return process && ::QueryFullProcessImageNameW(process.get(), 0, path, &length) &&
           ::CompareStringOrdinal(path, static_cast<int>(length), program.data(),
                                  static_cast<int>(program.size()), TRUE) == CSTR_EQUAL;
}

HWND WaitForThreadWindow(DWORD threadId, std::wstring_view title, DWORD timeoutMs) {
    HWND window = nullptr;
    WaitUntil(
        [&] {
            auto found = ThreadWindows(threadId, title);
            window = found.empty() ? nullptr : found.front();
            return window != nullptr;
        },
        timeoutMs);
    return window;
}

bool SendTo(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result) {
    DWORD_PTR ignored = 0;
    return ::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kSendTimeoutMs,
                                 result != nullptr ? result : &ignored) != 0;
}

bool TypeText(HWND control, std::wstring_view text) {
    if (control == nullptr)
        return false;
    for (wchar_t c : text) {
        if (!SendTo(control, WM_CHAR, c, 1))
            return false;
    }
    return true;
}

std::wstring TextOf(HWND window) {
    DWORD_PTR length = 0;
    if (!SendTo(window, WM_GETTEXTLENGTH, 0, 0, &length))
        return {};
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendTo(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), &copied))
        return {};
    text.resize(copied);
    return text;
}

std::wstring ControlText(HWND dialog, int id) {
    HWND control = ::GetDlgItem(dialog, id);
    return control != nullptr ? TextOf(control) : std::wstring();
}

bool ControlVisible(HWND dialog, int id) {
    HWND control = ::GetDlgItem(dialog, id);
    return control != nullptr && ::IsWindowVisible(control);
}

RECT ControlRect(HWND dialog, int id) {
    RECT r{};
    ::GetWindowRect(::GetDlgItem(dialog, id), &r);
    ::MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool Press(HWND dialog, int id) {
    HWND button = ::GetDlgItem(dialog, id);
    return button != nullptr && SendTo(button, BM_CLICK, 0, 0);
}

std::wstring ClipboardText() {
    std::wstring text;
    if (!WaitUntil([] { return ::OpenClipboard(nullptr) != FALSE; }, 5000))
        return text;
    if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        if (auto* chars = static_cast<const wchar_t*>(::GlobalLock(data))) {
            text = chars;
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    return text;
}

void EmptyClipboardText() {
    if (WaitUntil([] { return ::OpenClipboard(nullptr) != FALSE; }, 5000)) {
        ::EmptyClipboard();
        ::CloseClipboard();
    }
}

} // namespace velmora::test
