#include "processing/pure/RunOutcome.h"

#include <gtest/gtest.h>

using namespace velmora::processing;
using W = WindowResult;

TEST(RunOutcome_DecideExit, Table) {
    struct Case {
        const char* what;
        RunOutcome outcome;
        std::int32_t exitCode;
        bool keep;
    } cases[] = {
        // clang-format off
        {"nothing attempted", {ProcessingMode::None, W::None, true, false, false, false}, 0, false},
        {"silent, all done", {ProcessingMode::Silent, W::None, true, false, false, false}, 0, false},
        {"silent, mandatory missing", {ProcessingMode::Silent, W::None, false, false, false, false}, 1, false},
        {"silent, reboot started", {ProcessingMode::Silent, W::None, false, true, false, false}, -1, true},
        {"silent, session ending", {ProcessingMode::Silent, W::None, true, false, false, true}, -1, true},
        {"basic, all done", {ProcessingMode::BasicUi, W::AllDone, true, false, false, false}, 0, false},
        {"basic, mandatory missing", {ProcessingMode::BasicUi, W::MandatoryMissing, true, false, false, false}, 1, false},
        {"basic, cancelled", {ProcessingMode::BasicUi, W::Cancelled, true, false, false, false}, 0, false},
        {"basic, window not shown", {ProcessingMode::BasicUi, W::None, true, false, false, false}, 0, false},
        {"basic, reboot accepted", {ProcessingMode::BasicUi, W::Cancelled, true, true, false, false}, -1, true},
        {"basic, reboot refused, missing", {ProcessingMode::BasicUi, W::MandatoryMissing, true, true, true, false}, 1, false},
        {"basic, reboot refused, all done", {ProcessingMode::BasicUi, W::AllDone, true, true, true, false}, 0, false},
        {"refused but session ending", {ProcessingMode::BasicUi, W::AllDone, true, true, true, true}, -1, true},
        {"neither mode, session ending", {ProcessingMode::None, W::None, true, false, false, true}, -1, true},
        // clang-format on
    };
    for (const Case& c : cases) {
        ExitDecision decision = DecideExit(c.outcome);
        EXPECT_EQ(decision.exitCode, c.exitCode) << c.what;
        EXPECT_EQ(decision.keepInterbootStore, c.keep) << c.what;
    }
}
