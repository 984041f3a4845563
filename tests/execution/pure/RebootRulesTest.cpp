#include "execution/pure/RebootRules.h"

#include <gtest/gtest.h>

using namespace velmora::execution;

TEST(Execution_RebootRules, ModeComesFromCaseSensitiveOptionLetters) {
    const struct {
        const wchar_t* options;
        RebootMode mode;
    } cases[] = {
        {L"", RebootMode::Never},
        {L"m", RebootMode::Never},
        {L"R", RebootMode::Never},
        {L"mR", RebootMode::Never},
        {L"r", RebootMode::AfterSuccess},
        {L"mr", RebootMode::AfterSuccess},
        {L"rR", RebootMode::WhenDetected},
        {L"Rr", RebootMode::WhenDetected},
        {L"mRxr", RebootMode::WhenDetected},
        {L"xi", RebootMode::Never},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RebootModeFromOptions(c.options), c.mode) << c.options;
}

TEST(Execution_RebootRules, OutcomeOfALaunchByModeAndDetection) {
    constexpr LaunchEnd failed = LaunchEnd::Failed;
    constexpr LaunchEnd succeeded = LaunchEnd::Succeeded;
    constexpr LaunchEnd unseen = LaunchEnd::NotWaitedFor;
    const struct {
        LaunchEnd end;
        RebootMode mode;
        bool detected;
        LaunchOutcome outcome;
        bool asked;
    } cases[] = {
        {failed, RebootMode::Never, true, LaunchOutcome::Failed, false},
        {failed, RebootMode::AfterSuccess, true, LaunchOutcome::Failed, false},
        {failed, RebootMode::WhenDetected, true, LaunchOutcome::Failed, false},
        {succeeded, RebootMode::Never, true, LaunchOutcome::Done, false},
        {succeeded, RebootMode::AfterSuccess, false, LaunchOutcome::RebootCalledFor, false},
        {succeeded, RebootMode::WhenDetected, false, LaunchOutcome::Done, true},
        {succeeded, RebootMode::WhenDetected, true, LaunchOutcome::RebootCalledFor, true},
        {succeeded, static_cast<RebootMode>(3), true, LaunchOutcome::Done, false},
        {succeeded, static_cast<RebootMode>(-1), true, LaunchOutcome::Done, false},
        // A child nobody waited for may still be running: never a restart under it.
        {unseen, RebootMode::Never, true, LaunchOutcome::Done, false},
        {unseen, RebootMode::AfterSuccess, true, LaunchOutcome::Done, false},
        {unseen, RebootMode::WhenDetected, true, LaunchOutcome::Done, false},
    };
    for (const auto& c : cases) {
        int asked = 0;
        const LaunchOutcome outcome = DecideLaunchOutcome(c.end, c.mode, [&] {
            ++asked;
            return c.detected;
        });
        EXPECT_EQ(outcome, c.outcome)
            << static_cast<int>(c.end) << " " << static_cast<int>(c.mode) << " " << c.detected;
        EXPECT_EQ(asked, c.asked ? 1 : 0) << static_cast<int>(c.end) << " " << static_cast<int>(c.mode);
    }
}
