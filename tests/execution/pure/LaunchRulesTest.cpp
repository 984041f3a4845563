#include "execution/pure/LaunchRules.h"

#include <gtest/gtest.h>

using namespace velmora::execution;
using velmora::config::Configuration;
using velmora::config::PrerequisiteRecord;

TEST(Execution_LaunchRules, CommandLineFollowsTheRunsUserInterfaceLevelWithoutFallBack) {
    PrerequisiteRecord prerequisite;
    prerequisite.CommandLine = L"full";
    prerequisite.BasicUiCommandLine = L"basic";
    prerequisite.NoUiCommandLine = L"none";
    const struct {
        const wchar_t* options;
        const wchar_t* chosen;
    } cases[] = {
        {L"b", L"basic"}, {L"q", L"none"}, {L"qb", L"basic"},  {L"", L"full"},
        {L"B", L"full"},  {L"Q", L"full"}, {L"xbx", L"basic"},
    };
    for (const auto& c : cases) {
        Configuration configuration;
        configuration.Options = c.options;
        EXPECT_EQ(LaunchCommandLine(prerequisite, configuration), c.chosen) << c.options;
    }
    Configuration silent;
    silent.Options = L"q";
    prerequisite.NoUiCommandLine.clear();
    EXPECT_EQ(LaunchCommandLine(prerequisite, silent), L"");
}

