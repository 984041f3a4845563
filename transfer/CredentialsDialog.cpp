#include "transfer/CredentialsDialog.h"

#include "transfer/CredentialSource.h"
#include "platform/Logger.h"
#include "platform/WindowPlacement.h"
#include "ui/Dialog.h"
#include "ui/WindowTools.h"
#include "ui/resources/ResourceIds.h"

namespace velmora::transfer {

namespace {

std::wstring ControlText(HWND dialog, int id) {
    HWND control = ::GetDlgItem(dialog, id);
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(::GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

// Overwrites the password in the edit control's own buffer, then empties it: setting an empty text alone
// would leave the characters in the buffer the control frees. The replacement is not undoable, so the
// control keeps no copy for undo either.
void WipePasswordControl(HWND dialog) {
    HWND control = ::GetDlgItem(dialog, IDC_CREDENTIALS_PASSWORD);
    const int length = ::GetWindowTextLengthW(control);
    if (length > 0) {
        const std::wstring filler(static_cast<std::size_t>(length), L'*');
        ::SendMessageW(control, EM_SETSEL, 0, -1);
        ::SendMessageW(control, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(filler.c_str()));
    }
    ::SetWindowTextW(control, L"");
    ::SendMessageW(control, EM_EMPTYUNDOBUFFER, 0, 0);
}

class CredentialsDialog final : public ui::Dialog {
public:
    CredentialsDialog(const std::wstring& title, const std::wstring& explanation, EnteredCredentials& entered)
        : title_(title), explanation_(explanation), entered_(entered) {}

    INT_PTR Run(HWND owner) { return ShowModal(IDD_CREDENTIALS, owner); }

protected:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM) override {
        HWND window = Window();
        if (message == WM_INITDIALOG) {
            ui::SetChainerIcon(window);
            platform::CentreWindow(window);
            ::SetWindowTextW(window, title_.c_str());
            ::SetDlgItemTextW(window, IDC_CREDENTIALS_EXPLANATION, explanation_.c_str());
            ::EnableWindow(::GetDlgItem(window, IDOK), FALSE);
            return TRUE;
        }
        if (message != WM_COMMAND)
            return FALSE;
        const int id = LOWORD(wParam);
        if (id == IDC_CREDENTIALS_USER && HIWORD(wParam) == EN_CHANGE) {
            ::EnableWindow(::GetDlgItem(window, IDOK),
                           ::GetWindowTextLengthW(::GetDlgItem(window, IDC_CREDENTIALS_USER)) > 0);
            return TRUE;
        }
        if (id == IDOK) {
            // Enter reaches here even while Ok is disabled.
            if (::GetWindowTextLengthW(::GetDlgItem(window, IDC_CREDENTIALS_USER)) == 0)
                return TRUE;
            entered_.user = ControlText(window, IDC_CREDENTIALS_USER);
            entered_.password.AssignWindowText(::GetDlgItem(window, IDC_CREDENTIALS_PASSWORD));
            entered_.remember = ::IsDlgButtonChecked(window, IDC_CREDENTIALS_REMEMBER) == BST_CHECKED;
            WipePasswordControl(window);
            ::EndDialog(window, IDOK);
            return TRUE;
        }
        if (id == IDCANCEL) {
            WipePasswordControl(window);
            ::EndDialog(window, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }

private:
    const std::wstring& title_;
    const std::wstring& explanation_;
    EnteredCredentials& entered_;
};

} // namespace

EnteredCredentials::~EnteredCredentials() {
    WipeSecret(user);
}

bool ShowCredentialsDialog(HWND owner, const std::wstring& title, const std::wstring& explanation,
                           EnteredCredentials& entered) {
    CredentialsDialog dialog(title, explanation, entered);
    INT_PTR result = dialog.Run(owner);
    // The owner may be another program's window that went away meanwhile: ask without one rather than not at
    // all.
    if (result == -1 && owner != nullptr)
        result = dialog.Run(nullptr);
    if (result == -1)
        platform::LogLine(L"The credentials dialog could not be shown. Error: " +
                          std::to_wstring(::GetLastError()));
    return result == IDOK;
}

} // namespace velmora::transfer
