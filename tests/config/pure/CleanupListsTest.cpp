#include "config/pure/CleanupLists.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace velmora::config;

namespace {

using Paths = std::vector<std::wstring>;

ChainerSettings Settings(std::wstring files, std::wstring folders, std::wstring script) {
    ChainerSettings settings;
    settings.CleanupFiles = std::move(files);
    settings.CleanupFolders = std::move(folders);
    settings.CleanupScript = std::move(script);
    return settings;
}

CleanupLists Build(const ChainerSettings& settings, const std::wstring& exe,
                   std::set<std::wstring> existing = {}) {
    return BuildCleanupLists(settings, exe, L"D:\\T\\S\\a\\b\\prereq.ini",
                             [&](const std::wstring& path) { return existing.count(path) > 0; });
}

} // namespace

TEST(Config_CleanupLists, ScriptGetsTheScriptTheChainerAndItsFoldersBelowCleanupFolders) {
    const std::wstring exe = L"D:\\T\\S\\a\\b\\prereq.exe";
    const struct {
        const wchar_t* cleanupFolders;
        Paths folders;
    } cases[] = {
        {L"D:\\T\\S", {L"D:\\T\\S\\a\\b", L"D:\\T\\S\\a"}},
        {L"D:\\T\\S\\", {L"D:\\T\\S\\a\\b", L"D:\\T\\S\\a"}},
        {L"d:\\t\\s\\a", {L"D:\\T\\S\\a\\b"}},
        {L"D:\\T\\S\\a\\b", {}},
        // A text prefix that is no folder of the chainer's: nothing, and never D:\T or D:\.
        {L"D:\\T\\S\\a\\b\\pre", {}},
        {L"D:\\T\\S\\a\\", {L"D:\\T\\S\\a\\b"}},
        {L"D:\\T\\Sa", {}},
        {L"", {}},
        {L"T\\S", {}},
    };
    for (const auto& c : cases) {
        Paths expected = {L"D:\\k\\clean.ps1", exe};
        expected.insert(expected.end(), c.folders.begin(), c.folders.end());
        EXPECT_EQ(Build(Settings(L"", c.cleanupFolders, L"D:\\k\\clean.ps1"), exe).scriptPaths, expected)
            << c.cleanupFolders;
    }
    // A chainer at a drive's root with the root as CleanupFolders ends the walk at once.
    EXPECT_EQ(Build(Settings(L"", L"D:\\", L""), L"D:\\prereq.exe").scriptPaths, Paths{L"D:\\prereq.exe"});
    EXPECT_EQ(Build(Settings(L"", L"D:\\", L""), L"D:\\k\\prereq.exe").scriptPaths,
              (Paths{L"D:\\k\\prereq.exe", L"D:\\k"}));
}

TEST(Config_CleanupLists, FilesAreDeletedOnlyWhenTheyExistBelowCleanupFolders) {
    const std::wstring files =
        std::wstring(L"D:\\T\\S\\x.txt\u0001\u0001D:\\T\\S\\missing.txt\u0001") +
        L"D:\\T\\other.txt\u0001D:\\T\\S\\..\\..\\Windows\\x\u0001D:\\T\\Setup\\y\u0001" +
        L"D:\\T\\S\\sub\\..\\z.txt\u0001d:\\t\\s\\Q.txt";
    const std::set<std::wstring> existing = {L"D:\\T\\S\\x.txt", L"D:\\T\\other.txt", L"D:\\Windows\\x",
                                             L"D:\\T\\Setup\\y", L"D:\\T\\S\\z.txt",  L"d:\\t\\s\\Q.txt"};
    const Paths expected = {L"D:\\T\\S\\x.txt", L"D:\\T\\S\\z.txt", L"d:\\t\\s\\Q.txt",
                            L"D:\\T\\S\\a\\b\\prereq.ini"};
    EXPECT_EQ(Build(Settings(files, L"D:\\T\\S", L""), L"D:\\T\\S\\a\\b\\prereq.exe", existing).files,
              expected);
    // Without CleanupFolders only the configuration file goes.
    EXPECT_EQ(Build(Settings(files, L"", L""), L"D:\\T\\S\\a\\b\\prereq.exe", existing).files,
              Paths{L"D:\\T\\S\\a\\b\\prereq.ini"});
}

