// Layout arithmetic of the chainer's windows: the status text that takes the Skip button's place and the
// system-version rule for taskbar progress. Rectangles and the centring rule every window shares come from
// the platform layer, which the crash dialog uses too.
#pragma once

#include "platform/pure/WindowPlacement.h"

namespace velmora::ui {

// The status text's rectangle: its own right edge (savedRight, the edge it had in the dialog template) while
// the Skip button shows, the Skip button's right edge while the button is hidden.
platform::Rect StatusTextRect(const platform::Rect& text, int savedRight, const platform::Rect& skipButton,
                              bool skipAllowed);

// Taskbar progress exists from Windows 6.1 on: major, minor, service pack and build compared in that order
// against 6, 1, 0, 0.
bool TaskbarProgressAvailable(unsigned major, unsigned minor, unsigned servicePack, unsigned build);

} // namespace velmora::ui