TEST(Execution_LaunchRules, QuietSwitchIsASlashOrHyphenBeforeALowerCaseQAnywhere) {
    const struct {
        const wchar_t* commandLine;
        bool quiet;
    } cases[] = {
        {L"/q", true},
        {L"-q", true},
        {L"/qn", true},
        {L"/quiet", true},
        {L"--q", true},
        {L"/norestart /quiet", true},
        {L"-/q", true},
        {L"C:/qt/setup.exe", true},
        {L"ACCEPT=1 /qb!", true},
        {L"/Q", false},
        {L"/QUIET", false},
        {L"", false},
        {L"q", false},
        {L"/ q", false},
        {L"/passive /norestart", false},
        {L"/", false},
        {L"\\q", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HasQuietSwitch(c.commandLine), c.quiet) << c.commandLine;
}

TEST(Execution_LaunchRules, CleanPathLosesLongPrefixesAndTrailingBackslashes) {
    const struct {
        const wchar_t* path;
        const wchar_t* clean;
    } cases[] = {
        {L"C:\\p\\a.msix", L"C:\\p\\a.msix"},
        {L"\\\\?\\C:\\p\\a.msix", L"C:\\p\\a.msix"},
        {L"\\\\?\\UNC\\server\\share\\a.msi", L"\\\\server\\share\\a.msi"},
        {L"C:\\p\\a.appx\\\\", L"C:\\p\\a.appx"},
        {L"\\\\server\\share\\", L"\\\\server\\share"},
        {L"\\\\", L""},
        {L"", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CleanLaunchPath(c.path), c.clean) << c.path;
}

TEST(Execution_LaunchRules, FileKindDecidesTheRoute) {
    const struct {
        const wchar_t* path;
        bool localSystem;
        LaunchRoute route;
    } cases[] = {
        {L"C:\\p\\setup.msix", false, LaunchRoute::PackageDeployment},
        {L"C:\\p\\setup.MSIX", true, LaunchRoute::PackageDeployment},
        {L"C:\\p\\setup.MsixBundle", false, LaunchRoute::PackageDeployment},
        {L"\\\\?\\C:\\p\\setup.appx\\", false, LaunchRoute::PackageDeployment},
        {L"C:\\p\\setup.appxbundle", false, LaunchRoute::Shell},
        {L"C:\\p\\setup.appxbundle", true, LaunchRoute::Direct},
        {L"C:\\p\\setup.msixx", false, LaunchRoute::Shell},
        {L"C:\\p\\msix", false, LaunchRoute::Shell},
        {L"C:\\p\\a.msi", false, LaunchRoute::Shell},
        {L"C:\\p\\a.msi", true, LaunchRoute::Direct},
        {L"C:\\p\\s.exe", true, LaunchRoute::Direct},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChooseLaunchRoute(c.path, c.localSystem), c.route) << c.path << L" " << c.localSystem;
}

TEST(Execution_LaunchRules, WindowsInstallerPackagesAreKnownByAFourCharacterExtension) {
    const struct {
        const wchar_t* path;
        bool package;
    } cases[] = {
        {L"C:\\p\\a.msi", true},
        {L"C:\\p\\A.MSI", true},
        {L"\\\\?\\UNC\\s\\x\\a.Msi", true},
        {L"C:\\p\\a.msi\\", true},
        {L"a.msi", true},
        {L"C:\\p\\a.msix", false},
        {L"C:\\p\\a.msp", false},
        {L"C:\\p\\a.msi.exe", false},
        {L"C:\\p.msi\\a", false},
        {L"C:\\p\\a.msi x", false},
        {L"C:\\p\\msi", false},
        {L"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsWindowsInstallerPackage(c.path), c.package) << c.path;
}

TEST(Execution_LaunchRules, DirectStartArgumentsGetOneLeadingBlank) {
    EXPECT_EQ(DirectStartArguments(L"/qn"), L" /qn");
    EXPECT_EQ(DirectStartArguments(L" /qn"), L" /qn");
    EXPECT_EQ(DirectStartArguments(L"  /qn"), L"  /qn");
    EXPECT_EQ(DirectStartArguments(L""), L"");
    EXPECT_EQ(DirectStartArguments(L"\t/qn"), L" \t/qn");
}

TEST(Execution_LaunchRules, DirectStartOfAPackageGoesThroughMsiexec) {
    const std::wstring msiexec = L"C:\\Windows\\system32\\msiexec.exe";
    const struct {
        const wchar_t* path;
        const wchar_t* arguments;
        const wchar_t* application;
        const wchar_t* commandLine;
    } cases[] = {
        {L"C:\\p\\a.msi", L" /qn", L"C:\\Windows\\system32\\msiexec.exe", L" /i \"C:\\p\\a.msi\" /qn"},
        {L"C:\\p\\A.MSI", L"", L"C:\\Windows\\system32\\msiexec.exe", L" /i \"C:\\p\\A.MSI\""},
        {L"\\\\?\\C:\\p\\a.msi", L" /qn", L"C:\\Windows\\system32\\msiexec.exe", L" /i \"C:\\p\\a.msi\" /qn"},
        {L"\\\\?\\UNC\\srv\\share\\a.msi", L"", L"C:\\Windows\\system32\\msiexec.exe",
         L" /i \"\\\\srv\\share\\a.msi\""},
        {L"C:\\p\\s.exe", L" /S", L"C:\\p\\s.exe", L"\"C:\\p\\s.exe\"  /S"},
        {L"C:\\p\\s.exe", L"", L"C:\\p\\s.exe", L"\"C:\\p\\s.exe\" "},
        {L"\\\\?\\C:\\p\\s.exe", L" /S", L"\\\\?\\C:\\p\\s.exe", L"\"\\\\?\\C:\\p\\s.exe\"  /S"},
        {L"C:\\p\\a.msix", L" /S", L"C:\\p\\a.msix", L"\"C:\\p\\a.msix\"  /S"},
    };
    for (const auto& c : cases) {
        const DirectStart start = DirectStartCommand(c.path, c.arguments, msiexec);
        EXPECT_EQ(start.application, c.application) << c.path;
        EXPECT_EQ(start.commandLine, c.commandLine) << c.path;
    }
}

TEST(Execution_LaunchRules, RebootRequiredAndErrorSeverityExitCodesPause) {
    const struct {
        std::uint32_t exitCode;
        bool pauses;
    } cases[] = {
        {0, false},           {1, false},          {3010, true},        {1641, false},
        {0xC0000005u, true},  {0xC0000409u, true}, {0xE0000005u, true}, {0x80000003u, false},
        {0x40010005u, false}, {0xFFFFFFFFu, true}, {1603, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PausesAfterExit(c.exitCode), c.pauses) << c.exitCode;
}

TEST(Execution_LaunchRules, LogLinesCarryTheirValuesDirectly) {
    EXPECT_EQ(LaunchingFileLine(L"C:\\k\\setup.exe"), L"Launching file:C:\\k\\setup.exe");
    EXPECT_EQ(ReturnCodeLine(0), L"Return code of launched file:0");
    EXPECT_EQ(ReturnCodeLine(0xC0000005u), L"Return code of launched file:3221225477");
    EXPECT_EQ(LaunchFailedLine(2, L"File not found."), L"Launch failed. Error:File not found.");
    EXPECT_EQ(LaunchFailedLine(0xE0000022u, L""), L"Launch failed. Error:-536870878");
    EXPECT_EQ(LaunchFailedLine(12345, L""), L"Launch failed. Error:12345");
}
