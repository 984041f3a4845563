#include "platform/pure/PathRules.h"

#include <gtest/gtest.h>

using namespace velmora::platform;

namespace {

std::wstring LocalPathOfLength(std::size_t length) {
    std::wstring path = L"C:\\";
    while (path.size() < length)
        path += (path.size() % 20 == 19) ? L'\\' : L'a';
    if (path.back() == L'\\')
        path.back() = L'b';
    return path;
}

} // namespace

TEST(PathRules_ToLongPath, KeepsPathsUpTo247Characters) {
    std::wstring path = LocalPathOfLength(247);
    ASSERT_EQ(path.size(), 247u);
    EXPECT_EQ(ToLongPath(path), path);
}

TEST(PathRules_ToLongPath, Prefixes248CharacterLocalPaths) {
    std::wstring path = LocalPathOfLength(248);
    EXPECT_EQ(ToLongPath(path), L"\\\\?\\" + path);
}

TEST(PathRules_ToLongPath, TurnsLongNetworkPathsIntoUncForm) {
    std::wstring path = L"\\\\server\\share\\" + std::wstring(260, L'x');
    EXPECT_EQ(ToLongPath(path), L"\\\\?\\UNC\\server\\share\\" + std::wstring(260, L'x'));
}

TEST(PathRules_ToLongPath, LeavesPrefixedAndRelativePathsAlone) {
    std::wstring prefixed = L"\\\\?\\" + LocalPathOfLength(300);
    EXPECT_EQ(ToLongPath(prefixed), prefixed);
    std::wstring unc = L"\\\\?\\UNC\\server\\share\\" + std::wstring(300, L'y');
    EXPECT_EQ(ToLongPath(unc), unc);
    std::wstring relative(300, L'r');
    EXPECT_EQ(ToLongPath(relative), relative);
}

TEST(PathRules_DeletePathFor, PrefixesFrom260CharactersNetworkPathsInUncForm) {
    std::wstring local = LocalPathOfLength(259);
    EXPECT_EQ(DeletePathFor(local), local);
    local = LocalPathOfLength(260);
    EXPECT_EQ(DeletePathFor(local), L"\\\\?\\" + local);
    std::wstring tail(260, L'x');
    EXPECT_EQ(DeletePathFor(L"\\\\server\\share\\" + tail), L"\\\\?\\UNC\\server\\share\\" + tail);
    std::wstring prefixed = L"\\\\?\\UNC\\server\\share\\" + tail;
    EXPECT_EQ(DeletePathFor(prefixed), prefixed);
    std::wstring relative(300, L'r');
    EXPECT_EQ(DeletePathFor(relative), relative);
}

TEST(PathRules_Names, ParentFolderAndFileName) {
    EXPECT_EQ(ParentFolder(L"D:\\Kit\\prereq.exe"), L"D:\\Kit");
    EXPECT_EQ(ParentFolder(L"prereq.exe"), L"");
    EXPECT_EQ(FileName(L"D:\\Kit\\prereq.exe"), L"prereq.exe");
    EXPECT_EQ(FileName(L"prereq.exe"), L"prereq.exe");
    EXPECT_EQ(FileName(L"D:\\Kit\\"), L"");
}

TEST(PathRules_Prefix, StripAndHas) {
    EXPECT_TRUE(HasLongPrefix(L"\\\\?\\C:\\x"));
    EXPECT_FALSE(HasLongPrefix(L"\\\\server\\x"));
    EXPECT_EQ(StripLongPrefix(L"\\\\?\\C:\\x"), L"C:\\x");
    EXPECT_EQ(StripLongPrefix(L"C:\\x"), L"C:\\x");
}

TEST(PathRules_SplitPath, LocalPath) {
    SplitPathResult split = SplitPath(L"C:\\one\\two\\file.txt");
    EXPECT_EQ(split.root, L"C:");
    EXPECT_EQ(split.components, (std::vector<std::wstring>{L"one", L"two", L"file.txt"}));
}

TEST(PathRules_SplitPath, NetworkPathKeepsServerAndShareInRoot) {
    SplitPathResult split = SplitPath(L"\\\\server\\share\\dir\\f");
    EXPECT_EQ(split.root, L"\\\\server\\share");
    EXPECT_EQ(split.components, (std::vector<std::wstring>{L"dir", L"f"}));
}

TEST(PathRules_SplitPath, LongPrefixesStayInFrontOfTheRoot) {
    SplitPathResult local = SplitPath(L"\\\\?\\C:\\a\\b");
    EXPECT_EQ(local.root, L"\\\\?\\C:");
    EXPECT_EQ(local.components, (std::vector<std::wstring>{L"a", L"b"}));
    SplitPathResult unc = SplitPath(L"\\\\?\\UNC\\server\\share\\a");
    EXPECT_EQ(unc.root, L"\\\\?\\UNC\\server\\share");
    EXPECT_EQ(unc.components, (std::vector<std::wstring>{L"a"}));
}

