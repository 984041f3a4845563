// The exit code of a run, decided from what the processing left behind.
#pragma once

#include <cstdint>

namespace velmora::processing {

enum class ProcessingMode { Silent, BasicUi, None };

// How the processing window ended; its dialog result.
enum class WindowResult : int {
    None = 0,             // no window was shown
    AllDone = 1,          // every mandatory prerequisite is in place
    Cancelled = 2,        // cancelled while work went on, or a reboot was started
    MandatoryMissing = 7, // some are still missing, or the window or its worker could not start
};

struct RunOutcome {
    ProcessingMode mode = ProcessingMode::None;
    WindowResult windowResult = WindowResult::None; // basic UI only
    bool allMandatoryDone = true;                   // silent only, after the final re-evaluation
    bool rebootRequired = false;
    bool rebootRefused = false;
    bool rebootInProgress = false;
};

struct ExitDecision {
    std::int32_t exitCode = 0;
    bool keepInterbootStore = false; // a reboot is pending: the next run needs the recorded exit codes
};

// 0 all mandatory prerequisites in place (or nothing was attempted), 1 some still missing, -1 a reboot is
// pending.
ExitDecision DecideExit(const RunOutcome& outcome);

} // namespace velmora::processing
