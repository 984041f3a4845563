#include "detection/pure/OsVersionInfo.h"

#include <gtest/gtest.h>

using namespace velmora::detection;

TEST(OsVersionInfo_Defaults, MatchAMachineWhereNothingCouldBeRead) {
    OsVersionInfo info;
    EXPECT_EQ(info.major, 0u);
    EXPECT_EQ(info.minor, 0u);
    EXPECT_EQ(info.build, 0u);
    EXPECT_EQ(info.servicePack, 0u);
    EXPECT_EQ(CsdVersionText(info), L"");
    EXPECT_EQ(info.productType, 1);
    EXPECT_EQ(info.suiteMask, 0);
    EXPECT_FALSE(info.isServer);
    EXPECT_FALSE(info.is64BitOs);
    EXPECT_EQ(info.releaseId, 1507);
}

TEST(OsVersionInfo_IsWindows10OrLater, TrueExactlyFromMajorTen) {
    struct Case {
        std::uint32_t major, minor, servicePack, build;
        bool expected;
    };
    const Case cases[] = {
        {10, 0, 0, 0, true},    {10, 0, 0, 19044, true}, {11, 0, 0, 22000, true}, {12, 0, 0, 0, true},
        {6, 3, 0, 9600, false}, {6, 9, 9, 99999, false}, {0, 0, 0, 0, false},     {10, 5, 0, 0, true},
    };
    for (const Case& c : cases) {
        OsVersionInfo info;
        info.major = c.major;
        info.minor = c.minor;
        info.servicePack = c.servicePack;
        info.build = c.build;
        EXPECT_EQ(IsWindows10OrLater(info), c.expected) << c.major << "." << c.minor << "." << c.build;
    }
}

TEST(OsVersionInfo_ParseRegistryNumber, DigitsUpToTheFirstOtherCharacter) {
    struct Case {
        const wchar_t* text;
        std::int32_t expected;
    };
    const Case cases[] = {
        {L"19044", 19044}, {L"7601.win7sp1", 7601}, {L"-12", -12},       {L"", 0},  {L"abc", 0}, {L" 12", 0},
        {L"+12", 0},       {L"2009", 2009},         {L"0022000", 22000}, {L"-", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseRegistryNumber(c.text), c.expected) << c.text;
}

TEST(OsVersionInfo_ParseRegistryNumber, OverlongNumberWrapsWithoutFault) {
    EXPECT_EQ(ParseRegistryNumber(L"4294967297"), 1);
}

TEST(OsVersionInfo_ApplyCurrentVersionText, OnlyThreeCharactersWithDigitsAtBothEnds) {
    struct Case {
        const wchar_t* text;
        std::uint32_t major, minor;
    };
    const Case cases[] = {
        {L"6.3", 6, 3}, {L"6.1", 6, 1}, {L"5.1", 5, 1}, {L"10.0", 0, 0}, {L"6", 0, 0},
        {L"", 0, 0},    {L"6_2", 6, 2}, {L"a.b", 0, 0}, {L"6.", 0, 0},
    };
    for (const Case& c : cases) {
        OsVersionInfo info;
        ApplyCurrentVersionText(c.text, info);
        EXPECT_EQ(info.major, c.major) << c.text;
        EXPECT_EQ(info.minor, c.minor) << c.text;
    }
}

TEST(OsVersionInfo_IsWindows11Branch, TwoBranchesWithoutRegardToCase) {
    EXPECT_TRUE(IsWindows11Branch(L"co_release"));
    EXPECT_TRUE(IsWindows11Branch(L"CO_Release"));
    EXPECT_TRUE(IsWindows11Branch(L"rs_prerelease"));
    EXPECT_TRUE(IsWindows11Branch(L"RS_PRERELEASE"));
    EXPECT_FALSE(IsWindows11Branch(L"ni_release"));
    EXPECT_FALSE(IsWindows11Branch(L"vb_release"));
    EXPECT_FALSE(IsWindows11Branch(L"co_release "));
    EXPECT_FALSE(IsWindows11Branch(L""));
}

TEST(OsVersionInfo_ApplyCsdVersion, ServicePackFromTheLastCharacter) {
    struct Case {
        const wchar_t* text;
        std::uint32_t servicePack;
    };
    const Case cases[] = {
        {L"Service Pack 1", 1},         {L"Service Pack 3", 3}, {L"", 0},
        {L"Service Pack 2, v.3244", 4}, {L"Service Pack", 0},   {L"Beta ", 0},
    };
    for (const Case& c : cases) {
        OsVersionInfo info;
        ApplyCsdVersion(c.text, info);
        EXPECT_EQ(info.servicePack, c.servicePack) << c.text;
        EXPECT_EQ(CsdVersionText(info), c.text);
    }
}

TEST(OsVersionInfo_ApplyCsdVersion, LongTextIsCutTo127Characters) {
    OsVersionInfo info;
    std::wstring text(300, L'x');
    text.back() = L'2';
    ApplyCsdVersion(text, info);
    EXPECT_EQ(CsdVersionText(info), std::wstring(127, L'x'));
    EXPECT_EQ(info.servicePack, 2u);
}

TEST(OsVersionInfo_ApplyProductType, WorkstationServerOrDomainController) {
    struct Case {
        const wchar_t* text;
        std::uint16_t productType;
        bool isServer;
    };
    const Case cases[] = {
        {L"WinNT", 1, false}, {L"ServerNT", 3, true}, {L"LanmanNT", 2, true},
        {L"winnt", 2, true},  {L"", 2, true},
    };
    for (const Case& c : cases) {
        OsVersionInfo info;
        ApplyProductType(c.text, info);
        EXPECT_EQ(info.productType, c.productType) << c.text;
        EXPECT_EQ(info.isServer, c.isServer) << c.text;
    }
}

TEST(OsVersionInfo_SuiteMaskFor, EveryRowOfTheSuiteTable) {
    struct Case {
        const wchar_t* suite;
        std::uint16_t bit;
    };
    const Case cases[] = {
        {L"Small Business", 0x0001},
        {L"Enterprise", 0x0002},
        {L"BackOffice", 0x0004},
        {L"CommunicationServer", 0x0008},
        {L"Terminal Server", 0x0010},
        {L"Small Business(Restricted)", 0x0020},
        {L"EmbeddedNT", 0x0040},
        {L"DataCenter", 0x0080},
        {L"Personal", 0x0200},
        {L"Blade", 0x0400},
        {L"Embedded(Restricted)", 0x0800},
        {L"Security Appliance", 0x1000},
        {L"Storage Server", 0x2000},
        {L"Compute Server", 0x4000},
    };
    std::vector<std::wstring> all;
    for (const Case& c : cases) {
        EXPECT_EQ(SuiteMaskFor({c.suite}), c.bit) << c.suite;
        all.push_back(c.suite);
    }
    EXPECT_EQ(SuiteMaskFor(all), 0x7EFF);
}

TEST(OsVersionInfo_SuiteMaskFor, UnknownAndDifferentlyCasedStringsAreIgnored) {
    EXPECT_EQ(SuiteMaskFor({L"enterprise", L"Terminal Server ", L"Whatever"}), 0);
    EXPECT_EQ(SuiteMaskFor({}), 0);
}
