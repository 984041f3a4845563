#include "acquisition/ProcessingEngine.h"

#include <windows.h>
#include <shellapi.h>

#include "acquisition/FileDigest.h"
#include "acquisition/pure/LocalPath.h"
#include "platform/ErrorText.h"
#include "platform/FileSystem.h"
#include "platform/Logger.h"
#include "platform/TextConversion.h"
#include "ui/WindowTools.h"
#include "ui/resources/ResourceIds.h"

namespace velmora::acquisition {

namespace {

void Log(std::wstring_view message) {
    if (platform::LogEnabled())
        platform::TheLogger().Log(message);
}

// The system's text for the code, or the code in decimal when the system has none.
std::wstring ErrorTextOf(std::uint32_t code) {
    std::wstring text = platform::SystemErrorText(code);
    return text.empty() ? std::to_wstring(code) : text;
}

// Writes the shortcut file and opens it with the shell; a file that cannot be made is skipped. Returns the
// file's path (empty when none was made).
std::wstring OpenUrl(const std::wstring& url) {
    std::wstring path = platform::TempFileWithExtension(L"URL", L".url");
    if (path.empty())
        return path;
    const std::string text = InternetShortcutText(platform::ToAnsi(url));
    HANDLE file =
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return path;
    DWORD written = 0;
    const bool complete =
        ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
        written == text.size();
    ::CloseHandle(file);
    if (complete)
        ::ShellExecuteW(nullptr, L"open", path.c_str(), nullptr, nullptr, SW_SHOW);
    return path;
}

// OS quirk (Wine 8): a prerequisite launched from a download folder keeps that folder busy for a moment
// after its process has ended (its image and current folder are released late), so the removal is tried
// again for up to a second. A folder that stays busy, or holds files of its own, is left as it is.
void RemoveFolderSoon(const std::wstring& folder, int attempts) {
    constexpr DWORD kPauseMs = 50;
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        if (platform::RemoveFolderLong(folder))
            return;
        const DWORD error = ::GetLastError();
        if (attempt == attempts || (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED &&
                                    error != ERROR_DIR_NOT_EMPTY))
            return;
        ::Sleep(kPauseMs);
    }
}

} // namespace

ProcessingTexts DefaultProcessingTexts() {
    ProcessingTexts texts;
    texts.download = ui::LoadText(IDS_DOWNLOADING);
    texts.install = ui::LoadText(IDS_INSTALLING);
    texts.openSite = ui::LoadText(IDS_OPENING_SITE);
    return texts;
}

ProcessingEngine::ProcessingEngine(const ProcessingEngineParts& parts)
    : configuration_(parts.configuration), evaluator_(parts.evaluator), extraction_(parts.extraction),
      transfer_(parts.transfer), detection_(parts.evaluator), texts_(DefaultProcessingTexts()),
      downloadFolder_(parts.configuration.GetDownloadFolder()) {
    if (parts.restart != nullptr)
        launchList_ = std::make_unique<execution::LaunchList>(parts.store, detection_, *parts.restart);
    else
        launchList_ = std::make_unique<execution::LaunchList>(parts.store, detection_);
}

ProcessingEngine::~ProcessingEngine() = default;

std::int32_t ProcessingEngine::ActionOf(std::size_t index) {
    return evaluator_.ActionOf(index);
}

bool ProcessingEngine::IsPrerequisiteDetected(std::size_t index) {
    return evaluator_.IsPrerequisiteDetected(index);
}

ActionSource ProcessingEngine::Actions() {
    return [this](std::size_t index) { return ActionOf(index); };
}

bool ProcessingEngine::IsMandatory(std::size_t index) const {
    return configuration_.Prerequisites.at(index).HasOption(L'm');
}

void ProcessingEngine::HandOverSelection() {
    selection_ = SelectionText(configuration_.Prerequisites);
}

bool ProcessingEngine::DownloadItemAt(DownloadItem& item) {
    item.localPath = LocalPathFor(downloadFolder_, item.url, item.folder);
    // A folder that cannot be made shows up as the transfer's failure.
    (void)platform::CreateFolderTree(item.localPath, false, &createdFolders_);
    lastTransferResult_ = transfer_.Download(item.url, item.localPath, item.expectedSize, downloadSink_);
    if (lastTransferResult_ == 0)
        item.status = 0;
    return lastTransferResult_ == 0;
}

std::uint32_t ProcessingEngine::DownloadAll(ProgressSink* sink) {
    items_.clear();
    deleteList_.clear();
    downloadSink_ = sink;
    items_ = BuildDownloadItems(configuration_.Prerequisites, Actions());
    if (sink != nullptr && !items_.empty())
        sink->Begin(items_.size(), 0);

    for (DownloadItem& item : items_) {
        core::PrerequisiteRecord& prerequisite = configuration_.Prerequisites.at(item.index);
        if (sink != nullptr && sink->IsCancelled()) {
            Log(L"Download was canceled.");
            return 0;
        }
        if (sink != nullptr)
            sink->SetStatus(StepText(texts_.download, prerequisite.Name), kStatusNextStep, 0);
        Log(L"Starting download of:" + prerequisite.Name);

        if (!DownloadItemAt(item)) {
            Log(L"Download failed. Error:" + ErrorTextOf(lastTransferResult_));
            if (IsMandatory(item.index)) {
                if (sink != nullptr)
                    sink->ReportError(prerequisite.Name, PROCESS_MANDATORY_FAILED, 0);
                return kPhaseFailed;
            }
            continue;
        }
        Log(L"Download completed succesfully.");
        if (!KeepsDownloads(configuration_.KeepFiles))
            deleteList_.push_back(item.localPath);

        if (!DownloadedFileAccepted(item.localPath, item.expectedSize, prerequisite.MD5)) {
            (void)platform::DeleteFileLong(item.localPath);
            Log(L"Downloaded file was rejected.(Invalid size or MD5).");
            if (sink != nullptr)
                sink->ReportError(L"", PROCESS_FILE_REJECTED, 0);
            return kPhaseFailed;
        }
        Log(L"Downloaded file was accepted.");
        prerequisite.downloaded = true;
    }
    return 0;
}

