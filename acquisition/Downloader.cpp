#include "acquisition/Downloader.h"

#include <windows.h>
#include <wininet.h>

#include <atomic>

#include "acquisition/AsyncInternet.h"
#include "acquisition/CredentialSource.h"
#include "acquisition/PartFile.h"
#include "acquisition/ProgressSink.h"
#include "acquisition/ShareConnections.h"
#include "acquisition/pure/TransferRules.h"
#include "platform/ErrorText.h"
#include "platform/FileSystem.h"
#include "platform/GrowBuffer.h"
#include "platform/Logger.h"
#include "platform/UniqueHandle.h"
#include "platform/core/ExceptionHandling.h"
#include "platform/pure/PathRules.h"
#include "platform/pure/Redact.h"

namespace velmora::acquisition {

using platform::UniqueFile;
using platform::UniqueInternet;

namespace {

constexpr DWORD kReadBufferSize = 51200;
constexpr DWORD kCancelPollMs = 10;

constexpr DWORD kHttpRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                    INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP |
                                    INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
static_assert(kHttpRequestFlags == 0x8440C000, "request flags as every server has seen them");

enum class SourceKind { Network, Local };

struct UrlParts {
    std::wstring logged; // the URL with any credentials redacted
    INTERNET_SCHEME scheme = INTERNET_SCHEME_UNKNOWN;
    std::wstring host;
    INTERNET_PORT port = 0;
    std::wstring user;
    std::wstring password;
    std::wstring pathAndExtra;
    std::wstring localPath; // file URLs
};

const wchar_t* OrNull(const std::wstring& text) {
    return text.empty() ? nullptr : text.c_str();
}

std::uintptr_t HandleContext(HINTERNET handle) {
    return reinterpret_cast<std::uintptr_t>(handle);
}

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
        platform::TheLogger().Log(what + L" Error: " + CodeText(code));
}

void LogNote(const std::wstring& text) {
    if (platform::LogEnabled())
        platform::TheLogger().Log(text);
}

// Splits without copying into fixed buffers, so no part has a length limit.
// OS quirk (Wine 8): given a buffer for the path of a file URL, InternetCrackUrlW copies the path into a
// MAX_PATH array on its stack whatever its length; pointer mode never takes that branch.
DWORD CrackUrl(const std::wstring& url, UrlParts& parts) {
    if (url.empty())
        return ERROR_INTERNET_INVALID_URL;
    URL_COMPONENTSW c{};
    c.dwStructSize = sizeof c;
    c.dwSchemeLength = c.dwHostNameLength = c.dwUserNameLength = c.dwPasswordLength = c.dwUrlPathLength =
        c.dwExtraInfoLength = 1;
    if (!::InternetCrackUrlW(url.c_str(), static_cast<DWORD>(url.size()), 0, &c))
        return ::GetLastError();
    auto part = [](const wchar_t* text, DWORD length) {
        return text == nullptr ? std::wstring() : std::wstring(text, length);
    };
    parts.logged = platform::RedactUrlCredentials(url);
    parts.scheme = c.nScheme;
    parts.host = part(c.lpszHostName, c.dwHostNameLength);
    parts.port = c.nPort;
    parts.user = part(c.lpszUserName, c.dwUserNameLength);
    parts.password = part(c.lpszPassword, c.dwPasswordLength);
    parts.pathAndExtra = part(c.lpszUrlPath, c.dwUrlPathLength) + part(c.lpszExtraInfo, c.dwExtraInfoLength);
    if (parts.scheme == INTERNET_SCHEME_FILE)
        parts.localPath = FileUrlPath(url);
    return ERROR_SUCCESS;
}

DWORD QueryHeaderText(HINTERNET request, DWORD info, std::wstring& text) {
    return platform::CallWithGrowingBuffer(
        text, 64, [request, info](wchar_t* buffer, DWORD capacity, DWORD* written, DWORD* needed) -> DWORD {
            DWORD bytes = capacity * sizeof(wchar_t);
            if (!::HttpQueryInfoW(request, info, buffer, &bytes, nullptr)) {
                DWORD failure = ::GetLastError();
                *needed = bytes / sizeof(wchar_t) + 1;
                return failure;
            }
            *written = bytes / sizeof(wchar_t);
            return ERROR_SUCCESS;
        });
}

std::uint64_t ParseDecimal(const std::wstring& text) {
    std::uint64_t value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9' || value > (UINT64_MAX - 9) / 10)
            break;
        value = value * 10 + static_cast<std::uint64_t>(c - L'0');
    }
    return value;
}

