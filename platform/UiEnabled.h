// The process-wide switch for every window of the chainer: true at start, set once by start-up to the
// opposite of silent mode. When it is false no window is shown and error reports go to the debugger
// output instead of a message box. Safe to read from any thread.
#pragma once

namespace velmora::platform {

bool UiEnabled();
void SetUiEnabled(bool enabled);

} // namespace velmora::platform
