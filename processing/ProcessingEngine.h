// The processing engine: carries the selected prerequisites through the download, open-site and install
// phases, in configuration order, and offers the final check, the reboot outcome and the cleanup of
// downloads to the main flow. It is also a ProgressSink for steps that take one (cancel queries go to the
// sink of the last download phase).
//
// How it works: each phase first computes its work as data (processing/pure/ProcessingPlan.h), then
// carries it out: transfers through FileTransfer, launches through the launch list, which records each exit
// code in the interboot store and asks for the reboot a prerequisite calls for. In basic-UI mode the phases
// run on the processing window's worker thread while the window's thread only sets abortRequested; the
// flag is atomic and read between launches. The phases show no window themselves: the reboot question and
// the notice after a site was opened go to the sink, which the processing window answers on its own thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "config/InterbootStore.h"
#include "config/pure/Configuration.h"
#include "detection/pure/Evaluation.h"
#include "detection/pure/EvaluatorDetection.h"
#include "execution/ExtractionContext.h"
#include "execution/LaunchList.h"
#include "platform/SecureFolder.h"
#include "platform/UniqueHandle.h"
#include "processing/ProcessingPhases.h"
#include "processing/pure/ProcessingPlan.h"
#include "transfer/CredentialSource.h"
#include "transfer/FileVerification.h"
#include "transfer/ProgressSink.h"
#include "transfer/ShareConnections.h"

namespace velmora::processing {

// What a transfer gave besides its result: the digests asked for, computed while the file was written
// (empty when they could not be), and what the source said about the data.
struct TransferReceipt {
    transfer::FileDigests digests;
    transfer::SourceReply reply;
};

// One download of a URL to a local path, reporting to the sink (absent in silent runs). Returns 0 or the
// transfer's error code. The transfer engine implements it.
class FileTransfer {
public:
    virtual ~FileTransfer() = default;
    [[nodiscard]] virtual std::uint32_t Download(std::wstring_view url, std::wstring_view targetPath,
                                                 std::uint64_t expectedSize, transfer::DigestKinds digests,
                                                 transfer::ProgressSink* sink, TransferReceipt& receipt) = 0;
};

// The transfer engine itself: each download is one Downloader reporting to the phase's sink, with the
// credentials of the given source (none but those in the URLs when it is null).
class DownloaderTransfer final : public FileTransfer {
public:
    explicit DownloaderTransfer(transfer::CredentialSource* credentials = nullptr)
        : credentials_(credentials) {}
    [[nodiscard]] std::uint32_t Download(std::wstring_view url, std::wstring_view targetPath,
                                         std::uint64_t expectedSize, transfer::DigestKinds digests,
                                         transfer::ProgressSink* sink, TransferReceipt& receipt) override;

private:
    transfer::CredentialSource* credentials_;
};

// Step texts and the notice after a site was opened; the defaults come from the string table.
struct ProcessingTexts {
    std::wstring download;   // string 199 "Downloading %s"
    std::wstring install;    // string 153 "Installing %s"
    std::wstring openSite;   // string 198 "Opening site of %s"
    std::wstring siteNotice; // string 200: what to do on the page; a supplied text is kept
};
ProcessingTexts DefaultProcessingTexts();

struct ProcessingEngineParts {
    config::Configuration& configuration;
    detection::PrerequisiteEvaluator& evaluator;
    const execution::ExtractionContext& extraction;
    config::InterbootStore& store;
    FileTransfer& fileTransfer;
    // Null: the system restarts for real.
    execution::SystemRestart* restart = nullptr;
    // Asked when a share refuses the logon before a launch from it; null: no credentials but the URL's.
    transfer::CredentialSource* credentials = nullptr;
};

class ProcessingEngine final : public ProcessingPhases, public transfer::ProgressSink {
public:
    // Everything the parts name must outlive the engine.
    explicit ProcessingEngine(const ProcessingEngineParts& parts);
    ~ProcessingEngine() override;

    // PrerequisiteEvaluator::ActionOf. An index outside the list throws std::out_of_range.
    detection::ProcessingAction ActionOf(std::size_t index);
    bool IsPrerequisiteDetected(std::size_t index);

    // ProcessingPhases.
    void HandOverSelection() override;
    [[nodiscard]] std::uint32_t DownloadAll(transfer::ProgressSink* sink) override;
    void OpenSites(transfer::ProgressSink* sink) override;
    [[nodiscard]] std::uint32_t InstallAll(transfer::ProgressSink* sink) override;
    void ReevaluateAll() override;
    bool AllMandatoryDone() override;
    WindowResult RunProcessingWindow(std::wstring_view title) override;
    bool RebootRequired() const override;
    bool RebootRefused() const override;
    bool RebootInProgress() const override { return abortRequested_.load(); }
    void Cleanup() override;

    // Windows is ending the session: the install phase stops before its next prerequisite.
    void RequestAbort() { abortRequested_.store(true); }

    // ProgressSink face for steps that take a sink.
    void Begin(std::uint64_t, std::uint32_t) override {}
    void TransferStarted(std::uint32_t, std::uint64_t, std::wstring_view) override {}
    void Completed(std::uint32_t, std::uint32_t) override {}
    void BytesDone(std::uint64_t) override {}
    bool IsCancelled() override;
    bool IsPaused() override;
    std::uint32_t ReportError(std::wstring_view, std::uint32_t, std::uintptr_t) override { return 0; }
    void SetStatus(std::wstring_view, std::uint32_t, std::uint32_t) override {}

