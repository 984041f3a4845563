#include "execution/Reboot.h"

#include "execution/LaunchList.h"
#include "platform/Logger.h"
#include "platform/UniqueHandle.h"
#include "ui/WindowTools.h"
#include "ui/resources/ResourceIds.h"

namespace velmora::execution {

static_assert(kRestartFlags == (EWX_REBOOT | EWX_FORCE));
static_assert(kRestartReason ==
              (SHTDN_REASON_FLAG_PLANNED | SHTDN_REASON_MAJOR_APPLICATION | SHTDN_REASON_MINOR_INSTALLATION));
static_assert(kRebootQuestionStyle == (MB_YESNO | MB_ICONINFORMATION));

bool ExitWindowsRestart::RequestRestart(UINT flags, DWORD reason) {
    return ::ExitWindowsEx(flags, reason) != FALSE;
}

SystemRestart& TheSystemRestart() {
    static ExitWindowsRestart restart;
    return restart;
}

DWORD EnableShutdownPrivilege(HANDLE token) {
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!::LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid))
        return ::GetLastError() != ERROR_SUCCESS ? ::GetLastError() : ERROR_NO_SUCH_PRIVILEGE;
    // AdjustTokenPrivileges succeeds also when it could not enable the privilege; only the thread's last
    // error (ERROR_NOT_ALL_ASSIGNED) tells.
    ::SetLastError(ERROR_SUCCESS);
    if (!::AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr))
        return ::GetLastError() != ERROR_SUCCESS ? ::GetLastError() : ERROR_GEN_FAILURE;
    return ::GetLastError();
}

RebootAnswer ShowRebootQuestion(HWND owner) {
    const std::wstring text = ui::LoadText(IDS_REBOOT_QUESTION);
    const std::wstring caption = ui::LoadText(IDS_REBOOT_CAPTION);
    int answer = ::MessageBoxW(owner, text.c_str(), caption.c_str(), kRebootQuestionStyle);
    // OS quirk: Wine 8 reports a box that could not be shown as -1 (its dialog code), Windows as 0.
    if (answer <= 0 && owner != nullptr)
        answer = ::MessageBoxW(nullptr, text.c_str(), caption.c_str(), kRebootQuestionStyle);
    return answer == IDYES ? RebootAnswer::Yes : answer == IDNO ? RebootAnswer::No : RebootAnswer::NotShown;
}

LaunchOutcome LaunchList::LaunchAndReboot(std::size_t index, RebootQuestion* question) {
    const bool launched = Launch(index);
    const LaunchEnd end = !launched                    ? LaunchEnd::Failed
                          : !Item(index).exitCodeKnown ? LaunchEnd::NotWaitedFor
                                                       : LaunchEnd::Succeeded;
    const std::size_t prerequisite = Item(index).prerequisiteIndex;
    const LaunchOutcome outcome = DecideLaunchOutcome(end, Item(index).rebootMode, [this, prerequisite] {
        return detection_.IsPrerequisiteDetected(prerequisite);
    });
    if (outcome != LaunchOutcome::RebootCalledFor)
        return outcome;
    if (platform::LogEnabled())
        platform::TheLogger().Log(kRebootingLine);
    rebootRequired_ = true;
    // A restart that does not happen leaves the run waiting for one; nothing more to do here.
    (void)RestartWindows(question);
    return LaunchOutcome::RebootCalledFor;
}

bool LaunchList::RestartWindows(RebootQuestion* question) {
    if (question != nullptr) {
        const RebootAnswer answer = question->AskToRestart();
        // Only an explicit Yes is consent: a question that could not be shown at all is a refusal.
        if (answer != RebootAnswer::Yes) {
            if (answer == RebootAnswer::NotShown && platform::LogEnabled())
                platform::TheLogger().Log(
                    L"The reboot question could not be shown: no reboot without consent.");
            rebootRefused_ = true;
            return false;
        }
    }
    platform::UniqueKernelHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put()))
        return false;
    if (EnableShutdownPrivilege(token.get()) != ERROR_SUCCESS)
        return false;
    return restart_.RequestRestart(kRestartFlags, kRestartReason);
}

} // namespace velmora::execution
