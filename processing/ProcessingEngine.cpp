#include "processing/ProcessingEngine.h"

#include <windows.h>
#include <shellapi.h>

#include <optional>

#include "detection/pure/LocalPath.h"
#include "platform/ErrorText.h"
#include "platform/FileSystem.h"
#include "platform/GrowBuffer.h"
#include "platform/Logger.h"
#include "platform/MainThreadCom.h"
#include "platform/TempFiles.h"
#include "platform/TextConversion.h"
#include "platform/pure/Redact.h"
#include "transfer/Downloader.h"
#include "transfer/FileVerification.h"
#include "transfer/PartFile.h"
#include "transfer/pure/FileUrl.h"
#include "transfer/pure/TransferRules.h"
#include "ui/WindowTools.h"
#include "ui/resources/ResourceIds.h"

namespace velmora::processing {

using transfer::ChecksOf;
using transfer::FileChecks;
using transfer::FileVerdict;
using transfer::ProgressSink;
using transfer::VerifiedFile;
using transfer::VerifyOptions;

namespace {

// The system's text for the code, or the code in decimal when the system has none.
std::wstring ErrorTextOf(std::uint32_t code) {
    std::wstring text = platform::SystemErrorText(code);
    return text.empty() ? std::to_wstring(code) : text;
}

// How long the end of the run waits for the programs that read the Internet shortcuts it opened.
constexpr DWORD kShortcutReaderWaitMs = 30000;

// Writes the shortcut file and opens it with the shell; a file that cannot be made is skipped. Returns the
// file's path (empty when none was made) and the process that reads it, when the shell started one.
std::wstring OpenUrl(const std::wstring& url, platform::UniqueKernelHandle& reader) {
    std::wstring path = platform::TempFileWithExtension(L"URL", L".url");
    if (path.empty())
        return path;
    const std::string text = InternetShortcutText(platform::ToAnsi(url));
    // A new file: the name may have been taken meanwhile by a link that would take the text elsewhere.
    if (platform::WriteNewFile(path, text) == ERROR_SUCCESS) {
        SHELLEXECUTEINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = SEE_MASK_NOCLOSEPROCESS;
        info.lpVerb = L"open";
        info.lpFile = path.c_str();
        info.nShow = SW_SHOW;
        platform::EnsureMainThreadCom();
        if (::ShellExecuteExW(&info))
            reader.reset(info.hProcess);
    }
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

std::wstring WithoutTrailingBackslashes(std::wstring path) {
    while (path.size() > 3 && path.back() == L'\\')
        path.pop_back();
    return path;
}

std::wstring WhyNotTrusted(const platform::FolderInspection& inspection) {
    using State = platform::FolderInspection::State;
    const std::wstring& folder = inspection.component;
    switch (inspection.state) {
    case State::Linked:
        return folder + L" is a link";
    case State::NotAFolder:
        return folder + L" is no folder";
    case State::Untrusted:
        if (inspection.verdict == platform::TrustVerdict::ForeignOwner)
            return folder + L" belongs to another account";
        if (inspection.verdict == platform::TrustVerdict::OthersMayWrite)
            return L"other accounts may change what is in " + folder;
        return L"the owner of " + folder + L" cannot be read";
    default:
        return {};
    }
}

// The install phase's reboot question goes to its sink.
class SinkRebootQuestion final : public execution::RebootQuestion {
public:
    explicit SinkRebootQuestion(ProgressSink& sink) : sink_(sink) {}
    execution::RebootAnswer AskToRestart() override { return sink_.AskToRestart(); }

private:
    ProgressSink& sink_;
};

} // namespace

std::uint32_t DownloaderTransfer::Download(std::wstring_view url, std::wstring_view targetPath,
                                           std::uint64_t expectedSize, transfer::DigestKinds digests,
                                           ProgressSink* sink, TransferReceipt& receipt) {
    transfer::Downloader downloader(sink, credentials_);
    if (expectedSize != 0)
        downloader.SetExpectedSize(expectedSize);
    downloader.SetDigests(digests);
    const std::uint32_t result = downloader.Download(url, targetPath);
    receipt.digests = result == 0 ? downloader.Digests() : transfer::FileDigests();
    receipt.reply = downloader.Reply();
    return result;
}

ProcessingTexts DefaultProcessingTexts() {
    ProcessingTexts texts;
    texts.download = ui::LoadText(IDS_DOWNLOADING);
    texts.install = ui::LoadText(IDS_INSTALLING);
    texts.openSite = ui::LoadText(IDS_OPENING_SITE);
    texts.siteNotice = ui::LoadText(IDS_SITE_NOTICE);
    return texts;
}

void ProcessingEngine::SetTexts(ProcessingTexts texts) {
    if (texts.siteNotice.empty())
        texts.siteNotice = ui::LoadText(IDS_SITE_NOTICE);
    texts_ = std::move(texts);
}

ProcessingEngine::ProcessingEngine(const ProcessingEngineParts& parts)
    : configuration_(parts.configuration), evaluator_(parts.evaluator), extraction_(parts.extraction),
      transfer_(parts.fileTransfer),
      credentials_(parts.credentials != nullptr ? *parts.credentials : transfer::NoCredentials()),
      detection_(parts.evaluator), texts_(DefaultProcessingTexts()),
      downloadFolder_(parts.configuration.GetDownloadFolder()), foundFolder_(downloadFolder_) {
    if (parts.restart != nullptr)
        launchList_ = std::make_unique<execution::LaunchList>(parts.store, detection_, *parts.restart);
    else
        launchList_ = std::make_unique<execution::LaunchList>(parts.store, detection_);
}

ProcessingEngine::~ProcessingEngine() = default;

detection::ProcessingAction ProcessingEngine::ActionOf(std::size_t index) {
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

void ProcessingEngine::InspectDownloadFolder() {
    if (inspected_)
        return;
    inspected_ = true;
    // A relative download folder lies below the chainer's folder, which start-up made current.
    foundFolderPath_ = platform::FullPath(foundFolder_);
    const std::wstring temp = platform::TempFolder();
    // In the temporary folder every folder on the way may be someone else's; elsewhere the author chose
    // the place, and the folder itself is looked at.
    downloadAnchor_ = platform::IsInsideFolder(foundFolderPath_, temp)
                          ? temp
                          : platform::ParentFolder(WithoutTrailingBackslashes(foundFolderPath_));
    inspection_ = platform::InspectFoldersBelow(foundFolderPath_, downloadAnchor_);
    if (!DownloadFolderTrusted())
        platform::LogLine(L"The download folder " + foundFolder_ + L" is not written to: " +
                          WhyNotTrusted(inspection_) + L".");
}

bool ProcessingEngine::DownloadFolderTrusted() const {
    using State = platform::FolderInspection::State;
    return inspection_.state == State::Trusted || inspection_.state == State::Missing;
}

bool ProcessingEngine::PrepareDownloadFolder() {
    if (downloadFolderReady_)
        return downloadFolderError_ == ERROR_SUCCESS;
    downloadFolderReady_ = true;
    InspectDownloadFolder();
    using State = platform::FolderInspection::State;
    if (inspection_.state == State::Trusted)
        return true;
    if (inspection_.state == State::Missing) {
        // Above the anchor the folders are the author's (a configured folder outside the temporary one).
        (void)platform::CreateFolderTree(downloadAnchor_, true, &createdFolders_);
        const DWORD error =
            platform::CreateProtectedFoldersBelow(foundFolderPath_, downloadAnchor_, createdFolders_);
        // Made; or it cannot be made at all, which the download reports. Made by someone else meanwhile, it
        // is not this run's.
        if (error != ERROR_ALREADY_EXISTS)
            return true;
    }
    // A new folder of this run's own in the temporary folder, under a name no one could have taken first.
    const std::wstring temp = platform::TempFolder();
    std::wstring leaf = platform::FileName(WithoutTrailingBackslashes(foundFolderPath_));
    if (leaf.empty() || leaf.find(L':') != std::wstring::npos)
        leaf = L"Downloads";
    DWORD error = ERROR_ALREADY_EXISTS;
    for (DWORD attempt = 0; attempt < 16 && error == ERROR_ALREADY_EXISTS; ++attempt) {
        wchar_t suffix[16];
        ::wsprintfW(suffix, L".%08X",
                    ::GetTickCount() ^ (::GetCurrentProcessId() << 12) ^ (attempt * 0x9E3779B9u));
        const std::wstring fresh = temp + leaf + suffix;
        error = platform::CreateProtectedFolder(fresh);
        if (error == ERROR_SUCCESS) {
            createdFolders_.push_back(fresh);
            downloadFolder_ = fresh + L"\\";
            platform::LogLine(L"The downloads go to the new folder " + downloadFolder_);
            return true;
        }
    }
    downloadFolderError_ = error;
    platform::LogLine(L"Could not make a folder to download to in " + temp + L". Error: " +
                      std::to_wstring(error) + L" " + platform::SystemErrorText(error));
    return false;
}

void ProcessingEngine::DiscardUntrustedPartFile(const DownloadItem& item) {
    const config::PrerequisiteRecord& prerequisite = configuration_.Prerequisites.at(item.index);
    const std::wstring part = item.localPath + L".part";
    // A link or second name the transfer sees to itself; a digest or signer checks whatever the transfer
    // continues.
    if (ChecksOf(prerequisite).PinsContent() || !platform::IsPlainFileAt(part) ||
        platform::IsTrustedFile(part))
        return;
    platform::LogLine(L"The partial file " + part +
                      L" may have been left by another account; it is not continued but made anew.");
    (void)platform::DeleteFileLong(part);
}

bool ProcessingEngine::DownloadItemAt(DownloadItem& item) {
    if (!PrepareDownloadFolder()) {
        lastTransferResult_ = downloadFolderError_;
        return false;
    }
    item.localPath = detection::LocalPathFor(downloadFolder_, item.url, item.folder);
    // A folder that cannot be made shows up as the transfer's failure.
    (void)platform::CreateFolderTree(item.localPath, false, &createdFolders_);
    DiscardUntrustedPartFile(item);
    TransferReceipt receipt;
    lastTransferResult_ = transfer_.Download(item.url, item.localPath, item.expectedSize,
                                             ChecksOf(configuration_.Prerequisites.at(item.index)).Digests(),
                                             downloadSink_, receipt);
    item.digests = std::move(receipt.digests);
    item.reply = std::move(receipt.reply);
    if (lastTransferResult_ == 0)
        item.status = 0;
    return lastTransferResult_ == 0;
}

namespace {

// Why a file found in place is not used, by what its check found.
const wchar_t* FoundFileRefusal(const VerifiedFile& file) {
    if (!file.Plain())
        return L" is a link or has another name and is downloaded again: ";
    switch (file.Result().verdict) {
    case FileVerdict::Unreadable:
        return L" cannot be read for its check and is downloaded again: ";
    case FileVerdict::WrongSize:
        return L" does not match its ExactSize and is downloaded again: ";
    case FileVerdict::WrongMd5:
        return L" does not match its MD5 and is downloaded again: ";
    case FileVerdict::WrongSha256:
        return L" does not match its SHA256 and is downloaded again: ";
    default:
        return L" fails its signature check and is downloaded again: ";
    }
}

} // namespace

void ProcessingEngine::RecheckDownloadsInPlace() {
    InspectDownloadFolder();
    const bool folderTrusted = DownloadFolderTrusted();
    foundInPlace_.assign(configuration_.Prerequisites.size(), false);
    for (std::size_t i = 0; i < configuration_.Prerequisites.size(); ++i) {
        config::PrerequisiteRecord& prerequisite = configuration_.Prerequisites[i];
        if (detection::IsFileUrlSource(prerequisite.Source) ||
            ActionOf(i) != detection::ProcessingAction::InstallDownloaded)
            continue;
        // Found at the right size is not enough: anyone who can write to the download folder (the
        // temporary folder of a system run) could have left it there.
        const std::wstring path =
            detection::LocalPathFor(foundFolder_, prerequisite.Source, prerequisite.Folder);
        const FileChecks checks = ChecksOf(prerequisite);
        const wchar_t* why = nullptr;
        bool ours = false;
        std::unique_ptr<VerifiedFile> file;
        if (inspection_.state == platform::FolderInspection::State::Linked) {
            why = L" lies behind a link and is downloaded again: ";
        } else if (!checks.PinsContent()) {
            if (!folderTrusted || !platform::IsTrustedFile(path))
                why = L" may have been left by another account (no digest or signer to check it) and is "
                      L"downloaded again: ";
        } else {
            // Checked now and held until its launch, which need not check it again.
            file = std::make_unique<VerifiedFile>(path, checks, VerifyOptions{true, {}});
            if (!file->Accepted()) {
                why = FoundFileRefusal(*file);
                // Only a file in a folder of the run's trust is the run's to remove.
                ours = folderTrusted && file->Plain() && file->OpenError() == ERROR_SUCCESS;
            }
        }
        if (why == nullptr) {
            foundInPlace_[i] = true;
            if (file)
                heldDownloads_[i] = std::move(file);
            continue;
        }
        platform::LogLine(L"The file found for " + prerequisite.Name + why + path);
        if (file) {
            LogRefusal(prerequisite, *file);
            file.reset();
        }
        if (ours)
            (void)platform::DeleteFileLong(path);
        prerequisite.downloaded = false;
    }
}

void ProcessingEngine::LogRefusal(const config::PrerequisiteRecord& prerequisite, const VerifiedFile& file,
                                  const transfer::SourceReply* reply) {
    const transfer::FileVerification& result = file.Result();
    if (!file.Plain() || file.OpenError() != ERROR_SUCCESS || result.Accepted())
        return;
    const std::wstring& name = prerequisite.Name;
    const std::wstring& path = file.Path();
    wchar_t code[16];
    ::wsprintfW(code, L"0x%08X", result.error);
    switch (result.verdict) {
    case FileVerdict::Unreadable:
        platform::LogLine(L"The file for " + name + L" could not be read for its check. Error: " +
                          std::to_wstring(result.error) + L" " + platform::SystemErrorText(result.error) +
                          L": " + path);
        return;
    case FileVerdict::NotSigned:
        platform::LogLine(L"The file for " + name + L" is not signed: " + path);
        break;
    case FileVerdict::SignatureBroken:
        platform::LogLine(L"The signature of the file for " + name +
                          L" is broken: the file was changed after it was signed: " + path);
        break;
    case FileVerdict::OtherSigner:
        platform::LogLine(L"The file for " + name + L" is signed by another certificate: " +
                          result.signerSubject + L", thumbprint " +
                          std::wstring(result.signerSha1.begin(), result.signerSha1.end()) + L": " + path);
        break;
    case FileVerdict::ChainNotTrusted:
        platform::LogLine(L"The certificate of the file for " + name + L" is not trusted by this machine: " +
                          ErrorTextOf(result.error) + L" (" + std::wstring(code) + L"): " + path);
        break;
    case FileVerdict::SignatureNotChecked:
        platform::LogLine(L"The signature of the file for " + name + L" could not be checked: " +
                          ErrorTextOf(result.error) + L" (" + std::wstring(code) + L"): " + path);
        break;
    default:
        break;
    }
    transfer::ReceivedFile received = file.Received();
    if (reply != nullptr) {
        received.contentType = reply->contentType;
        received.finalUrl = reply->finalUrl;
    }
    platform::LogLine(transfer::TriageLine(received));
}

std::uint32_t ProcessingEngine::DownloadAll(ProgressSink* sink) {
    items_.clear();
    deleteList_.clear();
    heldDownloads_.clear();
    downloadSink_ = sink;
    RecheckDownloadsInPlace();
    items_ = BuildDownloadItems(configuration_.Prerequisites, Actions());
    if (sink != nullptr && !items_.empty())
        sink->Begin(items_.size(), 0);

    for (DownloadItem& item : items_) {
        config::PrerequisiteRecord& prerequisite = configuration_.Prerequisites.at(item.index);
        if (sink != nullptr && sink->IsCancelled()) {
            platform::LogLine(L"Download was canceled.");
            return 0;
        }
        if (sink != nullptr)
            sink->SetStatus(StepText(texts_.download, prerequisite.Name), kStatusNextStep, 0);
        platform::LogLine(L"Starting download of:" + prerequisite.Name);

        if (!DownloadItemAt(item)) {
            // A transfer stopped by Cancel is a cancelled phase, not a failed download.
            if (lastTransferResult_ == transfer::XFER_CANCELLED) {
                platform::LogLine(L"Download was canceled.");
                return 0;
            }
            platform::LogLine(L"Download failed. Error:" + ErrorTextOf(lastTransferResult_));
            if (IsMandatory(item.index)) {
                if (sink != nullptr)
                    sink->ReportError(prerequisite.Name, PROCESS_MANDATORY_FAILED, 0);
                return kPhaseFailed;
            }
            continue;
        }
        platform::LogLine(L"Download completed succesfully.");
        if (!KeepsDownloads(configuration_.KeepFiles))
            deleteList_.push_back(item.localPath);

        // The digests of what was written stand for the file's only while the file stays as it was: held
        // from now to its launch, it need not be read again then.
        FileChecks checks = ChecksOf(prerequisite);
        checks.size = item.expectedSize;
        auto file = std::make_unique<VerifiedFile>(item.localPath, checks, VerifyOptions{true, item.digests});
        if (!file->Accepted()) {
            platform::LogLine(L"Downloaded file was rejected.(Invalid size or MD5).");
            LogRefusal(prerequisite, *file, &item.reply);
            file.reset();
            (void)platform::DeleteFileLong(item.localPath);
            if (sink != nullptr)
                sink->ReportError(L"", PROCESS_FILE_REJECTED, 0);
            return kPhaseFailed;
        }
        platform::LogLine(L"Downloaded file was accepted.");
        prerequisite.downloaded = true;
        heldDownloads_[item.index] = std::move(file);
    }
    return 0;
}

void ProcessingEngine::OpenSites(ProgressSink* sink) {
    const std::vector<std::size_t> sites = OpenSiteIndexes(configuration_.Prerequisites.size(), Actions());
    if (sink != nullptr && !sites.empty())
        sink->Begin(sites.size(), 0);
    for (std::size_t index : sites) {
        const config::PrerequisiteRecord& prerequisite = configuration_.Prerequisites.at(index);
        const std::wstring text = StepText(texts_.openSite, prerequisite.Name);
        if (sink != nullptr) {
            if (sink->IsCancelled())
                return;
            sink->SetStatus(text, kStatusNextStep, 0);
        }
        platform::LogLine(L"Launching URL:" + prerequisite.Source);
        platform::UniqueKernelHandle reader;
        std::wstring shortcut = OpenUrl(prerequisite.Source, reader);
        if (!shortcut.empty()) {
            shortcutFiles_.push_back(std::move(shortcut));
            shortcutReaders_.push_back(std::move(reader));
        }
        // A sink means basic UI: the person at the machine is told what to do in the browser.
        if (sink != nullptr)
            sink->ShowNotice(texts_.siteNotice, text);
    }
}

std::uint32_t ProcessingEngine::InstallAll(ProgressSink* sink) {
    std::vector<bool> checked(configuration_.Prerequisites.size());
    for (std::size_t i = 0; i < checked.size(); ++i)
        checked[i] = ActionOf(i) == detection::ProcessingAction::InstallDownloaded;
    const std::vector<execution::LaunchItem> items = BuildLaunchItems(
        configuration_, Actions(),
        [this](std::wstring_view setupFile) {
            std::wstring path;
            (void)extraction_.LocateSetupFile(setupFile, path);
            return path;
        },
        downloadFolder_);
    launchList_->Clear();
    for (const execution::LaunchItem& item : items) {
        // A download found in place is launched where it was found; new downloads lie in downloadFolder_.
        std::wstring path = item.filePath;
        if (item.prerequisiteIndex < foundInPlace_.size() && foundInPlace_[item.prerequisiteIndex]) {
            const config::PrerequisiteRecord& prerequisite =
                configuration_.Prerequisites.at(item.prerequisiteIndex);
            path = detection::LocalPathFor(foundFolder_, prerequisite.Source, prerequisite.Folder);
        }
        launchList_->AddItem(path, item.commandLine, item.name, item.rebootMode, item.prerequisiteIndex,
                             item.returnValueName);
    }
    if (sink != nullptr)
        sink->Begin(launchList_->Count(), 0);

    // A sink means basic UI: the person is asked before a restart. Silent runs ask nobody.
    std::optional<SinkRebootQuestion> question;
    if (sink != nullptr)
        question.emplace(*sink);
    for (std::size_t i = 0; i < launchList_->Count() && !abortRequested_.load(); ++i) {
        const execution::LaunchItem& item = launchList_->Item(i);
        if (sink != nullptr) {
            if (sink->IsCancelled())
                return kPhaseCancelled;
            sink->SetStatus(StepText(texts_.install, item.name), kStatusNextStep, 0);
        }
        // A download or file URL with a size or digest to match is checked again right before it runs, and
        // held so until it has run: the file checked when it was found or downloaded may have been replaced
        // since. A download is held in any case and must be a plain file: the download folder is open to
        // others, who could have swapped in a link or a second name of a file they can still change. A file
        // that cannot be held is not launched: one missing now could be back by the time it starts.
        // A kit's setup file with a SignerThumbprint is checked and held the same way.
        std::unique_ptr<VerifiedFile> file;
        const config::PrerequisiteRecord& prerequisite =
            configuration_.Prerequisites.at(item.prerequisiteIndex);
        const FileChecks checks = ChecksOf(prerequisite);
        if (checked.at(item.prerequisiteIndex)) {
            ConnectShareOf(prerequisite, item.filePath, sink);
            const bool download = !detection::IsFileUrlSource(prerequisite.Source);
            // Downloaded (or found) in this run and held since its check, it is that file still.
            if (const auto held = heldDownloads_.find(item.prerequisiteIndex); held != heldDownloads_.end()) {
                if (held->second->Path() == item.filePath)
                    file = std::move(held->second);
                heldDownloads_.erase(held);
            }
            if (!file && (download || checks.Any()))
                file = std::make_unique<VerifiedFile>(item.filePath, checks, VerifyOptions{download, {}});
        } else if (prerequisite.SourceKind == config::SourceKey::SetupFile && checks.HasSigner()) {
            file = std::make_unique<VerifiedFile>(item.filePath, checks);
        }
        if (file && !file->Accepted()) {
            RejectBeforeLaunch(item, std::move(file));
            if (sink != nullptr)
                sink->ReportError(L"", PROCESS_FILE_REJECTED, 0);
            return kPhaseFailed;
        }
        const execution::LaunchOutcome outcome =
            launchList_->LaunchAndReboot(i, question ? &*question : nullptr);
        if (const std::uint32_t result = AfterLaunch(outcome, item, sink); result != kContinue)
            return result;
    }
    return 0;
}

std::uint32_t ProcessingEngine::AfterLaunch(execution::LaunchOutcome outcome,
                                            const execution::LaunchItem& item, ProgressSink* sink) {
    if (outcome == execution::LaunchOutcome::Failed) {
        if (!IsMandatory(item.prerequisiteIndex))
            return kContinue;
        if (sink != nullptr)
            sink->ReportError(item.name, PROCESS_MANDATORY_FAILED, 0);
        return kPhaseFailed;
    }
    if (outcome == execution::LaunchOutcome::RebootCalledFor) {
        if (sink != nullptr)
            sink->ReportError(item.name, PROCESS_REBOOT_STARTED, 0);
        return kPhaseFailed;
    }
    return kContinue;
}

void ProcessingEngine::RejectBeforeLaunch(const execution::LaunchItem& item,
                                          std::unique_ptr<VerifiedFile> checked) {
    const VerifiedFile& file = *checked;
    config::PrerequisiteRecord& prerequisite = configuration_.Prerequisites.at(item.prerequisiteIndex);
    const std::wstring& name = prerequisite.Name;
    // Missing, in use or unreadable: nothing says it was planted, so it is left where it is.
    if (const std::uint32_t openError = file.OpenError(); openError != ERROR_SUCCESS) {
        platform::LogLine(L"The file to launch for " + name +
                          L" could not be opened for its check and is not launched: " + item.filePath +
                          L". Error: " + std::to_wstring(openError) + L" " +
                          platform::SystemErrorText(openError));
        return;
    }
    const FileVerdict verdict = file.Result().verdict;
    std::wstring why;
    if (!file.Plain())
        why = L" is a link or has another name";
    else if (verdict == FileVerdict::Unreadable)
        why = L" could not be read for its check";
    else if (transfer::IsSignatureVerdict(verdict))
        why = L" fails its signature check";
    else
        why = L" does not match its " + transfer::FailedKey(verdict);
    platform::LogLine(L"The file to launch for " + name + why + L" and is not launched: " + item.filePath);
    LogRefusal(prerequisite, file);
    const bool deletable = !file.Plain() || verdict != FileVerdict::Unreadable;
    checked.reset();
    // A download is ours to delete, so the next run fetches it again; a file URL's or the kit's file is not.
    // One that could not be read to its end is left like one that could not be opened.
    if (prerequisite.SourceKind == config::SourceKey::Url &&
        !detection::IsFileUrlSource(prerequisite.Source) && deletable) {
        (void)platform::DeleteFileLong(item.filePath);
        prerequisite.downloaded = false;
    }
}

void ProcessingEngine::ConnectShareOf(const config::PrerequisiteRecord& prerequisite,
                                      const std::wstring& path, ProgressSink* sink) {
    if (!detection::IsFileUrlSource(prerequisite.Source) || transfer::NetworkServer(path).empty())
        return;
    const transfer::UrlUserInfo account = transfer::FileUrlUserInfo(prerequisite.Source);
    transfer::ScopedCredentials login(account.user, account.password);
    std::uint64_t size = 0;
    // Without the share the launch fails and says why; nothing more to do here.
    (void)shares_.Reach(path, platform::RedactUrlCredentials(prerequisite.Source), login, credentials_, sink,
                        [&] { return transfer::ProbeFile(path, size); });
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
    platform::LogLine(L"Download was canceled.");
    return true;
}

bool ProcessingEngine::IsPaused() {
    return downloadSink_ != nullptr && downloadSink_->IsPaused();
}

void ProcessingEngine::Cleanup() {
    heldDownloads_.clear();
    for (const std::wstring& path : deleteList_)
        (void)platform::DeleteFileLong(path);
    deleteList_.clear();
    // Kept downloads keep their folders: one attempt each is enough to find that out.
    const int attempts = KeepsDownloads(configuration_.KeepFiles) ? 1 : 20;
    for (auto folder = createdFolders_.rbegin(); folder != createdFolders_.rend(); ++folder)
        RemoveFolderSoon(*folder, attempts);
    createdFolders_.clear();
    // A shortcut goes once the program the shell gave it to has ended (it reads the file and hands the
    // address to the browser), or after a while: a run that only opens sites ends right after it.
    const DWORD started = ::GetTickCount();
    for (std::size_t i = 0; i < shortcutFiles_.size(); ++i) {
        if (i < shortcutReaders_.size() && shortcutReaders_[i]) {
            const DWORD waited = ::GetTickCount() - started;
            ::WaitForSingleObject(shortcutReaders_[i].get(),
                                  waited < kShortcutReaderWaitMs ? kShortcutReaderWaitMs - waited : 0);
        }
        (void)platform::DeleteFileLong(shortcutFiles_[i]);
    }
    shortcutFiles_.clear();
    shortcutReaders_.clear();
    shares_.CancelAll();
}

} // namespace velmora::processing
