// The machine's Windows version, edition and bitness as read from the registry, and the rules that turn
// registry texts into its fields. Pure: the registry reading itself lives in detection/OsVersion.h, which
// owns the one process-wide record.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::detection {

struct OsVersionInfo {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    std::uint32_t servicePack = 0;
    // Zero-terminated; a fixed array keeps the record trivially destructible, so it stays readable to the
    // very end of the process (the logger's closing line at exit may write the header late).
    wchar_t csdVersion[128] = {};
    std::uint16_t productType = 1; // 1 workstation, 2 domain controller, 3 server
    std::uint16_t suiteMask = 0;
    bool isServer = false;
    bool is64BitOs = false;
    std::int32_t releaseId = 1507;
};

// True exactly when major is 10 or more (field-by-field comparison with 10.0 SP0 build 0).
bool IsWindows10OrLater(const OsVersionInfo& info);

// "CurrentBuildNumber" and "ReleaseId": an optional leading "-", then digits up to the first other
// character; no digits give 0.
std::int32_t ParseRegistryNumber(std::wstring_view text);

// "CurrentVersion" of systems before Windows 10: "6.3" gives 6 and 3. Any other shape leaves both alone.
void ApplyCurrentVersionText(std::wstring_view text, OsVersionInfo& info);

// Windows 11 still reports 10 as its major version; its build branch tells it apart.
bool IsWindows11Branch(std::wstring_view buildBranch);

// Copies "CSDVersion" (cut to 127 characters) and takes the service-pack number from its last character.
void ApplyCsdVersion(std::wstring_view text, OsVersionInfo& info);

// "ProductType": "WinNT" workstation, "ServerNT" server, anything else a domain controller.
void ApplyProductType(std::wstring_view text, OsVersionInfo& info);

// "ProductSuite" strings to suite-mask bits; unknown strings are ignored.
std::uint16_t SuiteMaskFor(const std::vector<std::wstring>& suites);

inline std::wstring CsdVersionText(const OsVersionInfo& info) {
    return info.csdVersion;
}

} // namespace velmora::detection
