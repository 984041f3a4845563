// Rules for matching installed MSIX/AppX packages and writing their versions: processor architecture
// names, version text, and the name/publisher/architecture test of a package search.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora::execution {

// Values of Windows.System.ProcessorArchitecture that have a name.
enum class PackageArchitecture : std::int32_t {
    X86 = 0,
    Arm = 5,
    X64 = 9,
    Neutral = 11,
    Arm64 = 12,
};

struct PackageVersionParts {
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::uint16_t build = 0;
    std::uint16_t revision = 0;
};

// What a search compares and reports of one installed package.
struct PackageIdentity {
    std::wstring name;
    std::wstring publisher;
    std::int32_t architecture = 0;
    PackageVersionParts version;
};

// "neutral", "x64", "x86", "arm" or "arm64"; empty for any other value (x86 on ARM64, unknown).
std::wstring_view ArchitectureName(std::int32_t architecture);

// Parts in decimal joined by dots, trailing parts that are 0 or 65535 left out but at least two written;
// "0.0.0.0" when every part is 0 or 65535. 1.0.0.0 gives "1.0", 14.0.30704.0 gives "14.0.30704".
std::wstring PackageVersionText(const PackageVersionParts& version);

// Exact, case-sensitive comparison; an empty publisher or architecture matches any. A package whose
// architecture has no name never matches a wanted architecture.
bool PackageMatches(const PackageIdentity& package, std::wstring_view name, std::wstring_view publisher,
                    std::wstring_view architecture);

// "0x80040154": an HRESULT as it appears in log lines.
std::wstring HresultText(std::uint32_t code);

} // namespace velmora::execution
