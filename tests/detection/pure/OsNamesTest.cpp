#include "detection/pure/OsNames.h"

#include <gtest/gtest.h>

using namespace velmora::detection;

namespace {

enum Kind { Workstation, Server32, Server64, Workstation64 };

OsVersionInfo Os(std::uint32_t major, std::uint32_t minor, std::uint32_t build, std::uint32_t servicePack,
                 Kind kind) {
    OsVersionInfo info;
    info.major = major;
    info.minor = minor;
    info.build = build;
    info.servicePack = servicePack;
    info.isServer = kind == Server32 || kind == Server64;
    info.productType = info.isServer ? 3 : 1;
    info.is64BitOs = kind == Server64 || kind == Workstation64;
    return info;
}

struct NameCase {
    std::uint32_t major, minor, build, servicePack;
    Kind kind;
    const wchar_t* name;
};

std::string Describe(const NameCase& c) {
    return std::to_string(c.major) + "." + std::to_string(c.minor) + "." + std::to_string(c.build) + " SP" +
           std::to_string(c.servicePack) + " kind " + std::to_string(c.kind);
}

} // namespace

TEST(OsNames_DetailedOsName, EveryRowOfTheTable) {
    const NameCase cases[] = {
        {11, 1, 22000, 0, Workstation64, L"OsNotIdentified"},
        {11, 0, 22000, 0, Workstation64, L"Windows 11 version 21H2 x64"},
        {11, 0, 22000, 0, Server64, L"Windows 11 version 21H2 x64"},
        {11, 0, 22000, 0, Workstation, L"Windows 11 version 21H2 x86"},
        {11, 0, 22621, 0, Server64, L"Windows Server x64"},
        {11, 0, 22621, 0, Workstation64, L"Windows 11 x64"},
        {11, 0, 22621, 0, Server32, L"Windows 11 x86"},
        {10, 1, 19044, 0, Workstation64, L"OsNotIdentified"},
        {10, 0, 10240, 0, Workstation, L"Windows 10 version 1507 x86"},
        {10, 0, 10240, 0, Server64, L"Windows 10 version 1507 x64"},
        {10, 0, 10586, 0, Workstation64, L"Windows 10 version 1511 x64"},
        {10, 0, 14393, 0, Server64, L"Windows Server 2016 x64"},
        {10, 0, 14393, 0, Server32, L"Windows 10 version 1607 x86"},
        {10, 0, 14393, 0, Workstation64, L"Windows 10 version 1607 x64"},
        {10, 0, 15063, 0, Workstation, L"Windows 10 version 1703 x86"},
        {10, 0, 16299, 0, Workstation64, L"Windows 10 version 1709 x64"},
        {10, 0, 17134, 0, Workstation64, L"Windows 10 version 1803 x64"},
        {10, 0, 17763, 0, Server64, L"Windows Server 2019 x64"},
        {10, 0, 17763, 0, Workstation64, L"Windows 10 version 1809 x64"},
        {10, 0, 18362, 0, Workstation64, L"Windows 10 version 1903 x64"},
        {10, 0, 18363, 0, Workstation, L"Windows 10 version 1909 x86"},
        {10, 0, 19041, 0, Workstation64, L"Windows 10 version 2004 x64"},
        {10, 0, 19042, 0, Workstation64, L"Windows 10 version 20H2 x64"},
        {10, 0, 19043, 0, Workstation64, L"Windows 10 version 21H1 x64"},
        {10, 0, 19044, 0, Workstation64, L"Windows 10 version 21H2 x64"},
        {10, 0, 19044, 0, Workstation, L"Windows 10 version 21H2 x86"},
        {10, 0, 20348, 0, Server64, L"Windows Server 2022 x64"},
        {10, 0, 20348, 0, Workstation64, L"Windows 10 version 21H2 x64"},
        {10, 0, 19045, 0, Workstation64, L"Windows 10 x64"},
        {10, 0, 19045, 0, Server64, L"Windows Server x64"},
        {10, 0, 26100, 0, Server32, L"Windows 10 x86"},
        {6, 3, 9600, 0, Server64, L"Windows Server 2012 R2 x64"},
        {6, 3, 9600, 0, Workstation64, L"Windows 8.1 x64"},
        {6, 3, 9600, 0, Server32, L"Windows 8.1 x86"},
        {6, 2, 9200, 0, Server64, L"Windows Server 2012 x64"},
        {6, 2, 9200, 0, Workstation, L"Windows 8 x86"},
        {6, 1, 7600, 0, Server64, L"Windows Server 2008 R2 RTM x64"},
        {6, 1, 7601, 1, Server64, L"Windows Server 2008 R2 SP1 x64"},
        {6, 1, 7601, 2, Server64, L"Windows Server 2008 R2 x64"},
        {6, 1, 7600, 0, Workstation, L"Windows 7 RTM x86"},
        {6, 1, 7601, 1, Workstation64, L"Windows 7 SP1 x64"},
        {6, 1, 7601, 1, Server32, L"Windows 7 SP1 x86"},
        {6, 1, 7601, 5, Workstation, L"Windows 7 x86"},
        {6, 0, 6000, 0, Workstation, L"Windows Vista RTM x86"},
        {6, 0, 6001, 1, Workstation64, L"Windows Vista SP1 x64"},
        {6, 0, 6002, 2, Workstation, L"Windows Vista SP2 x86"},
        {6, 0, 6002, 3, Workstation, L"Windows Vista x86"},
        {6, 0, 6001, 0, Server32, L"Windows Server 2008 RTM x86"},
        {6, 0, 6001, 1, Server64, L"Windows Server 2008 RTM x64"},
        {6, 0, 6002, 2, Server64, L"Windows Server 2008 SP2 x64"},
        {6, 0, 6002, 3, Server32, L"Windows Server 2008 x86"},
        {6, 4, 9841, 0, Workstation64, L"OsNotIdentified"},
        {5, 2, 3790, 1, Server32, L"Windows Server 2003 SP1 x86"},
        {5, 2, 3790, 2, Server64, L"Windows Server 2003 SP2 x64"},
        {5, 2, 3790, 0, Server32, L"Windows Server 2003 x86"},
        {5, 2, 3790, 1, Workstation64, L"Windows XP SP1 x64"},
        {5, 2, 3790, 2, Workstation, L"Windows XP SP2 x64"},
        {5, 2, 3790, 0, Workstation64, L"Windows XP x64"},
        {5, 1, 2600, 1, Workstation, L"Windows XP SP1 x86"},
        {5, 1, 2600, 2, Server64, L"Windows XP SP2 x86"},
        {5, 1, 2600, 3, Workstation, L"Windows XP SP3 x86"},
        {5, 1, 2600, 0, Workstation, L"Windows XP x86"},
        {5, 0, 2195, 4, Workstation, L"OsNotIdentified"},
        {5, 3, 0, 0, Workstation, L"OsNotIdentified"},
        {4, 0, 1381, 6, Workstation, L"OsNotIdentified"},
        {12, 0, 30000, 0, Workstation64, L"OsNotIdentified"},
        {0, 0, 0, 0, Workstation, L"OsNotIdentified"},
    };
    for (const NameCase& c : cases)
        EXPECT_EQ(DetailedOsName(Os(c.major, c.minor, c.build, c.servicePack, c.kind)), c.name)
            << Describe(c);
}

