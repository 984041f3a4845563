#include "platform/core/CrashDialog.h"

#include <utility>
#include <vector>

#include "platform/UniqueHandle.h"
#include "platform/WindowPlacement.h"
#include "platform/core/pure/CrashDialogLayout.h"
#include "platform/core/pure/DialogTemplate.h"

namespace velmora::platform::core {

namespace {

class CrashDialog {
public:
    CrashDialog(std::wstring message, std::wstring details, const CrashReporting& reporting)
        : message_(std::move(message)), details_(std::move(details)), reporting_(reporting) {}

    void Show(HWND owner) {
        const bool hasDetails = !details_.empty();
        const bool canSend = hasDetails && reporting_.reporter != nullptr && reporting_.reporter->CanSend();
        layout_ = LayoutCrashDialog(MessageLineCount(message_), hasDetails, canSend);
        std::wstring title = reporting_.title != nullptr ? reporting_.title->Title() : std::wstring();
        if (title.empty())
            title = L"Error";

        constexpr uint32_t kDialogStyle =
            DS_SETFONT | DS_FIXEDSYS | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
        DialogTemplate dialog(kDialogStyle, WS_EX_DLGMODALFRAME, 0, 0, layout_.width, layout_.expandedHeight,
                              title, L"MS Shell Dlg 2", 8);
        auto add = [&dialog](ControlClass kind, int id, uint32_t style, const DialogBox& box,
                             std::wstring_view text) {
            dialog.AddControl(kind, static_cast<uint32_t>(id), style | WS_CHILD, 0, box.x, box.y, box.cx,
                              box.cy, text);
        };
        add(ControlClass::Static, kCrashIcon, WS_VISIBLE | SS_ICON, layout_.icon, L"");
        add(ControlClass::Static, kCrashMessage, WS_VISIBLE | SS_LEFT | SS_NOPREFIX, layout_.message, L"");
        if (hasDetails) {
            add(ControlClass::Edit, kCrashDetails,
                WS_BORDER | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY |
                    ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                layout_.details, L"");
            add(ControlClass::Button, kCrashDetailsButton, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                layout_.detailsButton, DetailsButtonText(false));
            add(ControlClass::Button, kCrashCopy, WS_TABSTOP | BS_PUSHBUTTON, layout_.copy, L"Copy");
            if (layout_.hasSend)
                add(ControlClass::Button, kCrashSend, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, layout_.send,
                    L"Send Error Report");
        }
        add(ControlClass::Button, kCrashClose, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, layout_.close,
            L"Close");
        ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr),
                                  reinterpret_cast<const DLGTEMPLATE*>(dialog.Units().data()), owner, Route,
                                  reinterpret_cast<LPARAM>(this));
    }

private:
    HWND Window() const { return window_; }

