#include "app/ChainerApp.h"

#include <windows.h>

#include "app/ConfigurationFile.h"
#include "app/ExitCleanup.h"
#include "config/FolderProperties.h"
#include "app/InstallerMutex.h"
#include "app/MainFlow.h"
#include "config/pure/CleanupLists.h"
#include "detection/OsVersion.h"
#include "platform/ErrorText.h"
#include "platform/FileSystem.h"
#include "platform/GrowBuffer.h"
#include "platform/Logger.h"
#include "platform/UiEnabled.h"
#include "platform/UniqueHandle.h"
#include "platform/pure/PathRules.h"
#include "ui/Dialog.h"
#include "ui/resources/ResourceIds.h"

namespace velmora::app {

std::wstring ModulePath() {
    std::wstring path;
    if (platform::ModuleFileName(nullptr, path) != ERROR_SUCCESS)
        path.clear();
    return path;
}

ChainerApp::~ChainerApp() {
    // Also reached while an exception from Run unwinds: nothing may leave here.
    try {
        ExitCleanup();
    } catch (...) {
    }
    try {
        RunCleanupScript();
    } catch (...) {
    }
}

void ChainerApp::BuildCleanupLists(const config::ChainerSettings& settings) {
    constexpr int kScriptRetryCount = 10;
    cleanupScript_.SetScript(settings.CleanupScript, false, kScriptRetryCount);
    cleanupFolders_ = settings.CleanupFolders;
    config::CleanupLists lists = config::BuildCleanupLists(
        settings, exePath_, iniPath_, [](const std::wstring& path) { return platform::Exists(path); });
    fileCleanupList_ = std::move(lists.files);
    for (const std::wstring& path : lists.scriptPaths)
        cleanupScript_.AddPath(path);
}

void ChainerApp::ExitCleanup() {
    DeleteCleanupFiles(fileCleanupList_, cleanupFolders_);
    KeepOccupiedFolders(cleanupScript_, cleanupFolders_);
}

void ChainerApp::RunCleanupScript() {
    (void)cleanupScript_.Run();
}

void StartLogging(const config::ChainerSettings& settings) {
    if (settings.LogFile.empty())
        return;
    // The logger sits below the detection layer; it learns the operating system for its header from here.
    platform::TheLogger().SetHeaderSource(&detection::OsFactsForLogHeader);
    platform::SetLogEnabled(true);
    platform::TheLogger().SetLogFile(settings.LogFile);
}

void ChainerApp::Run() {
    exePath_ = ModulePath();
    // Every later step builds paths from this one in MAX_PATH buffers of the platform's older calls; a
    // chainer that deep does not start rather than work on cut paths.
    if (exePath_.empty() || exePath_.size() >= MAX_PATH)
        return;
    exeFolder_ = platform::ParentFolder(exePath_);
    iniPath_ = ConfigurationPathFor(exeFolder_, exePath_);

    // The find handle stays open for the whole run, so the file cannot be replaced under it.
    WIN32_FIND_DATAW found{};
    platform::UniqueFind find(::FindFirstFileW(iniPath_.c_str(), &found));
    if (!find)
        return;

    {
        std::wstring text;
        if (!ReadConfigurationText(iniPath_, found.nFileSizeLow, text))
            text.clear();
        LoadConfiguration(std::move(text), config::MachineProperties(), configuration_, settings_,
                          hasSettings_);
    }
    // Without PREREQ_CHAINER nothing is cleaned up at exit, not even the configuration file.
    if (hasSettings_) {
        BuildCleanupLists(settings_);
        StartLogging(settings_);
    }
    silent_ = configuration_.IsSilent();
    platform::SetUiEnabled(!silent_);
    // Here, on the main thread before any other thread exists (see RegisterCommonControls).
    if (!silent_)
        ui::RegisterCommonControls();
    LocatePackageFiles(configuration_, exePath_, extraction_);
    extraction_.SetEnabled(true);

    status_.ShowStatus(IDS_PREPARING, false);
    // The title comes from the version resource (version.dll); a silent run shows no window to carry it.
    if (!silent_)
        status_.PrepareTitle();

    EnterChainerFolder(exeFolder_);

    const InstallerWait wait = WaitForInstallerIdle();
    if (platform::LogEnabled()) {
        std::wstring errorText = std::to_wstring(wait.error);
        if (const std::wstring system = platform::SystemErrorText(wait.error); !system.empty())
            errorText += L" " + system;
        if (const std::wstring line = InstallerWaitLogLine(wait, errorText); !line.empty())
            platform::TheLogger().Log(line);
    }
    if (MainFlowRunsAfter(wait))
        exitCode_ = RunMainFlow(*this);
}

} // namespace velmora::app
