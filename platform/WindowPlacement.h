// Where a window of the program appears. The rule itself is in platform/pure/WindowPlacement.h.
#pragma once

#include <windows.h>

namespace velmora::platform {

// Centres the window over its owner when the owner is visible and not minimised, else over the work area
// of the nearest monitor, and keeps it inside that monitor's work area.
void CentreWindow(HWND window);

} // namespace velmora::platform
