#include "transfer/pure/TransferRules.h"

#include "platform/pure/DecimalNumbers.h"
#include "platform/pure/PathRules.h"
#include "platform/pure/TextCompare.h"

namespace velmora::acquisition {

namespace {

using platform::EqualsNoCase;
using platform::StartsWithNoCase;

bool IsAsciiLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

bool HasDrive(std::wstring_view path) {
    return path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == L':';
}

int HexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}

// "/" to "\" and "%xx" of an ASCII character (never of a zero) to that character.
std::wstring LocalPathText(std::wstring_view text) {
    std::wstring path;
    path.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (c == L'%' && i + 2 < text.size()) {
            int high = HexValue(text[i + 1]);
            int low = HexValue(text[i + 2]);
            int value = high < 0 || low < 0 ? -1 : high * 16 + low;
            if (value > 0 && value < 0x80) {
                c = static_cast<wchar_t>(value);
                i += 2;
            }
        }
        path += c == L'/' ? L'\\' : c;
    }
    return path;
}

std::wstring_view TrimBlanks(std::wstring_view text) {
    while (!text.empty() && (text.front() == L' ' || text.front() == L'\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == L' ' || text.back() == L'\t'))
        text.remove_suffix(1);
    return text;
}

} // namespace

std::wstring_view TransferCodeName(std::uint32_t code) {
    switch (code) {
    case XFER_BAD_TARGET:
        return L"XFER_BAD_TARGET";
    case XFER_CANCELLED:
        return L"XFER_CANCELLED";
    case XFER_INCOMPLETE:
        return L"XFER_INCOMPLETE";
    case XFER_NOTHING_TO_RESUME:
        return L"XFER_NOTHING_TO_RESUME";
    case XFER_AUTH_REQUIRED:
        return L"XFER_AUTH_REQUIRED";
    case XFER_NOT_MODIFIED:
        return L"XFER_NOT_MODIFIED";
    case XFER_FORBIDDEN:
        return L"XFER_FORBIDDEN";
    case XFER_NOT_FOUND:
        return L"XFER_NOT_FOUND";
    case XFER_HTTP_FAILED:
        return L"XFER_HTTP_FAILED";
    case XFER_WRONG_SIZE:
        return L"XFER_WRONG_SIZE";
    default:
        return {};
    }
}

bool IsAcceptableTarget(std::wstring_view targetPath) {
    return targetPath.size() >= 2 && platform::IsAbsolutePath(targetPath);
}

MirrorCursor::MirrorCursor(std::size_t urlCount, std::uint32_t retryCount)
    : urlCount_(urlCount), remaining_(urlCount > 0 && urlCount - 1 > retryCount ? urlCount - 1 : retryCount) {
}

bool MirrorCursor::MoveOnAfter(std::uint32_t result) {
    switch (result) {
    case wincode::PathNotFound:
    case wincode::InternetExtendedError:
    case wincode::ItemNotFound:
    case wincode::FtpDropped:
    case XFER_NOT_FOUND:
        // Missing on this server: another mirror may have it, the same server will not.
        if (urlCount_ <= 1)
            return false;
        break;
    case wincode::NameNotResolved:
    case wincode::CannotConnect:
        break;
    default:
        return false;
    }
    if (remaining_ == 0 || urlCount_ == 0)
        return false;
    --remaining_;
    current_ = (current_ + 1) % urlCount_;
    return true;
}

HttpAnswer ClassifyHttpAnswer(std::uint32_t status, std::uint64_t contentLength, std::uint64_t resumeOffset,
                              std::wstring_view contentRange) {
    HttpAnswer answer;
    switch (status) {
    case 200:
        if (contentLength != 0 && contentLength <= resumeOffset) {
            answer.result = XFER_NOTHING_TO_RESUME;
            answer.offset = resumeOffset;
            answer.total = contentLength;
            return answer;
        }
        // The whole file: whatever the partial file holds is replaced.
        answer.total = contentLength;
        return answer;
    case 206: {
        // A range that does not start where the partial file ends would be written in the wrong place.
        std::optional<ContentRange> range = ParseContentRange(contentRange);
        if (!contentRange.empty() && (!range || range->first != resumeOffset)) {
            answer.result = wincode::InvalidServerResponse;
            return answer;
        }
        answer.offset = resumeOffset;
        // A length no file can have past the offset is no answer.
        if (contentLength > UINT64_MAX - resumeOffset) {
            answer.result = wincode::InvalidServerResponse;
            return answer;
        }
        if (contentLength != 0)
            answer.total = resumeOffset + contentLength;
        else if (range && range->size)
            answer.total = *range->size;
        return answer;
    }
    case 304:
        answer.result = XFER_NOT_MODIFIED;
        return answer;
    case 401:
    case 407:
        answer.needsCredentials = true;
        answer.forProxy = status == 407;
        answer.result = XFER_AUTH_REQUIRED;
        return answer;
    case 403:
        answer.result = XFER_FORBIDDEN;
        return answer;
    case 404:
    case 410:
        answer.result = XFER_NOT_FOUND;
        return answer;
    case 416:
        // The range from the partial file's size is past the server's end, whose size "bytes */5000" tells.
        answer.result = resumeOffset != 0 ? XFER_NOTHING_TO_RESUME : XFER_HTTP_FAILED;
        answer.offset = resumeOffset;
        answer.total = UnsatisfiedRangeSize(contentRange).value_or(0);
        return answer;
    default:
        // Any other success carries the file; an error page or an unfollowed redirect is no file.
        if (status >= 200 && status < 300) {
            answer.total = contentLength;
            return answer;
        }
        answer.result = XFER_HTTP_FAILED;
        return answer;
    }
}

bool IsRedirectStatus(std::uint32_t status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

std::uint64_t ContentLengthValue(std::wstring_view header) {
    std::size_t at = 0;
    return platform::ParseUnsigned64(header, at).value_or(0);
}

std::optional<ContentRange> ParseContentRange(std::wstring_view header) {
    header = TrimBlanks(header);
    if (!StartsWithNoCase(header, L"bytes "))
        return std::nullopt;
    std::size_t at = 6;
    while (at < header.size() && header[at] == L' ')
        ++at;
    ContentRange range;
    std::optional<std::uint64_t> first = platform::ParseUnsigned64(header, at);
    if (!first || at >= header.size() || header[at] != L'-')
        return std::nullopt;
    ++at;
    std::optional<std::uint64_t> last = platform::ParseUnsigned64(header, at);
    if (!last || *last < *first || at >= header.size() || header[at] != L'/')
        return std::nullopt;
    ++at;
    range.first = *first;
    if (at < header.size() && header[at] == L'*' && at + 1 == header.size())
        return range;
    std::optional<std::uint64_t> size = platform::ParseUnsigned64(header, at);
    if (!size || at != header.size() || *size <= *last)
        return std::nullopt;
    range.size = size;
    return range;
}

std::optional<std::uint64_t> UnsatisfiedRangeSize(std::wstring_view header) {
    header = TrimBlanks(header);
    if (!StartsWithNoCase(header, L"bytes */"))
        return std::nullopt;
    std::size_t at = 8;
    std::optional<std::uint64_t> size = platform::ParseUnsigned64(header, at);
    if (!size || at != header.size())
        return std::nullopt;
    return size;
}

std::optional<std::uint64_t> FtpSizeReply(std::wstring_view response) {
    if (FtpReplyCode(response) != 213)
        return std::nullopt;
    std::size_t at = response.find(L"213");
    at += 3;
    while (at < response.size() && response[at] == L' ')
        ++at;
    return platform::ParseUnsigned64(response, at);
}

std::wstring RangeHeader(std::uint64_t offset) {
    return L"Range: bytes=" + std::to_wstring(offset) + L"-\r\n";
}

std::wstring RestCommand(std::uint64_t offset) {
    return L"REST " + std::to_wstring(offset);
}

std::uint32_t FtpReplyCode(std::wstring_view response) {
    std::size_t at = 0;
    while (at < response.size() && (response[at] == L'\r' || response[at] == L'\n'))
        ++at;
    std::optional<std::uint64_t> code = platform::ParseUnsigned64(response, at);
    return code && *code <= UINT32_MAX ? static_cast<std::uint32_t>(*code) : 0;
}

bool IsFtpLoginError(std::uint32_t code) {
    return code == wincode::IncorrectUserName || code == wincode::IncorrectPassword ||
           code == wincode::LoginFailure;
}

bool IsShareLogonError(std::uint32_t code) {
    return code == wincode::LogonFailure || code == wincode::InvalidPassword || code == wincode::BadUserName;
}

bool IsCertificateError(std::uint32_t code) {
    return code == wincode::CertDateInvalid || code == wincode::CertCnInvalid ||
           code == wincode::ClientAuthCertNeeded || code == wincode::InvalidCa;
}

bool IsInterruptedRead(std::uint32_t code) {
    return code == wincode::InternetTimeout || code == wincode::ConnectionAborted ||
           code == wincode::ConnectionReset || code == wincode::Disconnected;
}

std::uint32_t InternetErrorOf(std::uint32_t code) {
    switch (code) {
    case wincode::SocketTimedOut:
        return wincode::InternetTimeout;
    case wincode::SocketConnectionAborted:
        return wincode::ConnectionAborted;
    case wincode::SocketConnectionReset:
        return wincode::ConnectionReset;
    default:
        return code;
    }
}

std::uint64_t TransferLimit(std::uint64_t expectedSize, std::uint64_t total) {
    return expectedSize != 0 ? expectedSize : total;
}

bool PassesLimit(std::uint64_t limit, std::uint64_t written, std::uint64_t count) {
    return limit != 0 && (written > limit || count > limit - written);
}

EndOfData DecideEndOfData(std::uint64_t total, std::uint64_t partSize, bool allNetwork) {
    if (total == 0 || partSize >= total)
        return EndOfData::Complete;
    return allNetwork ? EndOfData::Reconnect : EndOfData::Incomplete;
}

bool ReconnectAccepted(std::uint64_t partSize, std::uint64_t acceptedOffset) {
    return partSize == 0 || acceptedOffset == partSize;
}

std::wstring FileUrlPath(std::wstring_view url) {
    // A zero inside would cut the path short in every system call that receives it.
    if (!StartsWithNoCase(url, L"file:") || url.find(L'\0') != std::wstring_view::npos)
        return {};
    std::wstring_view rest = url.substr(5);
    if (rest.substr(0, 2) != L"//") {
        // "file:C:/a" or "file:/C:/a": no authority.
        while (!rest.empty() && rest.front() == L'/')
            rest.remove_prefix(1);
        return LocalPathText(rest);
    }
    rest.remove_prefix(2);
    if (rest.substr(0, 2) == L"\\\\" || HasDrive(rest))
        return LocalPathText(rest); // "file://\\server\share\a" and "file://C:\a"
    if (!rest.empty() && rest.front() == L'/') {
        rest.remove_prefix(1); // "file:///C:/a"; more slashes make a network path
        if (HasDrive(rest))
            return LocalPathText(rest);
        while (!rest.empty() && rest.front() == L'/')
            rest.remove_prefix(1);
        return rest.empty() ? std::wstring() : L"\\\\" + LocalPathText(rest);
    }
    // "file://[user[:password]@]server/share/a": the authority ends at the first slash or backslash.
    std::size_t end = rest.find_first_of(L"/\\");
    std::wstring_view authority = rest.substr(0, end);
    std::wstring_view remainder = end == std::wstring_view::npos ? std::wstring_view() : rest.substr(end);
    std::size_t at = authority.rfind(L'@');
    if (at != std::wstring_view::npos)
        authority.remove_prefix(at + 1);
    if (authority.empty())
        return {};
    if (EqualsNoCase(authority, L"localhost") && remainder.size() > 1 && HasDrive(remainder.substr(1)))
        return LocalPathText(remainder.substr(1));
    return L"\\\\" + LocalPathText(authority) + LocalPathText(remainder);
}

UrlUserInfo FileUrlUserInfo(std::wstring_view url) {
    UrlUserInfo info;
    if (!StartsWithNoCase(url, L"file://"))
        return info;
    std::wstring_view rest = url.substr(7);
    const std::wstring_view authority = rest.substr(0, rest.find_first_of(L"/\\"));
    const std::size_t at = authority.rfind(L'@');
    if (at == std::wstring_view::npos)
        return info;
    const std::wstring_view credentials = authority.substr(0, at);
    const std::size_t colon = credentials.find(L':');
    info.user = std::wstring(credentials.substr(0, colon));
    if (colon != std::wstring_view::npos)
        info.password = std::wstring(credentials.substr(colon + 1));
    return info;
}

std::wstring NetworkServer(std::wstring_view path) {
    if (path.substr(0, 2) != L"\\\\" || platform::HasLongPrefix(path))
        return {};
    std::wstring_view rest = path.substr(2);
    return std::wstring(rest.substr(0, rest.find(L'\\')));
}

void CopyProgressThrottle::Start(std::uint64_t total, std::uint32_t now) {
    total_ = total;
    lastTransferred_ = 0;
    running_ = 0;
    reported_ = 0;
    lastReport_ = now;
}

std::optional<std::uint64_t> CopyProgressThrottle::Advance(std::uint64_t transferred, std::uint32_t now) {
    if (transferred > lastTransferred_)
        running_ += transferred - lastTransferred_;
    lastTransferred_ = transferred;
    // Unsigned difference: right across the tick count's wrap after 49.7 days.
    if (static_cast<std::uint32_t>(now - lastReport_) < 200 && running_ < total_)
        return std::nullopt;
    if (running_ <= reported_)
        return std::nullopt;
    std::uint64_t step = running_ - reported_;
    reported_ = running_;
    lastReport_ = now;
    return step;
}

std::wstring RealmOfChallenge(std::wstring_view header) {
    std::size_t blank = header.find(L' ');
    if (blank == std::wstring_view::npos)
        return {};
    std::wstring_view rest = header.substr(blank + 1);
    while (true) {
        std::size_t comma = rest.find(L',');
        std::wstring_view part = rest.substr(0, comma);
        std::size_t equals = part.find(L'=');
        if (equals != std::wstring_view::npos && EqualsNoCase(TrimBlanks(part.substr(0, equals)), L"realm")) {
            std::wstring_view value = part.substr(equals + 1);
            if (!value.empty() && value.front() == L'"')
                value.remove_prefix(1);
            if (!value.empty() && value.back() == L'"')
                value.remove_suffix(1);
            return std::wstring(value);
        }
        if (comma == std::wstring_view::npos)
            return {};
        rest.remove_prefix(comma + 1);
    }
}

std::wstring ProxyHostOf(std::wstring_view proxyServer) {
    std::size_t colon = proxyServer.find(L':');
    if (colon == std::wstring_view::npos || colon == 0)
        return std::wstring(proxyServer);
    return std::wstring(proxyServer.substr(0, colon));
}

} // namespace velmora::acquisition