    static INT_PTR CALLBACK Route(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) {
            ::SetWindowLongPtrW(window, DWLP_USER, lParam);
            reinterpret_cast<CrashDialog*>(lParam)->window_ = window;
        }
        auto* dialog = reinterpret_cast<CrashDialog*>(::GetWindowLongPtrW(window, DWLP_USER));
        if (dialog == nullptr)
            return FALSE;
        try {
            return dialog->OnMessage(message, wParam, lParam);
        } catch (...) {
            // A failure inside the report of a failure: nothing is left to report it with, and no
            // exception may unwind through the system's dialog manager.
            return FALSE;
        }
    }

    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_INITDIALOG:
            Initialise();
            return TRUE;
        case WM_SIZE:
            Relayout(LOWORD(lParam), HIWORD(lParam));
            return TRUE;
        case WM_GETMINMAXINFO:
            if (minimumSize_.cx > 0) {
                auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
                limits->ptMinTrackSize.x = minimumSize_.cx;
                limits->ptMinTrackSize.y = minimumSize_.cy + (expanded_ ? detailsExtra_ : 0);
            }
            return TRUE;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam));
            return TRUE;
        default:
            return FALSE;
        }
    }

    struct Placed {
        int id;
        Rect rect;
    };

    void Initialise() {
        HWND window = Window();
        ::SendDlgItemMessageW(window, kCrashIcon, STM_SETICON,
                              reinterpret_cast<WPARAM>(::LoadIconW(nullptr, IDI_ERROR)), 0);
        ::SetDlgItemTextW(window, kCrashMessage, message_.c_str());
        if (!details_.empty()) {
            HDC screen = ::GetDC(window);
            int height = -::MulDiv(9, ::GetDeviceCaps(screen, LOGPIXELSY), 72);
            ::ReleaseDC(window, screen);
            detailsFont_.reset(::CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                             FIXED_PITCH | FF_MODERN, L"Courier New"));
            if (detailsFont_)
                ::SendDlgItemMessageW(window, kCrashDetails, WM_SETFONT,
                                      reinterpret_cast<WPARAM>(detailsFont_.get()), FALSE);
            ::SetDlgItemTextW(window, kCrashDetails, details_.c_str());
        }

        // The template is the open form; remember where everything sits in it, then close the pane.
        RECT client{};
        ::GetClientRect(window, &client);
        baseWidth_ = client.right;
        baseHeight_ = client.bottom;
        for (int id : {kCrashIcon, kCrashMessage, kCrashDetails, kCrashDetailsButton, kCrashCopy, kCrashSend,
                       kCrashClose}) {
            HWND control = ::GetDlgItem(window, id);
            if (control == nullptr)
                continue;
            RECT r{};
            ::GetWindowRect(control, &r);
            ::MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&r), 2);
            placed_.push_back({id, {r.left, r.top, r.right, r.bottom}});
        }
        RECT pane{0, 0, 0, layout_.expandedHeight - layout_.collapsedHeight};
        ::MapDialogRect(window, &pane);
        detailsExtra_ = pane.bottom;

        RECT outer{};
        ::GetWindowRect(window, &outer);
        minimumSize_ = {outer.right - outer.left, outer.bottom - outer.top - detailsExtra_};
        ::SetWindowPos(window, nullptr, 0, 0, minimumSize_.cx, minimumSize_.cy,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        CentreWindow(window);
    }

    void Relayout(int width, int height) {
        if (placed_.empty())
            return;
        HWND window = Window();
        for (const Placed& control : placed_) {
            Rect r = Anchored(control.rect, AnchorsOf(control.id), baseWidth_, baseHeight_, width, height);
            int controlHeight = r.Height() < 0 ? 0 : r.Height();
            ::SetWindowPos(::GetDlgItem(window, control.id), nullptr, r.left, r.top, r.Width(), controlHeight,
                           SWP_NOZORDER | SWP_NOACTIVATE);
        }
        ::InvalidateRect(window, nullptr, TRUE);
    }

    void OnCommand(int id) {
        HWND window = Window();
        switch (id) {
        case kCrashClose:
        case IDCANCEL:
            ::EndDialog(window, kCrashClose);
            break;
        case kCrashDetailsButton: {
            expanded_ = !expanded_;
            const int show = expanded_ ? SW_SHOW : SW_HIDE;
            ::ShowWindow(::GetDlgItem(window, kCrashDetails), show);
            ::ShowWindow(::GetDlgItem(window, kCrashCopy), show);
            ::SetDlgItemTextW(window, kCrashDetailsButton,
                              std::wstring(DetailsButtonText(expanded_)).c_str());
            RECT outer{};
            ::GetWindowRect(window, &outer);
            ::SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left,
                           outer.bottom - outer.top + (expanded_ ? detailsExtra_ : -detailsExtra_),
                           SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            break;
        }
        case kCrashCopy: {
            HWND details = ::GetDlgItem(window, kCrashDetails);
            ::SendMessageW(details, EM_SETSEL, 0, -1);
            ::SendMessageW(details, WM_COPY, 0, 0);
            ::SendMessageW(details, EM_SETSEL, static_cast<WPARAM>(-1), 0);
            break;
        }
        case kCrashSend:
            if (reporting_.reporter != nullptr)
                reporting_.reporter->Send(details_, window);
            break;
        default:
            break;
        }
    }

    std::wstring message_;
    std::wstring details_;
    CrashReporting reporting_;
    CrashDialogLayout layout_;
    UniqueGdiObject detailsFont_;
    std::vector<Placed> placed_;
    int baseWidth_ = 0;
    int baseHeight_ = 0;
    int detailsExtra_ = 0;
    SIZE minimumSize_{0, 0};
    bool expanded_ = false;
    HWND window_ = nullptr;
};

} // namespace

void ShowCrashDialog(HWND owner, std::wstring message, std::wstring details,
                     const CrashReporting& reporting) {
    CrashDialog dialog(std::move(message), std::move(details), reporting);
    dialog.Show(owner);
}

} // namespace velmora::platform::core
