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
