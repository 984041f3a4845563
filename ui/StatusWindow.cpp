#include "ui/StatusWindow.h"

#include <utility>

#include "platform/GrowBuffer.h"
#include "platform/UiEnabled.h"
#include "platform/WindowPlacement.h"
#include "ui/WindowTools.h"
#include "ui/pure/TextFormat.h"
#include "ui/pure/WindowLayout.h"
#include "ui/resources/ResourceIds.h"

namespace velmora::ui {

namespace {

platform::Rect ControlRect(HWND dialog, int id) {
    RECT r{};
    HWND control = ::GetDlgItem(dialog, id);
    ::GetWindowRect(control, &r);
    ::MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right, r.bottom};
}

} // namespace

StatusWindow::StatusWindow(std::wstring modulePath)
    : modulePath_(std::move(modulePath)), destroyed_(::CreateEventW(nullptr, TRUE, TRUE, nullptr)) {}

StatusWindow::~StatusWindow() {
    CloseStatus();
}

const std::wstring& StatusWindow::ProductName() {
    if (!productNameRead_) {
        if (modulePath_.empty() && platform::ModuleFileName(nullptr, modulePath_) != ERROR_SUCCESS)
            modulePath_.clear();
        productName_ = ReadProductName(modulePath_);
        if (productName_.empty())
            productName_ = modulePath_;
        productNameRead_ = true;
    }
    return productName_;
}

void StatusWindow::PrepareTitle() {
    title_ = FormatText(LoadText(IDS_WINDOW_TITLE), {ProductName()});
    if (HWND window = Window())
        ::SetWindowTextW(window, title_.c_str());
}

void StatusWindow::ShowStatus(unsigned stringId, bool skipAllowed) {
    if (!platform::UiEnabled())
        return;
    skipAllowed_ = skipAllowed;
    std::wstring text = LoadText(stringId);

    HWND window = Window();
    if (window == nullptr) {
        HWND owner = ::GetActiveWindow();
        threadId_ = ::GetCurrentThreadId();
        ::ResetEvent(destroyed_.get());
        window = CreateModeless(IDD_STATUS, owner);
        if (window == nullptr) {
            ::SetEvent(destroyed_.get());
            return;
        }
        created_.store(true);
    } else {
        ApplyLayout();
    }
    if (!title_.empty())
        ::SetWindowTextW(window, title_.c_str());
    ::SetDlgItemTextW(window, IDC_STATUS_TEXT, text.c_str());
    ::ShowWindow(window, SW_SHOW);
    ::UpdateWindow(window);
}

void StatusWindow::CloseStatus() {
    HWND window = Window();
    if (window == nullptr)
        return;
    if (::GetWindowThreadProcessId(window, nullptr) == ::GetCurrentThreadId()) {
        ::DestroyWindow(window);
        return;
    }
    ::PostMessageW(window, kCloseStatusMessage, 0, 0);
    // The event is set during WM_NCDESTROY, a moment before the handle itself is freed; polling IsWindow
    // as well also covers a creating thread that ends without pumping again (its windows go with it).
    while (::IsWindow(window)) {
        if (::WaitForSingleObject(destroyed_.get(), 50) == WAIT_OBJECT_0)
            ::Sleep(1);
    }
}

void StatusWindow::ApplyLayout() {
    HWND window = Window();
    HWND skip = ::GetDlgItem(window, IDC_STATUS_SKIP);
    platform::Rect text = ControlRect(window, IDC_STATUS_TEXT);
    if (savedTextRight_ < 0)
        savedTextRight_ = text.right;
    platform::Rect target = StatusTextRect(text, savedTextRight_, ControlRect(window, IDC_STATUS_SKIP), skipAllowed_);
    ::ShowWindow(skip, skipAllowed_ ? SW_SHOW : SW_HIDE);
    ::SetWindowPos(::GetDlgItem(window, IDC_STATUS_TEXT), nullptr, target.left, target.top, target.Width(),
                   target.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR StatusWindow::OnMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SetChainerIcon(Window());
        ApplyLayout();
        platform::CentreWindow(Window());
        return TRUE;
    case WM_COMMAND:
        // Escape reaches a dialog as ID 2 too: only a visible Skip button may set the request.
        if (LOWORD(wParam) == IDC_STATUS_SKIP && skipAllowed_ && !skipRequested_.load()) {
            skipRequested_.store(true);
            ::EnableWindow(::GetDlgItem(Window(), IDC_STATUS_SKIP), FALSE);
        }
        return TRUE;
    case kCloseStatusMessage:
        ::DestroyWindow(Window());
        return TRUE;
    default:
        return FALSE;
    }
}

void StatusWindow::OnWindowDestroyed() {
    created_.store(false);
    ::SetEvent(destroyed_.get());
}

} // namespace velmora::ui
