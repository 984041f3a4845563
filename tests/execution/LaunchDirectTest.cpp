// The direct start the launch uses under LocalSystem, run here for real from an ordinary account: the
// helper program as itself, a wixl-built package through msiexec.exe of the system folder.
#include "execution/LaunchList.h"

#include <gtest/gtest.h>

#include <msi.h>

#include "LaunchTestSupport.h"
#include "platform/TextConversion.h"
#include "support/TestSupport.h"

using namespace velmora::execution;
using namespace velmora::test;

TEST(Execution_LaunchDirect, ProgramGetsItsQuotedPathTwoBlanksAndTheArguments) {
    ScopedFolder folder;
    const std::wstring record = folder.Child(L"record.txt");
    DWORD exitCode = 0;
    ASSERT_TRUE(LaunchDirect(ExitWithHelper(), L"7 \"" + record + L"\"", &exitCode));
    EXPECT_EQ(exitCode, 7u);
    EXPECT_EQ(RecordField(record, "cmdline"),
              velmora::platform::ToAnsi(L"\"" + ExitWithHelper() + L"\"  7 \"" + record + L"\""));
}

TEST(Execution_LaunchDirect, CommandLineReferencesAreResolvedFirst) {
    ScopedFolder folder;
    const std::wstring record = folder.Child(L"record.txt");
    ASSERT_TRUE(::SetEnvironmentVariableW(L"VELMORA_LAUNCH_CODE", L"12"));
    DWORD exitCode = 0;
    ASSERT_TRUE(LaunchDirect(ExitWithHelper(), L" %VELMORA_LAUNCH_CODE% \"" + record + L"\"", &exitCode));
    ::SetEnvironmentVariableW(L"VELMORA_LAUNCH_CODE", nullptr);
    EXPECT_EQ(exitCode, 12u);
    EXPECT_EQ(RecordField(record, "cmdline"),
              velmora::platform::ToAnsi(L"\"" + ExitWithHelper() + L"\"  12 \"" + record + L"\""));
}

TEST(Execution_LaunchDirect, MissingProgramIsARefusedStart) {
    ScopedFolder folder;
    DWORD exitCode = 0;
    EXPECT_FALSE(LaunchDirect(folder.Child(L"missing.exe"), L"", &exitCode));
    EXPECT_EQ(exitCode, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(Execution_LaunchDirect, PackageIsInstalledByMsiexecOfTheSystemFolder) {
    ASSERT_NE(ProductState(kLaunchProductCode), INSTALLSTATE_DEFAULT);
    ScopedFolder folder;
    const std::wstring package = folder.Child(L"LAUNCH.MSI");
    ASSERT_TRUE(::CopyFileW(LaunchProductPackage().c_str(), package.c_str(), FALSE));
    DWORD exitCode = 1;
    // The extension test ignores letter case, and the long-path prefix is not handed to msiexec.exe.
    ASSERT_TRUE(LaunchDirect(L"\\\\?\\" + package, L"/qn", &exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(ProductState(kLaunchProductCode), INSTALLSTATE_DEFAULT);
    EXPECT_EQ(Msiexec(std::wstring(L"/x ") + kLaunchProductCode + L" /qn"), 0u);
    EXPECT_NE(ProductState(kLaunchProductCode), INSTALLSTATE_DEFAULT);
}
