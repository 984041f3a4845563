#include "processing/pure/RunOutcome.h"

namespace velmora::processing {

ExitDecision DecideExit(const RunOutcome& outcome) {
    ExitDecision decision;
    switch (outcome.mode) {
    case ProcessingMode::Silent:
        // After a reboot was started the final check is not made.
        if (!outcome.rebootRequired && !outcome.allMandatoryDone)
            decision.exitCode = 1;
        break;
    case ProcessingMode::BasicUi:
        if (outcome.windowResult == WindowResult::MandatoryMissing)
            decision.exitCode = 1;
        break;
    case ProcessingMode::None:
        break;
    }
    if ((outcome.rebootRequired && !outcome.rebootRefused) || outcome.rebootInProgress) {
        decision.exitCode = -1;
        decision.keepInterbootStore = true;
    }
    return decision;
}

} // namespace velmora::processing
