// Version texts as the searches read them: up to four numeric parts pulled out of free text ("v1.2",
// "1,2,3,4", "Build 7 5"), written back without trailing 0 or 65535 parts, and the two bound tests that
// decide whether a found version is acceptable. Pure text and arithmetic: no Windows header.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::detection {

struct VersionNumber {
    // Major, minor, build, revision; compared as signed numbers, major first.
    std::array<std::int32_t, 4> parts{};
    // How many parts the text held (0 for a failed parse).
    int count = 0;

    bool IsAll(std::int32_t value) const;
};

// -1, 0 or 1 as a is below, equal to or above b (the part count plays no role).
int CompareVersions(const VersionNumber& a, const VersionNumber& b);

// False for an empty text, a text without a decimal digit, or a part that does not fit 32 bits; the
// version is then 0.0.0.0. Text before the first digit and separators between parts are skipped.
bool ParseVersion(std::wstring_view text, VersionNumber& version);
// The version alone, 0.0.0.0 when the text does not parse.
VersionNumber ParsedVersion(std::wstring_view text);

// Parts joined by "."; trailing 0 and 65535 parts dropped, but at least two written ("1.0"); a version made
// only of 0 and 65535 parts is "0.0.0.0".
std::wstring FormatVersion(const VersionNumber& version);

// Bound test of the file and folder searches: a bound made of four 0 parts or four 65535 parts is absent;
// present bounds are inclusive.
bool IsVersionInRange(std::wstring_view verMin, std::wstring_view verMax, const VersionNumber& version);

// Whether a search found an acceptable version among its collected values. No values: false. Bounds only
// absent when all four parts are 0; with both absent any value will do, even one without digits. Otherwise
// the first value that is within the bounds decides; values that read as 0.0.0.0 are skipped.
bool AnyValueInRange(std::wstring_view verMin, std::wstring_view verMax,
                     const std::vector<std::wstring>& values);

} // namespace velmora::detection
