// Waiting until no Windows Installer transaction runs.
#pragma once

namespace velmora::core {

enum class InstallerWait {
    Idle,    // the mutex is free or absent: go on
    Refused, // abandoned, a failed wait, or the mutex could not be opened: do not run the main flow
};

// Opens "Global\_MSIExecute" for SYNCHRONIZE and waits for it without a time-out.
InstallerWait WaitForInstallerIdle();

} // namespace velmora::core
