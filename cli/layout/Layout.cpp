#include "cli/layout/Layout.h"

#include <windows.h>

#include "acquisition/FileDigest.h"
#include "acquisition/ProcessingEngine.h"
#include "acquisition/ProgressSink.h"
#include "acquisition/pure/TransferRules.h"
#include "cli/pure/TextCodec.h"
#include "core/ConfigurationFile.h"
#include "core/machine/FolderProperties.h"
#include "core/pure/Configuration.h"
#include "core/pure/IniDocument.h"
#include "detection/pure/LocalPath.h"
#include "platform/ErrorText.h"
#include "platform/FileSystem.h"
#include "platform/pure/PathRules.h"

namespace velmora::cli {

namespace {

std::wstring FullPath(const std::wstring& path) {
    const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return path;
    std::wstring full(needed, L'\0');
    const DWORD written = ::GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (written == 0 || written >= needed)
        return path;
    full.resize(written);
    return full;
}

// The machine's properties, with [SETUPEXEDIR] naming the kit folder: the chainer would sit there.
class KitProperties final : public core::PropertySource {
public:
    explicit KitProperties(std::wstring kitFolder) : kitFolder_(std::move(kitFolder)) {}

    bool FolderProperty(std::wstring_view name, bool use64BitView, std::wstring& folder) const override {
        if (name == L"SETUPEXEDIR") {
            folder = kitFolder_;
            return true;
        }
        return core::MachineProperties().FolderProperty(name, use64BitView, folder);
    }
    std::wstring EnvironmentValue(std::wstring_view name) const override {
        return core::MachineProperties().EnvironmentValue(name);
    }
    std::wstring RegistryValue(std::wstring_view path, bool use64BitView) const override {
        return core::MachineProperties().RegistryValue(path, use64BitView);
    }
    std::wstring TempFolder() const override { return core::MachineProperties().TempFolder(); }

private:
    std::wstring kitFolder_;
};

// "12029 The connection with the server could not be established" or "0xE0000018 XFER_NOT_FOUND", as the
// transfer engine's log lines name a code.
std::wstring CodeText(std::uint32_t code) {
    if (const std::wstring_view name = acquisition::TransferCodeName(code); !name.empty()) {
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

bool StartsWithIgnoringCase(std::wstring_view text, std::wstring_view prefix) {
    return text.size() >= prefix.size() &&
           ::CompareStringOrdinal(text.data(), static_cast<int>(prefix.size()), prefix.data(),
                                  static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
}

// The transfer's progress for the observer: bytes from the file's first one, and what this transfer
// brought in how long, for its speed.
class ProgressLines final : public acquisition::ProgressSink {
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

struct KitLayout::Kit {
    explicit Kit(const std::wstring& folder) : properties(folder) {}
    KitProperties properties;
    core::Configuration configuration; // resolves through properties
};

KitLayout::KitLayout() = default;
KitLayout::~KitLayout() = default;

LayoutOpening KitLayout::Open(const std::wstring& configurationPath, std::string& error) {
    const std::wstring path = FullPath(configurationPath);
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes) ||
        (attributes.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        error = "no such file: " + ToUtf8(path);
        return LayoutOpening::Unreadable;
    }
    std::wstring text;
    if (!core::ReadConfigurationText(path, attributes.nFileSizeLow, text)) {
        error = "cannot read " + ToUtf8(path);
        return LayoutOpening::Unreadable;
    }
    report_ = LayoutReport();
    report_.configurationPath = path;
    report_.kitFolder = platform::WithTrailingBackslash(platform::ParentFolder(path));
    kit_ = std::make_unique<Kit>(report_.kitFolder);
    core::IniDocument document;
    if (!text.empty())
        document.Parse(text);
    core::Configuration& configuration = kit_->configuration;
    configuration.Load(document, kit_->properties);
    // A relative download folder lies below the chainer's folder, which start-up makes current.
    ::SetCurrentDirectoryW(report_.kitFolder.c_str());

    const std::wstring configured = configuration.DownloadFolder;
    report_.downloadFolder = platform::WithTrailingBackslash(FullPath(configuration.GetDownloadFolder()));
    if (!FolderIsInKit(report_.downloadFolder, report_.kitFolder)) {
        error = ToUtf8(OutsideKitText(report_.downloadFolder, configured, report_.kitFolder));
        return LayoutOpening::OutsideKit;
    }

    const auto& prerequisites = configuration.Prerequisites;
    for (std::size_t i = 0; i < prerequisites.size(); ++i) {
        const core::PrerequisiteRecord& record = prerequisites[i];
        if (record.SourceKind != core::SourceKey::Url) {
            ++report_.withoutUrl;
            continue;
        }
        LayoutFile file;
        file.number = static_cast<int>(i) + 1;
        file.name = record.Name;
        file.url = record.Source;
        file.exactSize = record.ExactSize;
        file.md5 = !record.MD5.empty();
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
    const auto& prerequisites = kit_->configuration.Prerequisites;
    for (std::size_t position = 0; position < report_.files.size(); ++position) {
        LayoutFile& file = report_.files[position];
        observer.Starting(file, position + 1, report_.files.size());
        if (file.outcome == LayoutOutcome::NotLaidOut) {
            observer.Done(file);
            continue;
        }
        const core::PrerequisiteRecord& record = prerequisites.at(static_cast<std::size_t>(file.number) - 1);
        // A Folder with ".." could lead out of the kit, where the layout would not travel with it.
        if (!platform::IsInsideFolder(file.path, report_.kitFolder)) {
            file.outcome = LayoutOutcome::Failed;
            file.detail = L"Folder " + record.Folder + L" leads out of the kit";
        } else if (IsFile(file.path) &&
                   acquisition::DownloadedFileAccepted(file.path, record.ExactSize, record.MD5)) {
            file.outcome = LayoutOutcome::InPlace;
            file.size = FileSize(file.path);
        } else if (check) {
            const bool there = IsFile(file.path);
            const std::uint64_t part = there ? 0 : FileSize(file.path + L".part");
            file.outcome = there ? LayoutOutcome::Mismatch : LayoutOutcome::Missing;
            file.size = there ? FileSize(file.path) : 0;
            file.detail = there       ? L"its size or digest is not the one the kit gives"
                          : part != 0 ? L"a partial file of " + ByteCount(part) +
                                            L" waits beside it: lay the kit out again to finish it"
                                      : std::wstring();
        } else {
            // The processing engine's own transfer; a file in the way that failed its check is replaced.
            ProgressLines progress(observer);
            acquisition::DownloaderTransfer transfer;
            std::string digest;
            const std::uint64_t started = ::GetTickCount64();
            const std::uint32_t result = transfer.Download(file.url, file.path, record.ExactSize, &progress,
                                                           record.MD5.empty() ? nullptr : &digest);
            file.milliseconds = ::GetTickCount64() - started;
            if (result != 0) {
                file.outcome = LayoutOutcome::Failed;
                file.error = result;
                file.detail = result == acquisition::XFER_CANCELLED ? L"stopped; the partial file stays for "
                                                                      L"the next layout to continue"
                                                                    : CodeText(result);
            } else if (acquisition::DownloadedFileAccepted(file.path, record.ExactSize, record.MD5, digest)) {
                file.outcome = LayoutOutcome::Downloaded;
                file.size = FileSize(file.path);
            } else {
                // As the chainer does with a download that fails its check: it is not kept.
                file.size = FileSize(file.path);
                (void)platform::DeleteFileLong(file.path);
                file.outcome = LayoutOutcome::Mismatch;
                file.detail = L"the server sent " + ByteCount(file.size) +
                              L" whose size or digest is not the one the kit gives; it was deleted";
            }
        }
        observer.Done(file);
    }
}

} // namespace velmora::cli
