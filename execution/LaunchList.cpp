#include "execution/LaunchList.h"

#include "config/FolderProperties.h"
#include "execution/Msix.h"
#include "execution/ProcessStart.h"
#include "platform/Bitness.h"
#include "platform/ErrorText.h"
#include "platform/FileSystem.h"
#include "platform/Logger.h"
#include "platform/TextConversion.h"
#include "platform/pure/PathRules.h"

namespace velmora::execution {

namespace {

// Only an existing file is started. Given a folder, the shell opens a window on it (which under Wine never
// ends, so the wait never does) or returns no process at all (Windows), and either would pass for a launch.
DWORD FileToLaunchError(const std::wstring& path) {
    if (const DWORD syntax = LaunchPathSyntaxError(path); syntax != ERROR_SUCCESS)
        return syntax;
    if (path.empty())
        return ERROR_FILE_NOT_FOUND;
    const DWORD attributes = ::GetFileAttributesW(platform::ToLongPath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        return error != ERROR_SUCCESS ? error : ERROR_FILE_NOT_FOUND;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS;
}

void Log(const std::wstring& message) {
    if (platform::LogEnabled())
        platform::TheLogger().Log(message);
}

} // namespace

LaunchList::LaunchList(config::InterbootStore& store, PrerequisiteDetection& detection)
    : LaunchList(store, detection, TheSystemRestart()) {}

LaunchList::LaunchList(config::InterbootStore& store, PrerequisiteDetection& detection,
                       SystemRestart& restart)
    : store_(store), detection_(detection), restart_(restart) {}

void LaunchList::AddItem(std::wstring filePath, std::wstring commandLine, std::wstring name,
                         RebootMode rebootMode, std::size_t prerequisiteIndex, std::wstring returnValueName) {
    LaunchItem item;
    item.filePath = std::move(filePath);
    item.commandLine = std::move(commandLine);
    item.name = std::move(name);
    item.rebootMode = rebootMode;
    item.returnValueName = std::move(returnValueName);
    item.prerequisiteIndex = prerequisiteIndex;
    items_.push_back(std::move(item));
}

void LaunchList::Clear() {
    items_.clear();
}

const LaunchItem& LaunchList::Item(std::size_t index) const {
    return items_.at(index);
}

LaunchItem& LaunchList::At(std::size_t index) {
    return items_.at(index);
}

bool LaunchList::Launch(std::size_t index) {
    LaunchItem& item = At(index);
    Log(LaunchingFileLine(item.filePath));

    const bool hidden = HasQuietSwitch(item.commandLine);
    DWORD exitCode = item.exitCode;
    bool waited = true;
    DWORD notAFile = FileToLaunchError(item.filePath);
    bool started = notAFile == ERROR_SUCCESS;
    if (!started) {
        exitCode = notAFile;
    } else {
        switch (ChooseLaunchRoute(item.filePath, IsLocalSystemAccount())) {
        case LaunchRoute::PackageDeployment:
            // A deployment that cannot even begin is a failed installation, not a refused start.
            exitCode = InstallPackageOnOwnThread(CleanLaunchPath(item.filePath));
            break;
        case LaunchRoute::Shell:
            started = ShellExecuteAndWait(item.filePath, item.commandLine, L"", hidden, &exitCode, &waited);
            break;
        case LaunchRoute::Direct:
            started = LaunchDirect(item.filePath, item.commandLine, &exitCode);
            break;
        }
    }
    item.exitCode = exitCode;
    item.exitCodeKnown = !started || waited;

    if (!started) {
        lastLaunchError_ = exitCode;
        Log(LaunchFailedLine(exitCode, platform::SystemErrorText(exitCode)));
    }
    if (!item.exitCodeKnown) {
        // A document handed to a running program: no exit code to log, record or act on.
        Log(kNoProcessLine);
        return true;
    }
    Log(ReturnCodeLine(exitCode));
    Record(item);
    if (PausesAfterExit(exitCode))
        ::Sleep(kPauseAfterTroubledExitMs);
    return exitCode == ERROR_SUCCESS;
}

// An item without a return-value name records nothing: under an empty name the registry would write the
// key's default value, which no prerequisite names, and the end of the main flow would hand that exit code
// to every prerequisite that has no RetValPropName.
void LaunchList::Record(const LaunchItem& item) {
    if (item.returnValueName.empty())
        return;
    store_.SetInt(platform::ToAnsi(item.returnValueName), static_cast<std::int32_t>(item.exitCode));
}

bool LaunchDirect(std::wstring_view filePath, std::wstring_view commandLine, DWORD* exitCode) {
    const std::wstring arguments = DirectStartArguments(config::ResolveProperties(commandLine, false));
    // The process's own msiexec.exe: SysWOW64's for the 32-bit chainer; System32's for a 64-bit build, which
    // may run where no 32-bit program starts.
    const std::wstring msiexec =
        config::ResolveProperties(L"[SystemFolder]msiexec.exe", platform::kIs64BitProcess);
    const DirectStart start = DirectStartCommand(filePath, arguments, msiexec);
    return RunProcessAndWait(start.application, start.commandLine, NORMAL_PRIORITY_CLASS, exitCode);
}

} // namespace velmora::execution
