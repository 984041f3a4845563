#include "app/ExitCleanup.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

using velmora::test::ScopedFolder;

namespace {

bool Present(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void MakeFolders(const ScopedFolder& root, std::initializer_list<const wchar_t*> folders) {
    for (const wchar_t* folder : folders)
        ASSERT_TRUE(::CreateDirectoryW(root.Child(folder).c_str(), nullptr)) << folder;
}

struct NoPowerShell final : velmora::execution::PowerShellHost {
    std::wstring PowerShellPath() override { return {}; }
    void StartDetached(std::wstring_view, std::wstring_view, std::wstring_view, bool) override {}
};

} // namespace

TEST(App_ExitCleanup, DeletesFilesAndTheFoldersLeftEmptyBelowCleanupFoldersOnly) {
    ScopedFolder root;
    MakeFolders(root, {L"T", L"T\\S", L"T\\S\\a", L"T\\S\\a\\b", L"T\\S\\c", L"out"});
    for (const wchar_t* file :
         {L"T\\S\\a\\b\\x.txt", L"T\\S\\c\\y.txt", L"T\\S\\c\\stays.txt", L"out\\setup.ini"})
        velmora::test::WriteFileBytes(root.Child(file), "x");

    velmora::app::DeleteCleanupFiles(
        {root.Child(L"T\\S\\a\\b\\x.txt"), root.Child(L"T\\S\\c\\y.txt"), root.Child(L"out\\setup.ini")},
        root.Child(L"T\\S\\"));
    EXPECT_FALSE(Present(root.Child(L"T\\S\\a")));
    EXPECT_TRUE(Present(root.Child(L"T\\S")));
    EXPECT_FALSE(Present(root.Child(L"T\\S\\c\\y.txt")));
    EXPECT_TRUE(Present(root.Child(L"T\\S\\c\\stays.txt")));
    // Outside CleanupFolders the file goes, its empty folder stays.
    EXPECT_FALSE(Present(root.Child(L"out\\setup.ini")));
    EXPECT_TRUE(Present(root.Child(L"out")));

    // Without CleanupFolders no folder is removed.
    velmora::test::WriteFileBytes(root.Child(L"T\\S\\c\\stays.txt"), "x");
    velmora::app::DeleteCleanupFiles({root.Child(L"T\\S\\c\\stays.txt")}, L"");
    EXPECT_FALSE(Present(root.Child(L"T\\S\\c\\stays.txt")));
    EXPECT_TRUE(Present(root.Child(L"T\\S\\c")));
}

TEST(App_ExitCleanup, FoldersThatStillHoldSomethingAreNotHandedToTheScript) {
    ScopedFolder root;
    MakeFolders(root, {L"S", L"S\\a", L"S\\a\\b"});
    velmora::test::WriteFileBytes(root.Child(L"S\\a\\b\\setup.exe"), "x");
    velmora::test::WriteFileBytes(root.Child(L"S\\a\\b\\clean.ps1"), "x");
    NoPowerShell host;
    const std::vector<std::wstring> listed = {root.Child(L"S\\a\\b\\clean.ps1"),
                                              root.Child(L"S\\a\\b\\setup.exe"), root.Child(L"S\\a\\b"),
                                              root.Child(L"S\\a")};
    {
        velmora::execution::CleanupScriptRunner runner(host);
        for (const std::wstring& path : listed)
            runner.AddPath(path);
        velmora::app::KeepOccupiedFolders(runner, root.Child(L"S"));
        EXPECT_EQ(runner.Paths(), listed);

        velmora::test::WriteFileBytes(root.Child(L"S\\a\\b\\setup.log"), "x");
        velmora::app::KeepOccupiedFolders(runner, root.Child(L"S"));
        EXPECT_EQ(runner.Paths(), (std::vector<std::wstring>{listed[0], listed[1]}));
    }
}
