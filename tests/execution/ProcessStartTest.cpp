#include "execution/ProcessStart.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/FileSystem.h"
#include "platform/UniqueHandle.h"
#include "support/TestSupport.h"

using namespace velmora::execution;
using velmora::test::ReadFileBytes;
using velmora::test::ScopedFolder;
using velmora::test::TestBinaryFolder;
using velmora::test::WriteFileBytes;

namespace {

std::wstring Helper() {
    return TestBinaryFolder() + L"\\exit_with.exe";
}

std::string Utf8(const std::wstring& text) {
    int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                     nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size,
                          nullptr, nullptr);
    return bytes;
}

// The value of one "name=" line of the helper's record.
std::string RecordField(const std::wstring& record, const std::string& name) {
    const std::string text = ReadFileBytes(record);
    const std::string key = name + "=";
    std::size_t at = text.find(key);
    if (at == std::string::npos)
        return "<missing>";
    at += key.size();
    return text.substr(at, text.find('\n', at) - at);
}

bool WaitForFile(const std::wstring& path, DWORD timeoutMs) {
    for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
        if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES && !ReadFileBytes(path).empty())
            return true;
        ::Sleep(50);
    }
    return false;
}

// Restores the current folder a test changed.
class CurrentFolderScope {
public:
    CurrentFolderScope() {
        wchar_t folder[MAX_PATH] = {};
        ::GetCurrentDirectoryW(MAX_PATH, folder);
        saved_ = folder;
    }
    ~CurrentFolderScope() { ::SetCurrentDirectoryW(saved_.c_str()); }

private:
    std::wstring saved_;
};

// Closes every visible window of this process for a while and counts them: the shell's own dialogs
// appear in the process that called it.
class WindowCloser {
public:
    WindowCloser() : thread_(::CreateThread(nullptr, 0, &WindowCloser::Watch, this, 0, nullptr)) {}
    ~WindowCloser() {
        stop_ = 1;
        ::WaitForSingleObject(thread_, INFINITE);
        ::CloseHandle(thread_);
    }
    LONG Closed() const { return closed_; }

private:
    static BOOL CALLBACK CloseOurs(HWND window, LPARAM self) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(window, &pid);
        if (pid == ::GetCurrentProcessId() && ::IsWindowVisible(window)) {
            ::PostMessageW(window, WM_CLOSE, 0, 0);
            ::InterlockedIncrement(&reinterpret_cast<WindowCloser*>(self)->closed_);
        }
        return TRUE;
    }
    static DWORD WINAPI Watch(void* self) {
        auto* closer = static_cast<WindowCloser*>(self);
        for (int i = 0; i < 300 && !closer->stop_; ++i) {
            ::EnumWindows(&WindowCloser::CloseOurs, reinterpret_cast<LPARAM>(closer));
            ::Sleep(100);
        }
        return 0;
    }

    volatile LONG closed_ = 0;
    volatile LONG stop_ = 0;
    HANDLE thread_;
};

} // namespace

TEST(Execution_RunProcessAndWait, WaitsForTheChildAndReturnsItsExitCode) {
    ScopedFolder folder;
    const std::wstring record = folder.Child(L"record.txt");
    DWORD exitCode = 7;
    ASSERT_TRUE(RunProcessAndWait(Helper(), L"exit_with 42 \"" + record + L"\" 300", NORMAL_PRIORITY_CLASS,
                                  &exitCode));
    EXPECT_EQ(exitCode, 42u);
    EXPECT_FALSE(ReadFileBytes(record).empty()) << "returned before the child ended";
}

TEST(Execution_RunProcessAndWait, ReportsFullThirtyTwoBitExitCodes) {
    DWORD exitCode = 0;
    ASSERT_TRUE(RunProcessAndWait(Helper(), L"exit_with 0xE0000005", NORMAL_PRIORITY_CLASS, &exitCode));
    EXPECT_EQ(exitCode, 0xE0000005u);
    ASSERT_TRUE(RunProcessAndWait(Helper(), L"exit_with -1", NORMAL_PRIORITY_CLASS, nullptr));
}

