#include "detection/pure/EvaluatorDetection.h"

#include <gtest/gtest.h>

using namespace velmora;
using namespace velmora::detection;

TEST(Detection_EvaluatorDetection, AnswersWithAFreshEvaluation) {
    class Machine : public EvaluationEnvironment {
    public:
        bool installed = false;
        bool IsOsExcluded(std::wstring_view, std::wstring_view) override { return false; }
        bool IsLanguageAccepted(std::wstring_view) override { return true; }
        bool RunSearches(config::PrerequisiteRecord&, bool) override { return installed; }
        bool FilePresent(const std::wstring&, std::uint64_t) override { return false; }
        bool LogEnabled() override { return false; }
        void Log(std::wstring_view) override {}
    };
    config::Configuration configuration;
    configuration.Prerequisites.resize(2);
    Machine machine;
    PrerequisiteEvaluator evaluator(configuration, machine);
    EvaluatorDetection detection(evaluator);
    EXPECT_FALSE(detection.IsPrerequisiteDetected(1));
    EXPECT_EQ(configuration.Prerequisites[1].state, velmora::config::EvaluationState::InstallFromPackage);
    machine.installed = true;
    EXPECT_TRUE(detection.IsPrerequisiteDetected(1));
    EXPECT_EQ(configuration.Prerequisites[1].state, velmora::config::EvaluationState::Found);
}
