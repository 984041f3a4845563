#include "detection/pure/Version.h"

namespace velmora::detection {

namespace {

bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

// A part above this takes no further digit without leaving 32 bits.
constexpr std::int32_t kLastSafePart = 214748364;

bool IsBelow(const VersionNumber& version, const VersionNumber& verMin, bool minPresent) {
    return minPresent && CompareVersions(version, verMin) < 0;
}

bool IsAbove(const VersionNumber& version, const VersionNumber& verMax, bool maxPresent) {
    return maxPresent && CompareVersions(version, verMax) > 0;
}

} // namespace

bool VersionNumber::IsAll(std::int32_t value) const {
    for (std::int32_t part : parts)
        if (part != value)
            return false;
    return true;
}

int CompareVersions(const VersionNumber& a, const VersionNumber& b) {
    for (std::size_t i = 0; i < a.parts.size(); ++i) {
        if (a.parts[i] < b.parts[i])
            return -1;
        if (a.parts[i] > b.parts[i])
            return 1;
    }
    return 0;
}

bool ParseVersion(std::wstring_view text, VersionNumber& version) {
    version = VersionNumber{};
    std::size_t at = 0;
    while (at < text.size() && !IsDigit(text[at]))
        ++at;
    if (at == text.size())
        return false;

    VersionNumber parsed;
    while (parsed.count < 4 && at < text.size()) {
        std::int32_t part = 0;
        for (; at < text.size() && IsDigit(text[at]); ++at) {
            const std::int32_t digit = text[at] - L'0';
            // 214748364 followed by 8 or 9 leaves 32 bits as well, so it fails like any larger part.
            if (part > kLastSafePart || (part == kLastSafePart && digit > 7))
                return false;
            part = part * 10 + digit;
        }
        parsed.parts[parsed.count++] = part;
        while (at < text.size() && !IsDigit(text[at]))
            ++at;
    }
    version = parsed;
    return true;
}

VersionNumber ParsedVersion(std::wstring_view text) {
    VersionNumber version;
    (void)ParseVersion(text, version);
    return version;
}

std::wstring FormatVersion(const VersionNumber& version) {
    auto dropped = [](std::int32_t part) { return part == 0 || part == 65535; };
    std::size_t written = version.parts.size();
    while (written > 0 && dropped(version.parts[written - 1]))
        --written;
    if (written == 0)
        return L"0.0.0.0";
    if (written < 2)
        written = 2;
    std::wstring text;
    for (std::size_t i = 0; i < written; ++i) {
        if (i > 0)
            text += L'.';
        text += std::to_wstring(version.parts[i]);
    }
    return text;
}

bool IsVersionInRange(std::wstring_view verMin, std::wstring_view verMax, const VersionNumber& version) {
    const VersionNumber low = ParsedVersion(verMin);
    const VersionNumber high = ParsedVersion(verMax);
    const bool lowPresent = !low.IsAll(0) && !low.IsAll(65535);
    const bool highPresent = !high.IsAll(0) && !high.IsAll(65535);
    return !IsBelow(version, low, lowPresent) && !IsAbove(version, high, highPresent);
}

bool AnyValueInRange(std::wstring_view verMin, std::wstring_view verMax,
                     const std::vector<std::wstring>& values) {
    if (values.empty())
        return false;
    const VersionNumber low = ParsedVersion(verMin);
    const VersionNumber high = ParsedVersion(verMax);
    const bool lowPresent = !low.IsAll(0);
    const bool highPresent = !high.IsAll(0);
    if (!lowPresent && !highPresent)
        return true;
    for (const std::wstring& value : values) {
        const VersionNumber version = ParsedVersion(value);
        if (version.IsAll(0))
            continue;
        if (!IsBelow(version, low, lowPresent) && !IsAbove(version, high, highPresent))
            return true;
    }
    return false;
}

} // namespace velmora::detection
