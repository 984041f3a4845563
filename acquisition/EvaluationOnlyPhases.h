// The processing phases of a chainer that does not download or launch yet: every phase does nothing, and
// the final check re-evaluates the prerequisites for real, so the exit code still tells whether the
// mandatory prerequisites are in place. Replaced by the processing engine once it exists.
#pragma once

#include "acquisition/ProcessingPhases.h"
#include "detection/pure/Evaluation.h"

namespace velmora::acquisition {

class EvaluationOnlyPhases final : public ProcessingPhases {
public:
    // The evaluator must outlive this object.
    explicit EvaluationOnlyPhases(detection::PrerequisiteEvaluator& evaluator) : evaluator_(evaluator) {}

    void HandOverSelection() override {}
    std::uint32_t DownloadAll(ProgressSink*) override { return 0; }
    void OpenSites(ProgressSink*) override {}
    std::uint32_t InstallAll(ProgressSink*) override { return 0; }
    void ReevaluateAll() override { evaluator_.ReevaluateAll(); }
    bool AllMandatoryDone() override { return evaluator_.AllMandatoryDone(); }
    int RunProcessingWindow(std::wstring_view) override {
        ReevaluateAll();
        return AllMandatoryDone() ? 1 : 7;
    }
    bool RebootRequired() const override { return false; }
    bool RebootRefused() const override { return false; }
    bool RebootInProgress() const override { return false; }
    void Cleanup() override {}

private:
    detection::PrerequisiteEvaluator& evaluator_;
};

} // namespace velmora::acquisition
