#include "cli/lint/pure/Names.h"

#include <gtest/gtest.h>

using namespace velmora::cli;

TEST(Lint_Names, SuggestsByLetterCaseFirstThenByOneCharacter) {
    const std::vector<std::wstring> keys{L"SetupFile", L"Options", L"SearchType1", L"SearchType2"};
    EXPECT_EQ(Suggest(L"setupfile", keys), L"SetupFile");
    EXPECT_EQ(Suggest(L"Option", keys), L"Options");
    EXPECT_EQ(Suggest(L"Optionz", keys), L"Options");
    EXPECT_EQ(Suggest(L"SearchTyp1", keys), L"SearchType1");
    EXPECT_EQ(Suggest(L"SearchType3", keys), L"SearchType1"); // one character: the first candidate
    EXPECT_EQ(Suggest(L"Url", keys), L"");
    EXPECT_EQ(Suggest(L"Options", keys), L"");
}

TEST(Lint_Names, KnowsTheSystemNamesOfEachBitness) {
    const OsNameCatalog& names = KnownOsNames();
    for (const wchar_t* name : {L"Windows 10 version 21H2 x64", L"Windows 11 x64", L"Windows Server 2019 x64",
                                L"Windows XP x64", L"OsNotIdentified"})
        EXPECT_EQ(names.names64.count(name), 1u) << name;
    for (const wchar_t* name : {L"Windows XP SP3 x86", L"Windows 8.1 x86", L"Windows Server 2008 SP2 x86",
                                L"Windows 10 version 1507 x86", L"OsNotIdentified"})
        EXPECT_EQ(names.names32.count(name), 1u) << name;
    EXPECT_EQ(names.names32.count(L"Windows Server 2016 x64"), 0u);
    EXPECT_FALSE(names.Knows(L"Windows 10"));
}
