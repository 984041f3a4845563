#include "transfer/pure/HttpRules.h"

#include "platform/pure/DecimalNumbers.h"
#include "platform/pure/TextCompare.h"
#include "transfer/pure/TransferRules.h"

namespace velmora::transfer {

using platform::StartsWithNoCase;

std::wstring_view TrimBlanks(std::wstring_view text) {
    while (!text.empty() && (text.front() == L' ' || text.front() == L'\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == L' ' || text.back() == L'\t'))
        text.remove_suffix(1);
    return text;
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

std::wstring RangeHeader(std::uint64_t offset) {
    return L"Range: bytes=" + std::to_wstring(offset) + L"-\r\n";
}

} // namespace velmora::transfer