void ProcessingEngine::OpenSites(ProgressSink* sink) {
    const std::vector<std::size_t> sites = OpenSiteIndexes(configuration_.Prerequisites.size(), Actions());
    if (sink != nullptr && !sites.empty())
        sink->Begin(sites.size(), 0);
    for (std::size_t index : sites) {
        const core::PrerequisiteRecord& prerequisite = configuration_.Prerequisites.at(index);
        const std::wstring text = StepText(texts_.openSite, prerequisite.Name);
        if (sink != nullptr) {
            if (sink->IsCancelled())
                return;
            sink->SetStatus(text, kStatusNextStep, 0);
        }
        HWND foreground = ::GetForegroundWindow();
        Log(L"Launching URL:" + prerequisite.Source);
        std::wstring shortcut = OpenUrl(prerequisite.Source);
        if (!shortcut.empty())
            shortcutFiles_.push_back(std::move(shortcut));
        // A sink means basic UI: the person at the machine is told what to do in the browser.
        if (sink != nullptr)
            ::MessageBoxW(foreground, texts_.siteNotice.c_str(), text.c_str(), MB_ICONINFORMATION);
    }
}

std::uint32_t ProcessingEngine::InstallAll(ProgressSink* sink) {
    const std::vector<execution::LaunchItem> items = BuildLaunchItems(
        configuration_, Actions(),
        [this](std::wstring_view setupFile) {
            std::wstring path;
            (void)extraction_.LocateSetupFile(setupFile, path);
            return path;
        },
        downloadFolder_);
    launchList_->Clear();
    for (const execution::LaunchItem& item : items)
        launchList_->AddItem(item.filePath, item.commandLine, item.name, item.rebootMode,
                             item.prerequisiteIndex, item.returnValueName);
    if (sink != nullptr)
        sink->Begin(launchList_->Count(), 0);

    const bool silent = sink == nullptr;
    for (std::size_t i = 0; i < launchList_->Count() && !abortRequested_.load(); ++i) {
        const execution::LaunchItem& item = launchList_->Item(i);
        if (sink != nullptr) {
            if (sink->IsCancelled())
                return kPhaseCancelled;
            sink->SetStatus(StepText(texts_.install, item.name), kStatusNextStep, 0);
        }
        const int outcome = launchList_->LaunchAndReboot(i, silent);
        if (outcome == execution::kLaunchFailed) {
            if (!IsMandatory(item.prerequisiteIndex))
                continue;
            if (sink != nullptr)
                sink->ReportError(item.name, PROCESS_MANDATORY_FAILED, 0);
            return kPhaseFailed;
        }
        if (outcome == execution::kRebootCalledFor) {
            if (sink != nullptr)
                sink->ReportError(item.name, PROCESS_REBOOT_STARTED, 0);
            return kPhaseFailed;
        }
    }
    return 0;
}

void ProcessingEngine::ReevaluateAll() {
    evaluator_.ReevaluateAll();
    pendingMandatory_ = CountPendingMandatory(configuration_.Prerequisites);
}

bool ProcessingEngine::AllMandatoryDone() {
    return evaluator_.AllMandatoryDone();
}

bool ProcessingEngine::RebootRequired() const {
    return launchList_->RebootRequired();
}

bool ProcessingEngine::RebootRefused() const {
    return launchList_->RebootRefused();
}

bool ProcessingEngine::IsCancelled() {
    if (downloadSink_ == nullptr || !downloadSink_->IsCancelled())
        return false;
    Log(L"Download was canceled.");
    return true;
}

bool ProcessingEngine::IsPaused() {
    return downloadSink_ != nullptr && downloadSink_->IsPaused();
}

void ProcessingEngine::Cleanup() {
    for (const std::wstring& path : deleteList_)
        (void)platform::DeleteFileLong(path);
    deleteList_.clear();
    // Kept downloads keep their folders: one attempt each is enough to find that out.
    const int attempts = KeepsDownloads(configuration_.KeepFiles) ? 1 : 20;
    for (auto folder = createdFolders_.rbegin(); folder != createdFolders_.rend(); ++folder)
        RemoveFolderSoon(*folder, attempts);
    createdFolders_.clear();
    // The browser has read the shortcut long before the run ends.
    for (const std::wstring& path : shortcutFiles_)
        (void)platform::DeleteFileLong(path);
    shortcutFiles_.clear();
}

} // namespace velmora::acquisition
