#include "detection/pure/SearchRules.h"

#include <gtest/gtest.h>

#include <vector>

using namespace velmora::detection;

TEST(Detection_SearchRules, SixtyFourBitSwitchIsALowerCaseX) {
    EXPECT_TRUE(Uses64BitSwitch(L"x"));
    EXPECT_TRUE(Uses64BitSwitch(L"mxr"));
    EXPECT_FALSE(Uses64BitSwitch(L"X"));
    EXPECT_FALSE(Uses64BitSwitch(L"mr"));
    EXPECT_FALSE(Uses64BitSwitch(L""));
}

TEST(Detection_SearchRules, FileSearchStringsCarryAnOptionalDepthAfterQuestionMark) {
    const struct {
        const wchar_t* text;
        const wchar_t* path;
        int depth;
    } cases[] = {
        {L"C:\\a\\b.dll", L"C:\\a\\b.dll", 0},
        {L"C:\\a\\b.dll?2", L"C:\\a\\b.dll", 2},
        {L"setup.dll?", L"setup.dll", 0},
        {L"setup.dll?x", L"setup.dll", 0},
        {L"setup.dll? 3", L"setup.dll", 3},
        {L"setup.dll?-1", L"setup.dll", -1},
        {L"?3", L"?3", 0}, // a "?" in front is part of the name
        {L"a?1?2", L"a", 1},
        {L"a?99999999999", L"a", 999999999},
    };
    for (const auto& c : cases) {
        FileSearchString split = SplitFileSearchString(c.text);
        EXPECT_EQ(split.path, c.path) << c.text;
        EXPECT_LE(split.depth, 1000000000) << c.text;
        if (c.depth < 999999999) {
            EXPECT_EQ(split.depth, c.depth) << c.text;
        }
    }
}

TEST(Detection_SearchRules, BareNamesHaveNoBackslashAndNoPropertyReference) {
    EXPECT_TRUE(IsBareFileName(L"setup.dll"));
    EXPECT_TRUE(IsBareFileName(L"*.dll"));
    EXPECT_FALSE(IsBareFileName(L"sub\\setup.dll"));
    EXPECT_FALSE(IsBareFileName(L"[SystemFolder]x.dll"));
    EXPECT_FALSE(IsBareFileName(L"%WINDIR%x.dll"));
    EXPECT_FALSE(IsBareFileName(L"!HKLM\\a\\b!"));
}

TEST(Detection_SearchRules, PathsSplitIntoFolderWithBackslashAndName) {
    std::wstring folder, name;
    SplitAtLastBackslash(L"C:\\a\\b\\*.dll", folder, name);
    EXPECT_EQ(folder, L"C:\\a\\b\\");
    EXPECT_EQ(name, L"*.dll");
    SplitAtLastBackslash(L"plain.dll", folder, name);
    EXPECT_EQ(folder, L"");
    EXPECT_EQ(name, L"plain.dll");
    EXPECT_TRUE(HasWildcard(L"a*.dll"));
    EXPECT_TRUE(HasWildcard(L"a?.dll"));
    EXPECT_FALSE(HasWildcard(L"a.dll"));
}

TEST(Detection_SearchRules, PackageSearchStringsSplitIntoNameArchitecturePublisher) {
    const struct {
        const wchar_t* text;
        const wchar_t* name;
        const wchar_t* architecture;
        const wchar_t* publisher;
    } cases[] = {
        {L"Vendor.App?x64?CN=Vendor", L"Vendor.App", L"x64", L"CN=Vendor"},
        {L"Vendor.App", L"Vendor.App", L"", L""},
        {L"?Vendor.App??x86", L"Vendor.App", L"x86", L""},
        {L"  Vendor.App \t?  neutral ? CN=A, O=B ", L"Vendor.App", L"neutral", L"CN=A, O=B"},
        {L"a?b?c?d", L"a", L"b", L"c"},
        {L"???", L"", L"", L""},
        {L"", L"", L"", L""},
    };
    for (const auto& c : cases) {
        PackageSearchString split = SplitPackageSearchString(c.text);
        EXPECT_EQ(split.name, c.name) << c.text;
        EXPECT_EQ(split.architecture, c.architecture) << c.text;
        EXPECT_EQ(split.publisher, c.publisher) << c.text;
    }
}

