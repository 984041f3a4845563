// Restarting Windows after a prerequisite that asks for it: the shutdown privilege and the request itself.
// LaunchList::LaunchAndReboot and LaunchList::RestartWindows (execution/LaunchList.h, defined in Reboot.cpp)
// decide and ask; this header holds what they call.
//
// The request to the system sits behind SystemRestart so that tests can stand in for it: under Wine,
// ExitWindowsEx ends the session of the prefix, and on Windows it restarts the machine.
#pragma once

#include <windows.h>

#include "execution/pure/RebootRules.h"

namespace velmora::execution {

class SystemRestart {
public:
    virtual ~SystemRestart() = default;
    // Asks the system to end the session with these ExitWindowsEx flags and reason. True when it accepted.
    virtual bool RequestRestart(UINT flags, DWORD reason) = 0;
};

// The system itself: ExitWindowsEx.
class ExitWindowsRestart final : public SystemRestart {
public:
    bool RequestRestart(UINT flags, DWORD reason) override;
};

// The process-wide ExitWindowsRestart.
SystemRestart& TheSystemRestart();

// Shows the reboot question (strings 216 and 217, Yes and No) on the calling thread, owned by owner; when
// that box cannot be shown (the owner went meanwhile), shows it again without an owner. Whoever calls it
// owns the windows of its thread: in basic UI, the processing window's thread.
RebootAnswer ShowRebootQuestion(HWND owner);

// Enables SeShutdownPrivilege in the token, which must be open for TOKEN_ADJUST_PRIVILEGES. ERROR_SUCCESS,
// or the error: ERROR_NOT_ALL_ASSIGNED when the account does not hold the privilege.
[[nodiscard]] DWORD EnableShutdownPrivilege(HANDLE token);

} // namespace velmora::execution
