#include "support/CredentialsDriver.h"

#include "support/WindowDriver.h"
#include "ui/resources/ResourceIds.h"

namespace velmora::test {

namespace {

bool OkEnabled(HWND dialog) {
    HWND ok = ::GetDlgItem(dialog, IDOK);
    return ok != nullptr && ::IsWindowEnabled(ok);
}

DWORD ProcessOf(HWND window) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    return process;
}

} // namespace

HWND FindCredentialsDialog(DWORD processId, std::wstring_view ownerTitle, std::wstring_view program) {
    for (HWND window : TopLevelWindows(processId)) {
        if (::GetDlgItem(window, IDC_CREDENTIALS_USER) == nullptr ||
            ::GetDlgItem(window, IDC_CREDENTIALS_EXPLANATION) == nullptr || !OfProgram(window, program))
            continue;
        if (ownerTitle.empty())
            return window;
        // Over a window of its own process: another program's dialog may be owned by this one's window
        // too, when it took the window in front as its owner.
        HWND owner = ::GetWindow(window, GW_OWNER);
        if (owner != nullptr && ProcessOf(owner) == ProcessOf(window) && TextOf(owner) == ownerTitle)
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
    // Every key arrives, or the dialog is cancelled: a key lost on the way would enter what nobody typed.
    bool typed = !user.empty() && TypeText(::GetDlgItem(dialog, IDC_CREDENTIALS_PASSWORD), password);
    if (typed) {
        visit.okWithPasswordOnly = OkEnabled(dialog);
        typed = TypeText(::GetDlgItem(dialog, IDC_CREDENTIALS_USER), user);
    }
    if (typed) {
        visit.okWithUser = OkEnabled(dialog);
        visit.entered = Press(dialog, IDOK);
    } else {
        Press(dialog, IDCANCEL);
    }
    WaitUntil([dialog] { return !::IsWindow(dialog); });
    return visit;
}

} // namespace velmora::test