// The proxy the system uses for this machine's default connection, as "host:port".
std::wstring SystemProxyServer() {
    INTERNET_PER_CONN_OPTIONW option{};
    option.dwOption = INTERNET_PER_CONN_PROXY_SERVER;
    INTERNET_PER_CONN_OPTION_LISTW list{};
    list.dwSize = sizeof list;
    list.dwOptionCount = 1;
    list.pOptions = &option;
    DWORD size = sizeof list;
    if (!::InternetQueryOptionW(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, &size))
        return {};
    std::wstring server;
    if (option.Value.pszValue != nullptr) {
        server = option.Value.pszValue;
        ::GlobalFree(option.Value.pszValue);
    }
    return server;
}

} // namespace

struct Downloader::State {
    State(ProgressSink* progress, CredentialSource* source, NetworkConnector* network)
        : sink(progress), credentials(source != nullptr ? source : &NoCredentials()), buffer(kReadBufferSize),
          shares(network != nullptr ? *network : SystemNetwork()) {}

    // Settings.
    ProgressSink* sink;
    CredentialSource* credentials;
    std::uint32_t expectedSize = 0;
    std::uint32_t retryCount = 6;
    bool resumeAllowed = true;
    bool aclOnPartFile = false;
    std::uint32_t connectTimeout = 0;
    std::wstring proxy;

    // The transfer.
    std::vector<UrlParts> urls;
    std::wstring targetPath;
    std::wstring partPath;
    bool allNetwork = true;
    const UrlParts* current = nullptr; // the URL the open handles belong to
    UniqueInternet session;
    UniqueInternet connection;
    UniqueInternet request; // HTTP request or FTP file
    AsyncInternet async;
    std::atomic<bool> aborted{false}; // set by the owner, from any thread

    // Filled by WinINet, also from its own threads while a call is pending.
    std::vector<BYTE> buffer;
    DWORD bytesRead = 0;
    DWORD bytesAvailable = 0;

    // Local copies.
    CopyProgressThrottle throttle;
    bool copyStarted = false;
    ShareConnections shares; // cancelled when the transfer's state goes

    static DWORD CALLBACK CopyProgress(LARGE_INTEGER total, LARGE_INTEGER transferred, LARGE_INTEGER,
                                       LARGE_INTEGER, DWORD, DWORD reason, HANDLE, HANDLE, LPVOID data);

    DWORD_PTR Context() { return async.Context(); }
    bool Cancelled() const { return aborted.load() || (sink != nullptr && sink->IsCancelled()); }
    void Report(std::wstring_view text, DWORD code) {
        if (sink != nullptr)
            sink->ReportError(text, code, 0);
    }
    std::wstring TargetName() const { return platform::FileName(targetPath); }

    template <typename Call> DWORD Run(PendingCall kind, Call&& call) {
        return async.Run(kind, call, [this] { return Cancelled(); });
    }
    void Close(UniqueInternet& handle) { async.Close(handle); }
    void CloseRequestAndConnection();
    void CloseAll();

    DWORD OpenSession();
    DWORD ConnectWithFailover(std::uint64_t& offset, std::uint64_t& total, SourceKind& kind);
    DWORD OpenUrl(const UrlParts& url, std::uint64_t& offset, std::uint64_t& total, SourceKind& kind);
    DWORD OpenHttp(const UrlParts& url, std::uint64_t& offset, std::uint64_t& total);
    DWORD OpenFtp(const UrlParts& url, std::uint64_t& offset, std::uint64_t& total);
    DWORD OpenFileSource(const UrlParts& url, std::uint64_t& total);
    DWORD Connect(const UrlParts& url, DWORD service, DWORD flags, const std::wstring& user,
                  const std::wstring& password);

    bool RedirectedToPlainHttp();
    DWORD FtpCommand(const std::wstring& text);
    std::wstring FtpAnswer() const;
    bool WrongSize(std::uint64_t total) const {
        return expectedSize != 0 && total != 0 && static_cast<std::uint32_t>(total) != expectedSize;
    }
    DWORD AdoptWholePartFile(std::uint64_t total);

    DWORD ReadLoop(std::uint64_t total, std::uint64_t offset);
    DWORD Reconnect(HANDLE part, std::uint64_t partSize, std::uint64_t& total);
    DWORD QueryAvailable(DWORD& available);
    DWORD ReadAvailable(DWORD wanted, DWORD& read);
    DWORD CopyLocal(const UrlParts& url, std::uint64_t total);
    DWORD Promote();
};

void Downloader::State::CloseRequestAndConnection() {
    // A connect or open call that a cancel left pending brings its handle with its completion: it is
    // waited for and closed like the others, before anything it could write into goes.
    const PendingCall unsettled = async.Unsettled();
    if (HINTERNET arrived = async.SettlePending()) {
        UniqueInternet& owner = unsettled == PendingCall::Connect ? connection : request;
        UniqueInternet extra(arrived);
        if (!owner)
            owner = std::move(extra);
        else
            Close(extra);
    }
    Close(request);
    Close(connection);
}

