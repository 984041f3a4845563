#include "ui/pure/WindowLayout.h"

#include <gtest/gtest.h>

using namespace velmora::ui;

TEST(Ui_CentredPosition, CentresAndKeepsInsideTheWorkArea) {
    const Rect screen{0, 0, 1024, 738};
    struct Case {
        const char* name;
        int width, height;
        Rect reference;
        Point expected;
    };
    const Case cases[] = {
        {"over the work area", 400, 100, screen, {312, 319}},
        {"over an owner", 200, 100, {100, 100, 500, 300}, {200, 150}},
        {"owner near the right edge", 300, 100, {900, 100, 1000, 200}, {724, 100}},
        {"owner near the bottom edge", 100, 200, {0, 700, 100, 760}, {0, 538}},
        {"owner off the top-left", 200, 100, {-300, -300, -100, -100}, {0, 0}},
        {"wider than the area", 1200, 900, screen, {0, 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CentredPosition(c.width, c.height, c.reference, screen), c.expected) << c.name;
}

TEST(Ui_CentredPosition, UsesTheAreaOfASecondMonitor) {
    const Rect right{1024, 0, 2048, 768};
    EXPECT_EQ(CentredPosition(200, 100, right, right), (Point{1436, 334}));
}

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
