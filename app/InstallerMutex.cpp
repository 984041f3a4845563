#include "app/InstallerMutex.h"

#include <windows.h>

#include "platform/UniqueHandle.h"

namespace velmora::app {

namespace {

// WaitForSingleObject's answer, while this thread's windows keep answering: start-up shows "Preparing..."
// during this wait, and a window whose thread does not pump is painted over as "Not Responding" by the
// system after five seconds. Mutex ownership works as with WaitForSingleObject.
DWORD WaitAnswering(HANDLE handle) {
    for (;;) {
        DWORD result = ::MsgWaitForMultipleObjectsEx(1, &handle, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (result != WAIT_OBJECT_0 + 1)
            return result;
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
}

} // namespace

InstallerWait WaitForInstallerIdle() {
    platform::UniqueKernelHandle mutex(::OpenMutexW(SYNCHRONIZE, FALSE, L"Global\\_MSIExecute"));
    if (!mutex) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND)
            return {InstallerWaitResult::NoTransaction, 0};
        return {InstallerWaitResult::CannotOpen, error};
    }
    const DWORD result = WaitAnswering(mutex.get());
    const DWORD error = result == WAIT_FAILED ? ::GetLastError() : ERROR_SUCCESS;
    // A successful wait makes this thread the mutex's owner. Kept, it would block every installer
    // transaction started later, including the .msi prerequisites this very run launches and waits for.
    if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED)
        ::ReleaseMutex(mutex.get());
    if (result == WAIT_OBJECT_0)
        return {InstallerWaitResult::Released, 0};
    if (result == WAIT_ABANDONED)
        return {InstallerWaitResult::Abandoned, 0};
    return {InstallerWaitResult::CannotWait, error != ERROR_SUCCESS ? error : result};
}

} // namespace velmora::app
