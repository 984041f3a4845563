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
    constexpr LaunchEnd failed = LaunchEnd::Failed;
    constexpr LaunchEnd succeeded = LaunchEnd::Succeeded;
    constexpr LaunchEnd unseen = LaunchEnd::NotWaitedFor;
    const struct {
        LaunchEnd end;
        std::int32_t mode;
        bool detected;
        int outcome;
        bool asked;
    } cases[] = {
        {failed, kRebootNever, true, kLaunchFailed, false},
        {failed, kRebootAfterSuccess, true, kLaunchFailed, false},
        {failed, kRebootWhenDetected, true, kLaunchFailed, false},
        {succeeded, kRebootNever, true, kLaunchDone, false},
        {succeeded, kRebootAfterSuccess, false, kRebootCalledFor, false},
        {succeeded, kRebootWhenDetected, false, kLaunchDone, true},
        {succeeded, kRebootWhenDetected, true, kRebootCalledFor, true},
        {succeeded, 3, true, kLaunchDone, false},
        {succeeded, -1, true, kLaunchDone, false},
        // A child nobody waited for may still be running: never a restart under it.
        {unseen, kRebootNever, true, kLaunchDone, false},
        {unseen, kRebootAfterSuccess, true, kLaunchDone, false},
        {unseen, kRebootWhenDetected, true, kLaunchDone, false},
    };
    for (const auto& c : cases) {
        int asked = 0;
        const int outcome = DecideLaunchOutcome(c.end, c.mode, [&] {
            ++asked;
            return c.detected;
        });
        EXPECT_EQ(outcome, c.outcome) << static_cast<int>(c.end) << " " << c.mode << " " << c.detected;
        EXPECT_EQ(asked, c.asked ? 1 : 0) << static_cast<int>(c.end) << " " << c.mode;
    }
}
