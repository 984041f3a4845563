// The main flow: evaluates every prerequisite, decides whether there is work and in which mode, drives the
// processing engine, logs the reboot outcome and turns it all into the exit code. It also ends the
// interboot store: recorded exit codes are restored into the prerequisites and the key is deleted unless a
// reboot is pending.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "config/InterbootStore.h"
#include "config/pure/Configuration.h"
#include "detection/pure/Evaluation.h"
#include "processing/ProcessingPhases.h"

namespace velmora::ui {
class StatusWindow;
}

namespace velmora::app {

class ChainerApp;

struct MainFlowParts {
    config::Configuration& configuration;
    detection::PrerequisiteEvaluator& evaluator;
    config::InterbootStore& store;
    ui::StatusWindow* status; // null: nothing is shown
    bool silent;
    // Called once, only when there is work.
    std::function<std::unique_ptr<processing::ProcessingPhases>()> createEngine;
};

// Returns the exit code: 0, 1 or -1.
std::int32_t MainFlow(MainFlowParts& parts);

// The main flow of the running chainer on the configuration ChainerApp loaded.
int RunMainFlow(ChainerApp& app);

} // namespace velmora::app
