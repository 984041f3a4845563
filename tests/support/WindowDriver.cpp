#include "support/WindowDriver.h"

namespace velmora::test {

namespace {

constexpr UINT kSendTimeoutMs = 10000;

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
    if (!search->title.empty() && TextOf(window) != search->title)
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

std::wstring TextOf(HWND window) {
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &length))
        return {};
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                               SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied))
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
    DWORD_PTR ignored = 0;
    return button != nullptr &&
           ::SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &ignored) != 0;
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
