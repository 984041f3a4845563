// How long evaluating and selecting a kit takes when every prerequisite is missing, the case where each
// selection change propagates: linear in the number of prerequisites, up to the 10,000 of the scale runs.
#include <benchmark/benchmark.h>

#include <string>

#include "detection/pure/Evaluation.h"

namespace {

// Nothing is found, nothing excluded; the log lines are built and dropped.
class NothingInstalled : public velmora::detection::EvaluationEnvironment {
public:
    bool IsOsExcluded(std::wstring_view, std::wstring_view) override { return false; }
    bool IsLanguageAccepted(std::wstring_view) override { return true; }
    bool RunSearches(velmora::config::PrerequisiteRecord&, bool) override { return false; }
    bool FilePresent(const std::wstring&, std::uint64_t) override { return false; }
    bool LogEnabled() override { return true; }
    void Log(std::wstring_view message) override { benchmark::DoNotOptimize(message.data()); }
};

// Missing prerequisites from a package; every tenth is the parent of the nine after it.
velmora::config::Configuration MissingKit(int count) {
    velmora::config::Configuration configuration;
    configuration.Prerequisites.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        velmora::config::PrerequisiteRecord prerequisite;
        prerequisite.Name = L"Prerequisite number " + std::to_wstring(i);
        if (i % 10 != 0)
            prerequisite.ParentPrereq = L"Prerequisite number " + std::to_wstring(i - i % 10);
        configuration.Prerequisites.push_back(std::move(prerequisite));
    }
    return configuration;
}

void EvaluateAllMissing(benchmark::State& state) {
    NothingInstalled machine;
    for (auto _ : state) {
        state.PauseTiming();
        velmora::config::Configuration configuration = MissingKit(static_cast<int>(state.range(0)));
        state.ResumeTiming();
        velmora::detection::PrerequisiteEvaluator evaluator(configuration, machine);
        benchmark::DoNotOptimize(evaluator.EvaluateAll());
    }
}

} // namespace

BENCHMARK(EvaluateAllMissing)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