    // An empty site notice gets the string table's: a notice without a body leaves the person at the machine
    // guessing what the opened page is for.
    void SetTexts(ProcessingTexts texts);
    // The selection list last handed over; the engine has no receiver for it.
    const std::wstring& HandedOverSelection() const { return selection_; }
    const std::vector<DownloadItem>& DownloadItems() const { return items_; }
    const std::vector<std::wstring>& DeleteList() const { return deleteList_; }
    const std::vector<std::wstring>& CreatedFolders() const { return createdFolders_; }
    // The Internet shortcut files the open-site phase wrote; deleted at cleanup.
    const std::vector<std::wstring>& ShortcutFiles() const { return shortcutFiles_; }
    std::uint32_t LastTransferResult() const { return lastTransferResult_; }
    // Mandatory prerequisites still needing work, counted after each ReevaluateAll.
    std::size_t PendingMandatoryCount() const { return pendingMandatory_; }

private:
    static constexpr std::uint32_t kContinue = 0xFFFFFFFFu;

    ActionSource Actions();
    bool IsMandatory(std::size_t index) const;
    bool DownloadItemAt(DownloadItem& item);
    // Looks at the configured download folder and the folders on the way to it, before anything found
    // there is trusted or anything is written there.
    void InspectDownloadFolder();
    // Makes the folder new downloads go to, once: the configured one when it is trusted or missing (made
    // with an access list of its own), else a new folder in the temporary folder. False when none could
    // be made; the error is kept for the download that needed it.
    bool PrepareDownloadFolder();
    // Downloads found in place are used only when they are what the kit describes and no other account
    // can have left them: with a digest or signer that matches (they are then held until their launch),
    // or, without one, a file of this account, the administrators or the system in a trusted folder. Never
    // through a link. The rest is fetched again.
    void RecheckDownloadsInPlace();
    // A partial file without a digest or signer to check the result against is continued only when it is
    // trusted.
    void DiscardUntrustedPartFile(const DownloadItem& item);
    // The lines that say why a checked file was refused, after the caller's own: the failed signature
    // check's, and what was received (with what the server said, when the file was just downloaded).
    void LogRefusal(const config::PrerequisiteRecord& prerequisite, const transfer::VerifiedFile& file,
                    const transfer::SourceReply* reply = nullptr);
    // The phase result a launch outcome asks for, or kContinue.
    [[nodiscard]] std::uint32_t AfterLaunch(execution::LaunchOutcome outcome,
                                            const execution::LaunchItem& item, transfer::ProgressSink* sink);
    // A file refused right before its launch: it could not be opened, a check failed, or it is no plain
    // file.
    // The file is let go before it is deleted.
    void RejectBeforeLaunch(const execution::LaunchItem& item, std::unique_ptr<transfer::VerifiedFile> file);
    // The download folder's own trust after InspectDownloadFolder: trusted, or missing (made by this run).
    bool DownloadFolderTrusted() const;
    // A file URL on a share: the share is connected before the launch, with the URL's user when it has
    // one, and with credentials asked for when the share refuses the logon.
    void ConnectShareOf(const config::PrerequisiteRecord& prerequisite, const std::wstring& path,
                        transfer::ProgressSink* sink);

    config::Configuration& configuration_;
    detection::PrerequisiteEvaluator& evaluator_;
    const execution::ExtractionContext& extraction_;
    FileTransfer& transfer_;
    transfer::CredentialSource& credentials_;
    detection::EvaluatorDetection detection_;
    std::unique_ptr<execution::LaunchList> launchList_;
    ProcessingTexts texts_;
    std::wstring downloadFolder_;  // where new downloads go
    std::wstring foundFolder_;     // the configured folder, where the evaluation looked for downloads
    std::wstring foundFolderPath_; // the same as a full path
    std::wstring downloadAnchor_;  // the folders below it were inspected: the temporary folder, or the parent
    platform::FolderInspection inspection_;
    bool inspected_ = false;
    bool downloadFolderReady_ = false;
    std::uint32_t downloadFolderError_ = 0;
    std::vector<bool> foundInPlace_; // by prerequisite: launched from foundFolder_, where it was found
    std::wstring selection_;
    std::vector<DownloadItem> items_;
    std::vector<std::wstring> deleteList_;
    std::vector<std::wstring> createdFolders_;
    std::vector<std::wstring> shortcutFiles_;
    std::vector<platform::UniqueKernelHandle> shortcutReaders_; // one per shortcut; empty when none
    // Downloads accepted in this run or found in place with a digest or signer, held from their check to
    // their launch: prerequisite index -> file.
    std::map<std::size_t, std::unique_ptr<transfer::VerifiedFile>> heldDownloads_;
    transfer::ShareConnections shares_;
    transfer::ProgressSink* downloadSink_ = nullptr;
    std::uint32_t lastTransferResult_ = 0;
    std::size_t pendingMandatory_ = 0;
    std::atomic<bool> abortRequested_{false};
};

} // namespace velmora::processing
