#include "platform/pure/DecimalNumbers.h"

#include <gtest/gtest.h>

#include <string>

using namespace velmora::platform;

// The same texts under each lead: only what precedes the digits differs. Narrow and wide texts read alike.
TEST(DecimalNumbers_ParseWrappingInt32, EachLeadAcceptsItsOwnPrefix) {
    struct Case {
        const char* text;
        std::int32_t minus;
        std::int32_t spacesMinusPlus;
        std::int32_t blanksAndSign;
        std::size_t minusEnd;
    };
    const Case cases[] = {
        {"42", 42, 42, 42, 2},
        {"-42x", -42, -42, -42, 3},
        {"+42", 0, 42, 42, 0},
        {"-+42", 0, -42, 0, 1},
        {"  42", 0, 42, 42, 0},
        {"\t42", 0, 0, 42, 0},
        {"", 0, 0, 0, 0},
        {"-", 0, 0, 0, 1},
        {"4294967297", 1, 1, 1, 10},
        {"-2147483648", INT32_MIN, INT32_MIN, INT32_MIN, 11},
    };
    for (const Case& c : cases) {
        const std::string narrow = c.text;
        const std::wstring wide(narrow.begin(), narrow.end());
        EXPECT_EQ(ParseWrappingInt32(narrow, NumberLead::Minus).value, c.minus) << c.text;
        EXPECT_EQ(ParseWrappingInt32(narrow, NumberLead::Minus).end, c.minusEnd) << c.text;
        EXPECT_EQ(ParseWrappingInt32(wide, NumberLead::Minus).value, c.minus) << c.text;
        EXPECT_EQ(ParseWrappingInt32(wide, NumberLead::SpacesMinusPlus).value, c.spacesMinusPlus) << c.text;
        EXPECT_EQ(ParseWrappingInt32(wide, NumberLead::BlanksAndSign).value, c.blanksAndSign) << c.text;
    }
}

TEST(DecimalNumbers_ParseUnsigned64, DigitsFromThePositionOrNothing) {
    std::size_t at = 6;
    EXPECT_EQ(ParseUnsigned64(L"bytes 100-199/200", at), 100u);
    EXPECT_EQ(at, 9u);
    at = 0;
    EXPECT_EQ(ParseUnsigned64(L"18446744073709551615", at), UINT64_MAX);
    at = 0;
    EXPECT_EQ(ParseUnsigned64(L"18446744073709551616", at), std::nullopt);
    at = 0;
    EXPECT_EQ(ParseUnsigned64(L"-1", at), std::nullopt);
    EXPECT_EQ(at, 0u);
}

TEST(DecimalNumbers_ParseWrappingSize, SixtyFourBitsThatWrapLikeTheSmallerReading) {
    struct Case {
        const wchar_t* text;
        std::uint64_t value;
    } cases[] = {
        {L"5368709120", 5368709120ull}, // 5 GB: no longer read modulo 4 GB
        {L"4294967296", 4294967296ull},
        {L"  42abc", 42},
        {L"-5", 18446744073709551611ull}, // a size no file has
        {L"+7", 7},
        {L"18446744073709551616", 0}, // one past the largest wraps
        {L"", 0},
        {L"x1", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseWrappingSize(c.text, NumberLead::SpacesMinusPlus).value, c.value) << c.text;
}