void Downloader::State::CloseAll() {
    CloseRequestAndConnection();
    if (session) {
        ::InternetSetStatusCallbackW(session.get(), nullptr);
        session.reset();
    }
}

DWORD Downloader::State::OpenSession() {
    const bool viaProxy = !proxy.empty();
    session.reset(::InternetOpenW(L"Velmora",
                                  viaProxy ? INTERNET_OPEN_TYPE_PROXY : INTERNET_OPEN_TYPE_PRECONFIG,
                                  viaProxy ? proxy.c_str() : nullptr, nullptr, INTERNET_FLAG_ASYNC));
    if (!session)
        return ::GetLastError();
    if (::InternetSetStatusCallbackW(session.get(), &AsyncInternet::StatusCallback) ==
        INTERNET_INVALID_STATUS_CALLBACK)
        return ::GetLastError();
    if (connectTimeout != 0) {
        DWORD timeout = connectTimeout;
        ::InternetSetOptionW(session.get(), INTERNET_OPTION_CONNECT_TIMEOUT, &timeout, sizeof timeout);
    }
    return ERROR_SUCCESS;
}

DWORD Downloader::State::ConnectWithFailover(std::uint64_t& offset, std::uint64_t& total, SourceKind& kind) {
    MirrorCursor cursor(urls.size(), retryCount);
    const std::uint64_t requested = offset;
    while (true) {
        if (Cancelled())
            return XFER_CANCELLED;
        const UrlParts& url = urls[cursor.Current()];
        CloseRequestAndConnection();
        current = nullptr;
        std::uint64_t accepted = requested;
        total = 0;
        DWORD result = OpenUrl(url, accepted, total, kind);
        if (result == ERROR_SUCCESS) {
            offset = accepted;
            current = &url;
            return ERROR_SUCCESS;
        }
        CloseRequestAndConnection();
        if (result == XFER_CANCELLED)
            return result;
        if (result == XFER_NOTHING_TO_RESUME) {
            current = &url;
            return result;
        }
        LogFailure(L"Could not open " + url.logged + L".", result);
        if (!cursor.MoveOnAfter(result))
            return result;
    }
}

DWORD Downloader::State::OpenUrl(const UrlParts& url, std::uint64_t& offset, std::uint64_t& total,
                                 SourceKind& kind) {
    switch (url.scheme) {
    case INTERNET_SCHEME_HTTP:
    case INTERNET_SCHEME_HTTPS:
        kind = SourceKind::Network;
        return OpenHttp(url, offset, total);
    case INTERNET_SCHEME_FTP:
        kind = SourceKind::Network;
        return OpenFtp(url, offset, total);
    case INTERNET_SCHEME_FILE:
        kind = SourceKind::Local;
        offset = 0;
        return OpenFileSource(url, total);
    default:
        return ERROR_INTERNET_UNRECOGNIZED_SCHEME;
    }
}

DWORD Downloader::State::Connect(const UrlParts& url, DWORD service, DWORD flags, const std::wstring& user,
                                 const std::wstring& password) {
    DWORD error = Run(PendingCall::Connect, [&] {
        connection.reset(::InternetConnectW(session.get(), url.host.c_str(), url.port, OrNull(user),
                                            OrNull(password), service, flags, Context()));
        return static_cast<bool>(connection);
    });
    if (error == ERROR_SUCCESS && !connection)
        connection.reset(reinterpret_cast<HINTERNET>(async.Result()));
    if (error == ERROR_SUCCESS && !connection)
        error = ERROR_INTERNET_INTERNAL_ERROR;
    return error;
}

