// The line logged after a file was rejected for its size, digest or signature: what was received, so that
// the author can tell a replaced file from an error or sign-in page that a server or captive portal sent
// with status 200.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "transfer/pure/FileChecks.h"

namespace velmora::transfer {

// What a source said about the data it sent: the server's Content-Type (empty when it gave none, and for FTP
// and files) and the address the data came from after any redirects, credentials hidden.
struct SourceReply {
    std::wstring contentType;
    std::wstring finalUrl;
};

struct ReceivedFile {
    std::uint64_t size = 0;
    FileDigests digests;      // those computed; empty ones are left out
    std::wstring contentType; // as the server gave it; empty: none given, or no server
    std::wstring finalUrl; // where the data came from after redirects, credentials hidden; empty: no transfer
    std::string head;      // the file's first bytes (kTriageHeadBytes at most)
};

// How much of a file's start LooksLikeHtml needs.
inline constexpr std::size_t kTriageHeadBytes = 512;

// Whether the bytes start like an HTML page: after a UTF-8 byte-order mark and blanks, a doctype, an html,
// head, body, title, meta or script tag, or a comment, in any letter case.
bool LooksLikeHtml(std::string_view head);

// "Received 5120 bytes, MD5 <hex>, SHA256 <hex>, Content-Type text/html, from <url>." and, when the data
// starts like an HTML page, " It starts like an HTML page: probably an error or sign-in page, not the file."
// Parts that are not known are left out. A server's Content-Type is cut at 100 characters.
std::wstring TriageLine(const ReceivedFile& received);

} // namespace velmora::transfer
