#include "detection/FileSearch.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include "detection/OsVersion.h"
#include "platform/Bitness.h"
#include "platform/FileSystem.h"
#include "platform/TempFiles.h"
#include "support/TestSupport.h"

using namespace velmora::detection;
using velmora::test::ScopedFolder;
using velmora::test::TestBinaryFolder;
using velmora::test::WriteFileBytes;

namespace {

// exit_with.exe carries file version 1.2.3.4, exit_with_v10.exe 10.0.65535.7.
std::wstring Versioned1() {
    return TestBinaryFolder() + L"\\exit_with.exe";
}
std::wstring Versioned10() {
    return TestBinaryFolder() + L"\\exit_with_v10.exe";
}

void Copy(const std::wstring& from, const std::wstring& to) {
    ASSERT_EQ(velmora::platform::CreateFolderTree(to, false, nullptr), static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_TRUE(::CopyFileW(from.c_str(), to.c_str(), FALSE)) << ::GetLastError();
}

std::wstring Identity(std::wstring_view text) {
    return std::wstring(text);
}

std::vector<std::wstring> FileVersions(const std::wstring& searchString, const std::wstring& verMin = L"",
                                       const std::wstring& verMax = L"", bool use64BitSwitch = false) {
    FileSearchRequest request{searchString, verMin, verMax, use64BitSwitch, false};
    std::vector<std::wstring> values;
    CollectFileVersions(request, Identity, values);
    return values;
}

std::vector<std::wstring> FolderVersions(const std::wstring& searchString, const std::wstring& verMin = L"",
                                         const std::wstring& verMax = L"") {
    FileSearchRequest request{searchString, verMin, verMax, false, false};
    std::vector<std::wstring> values;
    CollectFolderNameVersions(request, Identity, values);
    return values;
}

std::wstring Unique(const wchar_t* stem) {
    return stem + std::to_wstring(::GetCurrentProcessId()) + L"_" + std::to_wstring(::GetTickCount());
}

std::wstring WindowsFolder() {
    wchar_t buffer[MAX_PATH] = {};
    ::SHGetFolderPathW(nullptr, CSIDL_WINDOWS, nullptr, SHGFP_TYPE_CURRENT, buffer);
    return buffer;
}

// Files named shim_clone's way ("shi*.tmp") in the temporary folder.
int ShimCloneFiles() {
    WIN32_FIND_DATAW data{};
    HANDLE find = ::FindFirstFileW((velmora::platform::TempFolder() + L"shi*.tmp").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    int count = 0;
    do
        ++count;
    while (::FindNextFileW(find, &data));
    ::FindClose(find);
    return count;
}

// Deletes the given files at the end, for files placed outside a ScopedFolder.
class ScopedFiles {
public:
    ~ScopedFiles() {
        velmora::platform::Wow64RedirectionScope nativeView;
        for (const std::wstring& path : paths_)
            ::DeleteFileW(path.c_str());
        for (auto folder = folders_.rbegin(); folder != folders_.rend(); ++folder)
            ::RemoveDirectoryW(folder->c_str());
    }
    void AddFile(const std::wstring& path) { paths_.push_back(path); }
    void AddFolder(const std::wstring& path) { folders_.push_back(path); }

private:
    std::vector<std::wstring> paths_;
    std::vector<std::wstring> folders_;
};

} // namespace

TEST(Detection_FileVersion, ReadsTheFileVersionNotTheProductVersion) {
    EXPECT_EQ(FormatVersion(ReadFileVersion(Versioned1(), false)), L"1.2.3.4");
    VersionNumber ten = ReadFileVersion(Versioned10(), false);
    EXPECT_EQ(ten.parts, (std::array<std::int32_t, 4>{10, 0, 65535, 7}));
}

TEST(Detection_FileVersion, NoResourceOrNoFileIsZero) {
    ScopedFolder folder;
    WriteFileBytes(folder.Child(L"plain.dll"), "no version resource here");
    EXPECT_TRUE(ReadFileVersion(folder.Child(L"plain.dll"), false).IsAll(0));
    EXPECT_TRUE(ReadFileVersion(folder.Child(L"missing.dll"), false).IsAll(0));
}

TEST(Detection_FileVersion, WindowsFolderFilesOnWindows10AreReadThroughATemporaryCopy) {
    ScopedFiles cleanup;
    const std::wstring inWindows = WindowsFolder() + L"\\" + Unique(L"velmora_shim") + L".exe";
    cleanup.AddFile(inWindows);
    Copy(Versioned1(), inWindows);
    const int before = ShimCloneFiles();
    EXPECT_EQ(FormatVersion(ReadFileVersion(inWindows, true)), L"1.2.3.4");
    EXPECT_EQ(ShimCloneFiles(), before) << "the copy was left behind";
    // A copy that fails leaves no empty temporary file either.
    EXPECT_TRUE(ReadFileVersion(WindowsFolder() + L"\\no_such_file.exe", true).IsAll(0));
    EXPECT_EQ(ShimCloneFiles(), before);
}

TEST(Detection_FileSearch, VersionOfAnExactPathIsCollectedNormalised) {
    ScopedFolder folder;
    Copy(Versioned10(), folder.Child(L"app.exe"));
    EXPECT_EQ(FileVersions(folder.Child(L"app.exe")), (std::vector<std::wstring>{L"10.0.65535.7"}));
    Copy(Versioned1(), folder.Child(L"one.exe"));
    EXPECT_EQ(FileVersions(folder.Child(L"one.exe"), L"1.2.3.4", L"1.2.3.4"),
              (std::vector<std::wstring>{L"1.2.3.4"}));
    EXPECT_TRUE(FileVersions(folder.Child(L"missing.exe")).empty());
}

TEST(Detection_FileSearch, NoResourceGivesZeroVersionAndWildcardsAreNotRead) {
    ScopedFolder folder;
    WriteFileBytes(folder.Child(L"plain.dll"), "no resource");
    EXPECT_EQ(FileVersions(folder.Child(L"plain.dll")), (std::vector<std::wstring>{L"0.0.0.0"}));
    Copy(Versioned1(), folder.Child(L"app.exe"));
    EXPECT_EQ(FileVersions(folder.Child(L"a*.exe")), (std::vector<std::wstring>{L"0.0.0.0"}));
}

TEST(Detection_FileSearch, DepthSearchesSubfoldersUntilAVersionIsWithinTheBounds) {
    ScopedFolder folder;
    Copy(Versioned1(), folder.Child(L"a\\app.exe"));
    Copy(Versioned10(), folder.Child(L"b\\deeper\\app.exe"));
    const std::wstring base = folder.Child(L"app.exe");

    EXPECT_TRUE(FileVersions(base).empty());
    EXPECT_TRUE(FileVersions(base + L"?0").empty());
    EXPECT_EQ(FileVersions(base + L"?1"), (std::vector<std::wstring>{L"1.2.3.4"}));
    // The 1.2.3.4 copy is below the minimum, so the search goes on and finds the deeper one.
    EXPECT_EQ(FileVersions(base + L"?2", L"5.0"), (std::vector<std::wstring>{L"1.2.3.4", L"10.0.65535.7"}));
    // Without a minimum the first one ends the search.
    EXPECT_EQ(FileVersions(base + L"?2"), (std::vector<std::wstring>{L"1.2.3.4"}));
    EXPECT_EQ(FileVersions(base + L"?2", L"", L"2.0"), (std::vector<std::wstring>{L"1.2.3.4"}));
    EXPECT_EQ(FileVersions(base + L"?1", L"5.0"), (std::vector<std::wstring>{L"1.2.3.4"}));
}

TEST(Detection_FileSearch, PropertyReferencesAreResolvedBeforeTheSearch) {
    ScopedFolder folder;
    Copy(Versioned1(), folder.Child(L"app.exe"));
    FileSearchRequest request{L"[Kit]app.exe", L"", L"", false, false};
    std::vector<std::wstring> values;
    CollectFileVersions(
        request, [&](std::wstring_view text) { return folder.Path() + L"\\" + std::wstring(text.substr(5)); },
        values);
    EXPECT_EQ(values, (std::vector<std::wstring>{L"1.2.3.4"}));
}

TEST(Detection_FileSearch, BareNamesAreLookedForInFixedDriveRootsOnly) {
    ScopedFiles cleanup;
    const std::wstring name = Unique(L"velmora_bare") + L".exe";
    Copy(Versioned1(), L"C:\\" + name);
    cleanup.AddFile(L"C:\\" + name);
    EXPECT_EQ(FileVersions(name), (std::vector<std::wstring>{L"1.2.3.4"}));

    const std::wstring deepName = Unique(L"velmora_deep") + L".exe";
    const std::wstring top = L"C:\\" + Unique(L"velmora_top");
    Copy(Versioned10(), top + L"\\sub\\" + deepName);
    cleanup.AddFile(top + L"\\sub\\" + deepName);
    cleanup.AddFolder(top);
    cleanup.AddFolder(top + L"\\sub");
    EXPECT_TRUE(FileVersions(deepName).empty());
    EXPECT_TRUE(FileVersions(deepName + L"?1").empty());
    EXPECT_EQ(FileVersions(deepName + L"?2"), (std::vector<std::wstring>{L"10.0.65535.7"}));
}

TEST(Detection_FileSearch, SixtyFourBitSwitchTurnsRedirectionOffForTheSystemFolder) {
    const bool is64BitOs = GetOsVersionInfo().is64BitOs;
    wchar_t system[MAX_PATH] = {};
    ::GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring name = Unique(L"velmora_wow") + L".exe";
    const std::wstring path = std::wstring(system) + L"\\" + name;
    ScopedFiles cleanup;
    cleanup.AddFile(path);
    if (is64BitOs && !velmora::platform::kIs64BitProcess) {
        // The 32-bit view of System32 is SysWOW64; the real System32 is only seen with redirection off.
        Copy(Versioned1(), path);
        {
            velmora::platform::Wow64RedirectionScope nativeView;
            ASSERT_TRUE(nativeView.Active());
            Copy(Versioned10(), path);
        }
        EXPECT_EQ(FileVersions(path, L"", L"", false), (std::vector<std::wstring>{L"1.2.3.4"}));
        EXPECT_EQ(FileVersions(path, L"", L"", true), (std::vector<std::wstring>{L"10.0.65535.7"}));
    } else {
        // One System32: a 32-bit system, or a 64-bit process, to which no redirection applies.
        Copy(Versioned1(), path);
        EXPECT_EQ(FileVersions(path, L"", L"", false), (std::vector<std::wstring>{L"1.2.3.4"}));
        EXPECT_EQ(FileVersions(path, L"", L"", true), (std::vector<std::wstring>{L"1.2.3.4"}));
    }
}

TEST(Detection_FolderNameVersion, SubfolderNamesWithinTheBoundsAreCollected) {
    ScopedFolder folder;
    for (const wchar_t* name : {L"1.0", L"2.5.1", L"v3", L"notes"})
        ::CreateDirectoryW(folder.Child(name).c_str(), nullptr);
    WriteFileBytes(folder.Child(L"4.0"), "a file, not a folder");

    auto sorted = [](std::vector<std::wstring> values) {
        std::sort(values.begin(), values.end());
        return values;
    };
    EXPECT_EQ(sorted(FolderVersions(folder.Path())),
              (std::vector<std::wstring>{L"1.0", L"2.5.1", L"notes", L"v3"}));
    EXPECT_EQ(sorted(FolderVersions(folder.Path() + L"\\", L"2.0")),
              (std::vector<std::wstring>{L"2.5.1", L"v3"}));
    EXPECT_EQ(sorted(FolderVersions(folder.Path(), L"", L"2.5.1")),
              (std::vector<std::wstring>{L"1.0", L"2.5.1", L"notes"}));
    EXPECT_TRUE(FolderVersions(folder.Child(L"missing")).empty());
}
