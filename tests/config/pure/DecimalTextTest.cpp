#include "config/pure/DecimalText.h"

#include <gtest/gtest.h>

using namespace velmora::config;

TEST(DecimalText_Parse, Table) {
    struct Case {
        const char* text;
        std::int32_t value;
        bool whole;
    } cases[] = {
        {"0", 0, true},         {"3010", 3010, true},       {"-1", -1, true},   {"", 0, true},
        {"-", 0, true},         {"12abc", 12, false},       {" 5", 0, false},   {"+5", 0, false},
        {"-2147483648", INT32_MIN, true}, {"4294967295", -1, true}, {"007", 7, true},
    };
    for (const Case& c : cases) {
        DecimalParse parsed = ParseDecimal(c.text);
        EXPECT_EQ(parsed.value, c.value) << c.text;
        EXPECT_EQ(parsed.wholeText, c.whole) << c.text;
    }
}

TEST(DecimalText_Format, NoLeadingZerosAndSign) {
    EXPECT_EQ(FormatDecimal(0), "0");
    EXPECT_EQ(FormatDecimal(-1), "-1");
    EXPECT_EQ(FormatDecimal(1641), "1641");
    EXPECT_EQ(FormatDecimal(INT32_MIN), "-2147483648");
}
