#include "ui/pure/DialogTemplate.h"

#include <gtest/gtest.h>

using namespace velmora::ui;

namespace {

uint32_t Read32(const std::vector<uint16_t>& units, size_t at) {
    return units[at] | (static_cast<uint32_t>(units[at + 1]) << 16);
}

} // namespace

TEST(Ui_DialogTemplate, HeaderIsTheExtendedForm) {
    DialogTemplate dialog(0x40 | 0x80000000, 0x1, 0, 0, 350, 60, L"Error", L"MS Shell Dlg 2", 8);
    const auto& units = dialog.Units();
    EXPECT_EQ(units[0], 1);      // version
    EXPECT_EQ(units[1], 0xFFFF); // extended signature
    EXPECT_EQ(Read32(units, 4), 0x1u);
    EXPECT_EQ(Read32(units, 6), 0x80000040u);
    EXPECT_EQ(units[8], 0); // no controls yet
    EXPECT_EQ(units[11], 350);
    EXPECT_EQ(units[12], 60);
    EXPECT_EQ(std::u16string(units.begin() + 15, units.begin() + 20), u"Error");
    EXPECT_EQ(units[20], 0);
    EXPECT_EQ(units[21], 8); // point size
}

TEST(Ui_DialogTemplate, EveryControlStartsOnA32BitBoundaryAndIsCounted) {
    DialogTemplate dialog(0x40, 0, 0, 0, 100, 50, L"Odd", L"Font", 8);
    for (int i = 0; i < 3; ++i) {
        size_t before = dialog.Units().size();
        dialog.AddControl(ControlClass::Button, 500 + i, 0x50000000, 0, 1, 2, 30, 14, i == 1 ? L"Ab" : L"A");
        size_t start = before + (before % 2);
        // helpID 0, then the extended style, the style and the position; the ID follows them.
        EXPECT_EQ(Read32(dialog.Units(), start + 4), 0x50000000u);
        EXPECT_EQ(Read32(dialog.Units(), start + 10), static_cast<uint32_t>(500 + i));
        EXPECT_EQ(dialog.Units()[start + 12], 0xFFFF);
        EXPECT_EQ(dialog.Units()[start + 13], 0x0080);
    }
    EXPECT_EQ(dialog.ControlCount(), 3);
    EXPECT_EQ(dialog.Units()[8], 3);
}

TEST(Ui_DialogTemplate, TextsAreUtf16OnEveryPlatform) {
    DialogTemplate dialog(0, 0, 0, 0, 10, 10, L"\u00e9\U0001F600", L"", 0);
    const auto& units = dialog.Units();
    EXPECT_EQ(units[15], 0x00E9);
    EXPECT_EQ(units[16], 0xD83D);
    EXPECT_EQ(units[17], 0xDE00);
    EXPECT_EQ(units[18], 0);
}
