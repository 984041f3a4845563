#include "transfer/Downloader.h"

#include <windows.h>

#include <atomic>
#include <vector>

#include "platform/ErrorText.h"
#include "platform/FileSystem.h"
#include "platform/Logger.h"
#include "platform/UniqueHandle.h"
#include "platform/pure/PathRules.h"
#include "platform/pure/Redact.h"
#include "transfer/CredentialSource.h"
#include "transfer/FileDigest.h"
#include "transfer/FileSource.h"
#include "transfer/FtpSource.h"
#include "transfer/HttpSource.h"
#include "transfer/InternetSource.h"
#include "transfer/PartFile.h"
#include "transfer/ProgressSink.h"
#include "transfer/ShareConnections.h"
#include "transfer/TransferSource.h"
#include "transfer/pure/CopyProgressThrottle.h"
#include "transfer/pure/TransferRules.h"

namespace velmora::transfer {

using platform::LogLine;
using platform::UniqueFile;

namespace {

constexpr DWORD kPausePollMs = 10;

// "12029 The connection to the server could not be established" or "0xE0000018 XFER_NOT_FOUND".
std::wstring CodeText(DWORD code) {
    std::wstring_view name = TransferCodeName(code);
    if (!name.empty()) {
        wchar_t hex[16];
        ::wsprintfW(hex, L"0x%08X", code);
        return std::wstring(hex) + L" " + std::wstring(name);
    }
    std::wstring text = std::to_wstring(code);
    std::wstring system = platform::SystemErrorText(code);
    if (!system.empty())
        text += L" " + system;
    return text;
}

void LogFailure(const std::wstring& what, DWORD code) {
    if (platform::LogEnabled())
        LogLine(what + L" Error: " + CodeText(code));
}

// How a transfer ends. Every way out of it is one of these, and Finish() alone tells the log and the sink,
// so each failure is reported once.
struct Ending {
    DWORD code = ERROR_SUCCESS;
    std::wstring failure;     // what failed, for the log; empty when the log has told already
    bool namesTarget = false; // the sink hears the target's file name with the code, else no text
};

Ending Success() {
    return {};
}
Ending Cancel() {
    return {XFER_CANCELLED, {}, false};
}
Ending Failed(DWORD code, std::wstring what) {
    return {code, std::move(what), false};
}
Ending FailedForTarget(DWORD code, std::wstring what = {}) {
    return {code, std::move(what), true};
}

} // namespace

struct Downloader::State {
    State(ProgressSink* progress, CredentialSource* source, NetworkConnector* network)
        : sink(progress), credentials(source != nullptr ? *source : NoCredentials()),
          session([this] { return Cancelled(); }), shares(network != nullptr ? *network : SystemNetwork()) {}

    TransferSettings settings;
    ProgressSink* sink;
    CredentialSource& credentials;
    TransferContext context{settings, sink, credentials};
    std::atomic<bool> aborted{false}; // set by the owner, from any thread

    // The sources close into the session and the shares, so these go after them.
    InternetSession session;
    ShareConnections shares; // connections made are cancelled when the state goes
    std::vector<std::unique_ptr<TransferSource>> sources; // one per URL, in the list's order
    TransferSource* current = nullptr;                    // the source the data comes from
    std::wstring targetPath;
    std::wstring partPath;
    bool allNetwork = true;
    CopyProgressThrottle localProgress;
    DigestKinds digestKinds;
    DigestComputer digester; // of the partial file's bytes so far, while `digesting`
    bool digesting = false;  // false when the digests could not follow the file
    FileDigests digests;     // of the last transfer's target
    SourceReply reply;       // of the source the last transfer's data came from

    bool Cancelled() const { return aborted.load() || (sink != nullptr && sink->IsCancelled()); }
    bool WrongSize(std::uint64_t total) const {
        return settings.expectedSize != 0 && total != 0 && total != settings.expectedSize;
    }
    void CloseAll();
    std::unique_ptr<TransferSource> MakeSource(SourceUrl url);

