#include "execution/CleanupScriptRunner.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <string>
#include <vector>

#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/pure/TextCompare.h"
#include "support/TestSupport.h"

using velmora::execution::CleanupScriptRunner;
using velmora::test::ScopedFolder;

namespace {

// Stands in for PowerShell, which does not run under Wine: records each start.
struct RecordingHost final : velmora::execution::PowerShellHost {
    struct Start {
        std::wstring file, parameters, folder;
        bool elevate;
    };
    std::wstring powerShell = L"C:\\ps\\powershell.exe";
    std::vector<Start> starts;

    std::wstring PowerShellPath() override { return powerShell; }
    void StartDetached(std::wstring_view file, std::wstring_view parameters, std::wstring_view folder,
                       bool elevate) override {
        starts.push_back({std::wstring(file), std::wstring(parameters), std::wstring(folder), elevate});
    }
};

// Points the temporary folder (GetTempPathW reads TMP first) at a folder of the test's own.
class ScopedTempFolder {
public:
    explicit ScopedTempFolder(const std::wstring& folder) {
        had_ = velmora::platform::GetEnv(L"TMP", old_);
        ::SetEnvironmentVariableW(L"TMP", folder.c_str());
    }
    ~ScopedTempFolder() { ::SetEnvironmentVariableW(L"TMP", had_ ? old_.c_str() : nullptr); }

private:
    std::wstring old_;
    bool had_ = false;
};

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data{};
    HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(data.cFileName);
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    return names;
}

} // namespace

TEST(Execution_CleanupScriptRunner,
     CopiesTheScriptAndStartsPowerShellOnceInTheScriptsFolderWithEachPathOnce) {
    ScopedFolder kit;
    ScopedFolder temp;
    // A user name with a blank and an apostrophe, as in C:\Users\Mary O'Brien\AppData\Local\Temp.
    const std::wstring tempFolder = temp.Child(L"Mary O'Brien");
    ASSERT_TRUE(::CreateDirectoryW(tempFolder.c_str(), nullptr));
    ScopedTempFolder useTemp(tempFolder);
    const std::wstring script = kit.Child(L"clean.ps1");
    velmora::test::WriteFileBytes(script, "param($paths, $retry_count)\r\n");

    RecordingHost host;
    {
        CleanupScriptRunner runner(host);
        runner.SetScript(script, false, 10);
        runner.AddPath(kit.Child(L"setup.exe"));
        runner.AddPath(kit.Path());
        runner.AddPath(kit.Child(L"SETUP.EXE"));
        runner.AddPath(L"");
        runner.AddPath(kit.Child(L"gone"));
        runner.RemovePath(kit.Child(L"gone"));
        EXPECT_TRUE(runner.Run());
        EXPECT_TRUE(runner.Run());
    }
    ASSERT_EQ(host.starts.size(), 1u);
    const std::vector<std::wstring> copies = FilesIn(tempFolder);
    ASSERT_EQ(copies.size(), 1u);
    const std::wstring copy = tempFolder + L"\\" + copies[0];
    EXPECT_EQ(velmora::platform::FileName(copy).substr(0, 3), L"QZ_");
    EXPECT_STREQ(::PathFindExtensionW(copy.c_str()), L".ps1");
    EXPECT_EQ(velmora::test::ReadFileBytes(copy), "param($paths, $retry_count)\r\n");

    std::wstring quotedCopy = copy;
    quotedCopy.replace(quotedCopy.find(L'\''), 1, L"''");
    const RecordingHost::Start& start = host.starts[0];
    EXPECT_EQ(start.file, L"C:\\ps\\powershell.exe");
    EXPECT_EQ(start.parameters,
              L"-NoProfile -NonInteractive -NoLogo -ExecutionPolicy RemoteSigned -Command \"& '" +
                  quotedCopy + L"' -paths '" + kit.Child(L"setup.exe") + L"','" + kit.Path() +
                  L"' -retry_count 10\"");
    EXPECT_EQ(start.folder, kit.Path());
    EXPECT_FALSE(start.elevate);

    {
        CleanupScriptRunner notRun(host);
        notRun.SetScript(script, false, 10);
        notRun.AddPath(kit.Child(L"setup.exe"));
    }
    EXPECT_EQ(host.starts.size(), 2u) << "destruction runs what was not run";
}

// "C:" alone is the drive's current folder, which need not be its root.
TEST(Execution_CleanupScriptRunner, ScriptAtADriveRootStartsInTheRoot) {
    ScopedFolder temp;
    ScopedTempFolder useTemp(temp.Path());
    const std::wstring script = L"C:\\velmora-clean-" + std::to_wstring(::GetCurrentProcessId()) + L".ps1";
    velmora::test::WriteFileBytes(script, "param($paths, $retry_count)\r\n");
    RecordingHost host;
    {
        CleanupScriptRunner runner(host);
        runner.SetScript(script, false, 10);
        runner.AddPath(script);
        EXPECT_TRUE(runner.Run());
    }
    ::DeleteFileW(script.c_str());
    ASSERT_EQ(host.starts.size(), 1u);
    EXPECT_EQ(host.starts[0].folder, L"C:\\");
}

TEST(Execution_CleanupScriptRunner, NothingIsStartedOrCopiedWithoutPathsScriptOrPowerShell) {
    ScopedFolder kit;
    ScopedFolder temp;
    ScopedTempFolder useTemp(temp.Path());
    const std::wstring script = kit.Child(L"clean.ps1");
    velmora::test::WriteFileBytes(script, "x");

    const struct {
        const char* what;
        std::wstring script;
        bool withPath;
        std::wstring powerShell;
        bool result;
    } cases[] = {
        {"no paths", script, false, L"C:\\ps\\powershell.exe", true},
        {"no script", L"", true, L"C:\\ps\\powershell.exe", true},
        {"no PowerShell", script, true, L"", true},
        {"a script that cannot be copied", kit.Child(L"missing.ps1"), true, L"C:\\ps\\powershell.exe", false},
    };
    for (const auto& c : cases) {
        RecordingHost host;
        host.powerShell = c.powerShell;
        {
            CleanupScriptRunner runner(host);
            runner.SetScript(c.script, false, 10);
            if (c.withPath)
                runner.AddPath(kit.Child(L"setup.exe"));
            EXPECT_EQ(runner.Run(), c.result) << c.what;
        }
        EXPECT_TRUE(host.starts.empty()) << c.what;
        EXPECT_TRUE(FilesIn(temp.Path()).empty()) << c.what;
    }
}

TEST(Execution_CleanupScriptRunner, PowerShellIsLookedForInTheSystemFolder) {
    // Wine's prefix carries a powershell.exe of its own there.
    wchar_t system[MAX_PATH] = {};
    ASSERT_GT(::GetSystemDirectoryW(system, MAX_PATH), 0u);
    const std::wstring path = CleanupScriptRunner::PowerShellPath();
    EXPECT_TRUE(velmora::platform::EqualsNoCase(path, std::wstring(system) +
                                                          L"\\WindowsPowerShell\\v1.0\\powershell.exe"))
        << path;
}
