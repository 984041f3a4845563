#include "transfer/pure/FileChecks.h"

#include <algorithm>

namespace velmora::transfer {

namespace {

bool IsHexDigit(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}

char LowerHex(wchar_t c) {
    return static_cast<char>(c >= L'A' && c <= L'F' ? c - L'A' + L'a' : c);
}

// Left out of a thumbprint: blanks, the colons between bytes, and the direction marks and byte-order mark
// that copying a thumbprint out of Windows's certificate dialog puts in front of it.
bool IsIgnoredInThumbprint(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\u00A0' || c == L':' || c == L'\u200E' || c == L'\u200F' ||
           c == L'\uFEFF';
}

} // namespace

FileChecks ChecksOf(const config::PrerequisiteRecord& prerequisite) {
    FileChecks checks;
    if (prerequisite.SourceKind == config::SourceKey::OpenSite)
        return checks;
    checks.signers = prerequisite.SignerThumbprint;
    if (prerequisite.SourceKind == config::SourceKey::Url) {
        checks.size = prerequisite.ExactSize;
        checks.md5 = prerequisite.MD5;
        checks.sha256 = prerequisite.SHA256;
    }
    return checks;
}

bool Sha256Matches(std::wstring_view expected, std::string_view computed) {
    if (expected.size() != 64 || computed.size() != 64)
        return false;
    for (std::size_t i = 0; i < 64; ++i) {
        if (!IsHexDigit(expected[i]) || LowerHex(expected[i]) != computed[i])
            return false;
    }
    return true;
}

Thumbprints ParseThumbprints(std::wstring_view text) {
    Thumbprints result;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(L';', start);
        if (end == std::wstring_view::npos)
            end = text.size();
        const std::wstring_view item = text.substr(start, end - start);
        std::string digits;
        bool hex = true;
        for (wchar_t c : item) {
            if (IsIgnoredInThumbprint(c))
                continue;
            hex = hex && IsHexDigit(c);
            digits += LowerHex(c);
        }
        if (!digits.empty()) {
            if (hex && digits.size() == 40)
                result.sha1.push_back(digits);
            else if (hex && digits.size() == 64)
                result.sha256.push_back(digits);
            else
                result.malformed.emplace_back(item);
        }
        start = end + 1;
    }
    return result;
}

bool SignerMatches(const Thumbprints& pinned, std::string_view sha1, std::string_view sha256) {
    const auto named = [](const std::vector<std::string>& list, std::string_view thumbprint) {
        return !thumbprint.empty() && std::find(list.begin(), list.end(), thumbprint) != list.end();
    };
    return named(pinned.sha1, sha1) || named(pinned.sha256, sha256);
}

std::string HexText(const unsigned char* bytes, std::size_t count) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    text.reserve(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        text += kHex[bytes[i] >> 4];
        text += kHex[bytes[i] & 0x0F];
    }
    return text;
}

} // namespace velmora::transfer
