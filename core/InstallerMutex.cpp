#include "core/InstallerMutex.h"

#include <windows.h>

#include "platform/UniqueHandle.h"

namespace velmora::core {

InstallerWait WaitForInstallerIdle() {
    platform::UniqueKernelHandle mutex(::OpenMutexW(SYNCHRONIZE, FALSE, L"Global\\_MSIExecute"));
    if (!mutex)
        return ::GetLastError() == ERROR_FILE_NOT_FOUND ? InstallerWait::Idle : InstallerWait::Refused;
    DWORD result = ::WaitForSingleObject(mutex.get(), INFINITE);
    // A successful wait makes this thread the mutex's owner. Kept, it would block every installer
    // transaction started later, including the .msi prerequisites this very run launches and waits for.
    if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED)
        ::ReleaseMutex(mutex.get());
    return result == WAIT_OBJECT_0 ? InstallerWait::Idle : InstallerWait::Refused;
}

} // namespace velmora::core
