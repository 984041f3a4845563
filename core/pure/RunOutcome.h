// The exit code of a run, decided from what the processing left behind.
#pragma once

#include <cstdint>

namespace velmora::core {

enum class ProcessingMode { Silent, BasicUi, None };

// Results of the processing window.
constexpr int kWindowAllDone = 1;
constexpr int kWindowCancelled = 2;
constexpr int kWindowMandatoryMissing = 7;

struct RunOutcome {
    ProcessingMode mode = ProcessingMode::None;
    int windowResult = 0;          // basic UI only
    bool allMandatoryDone = true;  // silent only, after the final re-evaluation
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

} // namespace velmora::core