DWORD Downloader::State::OpenHttp(const UrlParts& url, std::uint64_t& offset, std::uint64_t& total) {
    credentials->AllowReuse();
    DWORD error = Connect(url, INTERNET_SERVICE_HTTP, 0, url.user, url.password);
    if (error != ERROR_SUCCESS)
        return error;

    const wchar_t* acceptTypes[] = {L"*/*", nullptr};
    const DWORD flags = kHttpRequestFlags | (url.scheme == INTERNET_SCHEME_HTTPS ? INTERNET_FLAG_SECURE : 0);
    const std::wstring path = url.pathAndExtra.empty() ? std::wstring(L"/") : url.pathAndExtra;
    error = Run(PendingCall::OpenRequest, [&] {
        request.reset(::HttpOpenRequestW(connection.get(), L"GET", path.c_str(), L"HTTP/1.0", L"",
                                         acceptTypes, flags, Context()));
        return static_cast<bool>(request);
    });
    if (error == ERROR_SUCCESS && !request)
        request.reset(reinterpret_cast<HINTERNET>(async.Result()));
    if (error != ERROR_SUCCESS)
        return error;
    if (!request)
        return ERROR_INTERNET_INTERNAL_ERROR;

    const std::wstring headers = offset != 0 ? RangeHeader(offset) : std::wstring();
    std::uint32_t certificateRetries = 0;
    std::uint32_t credentialRounds = 0;
    while (true) {
        async.ClearRedirects();
        error = Run(PendingCall::Send, [&] {
            return ::HttpSendRequestW(request.get(), OrNull(headers), static_cast<DWORD>(headers.size()),
                                      nullptr, 0) == TRUE;
        });
        if (error == XFER_CANCELLED)
            return error;
        // Plain HTTP on the way, anyone on the path could have replaced what comes back.
        if (error == ERROR_SUCCESS && url.scheme == INTERNET_SCHEME_HTTPS && RedirectedToPlainHttp()) {
            LogNote(L"The server redirected " + url.logged + L" to plain HTTP; the download is refused.");
            return ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR;
        }
        if (IsCertificateError(error)) {
            // The sink gets the request handle, so it can look at the certificate or accept it on the handle
            // before it answers 0; every answer but 0 gives up. Resending is bounded like every retry.
            if (sink == nullptr || sink->ReportError(L"", error, HandleContext(request.get())) != 0 ||
                certificateRetries++ >= retryCount)
                return error;
            continue;
        }
        if (error != ERROR_SUCCESS)
            return error;

        DWORD status = 0;
        DWORD size = sizeof status;
        if (!::HttpQueryInfoW(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                              nullptr))
            return ::GetLastError();
        // The length as text: sizes of 4 GB and more do not fit the numeric query.
        std::wstring text;
        std::uint64_t length = 0;
        if (QueryHeaderText(request.get(), HTTP_QUERY_CONTENT_LENGTH, text) == ERROR_SUCCESS)
            length = ParseDecimal(text);
        std::wstring contentRange;
        if (status == 206 || status == 416)
            QueryHeaderText(request.get(), HTTP_QUERY_CONTENT_RANGE, contentRange);

        HttpAnswer answer = ClassifyHttpAnswer(status, length, offset, contentRange);
        if (answer.needsCredentials) {
            std::wstring challenge;
            QueryHeaderText(request.get(),
                            answer.forProxy ? HTTP_QUERY_PROXY_AUTHENTICATE : HTTP_QUERY_WWW_AUTHENTICATE,
                            challenge);
            std::wstring proxyHost =
                answer.forProxy ? ProxyHostOf(proxy.empty() ? SystemProxyServer() : proxy) : std::wstring();
            ScopedCredentials entered;
            if (credentialRounds++ < kCredentialRounds &&
                RequestCredentials(*credentials, sink, request.get(), url.logged, RealmOfChallenge(challenge),
                                   answer.forProxy, proxyHost, entered.user, entered.password))
                continue;
            return XFER_AUTH_REQUIRED;
        }
        if (answer.result == XFER_NOTHING_TO_RESUME)
            total = answer.total;
        if (answer.result != ERROR_SUCCESS) {
            if (answer.result == XFER_HTTP_FAILED)
                LogNote(L"The server answered " + url.logged + L" with status " + std::to_wstring(status) +
                        L".");
            return answer.result;
        }
        offset = answer.offset;
        total = answer.total;
        return ERROR_SUCCESS;
    }
}

