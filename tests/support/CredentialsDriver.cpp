#include "support/CredentialsDriver.h"

#include "support/WindowDriver.h"
#include "ui/resources/ResourceIds.h"

namespace velmora::test {

namespace {

constexpr UINT kSendTimeoutMs = 10000;

bool OkEnabled(HWND dialog) {
    HWND ok = ::GetDlgItem(dialog, IDOK);
    return ok != nullptr && ::IsWindowEnabled(ok);
}

// WM_CHAR for each character, as the keyboard would deliver them.
void Type(HWND dialog, int id, std::wstring_view text) {
    HWND control = ::GetDlgItem(dialog, id);
    DWORD_PTR ignored = 0;
    for (wchar_t c : text)
        ::SendMessageTimeoutW(control, WM_CHAR, c, 1, SMTO_ABORTIFHUNG, kSendTimeoutMs, &ignored);
}

} // namespace

HWND FindCredentialsDialog(DWORD processId, std::wstring_view ownerTitle) {
    for (HWND window : TopLevelWindows(processId)) {
        if (::GetDlgItem(window, IDC_CREDENTIALS_USER) == nullptr ||
            ::GetDlgItem(window, IDC_CREDENTIALS_EXPLANATION) == nullptr)
            continue;
        if (ownerTitle.empty() || TextOf(::GetWindow(window, GW_OWNER)) == ownerTitle)
            return window;
    }
    return nullptr;
}

CredentialsDialogVisit AnswerCredentialsDialog(HWND dialog, std::wstring_view user,
                                               std::wstring_view password) {
    CredentialsDialogVisit visit;
    visit.title = TextOf(dialog);
    visit.explanation = ControlText(dialog, IDC_CREDENTIALS_EXPLANATION);
    visit.owner = ::GetWindow(dialog, GW_OWNER);
    visit.okAtFirst = OkEnabled(dialog);
    if (user.empty()) {
        Press(dialog, IDCANCEL);
    } else {
        Type(dialog, IDC_CREDENTIALS_PASSWORD, password);
        visit.okWithPasswordOnly = OkEnabled(dialog);
        Type(dialog, IDC_CREDENTIALS_USER, user);
        visit.okWithUser = OkEnabled(dialog);
        visit.entered = Press(dialog, IDOK);
    }
    WaitUntil([dialog] { return !::IsWindow(dialog); }, 20000);
    return visit;
}

} // namespace velmora::test