TEST(Config_CleanupLists, ScriptPathsAreListedOnceInAnyCase) {
    EXPECT_EQ(Build(Settings(L"", L"D:\\T", L"d:\\t\\s\\A\\B\\PREREQ.EXE"), L"D:\\T\\S\\a\\b\\prereq.exe")
                  .scriptPaths,
              (Paths{L"d:\\t\\s\\A\\B\\PREREQ.EXE", L"D:\\T\\S\\a\\b", L"D:\\T\\S\\a", L"D:\\T\\S"}));
}

TEST(Config_CleanupLists, FoldersBelowStopsAtCleanupFolders) {
    EXPECT_EQ(FoldersBelow(L"D:\\T\\S\\a\\b", L"D:\\T\\S"), (Paths{L"D:\\T\\S\\a\\b", L"D:\\T\\S\\a"}));
    EXPECT_EQ(FoldersBelow(L"D:\\T\\S", L"D:\\T\\S"), Paths{});
    EXPECT_EQ(FoldersBelow(L"D:\\Other\\a", L"D:\\T\\S"), Paths{});
    EXPECT_EQ(FoldersBelow(L"D:\\T\\S\\a", L""), Paths{});
}

TEST(Config_CleanupLists, FoldersHoldingAnythingNotHandedOverStayWithTheFoldersAboveThem) {
    const Paths listed = {L"D:\\T\\S\\a\\b\\clean.ps1", L"D:\\T\\S\\a\\b\\prereq.exe", L"D:\\T\\S\\a\\b",
                          L"D:\\T\\S\\a"};
    using Contents = std::map<std::wstring, std::vector<FolderEntry>>;
    const auto lister = [](const Contents& contents) {
        return [contents](const std::wstring& folder, std::vector<FolderEntry>& entries) {
            auto found = contents.find(folder);
            if (found == contents.end())
                return false;
            entries = found->second;
            return true;
        };
    };
    const struct {
        const char* what;
        Contents contents;
        Paths handedOver;
    } cases[] = {
        {"only the chainer and its folder",
         {{L"D:\\T\\S\\a\\b", {{L"prereq.exe", L""}}}, {L"D:\\T\\S\\a", {{L"b", L""}}}},
         listed},
        {"the script beside the chainer is handed over too",
         {{L"D:\\T\\S\\a\\b", {{L"prereq.exe", L""}, {L"clean.ps1", L""}}}, {L"D:\\T\\S\\a", {{L"b", L""}}}},
         listed},
        {"the log stays, and so does every folder above it",
         {{L"D:\\T\\S\\a\\b", {{L"prereq.exe", L""}, {L"setup.log", L""}}}, {L"D:\\T\\S\\a", {{L"b", L""}}}},
         {L"D:\\T\\S\\a\\b\\clean.ps1", L"D:\\T\\S\\a\\b\\prereq.exe"}},
        {"something beside the chainer's folder",
         {{L"D:\\T\\S\\a\\b", {{L"prereq.exe", L""}}}, {L"D:\\T\\S\\a", {{L"b", L""}, {L"other", L""}}}},
         {L"D:\\T\\S\\a\\b\\clean.ps1", L"D:\\T\\S\\a\\b\\prereq.exe", L"D:\\T\\S\\a\\b"}},
        {"a short name counts as the same entry",
         {{L"D:\\T\\S\\a\\b", {{L"prereq.exe", L""}}}, {L"D:\\T\\S\\a", {{L"bbbbbbbbbbbb", L"b"}}}},
         listed},
        {"missing folders are handed over as they are", {}, listed},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ScriptPathsToHandOver(listed, lister(c.contents)), c.handedOver) << c.what;
}
