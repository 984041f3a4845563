#include "detection/pure/OsVersionInfo.h"

#include <array>
#include <utility>

#include "platform/pure/DecimalNumbers.h"
#include "platform/pure/TextCompare.h"

namespace velmora::detection {

namespace {

bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

constexpr std::array<std::pair<std::wstring_view, std::uint16_t>, 14> kSuites{{
    {L"Small Business", 0x0001},
    {L"Enterprise", 0x0002},
    {L"BackOffice", 0x0004},
    {L"CommunicationServer", 0x0008},
    {L"Terminal Server", 0x0010},
    {L"Small Business(Restricted)", 0x0020},
    {L"EmbeddedNT", 0x0040},
    {L"DataCenter", 0x0080},
    {L"Personal", 0x0200},
    {L"Blade", 0x0400},
    {L"Embedded(Restricted)", 0x0800},
    {L"Security Appliance", 0x1000},
    {L"Storage Server", 0x2000},
    {L"Compute Server", 0x4000},
}};

} // namespace

bool IsWindows10OrLater(const OsVersionInfo& info) {
    // The first field that differs from 10.0 SP0 build 0 decides; servicePack and build can only make an
    // equal major.minor "later", so the answer is major >= 10.
    if (info.major != 10)
        return info.major > 10;
    if (info.minor != 0)
        return info.minor > 0;
    return true;
}

std::int32_t ParseRegistryNumber(std::wstring_view text) {
    return platform::ParseWrappingInt32(text, platform::NumberLead::Minus).value;
}

void ApplyCurrentVersionText(std::wstring_view text, OsVersionInfo& info) {
    // A three-character text whose ends are not digits would give nonsense numbers; it is left alone like
    // any other unexpected shape.
    if (text.size() != 3 || !IsDigit(text[0]) || !IsDigit(text[2]))
        return;
    info.major = static_cast<std::uint32_t>(text[0] - L'0');
    info.minor = static_cast<std::uint32_t>(text[2] - L'0');
}

bool IsWindows11Branch(std::wstring_view buildBranch) {
    return platform::EqualsNoCase(buildBranch, L"co_release") ||
           platform::EqualsNoCase(buildBranch, L"rs_prerelease");
}

void ApplyCsdVersion(std::wstring_view text, OsVersionInfo& info) {
    constexpr std::size_t capacity = sizeof info.csdVersion / sizeof info.csdVersion[0];
    std::size_t length = text.size() < capacity - 1 ? text.size() : capacity - 1;
    text.substr(0, length).copy(info.csdVersion, length);
    info.csdVersion[length] = L'\0';
    // "Service Pack 3" gives 3. An empty text, or one that does not end in a digit, is no service pack
    // rather than a character code read as a number.
    info.servicePack =
        (!text.empty() && IsDigit(text.back())) ? static_cast<std::uint32_t>(text.back() - L'0') : 0;
}

void ApplyProductType(std::wstring_view text, OsVersionInfo& info) {
    if (text == L"WinNT") {
        info.productType = 1;
        info.isServer = false;
    } else if (text == L"ServerNT") {
        info.productType = 3;
        info.isServer = true;
    } else {
        info.productType = 2;
        info.isServer = true;
    }
}

std::uint16_t SuiteMaskFor(const std::vector<std::wstring>& suites) {
    std::uint16_t mask = 0;
    for (const std::wstring& suite : suites) {
        for (const auto& [name, bit] : kSuites) {
            if (suite == name)
                mask = static_cast<std::uint16_t>(mask | bit);
        }
    }
    return mask;
}

} // namespace velmora::detection
