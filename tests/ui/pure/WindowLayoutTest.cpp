#include "ui/pure/WindowLayout.h"

#include <gtest/gtest.h>

using namespace velmora::ui;
using velmora::platform::Rect;

TEST(Ui_StatusTextRect, TakesTheSkipButtonsPlaceWhileItIsHidden) {
    const Rect text{15, 28, 285, 44};
    const Rect skip{300, 24, 375, 47};
    EXPECT_EQ(StatusTextRect(text, 285, skip, false), (Rect{15, 28, 375, 44}));
    EXPECT_EQ(StatusTextRect(text, 285, skip, true), text);
    // Showing the button again after a widened layout goes back to the saved edge.
    EXPECT_EQ(StatusTextRect({15, 28, 375, 44}, 285, skip, true), text);
}

TEST(Ui_TaskbarProgressAvailable, FromWindows7On) {
    struct Case {
        const char* system;
        unsigned major, minor, servicePack, build;
        bool expected;
    };
    const Case cases[] = {
        {"Windows XP SP3", 5, 1, 3, 2600, false},    {"Windows Server 2003", 5, 2, 2, 3790, false},
        {"Windows Vista SP2", 6, 0, 2, 6002, false}, {"Windows 7", 6, 1, 0, 7600, true},
        {"Windows 7 SP1", 6, 1, 1, 7601, true},      {"6.1.0.0 exactly", 6, 1, 0, 0, true},
        {"Windows 8", 6, 2, 0, 9200, true},          {"Windows 10", 10, 0, 0, 19045, true},
        {"Windows 11", 10, 0, 0, 22631, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TaskbarProgressAvailable(c.major, c.minor, c.servicePack, c.build), c.expected) << c.system;
}
