#include "execution/pure/RebootRules.h"

#include <gtest/gtest.h>

using namespace velmora::execution;

TEST(Execution_RebootRules, ModeComesFromCaseSensitiveOptionLetters) {
    const struct {
        const wchar_t* options;
        std::int32_t mode;
    } cases[] = {
        {L"", kRebootNever},          {L"m", kRebootNever},         {L"R", kRebootNever},
        {L"mR", kRebootNever},        {L"r", kRebootAfterSuccess},  {L"mr", kRebootAfterSuccess},
        {L"rR", kRebootWhenDetected}, {L"Rr", kRebootWhenDetected}, {L"mRxr", kRebootWhenDetected},
        {L"xi", kRebootNever},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RebootModeFromOptions(c.options), c.mode) << c.options;
}

TEST(Execution_RebootRules, OutcomeOfALaunchByModeAndDetection) {
    const struct {
        bool launched;
        std::int32_t mode;
        bool detected;
        int outcome;
        bool asked;
    } cases[] = {
        {false, kRebootNever, true, kLaunchFailed, false},
        {false, kRebootAfterSuccess, true, kLaunchFailed, false},
        {false, kRebootWhenDetected, true, kLaunchFailed, false},
        {true, kRebootNever, true, kLaunchDone, false},
        {true, kRebootAfterSuccess, false, kRebootCalledFor, false},
        {true, kRebootWhenDetected, false, kLaunchDone, true},
        {true, kRebootWhenDetected, true, kRebootCalledFor, true},
        {true, 3, true, kLaunchDone, false},
        {true, -1, true, kLaunchDone, false},
    };
    for (const auto& c : cases) {
        int asked = 0;
        const int outcome = DecideLaunchOutcome(c.launched, c.mode, [&] {
            ++asked;
            return c.detected;
        });
        EXPECT_EQ(outcome, c.outcome) << c.launched << " " << c.mode << " " << c.detected;
        EXPECT_EQ(asked, c.asked ? 1 : 0) << c.launched << " " << c.mode;
    }
}

TEST(Execution_RebootRules, EvaluatorDetectionAnswersWithAFreshEvaluation) {
    class Machine : public velmora::detection::EvaluationEnvironment {
    public:
        bool installed = false;
        bool IsOsExcluded(std::wstring_view, std::wstring_view) override { return false; }
        bool IsLanguageAccepted(std::wstring_view) override { return true; }
        bool RunSearches(velmora::core::PrerequisiteRecord&, bool) override { return installed; }
        bool FilePresent(const std::wstring&, std::int32_t) override { return false; }
        bool LogEnabled() override { return false; }
        void Log(std::wstring_view) override {}
    };
    velmora::core::Configuration configuration;
    configuration.Prerequisites.resize(2);
    Machine machine;
    velmora::detection::PrerequisiteEvaluator evaluator(configuration, machine);
    EvaluatorDetection detection(evaluator);
    EXPECT_FALSE(detection.IsPrerequisiteDetected(1));
    EXPECT_EQ(configuration.Prerequisites[1].state, velmora::detection::kStateInstallFromPackage);
    machine.installed = true;
    EXPECT_TRUE(detection.IsPrerequisiteDetected(1));
    EXPECT_EQ(configuration.Prerequisites[1].state, velmora::detection::kStateFound);
}
