#include "platform/pure/LogFormat.h"

#include <gtest/gtest.h>

using namespace velmora::platform;

TEST(LogFormat_FormatTimeStamp, HyphensBetweenEveryFieldAndZeroPadding) {
    EXPECT_EQ(FormatTimeStamp({2026, 12, 7, 0, 13, 48}), L"2026-12-07 00-13-48");
    EXPECT_EQ(FormatTimeStamp({999, 1, 2, 3, 4, 5}), L"0999-01-02 03-04-05");
    EXPECT_EQ(FormatTimeStamp({2030, 10, 31, 23, 59, 59}), L"2030-10-31 23-59-59");
}

TEST(LogFormat_OsVersionHeaderLine, ProductKindAndBitness) {
    struct Case {
        LogHeaderFacts facts;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {{6, 1, 7601, 1, false, false}, L"OS Version: 6.1.7601 SP1 (workstation) [x86]\r\n"},
        {{10, 0, 17763, 0, true, true}, L"OS Version: 10.0.17763 SP0 (server) [x64]\r\n"},
        {{11, 0, 22000, 0, false, true}, L"OS Version: 11.0.22000 SP0 (workstation) [x64]\r\n"},
        {{0, 0, 0, 0, false, false}, L"OS Version: 0.0.0 SP0 (workstation) [x86]\r\n"},
        {{4294967295u, 0, 4294967295u, 9, true, false},
         L"OS Version: 4294967295.0.4294967295 SP9 (server) [x86]\r\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(OsVersionHeaderLine(c.facts), c.expected);
}

TEST(LogFormat_CpuHeaderLine, NameKeptAsItIs) {
    EXPECT_EQ(CpuHeaderLine(kUnknownCpu), L"CPU: UnkownCPU\r\n");
    EXPECT_EQ(CpuHeaderLine(L"  Intel(R) Core(TM) "), L"CPU:   Intel(R) Core(TM) \r\n");
}

TEST(LogFormat_DefaultLogName, ExtensionAfterTheLastDotBecomesLog) {
    struct Case {
        const wchar_t* program;
        const wchar_t* name;
        const wchar_t* beside;
    };
    const Case cases[] = {
        {L"C:\\Kit\\setup.exe", L"setup.LOG", L"C:\\Kit\\setup.LOG"},
        {L"C:\\Kit\\my.setup.exe", L"my.setup.LOG", L"C:\\Kit\\my.setup.LOG"},
        {L"C:\\Kit\\setup", L"setup.LOG", L"C:\\Kit\\setup.LOG"},
        {L"C:\\Kit\\setup.", L"setup.LOG", L"C:\\Kit\\setup.LOG"},
        // A dot in a folder name belongs to the folder, not to the program's name.
        {L"C:\\my.kit\\setup", L"setup.LOG", L"C:\\my.kit\\setup.LOG"},
        {L"setup.exe", L"setup.LOG", L"setup.LOG"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DefaultLogName(c.program), c.name) << c.program;
        EXPECT_EQ(LogPathBesideProgram(c.program), c.beside) << c.program;
    }
}

TEST(LogFormat_OneLogLine, EveryControlCharacterBecomesABlank) {
    const struct {
        std::wstring_view message;
        std::wstring_view line;
    } cases[] = {
        {L"Searching for:App1", L"Searching for:App1"},
        {L"The FTP server answered: 530 No\r\n2026-01-01 00-00-00-Downloaded file was accepted.",
         L"The FTP server answered: 530 No  2026-01-01 00-00-00-Downloaded file was accepted."},
        {L"a\nb\rc\td\x0001"
         L"e\x001F"
         L"f\x007F"
         L"g\x0085"
         L"h\x009F"
         L"i\x2028"
         L"j\x2029"
         L"k",
         L"a b c d e f g h i j k"},
        {std::wstring_view(L"nul\0here", 8), L"nul here"},
        {L"kept: \x00A0\x00DC\x20AC\x4E2D", L"kept: \x00A0\x00DC\x20AC\x4E2D"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(OneLogLine(c.message), c.line) << std::wstring(c.message).size();
}
