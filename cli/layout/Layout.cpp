#include "cli/layout/Layout.h"

#include <windows.h>

#include <optional>

#include "cli/Kit.h"
#include "cli/pure/TextCodec.h"
#include "detection/pure/LocalPath.h"
#include "platform/ErrorText.h"
#include "platform/FileSystem.h"
#include "platform/GrowBuffer.h"
#include "platform/pure/PathRules.h"
#include "processing/ProcessingEngine.h"
#include "transfer/FileVerification.h"
#include "transfer/ProgressSink.h"
#include "transfer/pure/TransferRules.h"

namespace velmora::cli {

namespace {

// "12029 The connection with the server could not be established" or "0xE0000018 XFER_NOT_FOUND", as the
// transfer engine's log lines name a code.
std::wstring CodeText(std::uint32_t code) {
    if (const std::wstring_view name = transfer::TransferCodeName(code); !name.empty()) {
        wchar_t hex[16];
        ::wsprintfW(hex, L"0x%08X", code);
        return std::wstring(hex) + L" " + std::wstring(name);
    }
    std::wstring text = std::to_wstring(code);
    if (const std::wstring system = platform::SystemErrorText(code); !system.empty())
        text += L" " + system;
    return text;
}

std::uint64_t FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(platform::ToLongPath(path).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return 0;
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool IsFile(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(platform::ToLongPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Which check a file failed, as the chainer's log names it.
std::wstring CheckFailure(const transfer::FileVerification& result) {
    using transfer::FileVerdict;
    switch (result.verdict) {
    case FileVerdict::Unreadable:
        return L"it cannot be read for its check: " + CodeText(result.error);
    case FileVerdict::NotSigned:
        return L"it is not signed (SignerThumbprint)";
    case FileVerdict::SignatureBroken:
        return L"its signature is broken: it was changed after it was signed (SignerThumbprint)";
    case FileVerdict::OtherSigner:
        return L"it is signed by another certificate: " + result.signerSubject + L" (SignerThumbprint)";
    case FileVerdict::ChainNotTrusted:
        return L"its signer's certificate is not trusted by this machine (SignerThumbprint)";
    case FileVerdict::SignatureNotChecked:
        return L"its signature could not be checked (SignerThumbprint)";
    default:
        return L"it does not match its " + transfer::FailedKey(result.verdict);
    }
}

bool StartsWithIgnoringCase(std::wstring_view text, std::wstring_view prefix) {
    return text.size() >= prefix.size() &&
           ::CompareStringOrdinal(text.data(), static_cast<int>(prefix.size()), prefix.data(),
                                  static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
}

// The transfer's progress for the observer: bytes from the file's first one, and what this transfer
// brought in how long, for its speed.
class ProgressLines final : public transfer::ProgressSink {
public:
    explicit ProgressLines(LayoutObserver& observer) : observer_(observer) {}

    void Begin(std::uint64_t, std::uint32_t) override {}
    void TransferStarted(std::uint32_t, std::uint64_t totalBytes, std::wstring_view) override {
        total_ = totalBytes;
        done_ = 0;
        startDone_ = 0;
        started_ = false;
        startTick_ = ::GetTickCount64();
    }
    void Completed(std::uint32_t, std::uint32_t) override {}
    // The first report of a transfer is where it starts: a continued partial file's size.
    void BytesDone(std::uint64_t count) override {
        done_ += count;
        if (!started_) {
            started_ = true;
            startDone_ = done_;
            startTick_ = ::GetTickCount64();
        }
        observer_.Progress(ProgressLine(done_, total_, done_ - startDone_, ::GetTickCount64() - startTick_));
    }
    bool IsCancelled() override { return observer_.Stopped(); }
    bool IsPaused() override { return false; }
    // Failures end the transfer; the caller reports its code.
    std::uint32_t ReportError(std::wstring_view, std::uint32_t, std::uintptr_t) override { return 1; }
    void SetStatus(std::wstring_view, std::uint32_t, std::uint32_t) override {}

private:
    LayoutObserver& observer_;
    std::uint64_t total_ = 0;
    std::uint64_t done_ = 0;
    std::uint64_t startDone_ = 0;
    std::uint64_t startTick_ = 0;
    bool started_ = false;
};

} // namespace

KitLayout::KitLayout() : kit_(std::make_unique<Kit>()) {}
KitLayout::~KitLayout() = default;

LayoutOpening KitLayout::Open(const std::wstring& configurationPath, std::string& error) {
    report_ = LayoutReport();
    if (!kit_->Load(configurationPath, error))
        return LayoutOpening::Unreadable;
    report_.configurationPath = kit_->ConfigurationPath();
    report_.kitFolder = kit_->Folder();
    config::Configuration& configuration = kit_->Configuration();
    // A relative download folder lies below the kit folder, which is the current one now, as in a run.
    report_.downloadFolder =
        platform::WithTrailingBackslash(platform::FullPath(configuration.GetDownloadFolder()));
    if (!FolderIsInKit(report_.downloadFolder, report_.kitFolder)) {
        error = ToUtf8(
            OutsideKitText(report_.downloadFolder, kit_->ConfiguredDownloadFolder(), report_.kitFolder));
        return LayoutOpening::OutsideKit;
    }

    const auto& prerequisites = configuration.Prerequisites;
    for (std::size_t i = 0; i < prerequisites.size(); ++i) {
        const config::PrerequisiteRecord& record = prerequisites[i];
        if (record.SourceKind != config::SourceKey::Url) {
            ++report_.withoutUrl;
            continue;
        }
        LayoutFile file;
        file.number = static_cast<int>(i) + 1;
        file.name = record.Name;
        file.url = record.Source;
        file.exactSize = record.ExactSize;
        file.md5 = !record.MD5.empty();
        file.sha256 = !record.SHA256.empty();
        file.signer = !record.SignerThumbprint.empty();
        if (detection::IsFileUrlSource(record.Source)) {
            file.outcome = LayoutOutcome::NotLaidOut;
        } else {
            file.path = detection::LocalPathFor(report_.downloadFolder, record.Source, record.Folder);
            file.relativePath = StartsWithIgnoringCase(file.path, report_.kitFolder)
                                    ? file.path.substr(report_.kitFolder.size())
                                    : file.path;
        }
        report_.files.push_back(std::move(file));
    }
    return LayoutOpening::Opened;
}

void KitLayout::Run(bool check, LayoutObserver& observer) {
    report_.check = check;
    const auto& prerequisites = kit_->Configuration().Prerequisites;
    for (std::size_t position = 0; position < report_.files.size(); ++position) {
        LayoutFile& file = report_.files[position];
        observer.Starting(file, position + 1, report_.files.size());
        if (file.outcome == LayoutOutcome::NotLaidOut) {
            observer.Done(file);
            continue;
        }
        const config::PrerequisiteRecord& record =
            prerequisites.at(static_cast<std::size_t>(file.number) - 1);
        // The chainer's own check of a download (transfer/FileVerification.h).
        const transfer::FileChecks checks = transfer::ChecksOf(record);
        // A Folder with ".." could lead out of the kit, where the layout would not travel with it.
        if (!platform::IsInsideFolder(file.path, report_.kitFolder)) {
            file.outcome = LayoutOutcome::Failed;
            file.detail = L"Folder " + record.Folder + L" leads out of the kit";
            observer.Done(file);
            continue;
        }
        const bool there = IsFile(file.path);
        std::wstring refusal;
        if (there) {
            // Plain only, as the chainer takes a file found in place: never through a link or a second name.
            const transfer::VerifiedFile found(file.path, checks, transfer::VerifyOptions{true, {}});
            if (found.Accepted()) {
                file.outcome = LayoutOutcome::InPlace;
                file.size = FileSize(file.path);
                observer.Done(file);
                continue;
            }
            refusal = found.Plain() ? CheckFailure(found.Result()) : L"it is a link or has another name";
        }
        if (check) {
            const std::uint64_t part = there ? 0 : FileSize(file.path + L".part");
            file.outcome = there ? LayoutOutcome::Mismatch : LayoutOutcome::Missing;
            file.size = there ? FileSize(file.path) : 0;
            file.detail = there       ? refusal
                          : part != 0 ? L"a partial file of " + ByteCount(part) +
                                            L" waits beside it: lay the kit out again to finish it"
                                      : std::wstring();
        } else {
            // The processing engine's own transfer; a file in the way that failed its check is replaced.
            ProgressLines progress(observer);
            processing::DownloaderTransfer downloads;
            processing::TransferReceipt receipt;
            const std::uint64_t started = ::GetTickCount64();
            const std::uint32_t result = downloads.Download(file.url, file.path, record.ExactSize,
                                                           checks.Digests(), &progress, receipt);
            file.milliseconds = ::GetTickCount64() - started;
            if (result != 0) {
                file.outcome = LayoutOutcome::Failed;
                file.error = result;
                file.detail = result == transfer::XFER_CANCELLED ? L"stopped; the partial file stays for "
                                                                   L"the next layout to continue"
                                                                 : CodeText(result);
            } else {
                std::optional<transfer::VerifiedFile> fetched(
                    std::in_place, file.path, checks, transfer::VerifyOptions{false, receipt.digests});
                file.size = FileSize(file.path);
                if (fetched->Accepted()) {
                    file.outcome = LayoutOutcome::Downloaded;
                } else {
                    // What arrived tells a replaced file from an error or sign-in page sent with status 200.
                    transfer::ReceivedFile received = fetched->Received();
                    received.contentType = receipt.reply.contentType;
                    received.finalUrl = receipt.reply.finalUrl;
                    file.outcome = LayoutOutcome::Mismatch;
                    file.detail = CheckFailure(fetched->Result()) + L"; it was deleted. " +
                                  transfer::TriageLine(received);
                    // As the chainer does with a download that fails its check: it is not kept.
                    fetched.reset();
                    (void)platform::DeleteFileLong(file.path);
                }
            }
        }
        observer.Done(file);
    }
}

} // namespace velmora::cli
