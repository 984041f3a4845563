// What an HTTP answer means for the partial file, and the sizes and ranges its headers carry.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmora::transfer {

// What an HTTP answer to a request from `resumeOffset` means.
struct HttpAnswer {
    std::uint32_t result = 0;      // 0, or the code that ends the request
    std::uint64_t offset = 0;      // where the body's first byte belongs in the file
    std::uint64_t total = 0;       // the whole file's size; 0 when unknown
    bool needsCredentials = false; // 401 or 407: ask for credentials, then send again
    bool forProxy = false;         // 407
};

// contentRange is the Content-Range header of a 206 or 416 answer (empty when absent). An answer that there
// is nothing to resume carries the server's size in total (0 when it did not tell).
HttpAnswer ClassifyHttpAnswer(std::uint32_t status, std::uint64_t contentLength, std::uint64_t resumeOffset,
                              std::wstring_view contentRange);

// An answer that sends the request elsewhere (301, 302, 303, 307, 308), which the engine follows itself.
bool IsRedirectStatus(std::uint32_t status);
// How many times one request may be sent elsewhere before the engine gives up.
inline constexpr std::uint32_t kMaxRedirects = 10;

// The size in a Content-Length header: its leading decimal digits; 0 when there are none or they do not
// fit in 64 bits.
std::uint64_t ContentLengthValue(std::wstring_view header);

// "bytes 1000-4999/5000" gives 1000 (and 5000 as the size); nothing for any other form.
struct ContentRange {
    std::uint64_t first = 0;
    std::optional<std::uint64_t> size;
};
std::optional<ContentRange> ParseContentRange(std::wstring_view header);

// The file's size in the Content-Range header of a 416 answer: "bytes */5000" gives 5000.
std::optional<std::uint64_t> UnsatisfiedRangeSize(std::wstring_view header);

// A header value without the blanks (spaces and tabs) around it.
std::wstring_view TrimBlanks(std::wstring_view text);

// "Range: bytes=1000-\r\n".
std::wstring RangeHeader(std::uint64_t offset);

} // namespace velmora::transfer