TEST(Detection_SearchRules, ContentOperatorsCompareCaseSensitively) {
    const struct {
        const wchar_t* value;
        const wchar_t* refContent;
        bool matches;
    } cases[] = {
        {L"Hello World", L"CWorld", true},
        {L"Hello World", L"Cworld", false},
        {L"abc", L"Dabd", true},
        {L"abc", L"Dabc", false},
        {L"setup.exe", L"E.exe", true},
        {L"setup.exe", L"E.EXE", false},
        {L"x", L"Elonger than x", false},
        {L"12", L"G10", true},
        {L"10", L"G10", false},
        {L"12a", L"G10", false},
        {L"12", L"G1x", false},
        {L"", L"G0", false},
        {L"1", L"G", true}, // an empty reference counts as 0
        {L"00012", L"G9", true},
        {L"123456789012345678901234567890", L"G123456789012345678901234567889", true},
        {L"9", L"L10", true},
        {L"10", L"L10", false},
        {L"", L"L1", true},
        {L"same", L"Msame", true},
        {L"same", L"MSame", false},
        {L"prefix-rest", L"Sprefix", true},
        {L"pre", L"Sprefix", false},
        {L"abc", L"Xd", true},
        {L"abc", L"Xb", false},
        {L"abc", L"", false},
        {L"abc", L"Zabc", false},
        {L"abc", L"cabc", false},
        {L"abc", L"C", true}, // the empty reference is contained in everything
    };
    for (const auto& c : cases)
        EXPECT_EQ(ContentMatches(c.value, c.refContent), c.matches) << c.value << L" vs " << c.refContent;
}

TEST(Detection_SearchRules, OnlyWindowsFolderFilesOnWindows10AreReadThroughACopy) {
    EXPECT_TRUE(ReadsVersionThroughCopy(L"C:\\Windows\\System32\\a.dll", L"C:\\Windows", true));
    EXPECT_FALSE(ReadsVersionThroughCopy(L"C:\\Windows\\System32\\a.dll", L"C:\\Windows", false));
    EXPECT_FALSE(ReadsVersionThroughCopy(L"C:\\windows\\a.dll", L"C:\\Windows", true));
    EXPECT_FALSE(ReadsVersionThroughCopy(L"D:\\a.dll", L"C:\\Windows", true));
    EXPECT_TRUE(ReadsVersionThroughCopy(L"D:\\a.dll", L"", true));
}

TEST(Detection_CombineSearches, OperatorsAndEarlyStop) {
    const struct {
        std::int32_t op;
        std::vector<bool> answers;
        bool result;
        std::size_t ran;
    } cases[] = {
        {0, {}, true, 0},
        {1, {}, false, 0},
        {2, {}, false, 0},
        {0, {true, true, true}, true, 3},
        {0, {true, false, true}, false, 2},
        {1, {false, false, false}, false, 3},
        {1, {false, true, false}, true, 2},
        {2, {true, true}, false, 2},
        {-1, {true, false}, false, 2},
    };
    for (const auto& c : cases) {
        std::size_t ran = 0;
        bool result = CombineSearches(c.op, c.answers.size(), [&](std::size_t i) {
            ++ran;
            return static_cast<bool>(c.answers[i]);
        });
        EXPECT_EQ(result, c.result) << "operator " << c.op;
        EXPECT_EQ(ran, c.ran) << "operator " << c.op;
    }
}

TEST(Detection_SearchRules, SearchTypeTraitsCoverExactlyTheKnownNumbers) {
    EXPECT_EQ(SearchTypeTraitsOf(-1), nullptr);
    EXPECT_EQ(SearchTypeTraitsOf(SearchTypeCount()), nullptr);
    const SearchTypeTraits* package = SearchTypeTraitsOf(13);
    ASSERT_NE(package, nullptr);
    EXPECT_EQ(package->type, SearchType::PackageVersion);
    EXPECT_EQ(package->name, L"PackageVersion");
    EXPECT_TRUE(package->usesVersionBounds);
    EXPECT_FALSE(package->readsRegistry);
    const SearchTypeTraits* content = SearchTypeTraitsOf(9);
    ASSERT_NE(content, nullptr);
    EXPECT_FALSE(content->usesVersionBounds);
    EXPECT_TRUE(content->readsRegistry);
}
