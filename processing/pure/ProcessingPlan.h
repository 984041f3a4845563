// The decisions of the processing sequence, as data: which prerequisites the download phase fetches, which
// sites the open-site phase opens, which files the install phase launches with which command line and
// reboot mode, the step texts, the selection list and the final result of the processing window. No
// Windows header: processing/ProcessingEngine.h carries them out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "config/pure/Configuration.h"
#include "detection/pure/Evaluation.h"
#include "execution/pure/LaunchRules.h"
#include "processing/pure/RunOutcome.h"
#include "transfer/pure/MismatchTriage.h"

namespace velmora::processing {

// Codes the processing sequence hands to ProgressSink::ReportError.
inline constexpr std::uint32_t PROCESS_FILE_REJECTED = 0xE0000022u;
inline constexpr std::uint32_t PROCESS_MANDATORY_FAILED = 0xE0000024u;
inline constexpr std::uint32_t PROCESS_REBOOT_STARTED = 0xE0000025u;

// Phase results besides 0.
inline constexpr std::uint32_t kPhaseCancelled = 1602; // ERROR_INSTALL_USEREXIT
inline constexpr std::uint32_t kPhaseFailed = 1603;    // ERROR_INSTALL_FAILURE

// SetStatus kind: the next step begins.
inline constexpr std::uint32_t kStatusNextStep = 9;
// Completed kinds.
inline constexpr std::uint32_t kCompletedTransfer = 1;
inline constexpr std::uint32_t kCompletedSequence = 0;

// One prerequisite of the current download phase.
struct DownloadItem {
    std::wstring url;               // the record's Source
    std::uint64_t expectedSize = 0; // ExactSize; 0 is not compared
    transfer::FileDigests digests;  // computed while the file was written; empty when none
    transfer::SourceReply reply;    // what the server said about the data
    std::wstring localPath;         // computed when the item is downloaded
    std::uint32_t status = 4;       // 4 until a transfer succeeds, then 0
    std::size_t index = 0;          // position in the prerequisite list
    std::wstring folder;            // the record's Folder
};

// The action of the prerequisite at an index (PrerequisiteEvaluator::ActionOf).
using ActionSource = std::function<detection::ProcessingAction(std::size_t)>;

// One item per prerequisite whose action is Download, in list order.
std::vector<DownloadItem> BuildDownloadItems(const std::vector<config::PrerequisiteRecord>& prerequisites,
                                             const ActionSource& actionOf);

// Indexes of the prerequisites whose action is OpenSite, in list order.
std::vector<std::size_t> OpenSiteIndexes(std::size_t count, const ActionSource& actionOf);

// The file a prerequisite with action InstallDownloaded launches: the file a file URL names where it lies,
// else the download at LocalPathFor(downloadFolder, Source, Folder).
std::wstring LaunchPathOfDownload(std::wstring_view downloadFolder,
                                  const config::PrerequisiteRecord& prerequisite);

// The launch items of the install phase, in list order: InstallFromPackage launches the located SetupFile,
// InstallDownloaded the downloaded file (LaunchPathOfDownload); other actions launch nothing.
using SetupFileLocator = std::function<std::wstring(std::wstring_view setupFile)>;
std::vector<execution::LaunchItem> BuildLaunchItems(const config::Configuration& configuration,
                                                    const ActionSource& actionOf,
                                                    const SetupFileLocator& locateSetupFile,
                                                    std::wstring_view downloadFolder);

// A step text: the format's "%s" filled with the prerequisite's name.
std::wstring StepText(std::wstring_view format, std::wstring_view name);

// The 0-based indexes of the selected prerequisites, separated by commas ("0,2"); empty when none is.
std::wstring SelectionText(const std::vector<config::PrerequisiteRecord>& prerequisites);

// KeepFiles "complete" and "prereqs" keep downloaded prerequisites after the run.
bool KeepsDownloads(config::KeepFilesMode mode);

// Mandatory prerequisites ("m") whose state still asks for work (detection::NeedsWork).
std::size_t CountPendingMandatory(const std::vector<config::PrerequisiteRecord>& prerequisites);

// The Internet shortcut file that opens a site, as 8-bit text. The URL ends at its first line break: a
// value that carries one must not add lines of its own to the file.
std::string InternetShortcutText(std::string_view url);

// How the processing window ends once the sequence completed: Cancelled when a reboot was started, else
// AllDone when every mandatory prerequisite is done (asked only then), else MandatoryMissing.
WindowResult WindowResultAfterCompletion(bool rebootStarted, const std::function<bool()>& allMandatoryDone);

} // namespace velmora::processing