TEST(OsNames_GeneralOsName, EveryRowOfTheTable) {
    const NameCase cases[] = {
        {11, 0, 22000, 0, Server64, L"Windows Server x64"},
        {11, 0, 22000, 0, Workstation64, L"Windows 11 x64"},
        {11, 0, 22000, 0, Server32, L"Windows 11 x86"},
        {10, 0, 19044, 0, Server64, L"Windows Server x64"},
        {10, 0, 19044, 0, Workstation64, L"Windows 10 x64"},
        {10, 0, 19044, 0, Workstation, L"Windows 10 x86"},
        {6, 3, 9600, 0, Server64, L"Windows Server 2012 R2 x64"},
        {6, 3, 9600, 0, Server32, L"Windows 8.1 x86"},
        {6, 2, 9200, 0, Server64, L"Windows Server 2012 x64"},
        {6, 2, 9200, 0, Workstation64, L"Windows 8 x64"},
        {6, 1, 7601, 1, Server64, L"Windows Server 2008 R2 x64"},
        {6, 1, 7601, 1, Workstation, L"Windows 7 x86"},
        {6, 0, 6002, 2, Server32, L"Windows Server 2008 x86"},
        {6, 0, 6002, 2, Server64, L"Windows Server 2008 x64"},
        {6, 0, 6002, 2, Workstation64, L"Windows Vista x64"},
        {5, 2, 3790, 2, Server32, L"Windows Server 2003 x86"},
        {5, 2, 3790, 2, Server64, L"Windows Server 2003 x64"},
        {5, 2, 3790, 2, Workstation64, L"Windows XP x64"},
        {5, 2, 3790, 2, Workstation, L"Windows XP x64"},
        {5, 1, 2600, 3, Server64, L"Windows XP x86"},
        {5, 1, 2600, 3, Workstation, L"Windows XP x86"},
        {11, 1, 0, 0, Workstation64, L"OsNotIdentified"},
        {10, 1, 0, 0, Workstation64, L"OsNotIdentified"},
        {6, 4, 0, 0, Workstation64, L"OsNotIdentified"},
        {5, 0, 2195, 0, Workstation, L"OsNotIdentified"},
        {0, 0, 0, 0, Workstation, L"OsNotIdentified"},
    };
    for (const NameCase& c : cases)
        EXPECT_EQ(GeneralOsName(Os(c.major, c.minor, c.build, c.servicePack, c.kind)), c.name) << Describe(c);
}