TEST(PathRules_PathRoot, DriveAndShare) {
    EXPECT_EQ(PathRoot(L"C:\\dir\\file"), L"C:\\");
    EXPECT_EQ(PathRoot(L"\\\\?\\C:\\dir"), L"C:\\");
    EXPECT_EQ(PathRoot(L"\\\\server\\share\\dir\\x"), L"\\\\server\\share");
    EXPECT_EQ(PathRoot(L"\\\\server\\share"), L"\\\\server\\share");
    EXPECT_EQ(PathRoot(L"\\\\?\\UNC\\server\\share\\dir"), L"\\\\server\\share");
}

TEST(PathRules_NormalizePath, TrimsTrailingSpacesAndDotsOfComponents) {
    EXPECT_EQ(NormalizePath(L"C:\\dir. \\a.txt "), L"C:\\dir\\a.txt");
    EXPECT_EQ(NormalizePath(L"C:\\dir\\\\sub\\"), L"C:\\dir\\sub");
}

TEST(PathRules_NormalizePath, NoBackslashAfterFolderProperty) {
    EXPECT_EQ(NormalizePath(L"[TempFolder]\\sub\\file"), L"[TempFolder]sub\\file");
}

TEST(PathRules_Text, TrimAndSlashes) {
    EXPECT_EQ(TrimTrailingSpacesAndDots(L"name. . "), L"name");
    EXPECT_EQ(TrimTrailingSpacesAndDots(L". ."), L"");
    std::wstring text = L"a/b/c\\d";
    EXPECT_EQ(SlashesToBackslashes(text), 2u);
    EXPECT_EQ(text, L"a\\b\\c\\d");
}

TEST(PathRules_Absolute, Rules) {
    EXPECT_TRUE(IsAbsolutePath(L"C:\\x"));
    EXPECT_TRUE(IsAbsolutePath(L"C:x"));
    EXPECT_TRUE(IsAbsolutePath(L"\\\\server\\s"));
    EXPECT_FALSE(IsAbsolutePath(L"\\x"));
    EXPECT_FALSE(IsAbsolutePath(L"x"));
    EXPECT_FALSE(IsAbsolutePath(L""));
}

TEST(PathRules_ResolvedPath, ResolvesDotsPrefixesAndSlashesOrGivesNothing) {
    const struct {
        const wchar_t* path;
        const wchar_t* resolved;
    } cases[] = {
        {L"D:\\T\\S\\..\\..\\Windows\\x", L"D:\\Windows\\x"},
        {L"D:/T/./S/", L"D:\\T\\S"},
        {L"d:\\T\\S. \\x", L"d:\\T\\S\\x"},
        {L"\\\\?\\D:\\T\\S", L"D:\\T\\S"},
        {L"\\\\?\\UNC\\server\\share\\k\\..\\x", L"\\\\server\\share\\x"},
        {L"\\\\server\\share", L"\\\\server\\share\\"},
        {L"D:\\", L"D:\\"},
        {L"D:\\T\\..", L"D:\\"},
        {L"D:\\..\\x", L""},
        {L"\\\\server\\share\\..\\other", L""},
        {L"D:\\T\\...\\x", L""},
        {L"D:x\\y", L""},
        {L"D:", L""},
        {L"T\\S", L""},
        {L"\\T\\S", L""},
        {L"", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ResolvedPath(c.path), c.resolved) << c.path;
}

TEST(PathRules_IsInsideFolder, WholeComponentsBelowTheFolderOnly) {
    const struct {
        const wchar_t* path;
        const wchar_t* folder;
        bool inside;
    } cases[] = {
        {L"D:\\T\\S\\a\\prereq.exe", L"D:\\T\\S", true},
        {L"D:\\T\\S\\a", L"D:\\T\\S\\", true},
        {L"d:\\t\\s\\A", L"D:\\T\\S", true},
        {L"D:\\T\\S\\a", L"D:\\T\\S\\sub\\..", true},
        {L"D:\\T\\S", L"D:\\T\\S", false},
        {L"D:\\T\\S", L"D:\\T\\S\\", false},
        {L"D:\\T", L"D:\\T\\S", false},
        {L"D:\\T\\Setup\\x", L"D:\\T\\S", false},
        {L"D:\\T\\S\\..\\..\\Windows\\x", L"D:\\T\\S", false},
        {L"E:\\T\\S\\x", L"D:\\T\\S", false},
        {L"D:\\T\\S\\x", L"", false},
        {L"T\\S\\x", L"T\\S", false},
        {L"D:\\x", L"D:\\", true},
        {L"\\\\server\\share\\x", L"\\\\SERVER\\share", true},
        {L"\\\\server\\share2\\x", L"\\\\server\\share", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsInsideFolder(c.path, c.folder), c.inside) << c.path << L" in " << c.folder;
}

TEST(PathRules_HoldsPath, FindsAPathInAnyAsciiCaseAndWholeOnly) {
    const std::vector<std::wstring> list = {L"C:\\Temp\\x"};
    EXPECT_TRUE(HoldsPath(list, L"c:\\temp\\X"));
    EXPECT_FALSE(HoldsPath(list, L"C:\\Temp\\x\\"));
}
