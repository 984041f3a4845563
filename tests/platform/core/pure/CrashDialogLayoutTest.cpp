#include "platform/core/pure/CrashDialogLayout.h"

#include <string>

#include <gtest/gtest.h>

using namespace velmora::platform::core;
using velmora::platform::Rect;

namespace {

std::wstring Lines(int count) {
    std::wstring text = L"line";
    for (int i = 1; i < count; ++i)
        text += L"\r\nline";
    return text;
}

} // namespace

TEST(Crash_MessageArea, LineCountBetweenThreeAndThirty) {
    const std::pair<int, int> table[] = {{1, 3},   {2, 3},   {3, 3},   {4, 4},
                                         {29, 29}, {30, 30}, {31, 30}, {40, 30}};
    for (const auto& [lines, counted] : table)
        EXPECT_EQ(MessageLineCount(Lines(lines)), counted) << lines;
    EXPECT_EQ(MessageLineCount(L""), 3);
}

TEST(Crash_MessageArea, EightPointThreeDialogUnitsPerLine) {
    EXPECT_EQ(MessageHeight(3), 25); // 24.9
    EXPECT_EQ(MessageHeight(10), 83);
    EXPECT_EQ(MessageHeight(30), 249);
}

TEST(Crash_Layout, WithoutDetailsOnlyClose) {
    CrashDialogLayout layout = LayoutCrashDialog(MessageLineCount(Lines(40)), false, true);
    EXPECT_FALSE(layout.hasDetails);
    EXPECT_FALSE(layout.hasSend);
    EXPECT_EQ(layout.collapsedHeight, layout.expandedHeight);
    EXPECT_EQ(layout.message.cy, 249);
    EXPECT_EQ(layout.close.y, 7 + 249 + 7);
}

TEST(Crash_Layout, SendOnlyWhenTheReporterCanSend) {
    EXPECT_FALSE(LayoutCrashDialog(3, true, false).hasSend);
    EXPECT_TRUE(LayoutCrashDialog(3, true, true).hasSend);
    CrashDialogLayout noSend = LayoutCrashDialog(3, true, false);
    EXPECT_EQ(noSend.copy.x + noSend.copy.cx + 4, noSend.close.x);
}

TEST(Crash_Layout, DetailsButtonCaption) {
    EXPECT_EQ(DetailsButtonText(false), L"Details >>");
    EXPECT_EQ(DetailsButtonText(true), L"Details <<");
}

TEST(Crash_Anchoring, ControlsFollowTheirCorners) {
    const Rect original{10, 20, 110, 40};
    struct Case {
        int control;
        Rect expected;
    };
    // The client area grows from 400 x 300 to 500 x 350.
    const Case cases[] = {
        {kCrashMessage, {10, 20, 210, 40}}, {kCrashDetails, {10, 20, 210, 90}},
        {kCrashClose, {110, 70, 210, 90}},  {kCrashSend, {110, 70, 210, 90}},
        {kCrashCopy, {110, 70, 210, 90}},   {kCrashDetailsButton, {10, 70, 110, 90}},
        {kCrashIcon, {10, 20, 110, 40}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Anchored(original, AnchorsOf(c.control), 400, 300, 500, 350), c.expected) << c.control;
}

TEST(Crash_Anchoring, ShrinkingTheClosedPaneBackGivesTheOpenOne) {
    const Rect pane{10, 60, 390, 200};
    Rect closed = Anchored(pane, AnchorsOf(kCrashDetails), 400, 240, 400, 93);
    EXPECT_EQ(closed.Height(), -7);
    EXPECT_EQ(Anchored(pane, AnchorsOf(kCrashDetails), 400, 240, 400, 240), pane);
}
