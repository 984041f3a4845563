#include "execution/pure/PackageIdentity.h"

#include <gtest/gtest.h>

using namespace velmora::execution;

TEST(Execution_ArchitectureName, NamesOnlyTheFiveKnownValues) {
    const struct {
        std::int32_t value;
        const wchar_t* name;
    } cases[] = {
        {11, L"neutral"}, {9, L"x64"},  {0, L"x86"}, {5, L"arm"}, {12, L"arm64"},
        {14, L""},        {65535, L""}, {1, L""},    {-1, L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ArchitectureName(c.value), c.name) << c.value;
}

TEST(Execution_PackageVersionText, DropsTrailingFillersButKeepsTwoParts) {
    const struct {
        PackageVersionParts version;
        const wchar_t* text;
    } cases[] = {
        {{1, 0, 0, 0}, L"1.0"},
        {{2, 0, 0, 0}, L"2.0"},
        {{14, 0, 30704, 0}, L"14.0.30704"},
        {{0, 0, 0, 5}, L"0.0.0.5"},
        {{0, 0, 0, 0}, L"0.0.0.0"},
        {{65535, 65535, 65535, 65535}, L"0.0.0.0"},
        {{0, 65535, 0, 0}, L"0.0.0.0"},
        {{1, 2, 3, 4}, L"1.2.3.4"},
        {{1, 2, 65535, 0}, L"1.2"},
        {{1, 65535, 3, 65535}, L"1.65535.3"},
        {{0, 7, 0, 0}, L"0.7"},
        {{65535, 1, 0, 0}, L"65535.1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PackageVersionText(c.version), c.text) << c.text;
}

TEST(Execution_PackageMatches, ComparesNamePublisherAndArchitectureExactly) {
    const PackageIdentity neutral{L"Contoso.App", L"CN=Contoso", 11, {}};
    const PackageIdentity x64{L"Contoso.App", L"CN=Contoso", 9, {}};
    const PackageIdentity unnamed{L"Contoso.App", L"CN=Contoso", 14, {}};
    const struct {
        const PackageIdentity* package;
        const wchar_t* name;
        const wchar_t* publisher;
        const wchar_t* architecture;
        bool matches;
    } cases[] = {
        {&neutral, L"Contoso.App", L"", L"", true},
        {&neutral, L"contoso.app", L"", L"", false},
        {&neutral, L"Contoso", L"", L"", false},
        {&neutral, L"Contoso.App", L"CN=Contoso", L"", true},
        {&neutral, L"Contoso.App", L"CN=contoso", L"", false},
        {&neutral, L"Contoso.App", L"", L"neutral", true},
        {&neutral, L"Contoso.App", L"", L"x64", false},
        {&x64, L"Contoso.App", L"", L"x64", true},
        {&x64, L"Contoso.App", L"", L"X64", false},
        {&x64, L"Contoso.App", L"CN=Contoso", L"x64", true},
        {&unnamed, L"Contoso.App", L"", L"", true},
        {&unnamed, L"Contoso.App", L"", L"x86", false},
        {&unnamed, L"Contoso.App", L"", L"arm64", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PackageMatches(*c.package, c.name, c.publisher, c.architecture), c.matches)
            << c.name << L" " << c.publisher << L" " << c.architecture;
}

TEST(Execution_HresultText, WritesEightUpperCaseHexDigits) {
    EXPECT_EQ(HresultText(0x80040154u), L"0x80040154");
    EXPECT_EQ(HresultText(0), L"0x00000000");
    EXPECT_EQ(HresultText(0x80073cf3u), L"0x80073CF3");
}
