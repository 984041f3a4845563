#include "detection/pure/Version.h"

#include <gtest/gtest.h>

using namespace velmora::detection;

namespace {

struct ParseCase {
    const wchar_t* text;
    bool ok;
    std::array<std::int32_t, 4> parts;
    int count;
};

VersionNumber Version(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) {
    VersionNumber version;
    version.parts = {a, b, c, d};
    version.count = 4;
    return version;
}

} // namespace

TEST(Detection_ParseVersion, ReadsUpToFourDigitRunsOutOfFreeText) {
    const ParseCase cases[] = {
        {L"", false, {0, 0, 0, 0}, 0},
        {L"no digits", false, {0, 0, 0, 0}, 0},
        {L"1", true, {1, 0, 0, 0}, 1},
        {L"1.2", true, {1, 2, 0, 0}, 2},
        {L"1.2.3.4", true, {1, 2, 3, 4}, 4},
        {L"1.2.3.4.5", true, {1, 2, 3, 4}, 4},
        {L"1,2,3,4", true, {1, 2, 3, 4}, 4},
        {L"10 20  30", true, {10, 20, 30, 0}, 3},
        {L"version 2", true, {2, 0, 0, 0}, 1},
        {L"v1..2-beta3", true, {1, 2, 3, 0}, 3},
        {L"1.2.", true, {1, 2, 0, 0}, 2},
        {L"007.08", true, {7, 8, 0, 0}, 2},
        {L"65535.65535.65535.65535", true, {65535, 65535, 65535, 65535}, 4},
        {L"\x0661.2", true, {2, 0, 0, 0}, 1}, // only ASCII digits count
    };
    for (const ParseCase& c : cases) {
        VersionNumber version = Version(9, 9, 9, 9);
        EXPECT_EQ(ParseVersion(c.text, version), c.ok) << c.text;
        EXPECT_EQ(version.parts, c.parts) << c.text;
        EXPECT_EQ(version.count, c.count) << c.text;
    }
}

TEST(Detection_ParseVersion, APartThatLeaves32BitsFailsTheWholeVersion) {
    const struct {
        const wchar_t* text;
        bool ok;
        std::int32_t first;
    } cases[] = {
        {L"214748364", true, 214748364}, {L"2147483647", true, 2147483647},
        {L"2147483648", false, 0}, // would wrap to a negative part
        {L"2147483649.1", false, 0},     {L"2147483650", false, 0},
        {L"21474836470", false, 0},      {L"99999999999999999999", false, 0},
    };
    for (const auto& c : cases) {
        VersionNumber version;
        EXPECT_EQ(ParseVersion(c.text, version), c.ok) << c.text;
        EXPECT_EQ(version.parts[0], c.first) << c.text;
        if (!c.ok) {
            EXPECT_TRUE(version.IsAll(0)) << c.text;
        }
    }
    VersionNumber late;
    EXPECT_FALSE(ParseVersion(L"1.2.3.3000000000", late));
    EXPECT_TRUE(late.IsAll(0));
}

TEST(Detection_FormatVersion, DropsTrailingZeroAnd65535PartsKeepingTwo) {
    const struct {
        VersionNumber version;
        const wchar_t* text;
    } cases[] = {
        {Version(1, 2, 3, 4), L"1.2.3.4"},
        {Version(1, 0, 0, 0), L"1.0"},
        {Version(14, 0, 30704, 0), L"14.0.30704"},
        {Version(0, 0, 0, 5), L"0.0.0.5"},
        {Version(0, 0, 0, 0), L"0.0.0.0"},
        {Version(65535, 65535, 65535, 65535), L"0.0.0.0"},
        {Version(0, 65535, 0, 65535), L"0.0.0.0"},
        {Version(1, 65535, 0, 0), L"1.65535"},
        {Version(1, 2, 65535, 65535), L"1.2"},
        {Version(1, 2, 0, 7), L"1.2.0.7"},
        {Version(2147483647, 1, 0, 0), L"2147483647.1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatVersion(c.version), c.text);
}

TEST(Detection_FormatVersion, NormalisesWhatParseVersionReads) {
    const struct {
        const wchar_t* in;
        const wchar_t* out;
    } cases[] = {
        {L"1,2,0,0", L"1.2"}, {L"v3", L"3.0"}, {L"none", L"0.0.0.0"}, {L"6.1.7601.65535", L"6.1.7601"}};
    for (const auto& c : cases)
        EXPECT_EQ(FormatVersion(ParsedVersion(c.in)), c.out) << c.in;
}

TEST(Detection_IsVersionInRange, AbsentBoundsAreAllZeroOrAll65535AndPresentOnesInclusive) {
    const struct {
        const wchar_t* verMin;
        const wchar_t* verMax;
        const wchar_t* version;
        bool in;
    } cases[] = {
        {L"", L"", L"0.0.0.0", true},
        {L"", L"", L"5.0", true},
        {L"1.2", L"", L"1.2", true},
        {L"1.2", L"", L"1.1.9", false},
        {L"1.2", L"", L"1.10", true},
        {L"", L"2.0", L"2.0.0.0", true},
        {L"", L"2.0", L"2.0.0.1", false},
        {L"1.0", L"2.0", L"1.5", true},
        {L"1.0", L"2.0", L"0.9", false},
        {L"65535.65535.65535.65535", L"", L"0.1", true}, // all-65535 minimum is absent
        {L"", L"65535.65535.65535.65535", L"70000.0", true},
        {L"0.0.0.0", L"0", L"1.0", true},
        {L"junk", L"", L"0.0.0.0", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsVersionInRange(c.verMin, c.verMax, ParsedVersion(c.version)), c.in)
            << c.verMin << L" " << c.verMax << L" " << c.version;
}

TEST(Detection_AnyValueInRange, DecidesByTheFirstValueWithinTheBounds) {
    using Values = std::vector<std::wstring>;
    const struct {
        const wchar_t* verMin;
        const wchar_t* verMax;
        Values values;
        bool found;
    } cases[] = {
        {L"", L"", {}, false},
        {L"1.0", L"", {}, false},
        {L"", L"", {L"no digits at all"}, true},
        {L"", L"", {L""}, true},
        {L"1.2", L"", {L"1.2.0.0"}, true},
        {L"1.2", L"", {L"1.10"}, true},
        {L"1.2", L"", {L"version 2"}, true},
        {L"1.2", L"", {L"1.1.9"}, false},
        {L"1.2", L"", {L"no digits", L"1.1.9"}, false},
        {L"1.2", L"", {L"no digits", L"1.1.9", L"1.3"}, true},
        {L"", L"3.0", {L"0.0.0.0"}, false}, // a value reading as 0.0.0.0 is skipped
        {L"", L"3.0", {L"0.0.0.1"}, true},
        {L"", L"65535.65535.65535.65535", {L"1.0"}, true},
        {L"65535.65535.65535.65535", L"", {L"1.0"}, false}, // an all-65535 minimum is present here
        {L"2.0", L"3.0", {L"1.0", L"4.0"}, false},
        {L"2.0", L"3.0", {L"3.0.0.0"}, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AnyValueInRange(c.verMin, c.verMax, c.values), c.found)
            << c.verMin << L"|" << c.verMax << L"|" << c.values.size();
}
