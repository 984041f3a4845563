// The main flow: evaluation, processing and the exit code of the run.
#pragma once

namespace velmora::core {

class ChainerApp;

// Runs the prerequisites of the loaded configuration and returns the process exit code (0, 1 or -1).
int RunMainFlow(ChainerApp& app);

} // namespace velmora::core