TEST(OsNames_SplitOsList, CommaAndOneBlankSeparateUntrimmedItems) {
    using Items = std::vector<std::wstring_view>;
    EXPECT_EQ(SplitOsList(L""), Items{});
    EXPECT_EQ(SplitOsList(L"Windows 10 x64"), Items{L"Windows 10 x64"});
    EXPECT_EQ(SplitOsList(L"a, b"), (Items{L"a", L"b"}));
    EXPECT_EQ(SplitOsList(L"a,b"), Items{L"a,b"});
    EXPECT_EQ(SplitOsList(L"a,  b"), (Items{L"a", L" b"}));
    EXPECT_EQ(SplitOsList(L", "), (Items{L"", L""}));
    EXPECT_EQ(SplitOsList(L"a, , b, "), (Items{L"a", L"", L"b", L""}));
}

namespace {

struct ExclusionCase {
    const char* name;
    bool is64BitOs;
    const wchar_t* detailed;
    const wchar_t* general;
    const wchar_t* winNT;
    const wchar_t* winNT64;
    bool excluded;
};

} // namespace

TEST(OsNames_IsOsExcludedFor, ListsAgainstTheNamesOfTheSystem) {
    const std::wstring all64(kAllOsList64);
    const std::wstring all32(kAllOsList32);
    const std::wstring all64More = all64 + L", Windows 7 x64";
    const wchar_t* w10d = L"Windows 10 version 21H2 x64";
    const wchar_t* w10g = L"Windows 10 x64";
    const ExclusionCase cases[] = {
        {"general name", true, w10d, w10g, L"", L"Windows 10 x64", true},
        {"detailed name", true, w10d, w10g, L"", L"Windows 10 version 21H2 x64", true},
        {"other release", true, w10d, w10g, L"", L"Windows 10 version 1909 x64", false},
        {"later item", true, w10d, w10g, L"", L"Windows 8 x64, Windows 10 x64", true},
        {"comma without blank is one item", true, w10d, w10g, L"", L"Windows 8 x64,Windows 10 x64", false},
        {"items are not trimmed", true, w10d, w10g, L"", L"Windows 8 x64,  Windows 10 x64", false},
        {"case matters", true, w10d, w10g, L"", L"windows 10 x64", false},
        {"32-bit list ignored on 64-bit", true, w10d, w10g, L"Windows 10 x64", L"", false},
        {"64-bit list ignored on 32-bit", false, L"Windows 10 version 21H2 x86", L"Windows 10 x86", L"",
         L"Windows 10 x86", false},
        {"32-bit list on 32-bit", false, L"Windows 10 version 21H2 x86", L"Windows 10 x86", L"Windows 10 x86",
         L"", true},
        {"catch-all 64", true, L"OsNotIdentified", L"OsNotIdentified", L"", all64.c_str(), true},
        {"catch-all 64 on a named system", true, w10d, w10g, L"", all64.c_str(), true},
        {"catch-all 64 with one more item is split", true, w10d, w10g, L"", all64More.c_str(), false},
        {"catch-all 64 with one more item names that one", true, L"Windows 7 SP1 x64", L"Windows 7 x64", L"",
         all64More.c_str(), true},
        {"catch-all 32", false, L"OsNotIdentified", L"OsNotIdentified", all32.c_str(), L"", true},
        {"catch-all 32 on a 64-bit list", true, w10d, w10g, L"", all32.c_str(), false},
        {"OsNotIdentified can be named", true, L"OsNotIdentified", L"OsNotIdentified", L"",
         L"OsNotIdentified", true},
        {"empty list", true, w10d, w10g, L"", L"", false},
        {"empty items", true, w10d, w10g, L"", L", , ", false},
    };
    for (const ExclusionCase& c : cases)
        EXPECT_EQ(IsOsExcludedFor(c.is64BitOs, c.detailed, c.general, c.winNT, c.winNT64), c.excluded)
            << c.name;
}

