#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

using namespace velmora::platform;
using velmora::test::ReadFileBytes;
using velmora::test::ScopedFolder;
using velmora::test::WriteFileBytes;

namespace {

bool IsFolder(const std::wstring& path) {
    DWORD attributes = ::GetFileAttributesW(ToLongPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// OS quirk (Wine 8): CreateSymbolicLinkW is a stub that reports success and makes nothing. Wine starts Unix
// programs, though, and shows a Unix symbolic link to a directory as a directory with
// FILE_ATTRIBUTE_REPARSE_POINT, as Windows shows a junction; the link tests make theirs with ln.
std::string UnixPath(const std::wstring& path) {
    using UnixNameFn = char*(CDECL*)(const wchar_t*);
    auto unixName = reinterpret_cast<UnixNameFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = unixName != nullptr ? unixName(path.c_str()) : nullptr;
    if (name == nullptr)
        return {};
    std::string result = name;
    ::HeapFree(::GetProcessHeap(), 0, name);
    return result;
}

bool RunUnixProgram(std::string commandLine) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process))
        return false;
    ::WaitForSingleObject(process.hProcess, INFINITE);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return true;
}

// The link is made in an existing folder; true when it shows as a reparse point.
bool MakeDirectoryLink(const std::wstring& folder, const std::string& linkName, const std::wstring& target) {
    std::string unixFolder = UnixPath(folder);
    std::string unixTarget = UnixPath(target);
    if (unixFolder.empty() || unixTarget.empty() ||
        !RunUnixProgram("Z:\\bin\\ln -s " + unixTarget + " " + unixFolder + "/" + linkName))
        return false;
    DWORD attributes =
        ::GetFileAttributesW((folder + L"\\" + std::wstring(linkName.begin(), linkName.end())).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

} // namespace

TEST(FileSystem_FileInfo, ErrorsForEmptyRelativeAndMissingPaths) {
    EXPECT_EQ(FileInfo(L"", nullptr, nullptr), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(FileInfo(L"C", nullptr, nullptr), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(FileInfo(L"relative\\file.txt", nullptr, nullptr), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    ScopedFolder folder;
    EXPECT_EQ(FileInfo(folder.Child(L"missing.txt"), nullptr, nullptr),
              static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(FileSystem_FileInfo, ReportsSizeOfExistingFile) {
    ScopedFolder folder;
    WriteFileBytes(folder.Child(L"f.bin"), "12345");
    DWORD size = 0;
    FILETIME time{};
    EXPECT_EQ(FileInfo(folder.Child(L"f.bin"), &time, &size), 0u);
    EXPECT_EQ(size, 5u);
    EXPECT_TRUE(time.dwHighDateTime != 0 || time.dwLowDateTime != 0);
    EXPECT_TRUE(Exists(folder.Child(L"f.bin")));
}

TEST(FileSystem_CreateFolderTree, CreatesEveryMissingFolderAndRecordsThemInOrder) {
    ScopedFolder folder;
    std::vector<std::wstring> created;
    EXPECT_EQ(CreateFolderTree(folder.Child(L"a\\b\\c"), true, &created), 0u);
    EXPECT_EQ(created, (std::vector<std::wstring>{folder.Child(L"a"), folder.Child(L"a\\b"),
                                                  folder.Child(L"a\\b\\c")}));
    EXPECT_TRUE(IsFolder(folder.Child(L"a\\b\\c")));
}

TEST(FileSystem_CreateFolderTree, LastComponentIsAFileNameUnlessIncluded) {
    ScopedFolder folder;
    std::vector<std::wstring> created;
    EXPECT_EQ(CreateFolderTree(folder.Child(L"d\\file.txt"), false, &created), 0u);
    EXPECT_EQ(created, (std::vector<std::wstring>{folder.Child(L"d")}));
    EXPECT_FALSE(Exists(folder.Child(L"d\\file.txt")));
}

TEST(FileSystem_CreateFolderTree, PathEndingInABackslashCreatesItsLastFolderToo) {
    ScopedFolder folder;
    std::vector<std::wstring> created;
    EXPECT_EQ(CreateFolderTree(folder.Child(L"e\\f\\"), false, &created), 0u);
    EXPECT_EQ(created, (std::vector<std::wstring>{folder.Child(L"e"), folder.Child(L"e\\f")}));
    EXPECT_TRUE(IsFolder(folder.Child(L"e\\f")));
}

TEST(FileSystem_CreateFolderTree, ExistingPathCreatesNothing) {
    ScopedFolder folder;
    std::vector<std::wstring> created;
    EXPECT_EQ(CreateFolderTree(folder.Path(), true, &created), 0u);
    EXPECT_TRUE(created.empty());
}

TEST(FileSystem_CreateFolderTree, FailureBelowAFileRemovesTheEmptyParentItMade) {
    ScopedFolder folder;
    WriteFileBytes(folder.Child(L"blocker"), "x");
    std::vector<std::wstring> created;
    // "blocker" is a file, so "new\blocker" can be made but not "new\..." when a file is in the way.
    WriteFileBytes(folder.Child(L"file"), "x");
    DWORD error = CreateFolderTree(folder.Child(L"file\\sub\\deeper"), true, &created);
    EXPECT_NE(error, 0u);
    EXPECT_TRUE(created.empty());
}

TEST(FileSystem_CreateFolderTree, LongPathsBeyond260Characters) {
    ScopedFolder folder;
    std::wstring path = folder.Path();
    while (path.size() < 300)
        path += L"\\segment_of_a_long_path";
    std::vector<std::wstring> created;
    EXPECT_EQ(CreateFolderTree(path, true, &created), 0u);
    EXPECT_TRUE(IsFolder(path));
    DeleteContents(folder.Path());
    EXPECT_FALSE(IsFolder(folder.Child(L"segment_of_a_long_path")));
}

TEST(FileSystem_DeleteContents, RemovesNestedAndReadOnlyEntriesButKeepsTheFolder) {
    ScopedFolder folder;
    ASSERT_EQ(CreateFolderTree(folder.Child(L"x\\y"), true, nullptr), static_cast<DWORD>(ERROR_SUCCESS));
    WriteFileBytes(folder.Child(L"x\\y\\ro.txt"), "r");
    ::SetFileAttributesW(folder.Child(L"x\\y\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    WriteFileBytes(folder.Child(L"top.txt"), "t");
    DeleteContents(folder.Path());
    EXPECT_TRUE(IsFolder(folder.Path()));
    EXPECT_FALSE(Exists(folder.Child(L"x")));
    EXPECT_FALSE(Exists(folder.Child(L"top.txt")));
}

TEST(FileSystem_DeleteContents, LeavesWhatALinkedFolderPointsTo) {
    ScopedFolder outside;
    WriteFileBytes(outside.Child(L"keep.txt"), "k");
    ScopedFolder folder;
    if (!MakeDirectoryLink(folder.Path(), "link", outside.Path()))
        GTEST_SKIP() << "no directory link could be made here";
    DeleteContents(folder.Path());
    EXPECT_TRUE(Exists(outside.Child(L"keep.txt")));
    // Windows removes the link itself; Wine's RemoveDirectoryW acts on the target and refuses it, full.
    RunUnixProgram("Z:\\bin\\rm -f " + UnixPath(folder.Child(L"link")));
}

TEST(FileSystem_DeleteAndRemove, ReportSuccessOnlyWhenTheCallSucceeds) {
    ScopedFolder folder;
    WriteFileBytes(folder.Child(L"f"), "x");
    EXPECT_TRUE(DeleteFileLong(folder.Child(L"f")));
    EXPECT_FALSE(DeleteFileLong(folder.Child(L"f")));
    ::CreateDirectoryW(folder.Child(L"d").c_str(), nullptr);
    WriteFileBytes(folder.Child(L"d\\inner"), "x");
    EXPECT_FALSE(RemoveFolderLong(folder.Child(L"d")));
    DeleteContents(folder.Child(L"d"));
    EXPECT_TRUE(RemoveFolderLong(folder.Child(L"d")));
}

// Someone who could write to the folder left a second name of their file where a new file is written.
TEST(FileSystem_WriteNewFile, ReplacesWhateverHadTheNameAndNeverWritesThroughIt) {
    ScopedFolder folder;
    const std::wstring victim = folder.Child(L"victim.txt");
    const std::wstring path = folder.Child(L"site.url");
    WriteFileBytes(victim, "someone else's");
    ASSERT_TRUE(::CreateHardLinkW(path.c_str(), victim.c_str(), nullptr));
    EXPECT_EQ(WriteNewFile(path, "[InternetShortcut]\r\n"), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(ReadFileBytes(victim), "someone else's");
    EXPECT_EQ(ReadFileBytes(path), "[InternetShortcut]\r\n");
}