DWORD Downloader::State::OpenFtp(const UrlParts& url, std::uint64_t& offset, std::uint64_t& total) {
    credentials->AllowReuse();
    ScopedCredentials login(url.user, url.password);
    for (std::uint32_t round = 0;; ++round) {
        DWORD error = Connect(url, INTERNET_SERVICE_FTP, INTERNET_FLAG_PASSIVE, login.user, login.password);
        if (error == ERROR_SUCCESS)
            break;
        if (IsFtpLoginError(error) && round < kCredentialRounds &&
            RequestCredentials(*credentials, sink, nullptr, url.logged, L"FTP Server", false, L"", login.user,
                               login.password)) {
            Close(connection);
            continue;
        }
        return error;
    }

    // WinINet switches to binary only when it opens the file, and servers answer SIZE and REST in binary
    // terms only then (pyftpdlib refuses a restart point in ASCII mode).
    DWORD error = FtpCommand(L"TYPE I");
    if (error == XFER_CANCELLED)
        return error;
    // OS quirk (Wine 8): FtpGetFileSize always answers 0, so the size is asked for here as well: without it
    // a transfer cut short would pass for complete.
    std::uint64_t announced = 0;
    error = FtpCommand(L"SIZE " + url.pathAndExtra);
    if (error == XFER_CANCELLED)
        return error;
    if (error == ERROR_SUCCESS)
        announced = FtpSizeReply(FtpAnswer()).value_or(0);
    if (offset != 0 && announced != 0 && announced <= offset) {
        total = announced;
        return XFER_NOTHING_TO_RESUME;
    }

    if (resumeAllowed && offset != 0) {
        error = FtpCommand(RestCommand(offset));
        if (error == XFER_CANCELLED)
            return error;
        // A refused REST fails the call; the answer text tells either way.
        if (FtpReplyCode(FtpAnswer()) != 350)
            offset = 0;
    } else {
        offset = 0;
    }

    error = Run(PendingCall::FtpOpen, [&] {
        request.reset(::FtpOpenFileW(connection.get(), url.pathAndExtra.c_str(), GENERIC_READ,
                                     FTP_TRANSFER_TYPE_BINARY | INTERNET_FLAG_RELOAD, Context()));
        return static_cast<bool>(request);
    });
    if (error == ERROR_SUCCESS && !request)
        request.reset(reinterpret_cast<HINTERNET>(async.Result()));
    if (error != ERROR_SUCCESS) {
        if (error != XFER_CANCELLED) {
            std::wstring response = FtpAnswer();
            while (!response.empty() && (response.back() == L'\n' || response.back() == L'\r'))
                response.pop_back();
            LogNote(L"The FTP server answered: " + response);
        }
        return error;
    }
    if (!request)
        return ERROR_INTERNET_INTERNAL_ERROR;

    // OS quirk (Wine 8): FtpGetFileSize always answers 0, so under Wine the size stays unknown.
    DWORD high = 0;
    DWORD low = ::FtpGetFileSize(request.get(), &high);
    total = low == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR
                ? 0
                : (static_cast<std::uint64_t>(high) << 32) | low;
    if (total == 0)
        total = announced;
    if (total != 0 && total <= offset) {
        Close(request);
        return XFER_NOTHING_TO_RESUME;
    }
    return ERROR_SUCCESS;
}

DWORD Downloader::State::FtpCommand(const std::wstring& text) {
    return Run(PendingCall::FtpCommand, [&] {
        return ::FtpCommandW(connection.get(), FALSE, FTP_TRANSFER_TYPE_BINARY, text.c_str(), Context(),
                             nullptr) == TRUE;
    });
}

std::wstring Downloader::State::FtpAnswer() const {
    return async.CompletedAsynchronously() ? async.LastResponse() : LastResponseText();
}

bool Downloader::State::RedirectedToPlainHttp() {
    if (async.RedirectedToPlainHttp())
        return true;
    // The address the request ended at tells too, should no redirect have been reported on the way.
    std::wstring finalUrl;
    platform::CallWithGrowingBuffer(
        finalUrl, 256, [this](wchar_t* buffer, DWORD capacity, DWORD* written, DWORD* needed) -> DWORD {
            DWORD bytes = capacity * sizeof(wchar_t);
            if (!::InternetQueryOptionW(request.get(), INTERNET_OPTION_URL, buffer, &bytes)) {
                const DWORD failure = ::GetLastError();
                *needed = bytes / sizeof(wchar_t) + 1;
                return failure;
            }
            *written = bytes / sizeof(wchar_t);
            return ERROR_SUCCESS;
        });
    return finalUrl.size() >= 5 && finalUrl[4] == L':' && (finalUrl[0] | 0x20) == L'h';
}

DWORD Downloader::State::OpenFileSource(const UrlParts& url, std::uint64_t& total) {
    ScopedCredentials login(url.user, url.password);
    return shares.Reach(url.localPath, url.logged, login, *credentials, sink,
                        [&] { return ProbeFile(url.localPath, total); });
}

DWORD Downloader::State::QueryAvailable(DWORD& available) {
    bytesAvailable = 0;
    DWORD error = Run(PendingCall::Query, [&] {
        return ::InternetQueryDataAvailable(request.get(), &bytesAvailable, 0, 0) == TRUE;
    });
    if (error != ERROR_SUCCESS)
        return error;
    // Completed later, the count comes in the completion's dwError (WinINet may also fill the variable).
    available = async.CompletedAsynchronously() && async.CompletionValue() != 0 ? async.CompletionValue()
                                                                                : bytesAvailable;
    return ERROR_SUCCESS;
}

DWORD Downloader::State::ReadAvailable(DWORD wanted, DWORD& read) {
    bytesRead = 0;
    DWORD error = Run(PendingCall::Read, [&] {
        return ::InternetReadFile(request.get(), buffer.data(), wanted, &bytesRead) == TRUE;
    });
    read = error == ERROR_SUCCESS ? bytesRead : 0;
    return error;
}