TEST(OsNames_IsOsExcludedFor, ThirtyTwoBitServer2012R2IsNamedAsWindows81) {
    OsVersionInfo info = Os(6, 3, 9600, 0, Server32);
    EXPECT_EQ(DetailedOsName(info), L"Windows 8.1 x86");
    EXPECT_TRUE(IsOsExcludedFor(false, DetailedOsName(info), GeneralOsName(info), L"Windows 8.1 x86", L""));
}

TEST(OsNames_ParseLanguageItem, LenientDecimal) {
    struct Case {
        const wchar_t* text;
        std::int32_t value;
    };
    const Case cases[] = {
        {L"1033", 1033}, {L" 1031", 1031}, {L"\t+1031", 1031}, {L"-1", -1}, {L"", 0},
        {L"abc", 0},     {L"12ab", 12},    {L"0x409", 0},      {L"- 5", 0}, {L"4294968329", 1033},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseLanguageItem(c.text), c.value) << c.text;
}

TEST(OsNames_IsLanguageInList, ItemsEndedBySemicolonsInTheirLow16Bits) {
    struct Case {
        const wchar_t* list;
        std::uint16_t language;
        bool accepted;
    };
    const Case cases[] = {
        {L"1033;1031;", 1033, true},   {L"1033;1031;", 1031, true},
        {L"1033;1031", 1031, false}, // the last item has no ";" and is never looked at
        {L"1033;", 1033, true},        {L"1033", 1033, false},
        {L"1031;1036;", 1033, false},  {L"1033;;1031;", 0, true}, // an empty item reads as 0
        {L"1033;;1031;", 1040, false}, {L" 1033;", 1033, true},
        {L"1033 ;", 1033, true},       {L"66569;", 1033, true}, // 66569 = 65536 + 1033
        {L"-64503;", 1033, true}, // the same language in 32-bit two's complement
        {L"en-US;", 0, true},          {L"", 1033, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsLanguageInList(c.list, c.language), c.accepted) << c.list << " / " << c.language;
}

TEST(OsNames_LanguageLogLine, DecimalIdentifierHyphenName) {
    EXPECT_EQ(LanguageLogLine(1033, L"English (United States)"),
              L"SystemDefault LangID=1033-English (United States)");
    EXPECT_EQ(LanguageLogLine(65535, L""), L"SystemDefault LangID=65535-");
}
