#include "core/pure/RunOutcome.h"

#include <gtest/gtest.h>

using namespace velmora::core;

TEST(RunOutcome_DecideExit, Table) {
    struct Case {
        const char* what;
        RunOutcome outcome;
        std::int32_t exitCode;
        bool keep;
    } cases[] = {
        {"nothing attempted", {ProcessingMode::None, 0, true, false, false, false}, 0, false},
        {"silent, all done", {ProcessingMode::Silent, 0, true, false, false, false}, 0, false},
        {"silent, mandatory missing", {ProcessingMode::Silent, 0, false, false, false, false}, 1, false},
        {"silent, reboot started", {ProcessingMode::Silent, 0, false, true, false, false}, -1, true},
        {"silent, session ending", {ProcessingMode::Silent, 0, true, false, false, true}, -1, true},
        {"basic, window 1", {ProcessingMode::BasicUi, kWindowAllDone, true, false, false, false}, 0, false},
        {"basic, window 7", {ProcessingMode::BasicUi, kWindowMandatoryMissing, true, false, false, false}, 1, false},
        {"basic, cancelled", {ProcessingMode::BasicUi, kWindowCancelled, true, false, false, false}, 0, false},
        {"basic, window not shown", {ProcessingMode::BasicUi, 0, true, false, false, false}, 0, false},
        {"basic, reboot accepted", {ProcessingMode::BasicUi, kWindowCancelled, true, true, false, false}, -1, true},
        {"basic, reboot refused, 7", {ProcessingMode::BasicUi, kWindowMandatoryMissing, true, true, true, false}, 1, false},
        {"basic, reboot refused, 1", {ProcessingMode::BasicUi, kWindowAllDone, true, true, true, false}, 0, false},
        {"refused but session ending", {ProcessingMode::BasicUi, kWindowAllDone, true, true, true, true}, -1, true},
        {"neither mode, session ending", {ProcessingMode::None, 0, true, false, false, true}, -1, true},
    };
    for (const Case& c : cases) {
        ExitDecision decision = DecideExit(c.outcome);
        EXPECT_EQ(decision.exitCode, c.exitCode) << c.what;
        EXPECT_EQ(decision.keepInterbootStore, c.keep) << c.what;
    }
}
