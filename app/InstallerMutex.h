// Waiting until no Windows Installer transaction runs.
#pragma once

#include "app/pure/InstallerWait.h"

namespace velmora::app {

// Opens "Global\_MSIExecute" for SYNCHRONIZE and waits for it without a time-out, answering this thread's
// window messages meanwhile. A mutex this wait came to own (free or abandoned) is released at once.
InstallerWait WaitForInstallerIdle();

} // namespace velmora::app