DWORD Downloader::State::Reconnect(HANDLE part, std::uint64_t partSize, std::uint64_t& total) {
    CloseRequestAndConnection();
    ::FlushFileBuffers(part);
    std::uint64_t offset = resumeAllowed ? partSize : 0;
    LogNote(L"Reconnecting to resume at byte " + std::to_wstring(offset) + L".");
    SourceKind kind = SourceKind::Network;
    std::uint64_t newTotal = 0;
    DWORD error = ConnectWithFailover(offset, newTotal, kind);
    if (error != ERROR_SUCCESS)
        return error;
    // Data from anywhere but the partial file's end would be written in the wrong place.
    if (!ReconnectAccepted(partSize, offset))
        return ERROR_INTERNET_TIMEOUT;
    total = newTotal;
    return ERROR_SUCCESS;
}

DWORD Downloader::State::ReadLoop(std::uint64_t total, std::uint64_t offset) {
    if (sink != nullptr)
        sink->TransferStarted(1, total, targetPath);
    if (Cancelled())
        return XFER_CANCELLED;

    DWORD error = platform::CreateFolderTree(targetPath, false, nullptr);
    if (error != ERROR_SUCCESS) {
        LogFailure(L"Could not create the folder of " + targetPath + L".", error);
        Report(L"", error);
        return error;
    }

    UniqueFile part = offset == 0 ? CreatePartFile(partPath, aclOnPartFile) : OpenPartFileToAppend(partPath);
    if (!part) {
        error = ::GetLastError();
        if (Cancelled())
            return XFER_CANCELLED;
        LogFailure(L"Could not open the partial file " + partPath + L".", error);
        Report(L"", error);
        return error;
    }
    // The server sends from `offset`: the file continues there even if it has grown since it was measured.
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(offset);
    if (!::SetFilePointerEx(part.get(), position, nullptr, FILE_BEGIN) || !::SetEndOfFile(part.get())) {
        error = ::GetLastError();
        LogFailure(L"Could not open the partial file " + partPath + L".", error);
        Report(L"", error);
        return error;
    }
    if (offset != 0)
        LogNote(L"Resuming the download of " + current->logged + L" at byte " + std::to_wstring(offset) +
                L".");
    if (sink != nullptr)
        sink->BytesDone(offset);

    std::uint64_t partSize = offset;
    // Reconnects are unbounded while they bring data; without new data only the retry count of them.
    std::uint32_t reconnectsWithoutData = 0;
    const std::uint32_t reconnectLimit = retryCount > 0 ? retryCount : 1;
    while (true) {
        DWORD available = 0;
        DWORD read = 0;
        error = QueryAvailable(available);
        if (error == ERROR_SUCCESS && available != 0)
            error = ReadAvailable(available < kReadBufferSize ? available : kReadBufferSize, read);
        if (error == ERROR_SUCCESS && read != 0) {
            DWORD written = 0;
            if (!::WriteFile(part.get(), buffer.data(), read, &written, nullptr) || written != read) {
                error = ::GetLastError();
                if (error == ERROR_SUCCESS)
                    error = ERROR_WRITE_FAULT;
                LogFailure(L"Could not write the partial file " + partPath + L".", error);
                Report(L"", error);
                return error;
            }
            partSize += written;
            reconnectsWithoutData = 0;
            if (sink != nullptr) {
                sink->BytesDone(written);
                while (sink->IsPaused() && !Cancelled())
                    ::Sleep(kCancelPollMs);
            }
            if (Cancelled())
                return XFER_CANCELLED;
            continue;
        }
        if (error == XFER_CANCELLED)
            return error;

        if (error != ERROR_SUCCESS) {
            LogFailure(L"Reading " + current->logged + L" failed after " + std::to_wstring(partSize) +
                           L" bytes.",
                       error);
            if (!IsInterruptedRead(error) || !allNetwork || reconnectsWithoutData >= reconnectLimit) {
                Report(L"", error);
                return error;
            }
        } else {
            EndOfData end = DecideEndOfData(total, partSize, allNetwork);
            if (end == EndOfData::Complete) {
                part.reset();
                error = Promote();
                if (error != ERROR_SUCCESS)
                    return error;
                if (sink != nullptr)
                    sink->Completed(1, 0);
                return ERROR_SUCCESS;
            }
            LogNote(L"The data of " + current->logged + L" ended after " + std::to_wstring(partSize) +
                    L" of " + std::to_wstring(total) + L" bytes.");
            if (end == EndOfData::Incomplete || reconnectsWithoutData >= reconnectLimit) {
                LogFailure(L"The download of " + current->logged + L" is incomplete.", XFER_INCOMPLETE);
                Report(L"", XFER_INCOMPLETE);
                return XFER_INCOMPLETE;
            }
        }

        ++reconnectsWithoutData;
        error = Reconnect(part.get(), partSize, total);
        if (error == XFER_CANCELLED)
            return error;
        if (error != ERROR_SUCCESS) {
            LogFailure(L"Could not resume the download at byte " + std::to_wstring(partSize) + L".", error);
            Report(L"", error);
            return error;
        }
    }
}

