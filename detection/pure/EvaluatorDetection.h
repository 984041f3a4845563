// The launch list's question "is the prerequisite installed now?" answered by the prerequisite evaluation.
// No Windows header.
#pragma once

#include <cstddef>

#include "detection/pure/Evaluation.h"
#include "execution/pure/RebootRules.h"

namespace velmora::detection {

// The answer of an evaluator: a fresh evaluation finds the prerequisite (state 0).
class EvaluatorDetection final : public execution::PrerequisiteDetection {
public:
    // The evaluator must outlive this object.
    explicit EvaluatorDetection(PrerequisiteEvaluator& evaluator) : evaluator_(evaluator) {}
    bool IsPrerequisiteDetected(std::size_t prerequisiteIndex) override {
        return evaluator_.IsPrerequisiteDetected(prerequisiteIndex);
    }

private:
    PrerequisiteEvaluator& evaluator_;
};

} // namespace velmora::detection
