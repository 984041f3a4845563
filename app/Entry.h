// The life of the process around the application object: COM, the UI module state, the exit code.
#pragma once

namespace velmora::app {

// Runs the whole chainer and returns the process exit code.
int RunChainerProcess();

// Loads DLLs from the system folder only (where the system offers it) and ends the process on heap
// corruption. Called first thing in WinMain.
void HardenProcess();

} // namespace velmora::app