DWORD Downloader::State::AdoptWholePartFile(std::uint64_t total) {
    LogNote(L"The partial file " + partPath + L" already holds all " + std::to_wstring(total) + L" bytes.");
    CloseRequestAndConnection();
    if (sink != nullptr) {
        sink->TransferStarted(1, total, targetPath);
        sink->BytesDone(total);
    }
    DWORD error = Promote();
    if (error != ERROR_SUCCESS)
        return error;
    if (sink != nullptr)
        sink->Completed(1, 0);
    return ERROR_SUCCESS;
}

DWORD Downloader::State::Promote() {
    DWORD error = PromotePartFile(partPath, targetPath);
    if (error != ERROR_SUCCESS) {
        LogFailure(L"Could not rename " + partPath + L" to " + targetPath + L".", error);
        Report(L"", error);
    }
    return error;
}

DWORD CALLBACK Downloader::State::CopyProgress(LARGE_INTEGER total, LARGE_INTEGER transferred, LARGE_INTEGER,
                                               LARGE_INTEGER, DWORD, DWORD reason, HANDLE, HANDLE,
                                               LPVOID data) {
    auto* state = static_cast<State*>(data);
    try {
        const std::uint32_t now = ::GetTickCount();
        if (reason == CALLBACK_STREAM_SWITCH && !state->copyStarted) {
            state->copyStarted = true;
            state->throttle.Start(static_cast<std::uint64_t>(total.QuadPart), now);
            if (state->sink != nullptr)
                state->sink->TransferStarted(1, static_cast<std::uint64_t>(total.QuadPart),
                                             state->targetPath);
        }
        if (state->Cancelled())
            return PROGRESS_CANCEL;
        std::optional<std::uint64_t> step =
            state->throttle.Advance(static_cast<std::uint64_t>(transferred.QuadPart), now);
        if (step && state->sink != nullptr)
            state->sink->BytesDone(*step);
        return PROGRESS_CONTINUE;
    } catch (...) {
        // No exception may unwind through CopyFileExW.
        platform::core::PresentCaughtException(nullptr);
        return PROGRESS_CANCEL;
    }
}

DWORD Downloader::State::CopyLocal(const UrlParts& url, std::uint64_t total) {
    DWORD error = platform::CreateFolderTree(targetPath, false, nullptr);
    if (error != ERROR_SUCCESS) {
        LogFailure(L"Could not create the folder of " + targetPath + L".", error);
        Report(L"", error);
        return error;
    }
    // The copy goes into a partial file of its own making, never through a name left there (it may be a
    // planted link): to a new file, or over the new one the access list was set on.
    DWORD copyFlags = COPY_FILE_FAIL_IF_EXISTS;
    if (!aclOnPartFile)
        (void)platform::DeleteFileLong(partPath);
    else if (CreatePartFile(partPath, true))
        copyFlags = 0;

    copyStarted = false;
    BOOL cancel = FALSE;
    if (!::CopyFileExW(platform::ToLongPath(url.localPath).c_str(), platform::ToLongPath(partPath).c_str(),
                       &State::CopyProgress, this, &cancel, copyFlags)) {
        error = ::GetLastError();
        // A copy the sink stopped is a cancel like any other, not a failure to show.
        if (error == ERROR_REQUEST_ABORTED && Cancelled())
            return XFER_CANCELLED;
        LogFailure(L"Could not copy " + url.localPath + L" to " + partPath + L".", error);
        Report(L"", error);
        return error;
    }
    // OS quirk (Wine 8): CopyFileExW never calls its progress routine; the sink still hears of the copy.
    if (!copyStarted && sink != nullptr) {
        sink->TransferStarted(1, total, targetPath);
        sink->BytesDone(total);
    }
    error = Promote();
    if (error != ERROR_SUCCESS)
        return error;
    if (sink != nullptr)
        sink->Completed(1, 0);
    return ERROR_SUCCESS;
}

Downloader::Downloader(ProgressSink* sink, CredentialSource* credentials, NetworkConnector* network)
    : state_(std::make_unique<State>(sink, credentials, network)) {}

Downloader::~Downloader() {
    state_->CloseAll();
    if (state_->async.Stuck())
        state_.release(); // WinINet may still call back into it
}