TEST(Execution_RunProcessAndWait, EmptyApplicationTakesTheProgramFromTheCommandLine) {
    DWORD exitCode = 0;
    ASSERT_TRUE(RunProcessAndWait(L"", L"\"" + Helper() + L"\" 5", NORMAL_PRIORITY_CLASS, &exitCode));
    EXPECT_EQ(exitCode, 5u);
}

TEST(Execution_RunProcessAndWait, EmptyCommandLineIsPassedAsNone) {
    DWORD exitCode = 0;
    // Without arguments the helper ends with 2; argv[0] then comes from the application name.
    ASSERT_TRUE(RunProcessAndWait(Helper(), L"", NORMAL_PRIORITY_CLASS, &exitCode));
    EXPECT_EQ(exitCode, 2u);
}

TEST(Execution_RunProcessAndWait, RefusedStartReturnsFalseWithTheWindowsError) {
    ScopedFolder folder;
    DWORD exitCode = 0;
    EXPECT_FALSE(
        RunProcessAndWait(folder.Child(L"missing.exe"), L"missing.exe", NORMAL_PRIORITY_CLASS, &exitCode));
    EXPECT_EQ(exitCode, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(Execution_ShellExecuteAndWait, WaitsAndReturnsTheExitCodeShownOrHidden) {
    ScopedFolder folder;
    for (bool hidden : {true, false}) {
        const std::wstring record = folder.Child(hidden ? L"hidden.txt" : L"shown.txt");
        DWORD exitCode = 0;
        ASSERT_TRUE(ShellExecuteAndWait(Helper(), L"17 \"" + record + L"\" 300", L"", hidden, &exitCode));
        EXPECT_EQ(exitCode, 17u);
        EXPECT_EQ(RecordField(record, "show"), hidden ? "0" : "1");
    }
}

TEST(Execution_ShellExecuteAndWait, LongPrefixIsRemovedAndTheFilesFolderBecomesTheWorkingFolder) {
    ScopedFolder folder;
    const std::wstring copy = folder.Child(L"setup.exe");
    ASSERT_TRUE(::CopyFileW(Helper().c_str(), copy.c_str(), FALSE));
    const std::wstring record = folder.Child(L"record.txt");
    DWORD exitCode = 0;
    ASSERT_TRUE(ShellExecuteAndWait(L"\\\\?\\" + copy, L"3 \"" + record + L"\"", L"", true, &exitCode));
    EXPECT_EQ(exitCode, 3u);
    EXPECT_EQ(RecordField(record, "cwd"), Utf8(folder.Path()));
}

TEST(Execution_ShellExecuteAndWait, GivenWorkingFolderWins) {
    ScopedFolder folder;
    const std::wstring record = folder.Child(L"record.txt");
    DWORD exitCode = 0;
    ASSERT_TRUE(ShellExecuteAndWait(Helper(), L"0 \"" + record + L"\"", folder.Path(), true, &exitCode));
    EXPECT_EQ(RecordField(record, "cwd"), Utf8(folder.Path()));
}

TEST(Execution_ShellExecuteAndWait, BareNameStartsInTheCurrentFolder) {
    ScopedFolder folder;
    ASSERT_TRUE(::CopyFileW(Helper().c_str(), folder.Child(L"probe.exe").c_str(), FALSE));
    const std::wstring record = folder.Child(L"record.txt");
    CurrentFolderScope restore;
    ASSERT_TRUE(::SetCurrentDirectoryW(folder.Path().c_str()));
    DWORD exitCode = 0;
    ASSERT_TRUE(ShellExecuteAndWait(L"probe.exe", L"9 \"" + record + L"\"", L"", true, &exitCode));
    EXPECT_EQ(exitCode, 9u);
    EXPECT_EQ(RecordField(record, "cwd"), Utf8(folder.Path()));
}

TEST(Execution_ShellExecuteAndWait, RefusedStartReturnsFalseWithTheWindowsError) {
    ScopedFolder folder;
    DWORD exitCode = 0;
    EXPECT_FALSE(ShellExecuteAndWait(folder.Child(L"missing.exe"), L"", L"", true, &exitCode));
    EXPECT_NE(exitCode, 0u);
}

TEST(Execution_WaitForProcessExit, ExitCodeThatCannotBeReadIsAnError) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION created{};
    std::wstring line = L"\"" + Helper() + L"\" 7";
    ASSERT_TRUE(::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                 &created));
    velmora::platform::UniqueProcessInformation process;
    process.Adopt(created);
    // A handle that may wait for the process but not ask for its exit code.
    HANDLE waitOnly = nullptr;
    ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), process.process.get(), ::GetCurrentProcess(),
                                  &waitOnly, SYNCHRONIZE, FALSE, 0));
    velmora::platform::UniqueKernelHandle limited(waitOnly);
    DWORD code = 12345;
    EXPECT_EQ(WaitForProcessExit(limited.get(), code), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(WaitForProcessExit(process.process.get(), code), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(code, 7u);
}

TEST(Execution_ShellExecuteDetached, ReturnsBeforeTheChildEnds) {
    ScopedFolder folder;
    const std::wstring record = folder.Child(L"record.txt");
    EXPECT_TRUE(ShellExecuteDetached(Helper(), L"0 \"" + record + L"\" 1500", folder.Path(), false));
    EXPECT_TRUE(ReadFileBytes(record).empty()) << "waited for the child";
    ASSERT_TRUE(WaitForFile(record, 20000));
    EXPECT_EQ(RecordField(record, "show"), "0");
    EXPECT_EQ(RecordField(record, "cwd"), Utf8(folder.Path()));
}

TEST(Execution_ShellExecuteDetached, ScriptWithoutElevationRunsItselfHidden) {
    ScopedFolder folder;
    const std::wstring script = folder.Child(L"RUN.CMD");
    const std::wstring marker = folder.Child(L"marker.txt");
    WriteFileBytes(script, "@echo %~1> \"%~dp0marker.txt\"\r\n");
    EXPECT_TRUE(ShellExecuteDetached(script, L"hello", L"", false));
    ASSERT_TRUE(WaitForFile(marker, 20000));
    EXPECT_EQ(ReadFileBytes(marker).substr(0, 5), "hello");
}

TEST(Execution_ShellExecuteDetached, ElevatedScriptRunsThroughTheCommandInterpreter) {
    ScopedFolder folder;
    const std::wstring script = folder.Child(L"with space.bat");
    const std::wstring marker = folder.Child(L"marker.txt");
    WriteFileBytes(script, "@echo %~1 %~2> \"%~dp0marker.txt\"\r\n");
    EXPECT_TRUE(ShellExecuteDetached(script, L"one \"two words\"", folder.Path(), true));
    ASSERT_TRUE(WaitForFile(marker, 20000));
    EXPECT_EQ(ReadFileBytes(marker).substr(0, 13), "one two words");
}

TEST(Execution_ShellExecuteDetached, MissingFileStartsNothing) {
    ScopedFolder folder;
    EXPECT_FALSE(ShellExecuteDetached(folder.Child(L"missing.exe"), L"", L"", false));
    EXPECT_FALSE(ShellExecuteDetached(L"", L"", L"", false));
}

TEST(Execution_ShellExecuteDetached, FileWithoutAssociationIsRetriedWithTheShellsOwnUserInterface) {
    ScopedFolder folder;
    const std::wstring file = folder.Child(L"data.velmoranoassoc");
    WriteFileBytes(file, "x");
    WindowCloser closer;
    // OS quirk (Wine 8): the retry shows an error box rather than a choice of program; either is the
    // shell's own user interface, which the first call suppresses.
    EXPECT_FALSE(ShellExecuteDetached(file, L"", L"", false));
    EXPECT_GE(closer.Closed(), 1);
}

TEST(Execution_IsLocalSystemAccount, FalseForTheLoggedOnUser) {
    EXPECT_FALSE(IsLocalSystemAccount());
}
