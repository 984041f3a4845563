// Waits on the thread that owns windows: its messages keep flowing while it waits.
#pragma once

#include <windows.h>

namespace velmora::platform {

// Waits for the handle while dispatching this thread's window messages. True when the handle was signalled.
bool WaitPumping(HANDLE handle);
// The same for several handles: the index of the first one signalled, or -1 when the wait failed.
int WaitPumpingAny(const HANDLE* handles, DWORD count);

} // namespace velmora::platform
