// The decisions of launching one prerequisite, as data: the launch item the processing sequence fills, which
// command line a run uses, how the file is started (package deployment, the shell, or directly under
// LocalSystem), the command line of a direct start, the pause after a troubled exit and the log texts.
// No Windows header: execution/LaunchList.h carries them out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "config/pure/Configuration.h"
#include "execution/pure/RebootRules.h"

namespace velmora::execution {

// One prerequisite to launch, in the order of the launch list.
struct LaunchItem {
    std::wstring filePath;    // as the processing sequence located it; may carry the long-path prefix
    std::wstring commandLine; // the arguments for this run's user-interface level
    std::wstring name;        // the prerequisite's Name, for progress texts
    RebootMode rebootMode = RebootMode::Never;
    std::uint32_t exitCode = 0;        // the child's exit code, or the Windows error of a start that failed
    bool exitCodeKnown = true;         // false when the start gave no process to wait for
    std::wstring returnValueName;      // RetValPropName; empty records nothing
    std::size_t prerequisiteIndex = 0; // position in the configuration's prerequisite list
};

// The command-line key of the prerequisite that this run uses: BasicUiCommandLine when the general Options
// ask for basic UI ("b"), else NoUiCommandLine when they ask for silence ("q"), else CommandLine. An empty
// key is used as it is; there is no fall-back to another key.
const std::wstring& LaunchCommandLine(const config::PrerequisiteRecord& prerequisite,
                                      const config::Configuration& configuration);

// The command line asks the child for a quiet run: a "-" or "/" directly followed by a lower-case "q"
// anywhere in the text. /q, -q, /qn, /quiet and --q all count, and so does a path such as C:/qt/x; /Q does
// not. Such a child is started with its window hidden.
bool HasQuietSwitch(std::wstring_view commandLine);

// The path as the kind tests see it: "\\?\UNC\" becomes "\\", "\\?\" goes, trailing backslashes go.
std::wstring CleanLaunchPath(std::wstring_view path);

// The cleaned path ends, in any letter case, with ".msix", ".msixbundle" or ".appx" (not ".appxbundle").
bool IsMsixPackage(std::wstring_view path);

// The extension of the cleaned path (from the last dot of the last component, as the shell finds it) is
// ".msi" in any letter case.
bool IsWindowsInstallerPackage(std::wstring_view path);

enum class LaunchRoute {
    PackageDeployment, // MSIX/AppX through the deployment service
    Shell,             // ShellExecute by the file's association
    Direct,            // CreateProcess, msiexec.exe for .msi; only under LocalSystem
};
LaunchRoute ChooseLaunchRoute(std::wstring_view filePath, bool localSystem);

// A direct start under LocalSystem: the application and the full command line for CreateProcess.
struct DirectStart {
    std::wstring application;
    std::wstring commandLine;
};

// The arguments of a direct start: the resolved command line with one blank in front, unless it is empty or
// already begins with one.
std::wstring DirectStartArguments(std::wstring_view resolvedCommandLine);

// A Windows Installer package runs as msiexecPath with " /i \"<cleaned path>\"" + arguments; anything else
// runs as itself with "\"<path>\" " + arguments (two blanks before arguments that begin with one).
DirectStart DirectStartCommand(std::wstring_view filePath, std::wstring_view arguments,
                               std::wstring_view msiexecPath);

// After ERROR_SUCCESS_REBOOT_REQUIRED (3010) or a status of error severity (both high bits set, as after a
// crash of the child) the launch waits this long before it returns.
inline constexpr unsigned kPauseAfterTroubledExitMs = 2000;
bool PausesAfterExit(std::uint32_t exitCode);

// Log lines of a launch.
std::wstring LaunchingFileLine(std::wstring_view filePath);
// The system's text for the code, or the code in signed decimal when the system has none.
std::wstring LaunchFailedLine(std::uint32_t errorCode, std::wstring_view systemText);
std::wstring ReturnCodeLine(std::uint32_t exitCode);
inline constexpr wchar_t kNoProcessLine[] =
    L"The launched file gave no process to wait for: its return code is unknown.";

// Why a launch target cannot be started before the shell is asked: ERROR_INVALID_NAME for a path holding a
// zero character (every system call would see the text before it, a folder); ERROR_SUCCESS otherwise.
[[nodiscard]] std::uint32_t LaunchPathSyntaxError(std::wstring_view filePath);

} // namespace velmora::execution