void Downloader::SetExpectedSize(std::uint32_t size) {
    state_->expectedSize = size;
}

void Downloader::SetRetryCount(std::int32_t count) {
    if (count >= 0)
        state_->retryCount = static_cast<std::uint32_t>(count);
}

void Downloader::SetResumeAllowed(bool allowed) {
    state_->resumeAllowed = allowed;
}

void Downloader::SetAclOnPartFile(bool enabled) {
    state_->aclOnPartFile = enabled;
}

void Downloader::SetConnectTimeout(std::uint32_t milliseconds) {
    if (milliseconds != 0)
        state_->connectTimeout = milliseconds;
}

void Downloader::SetProxy(std::wstring proxy) {
    state_->proxy = std::move(proxy);
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
    s.urls.clear();
    s.current = nullptr;
    s.targetPath.assign(targetPath);
    s.partPath = s.targetPath + L".part";
    s.allNetwork = true;

    if (urls.empty()) {
        LogFailure(L"No URL to download " + s.targetPath + L" from.", ERROR_INTERNET_UNRECOGNIZED_SCHEME);
        s.Report(L"", ERROR_INTERNET_UNRECOGNIZED_SCHEME);
        return ERROR_INTERNET_UNRECOGNIZED_SCHEME;
    }
    s.urls.reserve(urls.size());
    for (const std::wstring& url : urls) {
        UrlParts parts;
        DWORD error = CrackUrl(url, parts);
        if (error == ERROR_SUCCESS && parts.scheme != INTERNET_SCHEME_HTTP &&
            parts.scheme != INTERNET_SCHEME_HTTPS && parts.scheme != INTERNET_SCHEME_FTP &&
            parts.scheme != INTERNET_SCHEME_FILE)
            error = ERROR_INTERNET_UNRECOGNIZED_SCHEME;
        if (error != ERROR_SUCCESS) {
            LogFailure(L"Cannot download from " + platform::RedactUrlCredentials(url) + L".", error);
            s.Report(L"", error);
            return error;
        }
        if (parts.scheme == INTERNET_SCHEME_FILE)
            s.allNetwork = false;
        s.urls.push_back(std::move(parts));
    }

    // Whatever happens below, every handle is closed before the call returns.
    struct SessionScope {
        State& state;
        ~SessionScope() { state.CloseAll(); }
    } scope{s};

    DWORD error = s.OpenSession();
    if (error != ERROR_SUCCESS) {
        LogFailure(L"Could not open an Internet session.", error);
        s.Report(L"", error);
        return error;
    }
    if (!IsAcceptableTarget(s.targetPath)) {
        LogFailure(L"The download target is no absolute path: " + s.targetPath + L".", XFER_BAD_TARGET);
        s.Report(L"", XFER_BAD_TARGET);
        return XFER_BAD_TARGET;
    }

    std::uint64_t offset = s.resumeAllowed ? ExistingFileSize(s.partPath) : 0;
    std::uint64_t total = 0;
    SourceKind kind = SourceKind::Network;
    error = s.ConnectWithFailover(offset, total, kind);
    // A partial file that the server's file does not outgrow: complete when it has the server's size (a run
    // ended before renaming it), else it cannot be continued and is fetched again from the start.
    if (error == XFER_NOTHING_TO_RESUME && !s.Cancelled() && !s.WrongSize(total)) {
        if (total != 0 && total == offset)
            return s.AdoptWholePartFile(total);
        LogNote(L"The partial file " + s.partPath + L" (" + std::to_wstring(offset) +
                L" bytes) cannot be continued from the server's file (" + std::to_wstring(total) +
                L" bytes, 0 when not told); the file is fetched again.");
        s.CloseRequestAndConnection();
        (void)platform::DeleteFileLong(s.partPath);
        offset = 0;
        error = s.ConnectWithFailover(offset, total, kind);
    }
    if (s.Cancelled())
        return XFER_CANCELLED;
    if (error != ERROR_SUCCESS && !(error == XFER_NOTHING_TO_RESUME && s.WrongSize(total))) {
        if (error != XFER_NOT_MODIFIED)
            s.Report(s.TargetName(), error);
        return error;
    }
    if (s.WrongSize(total)) {
        LogFailure(L"The server announces " + std::to_wstring(total) + L" bytes for " + s.current->logged +
                       L", not " + std::to_wstring(s.expectedSize) + L".",
                   XFER_WRONG_SIZE);
        s.Report(s.TargetName(), XFER_WRONG_SIZE);
        return XFER_WRONG_SIZE;
    }
    return kind == SourceKind::Local ? s.CopyLocal(*s.current, total) : s.ReadLoop(total, offset);
}

} // namespace velmora::acquisition
