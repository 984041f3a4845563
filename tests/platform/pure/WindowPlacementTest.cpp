#include "platform/pure/WindowPlacement.h"

#include <gtest/gtest.h>

using namespace velmora::platform;

TEST(Platform_CentredPosition, CentresAndKeepsInsideTheWorkArea) {
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

TEST(Platform_CentredPosition, UsesTheAreaOfASecondMonitor) {
    const Rect right{1024, 0, 2048, 768};
    EXPECT_EQ(CentredPosition(200, 100, right, right), (Point{1436, 334}));
}
