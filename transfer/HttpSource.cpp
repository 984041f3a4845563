#include "transfer/HttpSource.h"

#include "platform/GrowBuffer.h"
#include "platform/Logger.h"
#include "platform/pure/TextCompare.h"
#include "transfer/CredentialSource.h"
#include "transfer/ProgressSink.h"
#include "transfer/ShareConnections.h"
#include "transfer/pure/CredentialRules.h"
#include "transfer/pure/HttpRules.h"
#include "transfer/pure/TransferRules.h"

namespace velmora::transfer {

namespace {

constexpr DWORD kHttpRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                    INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP |
                                    INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
static_assert(kHttpRequestFlags == 0x8440C000, "request flags as every server has seen them");

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

// Where a Location header sends a request from `base`: relative addresses are taken against it.
DWORD CombineUrl(const std::wstring& base, const std::wstring& location, std::wstring& combined) {
    return platform::CallWithGrowingBuffer(
        combined, 256, [&](wchar_t* buffer, DWORD capacity, DWORD* written, DWORD* needed) -> DWORD {
            DWORD length = capacity;
            if (!::InternetCombineUrlW(base.c_str(), location.c_str(), buffer, &length,
                                       ICU_ENCODE_SPACES_ONLY)) {
                const DWORD failure = ::GetLastError();
                *needed = length + 1;
                return failure;
            }
            *written = length;
            return ERROR_SUCCESS;
        });
}

bool SameOrigin(const SourceUrl& a, const SourceUrl& b) {
    return a.scheme == b.scheme && a.port == b.port && platform::EqualsNoCase(a.host, b.host);
}

} // namespace

DWORD HttpSource::OpenRequest(const SourceUrl& at) {
    const wchar_t* acceptTypes[] = {L"*/*", nullptr};
    // Redirects are followed here, one address at a time: WinINet would send the request on to a plain
    // http:// address, and credentials meant for one server to another, before anyone could refuse it.
    const DWORD flags = kHttpRequestFlags | INTERNET_FLAG_NO_AUTO_REDIRECT |
                        (at.scheme == INTERNET_SCHEME_HTTPS ? INTERNET_FLAG_SECURE : 0);
    const std::wstring path = at.pathAndExtra.empty() ? std::wstring(L"/") : at.pathAndExtra;
    const DWORD error = OpenHandle(PendingCall::OpenRequest, request_, [&] {
        return ::HttpOpenRequestW(connection_.get(), L"GET", path.c_str(), L"HTTP/1.0", L"", acceptTypes,
                                  flags, session_.Context());
    });
    if (error == ERROR_SUCCESS) {
        DWORD timeout = context_.settings.receiveTimeout;
        ::InternetSetOptionW(request_.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof timeout);
    }
    return error;
}

DWORD HttpSource::OpenAt(const SourceUrl& at) {
    Close();
    // The URL's own credentials go to its own server only; an address a server sent may carry its own.
    const bool own = SameOrigin(at, Url()) && at.user.empty();
    ScopedCredentials login(own ? Url().user : at.user, own ? Url().password : at.password);
    DWORD error = Connect(at, INTERNET_SERVICE_HTTP, 0, login.user, login.password);
    if (error == ERROR_SUCCESS)
        error = OpenRequest(at);
    return error;
}

// Where a redirect leads: an http or https address, never plain http once the download began as https.
DWORD HttpSource::Redirected(const SourceUrl& from, SourceUrl& to) {
    std::wstring location;
    std::wstring combined;
    if (QueryHeaderText(request_.get(), HTTP_QUERY_LOCATION, location) != ERROR_SUCCESS || location.empty() ||
        CombineUrl(from.address, location, combined) != ERROR_SUCCESS ||
        ParseSourceUrl(combined, to) != ERROR_SUCCESS ||
        (to.scheme != INTERNET_SCHEME_HTTP && to.scheme != INTERNET_SCHEME_HTTPS))
        return XFER_HTTP_FAILED;
    // Plain HTTP on the way: anyone on the path could read the request and replace what comes back.
    if (Url().scheme == INTERNET_SCHEME_HTTPS && to.scheme == INTERNET_SCHEME_HTTP) {
        platform::LogLine(L"The server redirected " + Url().logged +
                          L" to plain HTTP; the download is refused.");
        return ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR;
    }
    platform::LogLine(L"The server redirected " + from.logged + L" to " + to.logged + L".");
    return ERROR_SUCCESS;
}

DWORD HttpSource::Open(std::uint64_t& offset, std::uint64_t& total) {
    context_.credentials.AllowReuse();
    reply_ = {};
    SourceUrl at = Url();
    DWORD error = OpenAt(at);
    if (error != ERROR_SUCCESS)
        return error;

    const std::wstring headers = offset != 0 ? RangeHeader(offset) : std::wstring();
    std::uint32_t certificateRetries = 0;
    std::uint32_t credentialRounds = 0;
    std::uint32_t redirects = 0;
    while (true) {
        error = session_.Run(PendingCall::Send, [&] {
            return ::HttpSendRequestW(request_.get(), headers.empty() ? nullptr : headers.c_str(),
                                      static_cast<DWORD>(headers.size()), nullptr, 0) == TRUE;
        });
        if (error == XFER_CANCELLED)
            return error;
        if (IsCertificateError(error)) {
            // The sink gets the request handle, so it can look at the certificate or accept it on the handle
            // before it answers 0; every answer but 0 gives up. Resending is bounded like every retry.
            if (context_.sink == nullptr ||
                context_.sink->ReportError(L"", error, reinterpret_cast<std::uintptr_t>(request_.get())) !=
                    0 ||
                certificateRetries++ >= context_.settings.retryCount)
                return error;
            continue;
        }
        if (error != ERROR_SUCCESS)
            return error;

        DWORD status = 0;
        DWORD size = sizeof status;
        if (!::HttpQueryInfoW(request_.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                              nullptr))
            return ::GetLastError();
        if (IsRedirectStatus(status)) {
            SourceUrl next;
            error = Redirected(at, next);
            if (error == ERROR_SUCCESS && redirects++ >= kMaxRedirects) {
                platform::LogLine(L"The server redirected " + Url().logged + L" more than " +
                                  std::to_wstring(kMaxRedirects) + L" times; the download is given up.");
                return ERROR_HTTP_REDIRECT_FAILED;
            }
            if (error == ERROR_SUCCESS) {
                // A new server: what was tried so far was tried with another one.
                at = std::move(next);
                certificateRetries = 0;
                credentialRounds = 0;
                context_.credentials.AllowReuse();
                error = OpenAt(at);
                if (error != ERROR_SUCCESS)
                    return error;
                continue;
            }
            if (error != XFER_HTTP_FAILED)
                return error;
        }
        // The length as text: sizes of 4 GB and more do not fit the numeric query.
        std::wstring text;
        std::uint64_t length = 0;
        if (QueryHeaderText(request_.get(), HTTP_QUERY_CONTENT_LENGTH, text) == ERROR_SUCCESS)
            length = ContentLengthValue(text);
        std::wstring contentRange;
        if (status == 206 || status == 416)
            (void)QueryHeaderText(request_.get(), HTTP_QUERY_CONTENT_RANGE, contentRange);

        HttpAnswer answer = ClassifyHttpAnswer(status, length, offset, contentRange);
        if (answer.needsCredentials) {
            std::wstring challenge;
            (void)QueryHeaderText(
                request_.get(), answer.forProxy ? HTTP_QUERY_PROXY_AUTHENTICATE : HTTP_QUERY_WWW_AUTHENTICATE,
                challenge);
            const std::wstring& proxy = context_.settings.proxy;
            std::wstring proxyHost =
                answer.forProxy ? ProxyHostOf(proxy.empty() ? SystemProxyServer() : proxy) : std::wstring();
            // Asked for the server that answered, which a redirect may have made another one.
            ScopedCredentials entered;
            if (credentialRounds++ < kCredentialRounds &&
                RequestCredentials(context_.credentials, context_.sink, request_.get(), at.logged,
                                   RealmOfChallenge(challenge), answer.forProxy, proxyHost, entered.user,
                                   entered.password))
                continue;
            return XFER_AUTH_REQUIRED;
        }
        if (answer.result == XFER_NOTHING_TO_RESUME)
            total = answer.total;
        if (answer.result != ERROR_SUCCESS) {
            if (answer.result == XFER_HTTP_FAILED)
                platform::LogLine(L"The server answered " + at.logged + L" with status " +
                                  std::to_wstring(status) + L".");
            return answer.result;
        }
        offset = answer.offset;
        total = answer.total;
        reply_.finalUrl = at.logged;
        if (QueryHeaderText(request_.get(), HTTP_QUERY_CONTENT_TYPE, reply_.contentType) != ERROR_SUCCESS)
            reply_.contentType.clear();
        return ERROR_SUCCESS;
    }
}

} // namespace velmora::transfer