    Ending Transfer(const std::vector<std::wstring>& urls);
    DWORD Finish(const Ending& ending);
    [[nodiscard]] DWORD ConnectWithFailover(std::uint64_t& offset, std::uint64_t& total);
    Ending Receive(std::uint64_t total, std::uint64_t offset);
    void ReportBytes(DWORD written, std::uint64_t partSize);
    [[nodiscard]] DWORD Reconnect(HANDLE part, std::uint64_t partSize, std::uint64_t& total);
    Ending AdoptWholePartFile(std::uint64_t total);
    // Starts the digest with the first `size` bytes of the open partial file, read once.
    void DigestExistingPart(HANDLE part, std::uint64_t size);
    Ending Promote();
};

void Downloader::State::CloseAll() {
    for (const std::unique_ptr<TransferSource>& source : sources)
        source->Close();
    current = nullptr;
    session.Close();
}

std::unique_ptr<TransferSource> Downloader::State::MakeSource(SourceUrl url) {
    switch (url.scheme) {
    case INTERNET_SCHEME_HTTP:
    case INTERNET_SCHEME_HTTPS:
        return std::make_unique<HttpSource>(std::move(url), session, context);
    case INTERNET_SCHEME_FTP:
        return std::make_unique<FtpSource>(std::move(url), session, context);
    case INTERNET_SCHEME_FILE:
        return std::make_unique<FileSource>(std::move(url), shares, context);
    default:
        return nullptr;
    }
}

DWORD Downloader::State::Finish(const Ending& ending) {
    if (ending.code == ERROR_SUCCESS || ending.code == XFER_CANCELLED)
        return ending.code;
    if (!ending.failure.empty())
        LogFailure(ending.failure, ending.code);
    if (ending.code != XFER_NOT_MODIFIED && sink != nullptr)
        sink->ReportError(ending.namesTarget ? platform::FileName(targetPath) : std::wstring(), ending.code,
                          0);
    return ending.code;
}

Downloader::Downloader(ProgressSink* sink, CredentialSource* credentials, NetworkConnector* network)
    : state_(std::make_unique<State>(sink, credentials, network)) {}

Downloader::~Downloader() {
    state_->CloseAll();
}

void Downloader::SetExpectedSize(std::uint64_t size) {
    state_->settings.expectedSize = size;
}

void Downloader::SetRetryCount(std::int32_t count) {
    if (count >= 0)
        state_->settings.retryCount = static_cast<std::uint32_t>(count);
}

void Downloader::SetResumeAllowed(bool allowed) {
    state_->settings.resumeAllowed = allowed;
}

void Downloader::SetAclOnPartFile(bool enabled) {
    state_->settings.aclOnPartFile = enabled;
}

void Downloader::SetConnectTimeout(std::uint32_t milliseconds) {
    if (milliseconds != 0)
        state_->settings.connectTimeout = milliseconds;
}

void Downloader::SetReceiveTimeout(std::uint32_t milliseconds) {
    if (milliseconds != 0)
        state_->settings.receiveTimeout = milliseconds;
}

void Downloader::SetProxy(std::wstring proxy) {
    state_->settings.proxy = std::move(proxy);
}

void Downloader::SetDigests(DigestKinds kinds) {
    state_->digestKinds = kinds;
}

const FileDigests& Downloader::Digests() const {
    return state_->digests;
}

const SourceReply& Downloader::Reply() const {
    return state_->reply;
}

void Downloader::Abort() {
    state_->aborted.store(true);
}

std::uint32_t Downloader::Download(std::wstring_view url, std::wstring_view targetPath) {
    return DownloadAny({std::wstring(url)}, targetPath);
}

std::uint32_t Downloader::DownloadAny(const std::vector<std::wstring>& urls, std::wstring_view targetPath) {
    State& s = *state_;
    s.CloseAll();
    s.sources.clear();
    s.targetPath.assign(targetPath);
    s.partPath = s.targetPath + L".part";
    s.allNetwork = true;
    s.digests = {};
    s.digesting = false;
    s.reply = {};
    const Ending ending = s.Transfer(urls);
    // Whatever happened, every handle is closed before the call returns.
    s.CloseAll();
    return s.Finish(ending);
}

Ending Downloader::State::Transfer(const std::vector<std::wstring>& urls) {
    if (urls.empty())
        return Failed(ERROR_INTERNET_UNRECOGNIZED_SCHEME, L"No URL to download " + targetPath + L" from.");
    sources.reserve(urls.size());
    for (const std::wstring& url : urls) {
        SourceUrl parts;
        DWORD error = ParseSourceUrl(url, parts);
        std::unique_ptr<TransferSource> source =
            error == ERROR_SUCCESS ? MakeSource(std::move(parts)) : nullptr;
        if (error == ERROR_SUCCESS && !source)
            error = ERROR_INTERNET_UNRECOGNIZED_SCHEME;
        if (error != ERROR_SUCCESS)
            return Failed(error, L"Cannot download from " + platform::RedactUrlCredentials(url) + L".");
        if (source->IsLocal())
            allNetwork = false;
        sources.push_back(std::move(source));
    }

    DWORD error = session.Open(settings);
    if (error != ERROR_SUCCESS)
        return Failed(error, L"Could not open an Internet session.");
    if (!IsAcceptableTarget(targetPath))
        return Failed(XFER_BAD_TARGET, L"The download target is no absolute path: " + targetPath + L".");

    std::uint64_t offset = settings.resumeAllowed ? ExistingFileSize(partPath) : 0;
    std::uint64_t total = 0;
    error = ConnectWithFailover(offset, total);
    // A partial file that the server's file does not outgrow: complete when it has the server's size (a run
    // ended before renaming it), else it cannot be continued and is fetched again from the start.
    if (error == XFER_NOTHING_TO_RESUME && !Cancelled() && !WrongSize(total)) {
        if (total != 0 && total == offset)
            return AdoptWholePartFile(total);
        LogLine(L"The partial file " + partPath + L" (" + std::to_wstring(offset) +
                L" bytes) cannot be continued from the server's file (" + std::to_wstring(total) +
                L" bytes, 0 when not told); the file is fetched again.");
        current->Close();
        (void)platform::DeleteFileLong(partPath);
        offset = 0;
        error = ConnectWithFailover(offset, total);
    }
    if (Cancelled())
        return Cancel();
    // The fail-over has logged why each URL could not be opened.
    if (error != ERROR_SUCCESS && !(error == XFER_NOTHING_TO_RESUME && WrongSize(total)))
        return FailedForTarget(error);
    if (WrongSize(total))
        return FailedForTarget(XFER_WRONG_SIZE, L"The server announces " + std::to_wstring(total) +
                                                    L" bytes for " + current->Url().logged + L", not " +
                                                    std::to_wstring(settings.expectedSize) + L".");
    return Receive(total, offset);
}

DWORD Downloader::State::ConnectWithFailover(std::uint64_t& offset, std::uint64_t& total) {
    MirrorCursor cursor(sources.size(), settings.retryCount);
    const std::uint64_t requested = offset;
    while (true) {
        if (Cancelled())
            return XFER_CANCELLED;
        TransferSource& source = *sources[cursor.Current()];
        if (current != nullptr)
            current->Close();
        current = nullptr;
        std::uint64_t accepted = requested;
        total = 0;
        const DWORD result = source.Open(accepted, total);
        if (result == ERROR_SUCCESS) {
            offset = accepted;
            current = &source;
            reply = source.Reply();
            if (reply.finalUrl.empty())
                reply.finalUrl = source.Url().logged;
            return ERROR_SUCCESS;
        }
        source.Close();
        if (result == XFER_CANCELLED)
            return result;
        if (result == XFER_NOTHING_TO_RESUME) {
            current = &source;
            return result;
        }
        LogFailure(L"Could not open " + source.Url().logged + L".", result);
        if (!cursor.MoveOnAfter(result))
            return result;
    }
}

Ending Downloader::State::Receive(std::uint64_t total, std::uint64_t offset) {
    if (sink != nullptr)
        sink->TransferStarted(1, total, targetPath);
    if (Cancelled())
        return Cancel();

    DWORD error = platform::CreateFolderTree(targetPath, false, nullptr);
    if (error != ERROR_SUCCESS)
        return Failed(error, L"Could not create the folder of " + targetPath + L".");

    UniqueFile part =
        offset == 0 ? CreatePartFile(partPath, settings.aclOnPartFile) : OpenPartFileToAppend(partPath);
    if (!part) {
        error = ::GetLastError();
        if (Cancelled())
            return Cancel();
        return Failed(error, L"Could not open the partial file " + partPath + L".");
    }
    // The server sends from `offset`: the file continues there even if it has grown since it was measured.
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(offset);
    if (!::SetFilePointerEx(part.get(), position, nullptr, FILE_BEGIN) || !::SetEndOfFile(part.get()))
        return Failed(::GetLastError(), L"Could not open the partial file " + partPath + L".");
    if (offset != 0)
        LogLine(L"Resuming the download of " + current->Url().logged + L" at byte " +
                std::to_wstring(offset) + L".");
    if (digestKinds.Any())
        DigestExistingPart(part.get(), offset);
    const bool local = current->IsLocal();
    const std::wstring copyFailure =
        local ? L"Could not copy " + current->Url().localPath + L" to " + partPath + L"." : std::wstring();
    if (local)
        localProgress.Start(total, ::GetTickCount());
    if (sink != nullptr)
        sink->BytesDone(offset);

    std::uint64_t partSize = offset;
    // Reconnects are unbounded while they bring data; without new data only the retry count of them.
    std::uint32_t reconnectsWithoutData = 0;
    const std::uint32_t reconnectLimit = settings.retryCount > 0 ? settings.retryCount : 1;
    while (true) {
        const BYTE* data = nullptr;
        DWORD read = 0;
        error = current->Read(data, read);
        if (error == ERROR_SUCCESS && read != 0) {
            // Never more than the file may have: a server that keeps sending would fill the disk.
            const std::uint64_t limit = TransferLimit(settings.expectedSize, total);
            if (PassesLimit(limit, partSize, read)) {
                part.reset();
                (void)platform::DeleteFileLong(partPath);
                const bool expected = settings.expectedSize != 0;
                return Failed(expected ? XFER_WRONG_SIZE : wincode::InvalidServerResponse,
                              L"The server sent more than the " + std::to_wstring(limit) + L" bytes " +
                                  (expected ? L"expected" : L"it announced") + L" for " +
                                  current->Url().logged + L"; the download is cut off there.");
            }
            DWORD written = 0;
            if (!::WriteFile(part.get(), data, read, &written, nullptr) || written != read) {
                error = ::GetLastError();
                return Failed(error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT,
                              local ? copyFailure : L"Could not write the partial file " + partPath + L".");
            }
            if (digesting)
                digester.Update(data, written);
            partSize += written;
            reconnectsWithoutData = 0;
            ReportBytes(written, partSize);
            if (Cancelled())
                return Cancel();
            continue;
        }
        if (error == XFER_CANCELLED)
            return Cancel();

        if (error != ERROR_SUCCESS) {
            if (local)
                return Failed(error, copyFailure);
            LogFailure(L"Reading " + current->Url().logged + L" failed after " + std::to_wstring(partSize) +
                           L" bytes.",
                       error);
            if (!IsInterruptedRead(error) || !allNetwork || reconnectsWithoutData >= reconnectLimit)
                return Failed(error, {});
        } else {
            const EndOfData end = DecideEndOfData(total, partSize, allNetwork);
            if (end == EndOfData::Complete) {
                part.reset();
                return Promote();
            }
            LogLine(L"The data of " + current->Url().logged + L" ended after " + std::to_wstring(partSize) +
                    L" of " + std::to_wstring(total) + L" bytes.");
            if (end == EndOfData::Incomplete || reconnectsWithoutData >= reconnectLimit)
                return Failed(XFER_INCOMPLETE,
                              L"The download of " + current->Url().logged + L" is incomplete.");
        }

        ++reconnectsWithoutData;
        error = Reconnect(part.get(), partSize, total);
        if (error == XFER_CANCELLED)
            return Cancel();
        if (error != ERROR_SUCCESS)
            return Failed(error,
                          L"Could not resume the download at byte " + std::to_wstring(partSize) + L".");
    }
}

// Each network read is reported; a local file is read so fast that its progress is passed on at most every
// 200 ms.
void Downloader::State::ReportBytes(DWORD written, std::uint64_t partSize) {
    if (sink == nullptr)
        return;
    if (!current->IsLocal()) {
        sink->BytesDone(written);
    } else if (std::optional<std::uint64_t> step = localProgress.Advance(partSize, ::GetTickCount())) {
        sink->BytesDone(*step);
    }
    while (sink->IsPaused() && !Cancelled())
        ::Sleep(kPausePollMs);
}

DWORD Downloader::State::Reconnect(HANDLE part, std::uint64_t partSize, std::uint64_t& total) {
    current->Close();
    ::FlushFileBuffers(part);
    std::uint64_t offset = settings.resumeAllowed ? partSize : 0;
    LogLine(L"Reconnecting to resume at byte " + std::to_wstring(offset) + L".");
    std::uint64_t newTotal = 0;
    const DWORD error = ConnectWithFailover(offset, newTotal);
    if (error != ERROR_SUCCESS)
        return error;
    // Data from anywhere but the partial file's end would be written in the wrong place.
    if (!ReconnectAccepted(partSize, offset))
        return ERROR_INTERNET_TIMEOUT;
    total = newTotal;
    return ERROR_SUCCESS;
}

void Downloader::State::DigestExistingPart(HANDLE part, std::uint64_t size) {
    digester = DigestComputer(digestKinds);
    digesting = true;
    if (size == 0)
        return;
    LARGE_INTEGER position{};
    std::vector<BYTE> block(65536);
    for (std::uint64_t remaining = size; remaining > 0 && digesting;) {
        const DWORD want =
            remaining < block.size() ? static_cast<DWORD>(remaining) : static_cast<DWORD>(block.size());
        DWORD read = 0;
        if (!::SetFilePointerEx(part, position, nullptr, FILE_BEGIN) ||
            !::ReadFile(part, block.data(), want, &read, nullptr) || read == 0) {
            digesting = false; // the file is then read again for its digest
            break;
        }
        digester.Update(block.data(), read);
        position.QuadPart += read;
        remaining -= read;
    }
    position.QuadPart = static_cast<LONGLONG>(size);
    if (!::SetFilePointerEx(part, position, nullptr, FILE_BEGIN))
        digesting = false;
}

Ending Downloader::State::AdoptWholePartFile(std::uint64_t total) {
    LogLine(L"The partial file " + partPath + L" already holds all " + std::to_wstring(total) + L" bytes.");
    current->Close();
    if (digestKinds.Any()) {
        UniqueFile part = OpenPartFileToAppend(partPath);
        if (part)
            DigestExistingPart(part.get(), total);
    }
    if (sink != nullptr) {
        sink->TransferStarted(1, total, targetPath);
        sink->BytesDone(total);
    }
    return Promote();
}

Ending Downloader::State::Promote() {
    const DWORD error = PromotePartFile(partPath, targetPath);
    if (error != ERROR_SUCCESS)
        return Failed(error, L"Could not rename " + partPath + L" to " + targetPath + L".");
    if (digesting)
        digests = digester.Finish();
    digesting = false;
    if (sink != nullptr)
        sink->Completed(1, 0);
    return Success();
}

} // namespace velmora::transfer
