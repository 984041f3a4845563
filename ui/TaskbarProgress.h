// The taskbar button's progress bar (ITaskbarList3), which the processing window drives. Windows 7 (6.1)
// brought the interface; older systems get none and show no taskbar progress.
#pragma once

#include <windows.h>
#include <shobjidl.h>

#include "platform/UniqueHandle.h"

namespace velmora::ui {

using UniqueTaskbarList = platform::UniqueCom<ITaskbarList3>;

// A new TaskbarList object on 6.1 and later; none on older systems or when COM cannot make one. The
// calling thread must have initialised COM.
UniqueTaskbarList CreateTaskbarProgress();

} // namespace velmora::ui
