#include "platform/MessageWait.h"

namespace velmora::platform {

bool WaitPumping(HANDLE handle) {
    return WaitPumpingAny(&handle, 1) == 0;
}

int WaitPumpingAny(const HANDLE* handles, DWORD count) {
    for (;;) {
        const DWORD result =
            ::MsgWaitForMultipleObjectsEx(count, handles, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (result < WAIT_OBJECT_0 + count)
            return static_cast<int>(result - WAIT_OBJECT_0);
        if (result != WAIT_OBJECT_0 + count)
            return -1;
        MSG message;
        if (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
}

} // namespace velmora::platform
