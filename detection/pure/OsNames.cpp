#include "detection/pure/OsNames.h"

#include <array>

#include "platform/pure/DecimalNumbers.h"

namespace velmora::detection {

namespace {

std::wstring Suffixed(std::wstring_view stem, bool is64BitOs) {
    return std::wstring(stem) + (is64BitOs ? L" x64" : L" x86");
}

// Windows 10 builds with a name of their own; a server name applies to a 64-bit server only.
struct Windows10Build {
    std::uint32_t build;
    std::wstring_view version;
    std::wstring_view serverX64Name; // empty: a server gets the workstation name
};

constexpr std::array<Windows10Build, 14> kWindows10Builds{{
    {10240, L"Windows 10 version 1507", L""},
    {10586, L"Windows 10 version 1511", L""},
    {14393, L"Windows 10 version 1607", L"Windows Server 2016 x64"},
    {15063, L"Windows 10 version 1703", L""},
    {16299, L"Windows 10 version 1709", L""},
    {17134, L"Windows 10 version 1803", L""},
    {17763, L"Windows 10 version 1809", L"Windows Server 2019 x64"},
    {18362, L"Windows 10 version 1903", L""},
    {18363, L"Windows 10 version 1909", L""},
    {19041, L"Windows 10 version 2004", L""},
    {19042, L"Windows 10 version 20H2", L""},
    {19043, L"Windows 10 version 21H1", L""},
    {19044, L"Windows 10 version 21H2", L""},
    {20348, L"Windows 10 version 21H2", L"Windows Server 2022 x64"},
}};

std::wstring Windows10Name(const OsVersionInfo& info, bool serverX64) {
    for (const Windows10Build& row : kWindows10Builds) {
        if (row.build == info.build) {
            if (serverX64 && !row.serverX64Name.empty())
                return std::wstring(row.serverX64Name);
            return Suffixed(row.version, info.is64BitOs);
        }
    }
    return serverX64 ? L"Windows Server x64" : Suffixed(L"Windows 10", info.is64BitOs);
}

// The stem for service pack 0, 1, 2 and any other, in that order.
std::wstring_view ByServicePack(std::uint32_t servicePack, std::array<std::wstring_view, 4> stems) {
    return stems[servicePack < 3 ? servicePack : 3];
}

std::wstring Windows6Name(const OsVersionInfo& info, bool serverX64) {
    const bool x64 = info.is64BitOs;
    switch (info.minor) {
    case 3:
        return serverX64 ? L"Windows Server 2012 R2 x64" : Suffixed(L"Windows 8.1", x64);
    case 2:
        return serverX64 ? L"Windows Server 2012 x64" : Suffixed(L"Windows 8", x64);
    case 1:
        if (serverX64)
            return std::wstring(ByServicePack(
                info.servicePack, {L"Windows Server 2008 R2 RTM x64", L"Windows Server 2008 R2 SP1 x64",
                                   L"Windows Server 2008 R2 x64", L"Windows Server 2008 R2 x64"}));
        return Suffixed(
            ByServicePack(info.servicePack, {L"Windows 7 RTM", L"Windows 7 SP1", L"Windows 7", L"Windows 7"}),
            x64);
    case 0:
        if (info.isServer)
            return Suffixed(
                ByServicePack(info.servicePack, {L"Windows Server 2008 RTM", L"Windows Server 2008 RTM",
                                                 L"Windows Server 2008 SP2", L"Windows Server 2008"}),
                x64);
        return Suffixed(ByServicePack(info.servicePack, {L"Windows Vista RTM", L"Windows Vista SP1",
                                                         L"Windows Vista SP2", L"Windows Vista"}),
                        x64);
    default:
        return std::wstring(kOsNotIdentified);
    }
}

std::wstring Windows5Name(const OsVersionInfo& info) {
    const std::uint32_t sp = info.servicePack;
    switch (info.minor) {
    case 2:
        if (info.isServer)
            return Suffixed(ByServicePack(sp, {L"Windows Server 2003", L"Windows Server 2003 SP1",
                                               L"Windows Server 2003 SP2", L"Windows Server 2003"}),
                            info.is64BitOs);
        // Version 5.2 as a workstation exists only as the 64-bit edition of XP.
        return std::wstring(ByServicePack(
            sp, {L"Windows XP x64", L"Windows XP SP1 x64", L"Windows XP SP2 x64", L"Windows XP x64"}));
    case 1:
        switch (sp) {
        case 1:
            return L"Windows XP SP1 x86";
        case 2:
            return L"Windows XP SP2 x86";
        case 3:
            return L"Windows XP SP3 x86";
        default:
            return L"Windows XP x86";
        }
    default:
        return std::wstring(kOsNotIdentified);
    }
}

} // namespace

std::wstring DetailedOsName(const OsVersionInfo& info) {
    const bool serverX64 = info.isServer && info.is64BitOs;
    switch (info.major) {
    case 11:
        if (info.minor != 0)
            return std::wstring(kOsNotIdentified);
        if (info.build == 22000)
            return Suffixed(L"Windows 11 version 21H2", info.is64BitOs);
        return serverX64 ? L"Windows Server x64" : Suffixed(L"Windows 11", info.is64BitOs);
    case 10:
        if (info.minor != 0)
            return std::wstring(kOsNotIdentified);
        return Windows10Name(info, serverX64);
    case 6:
        return Windows6Name(info, serverX64);
    case 5:
        return Windows5Name(info);
    default:
        return std::wstring(kOsNotIdentified);
    }
}

std::wstring GeneralOsName(const OsVersionInfo& info) {
    const bool serverX64 = info.isServer && info.is64BitOs;
    const bool x64 = info.is64BitOs;
    auto is = [&info](std::uint32_t major, std::uint32_t minor) {
        return info.major == major && info.minor == minor;
    };
    if (is(11, 0))
        return serverX64 ? L"Windows Server x64" : Suffixed(L"Windows 11", x64);
    if (is(10, 0))
        return serverX64 ? L"Windows Server x64" : Suffixed(L"Windows 10", x64);
    if (is(6, 3))
        return serverX64 ? L"Windows Server 2012 R2 x64" : Suffixed(L"Windows 8.1", x64);
    if (is(6, 2))
        return serverX64 ? L"Windows Server 2012 x64" : Suffixed(L"Windows 8", x64);
    if (is(6, 1))
        return serverX64 ? L"Windows Server 2008 R2 x64" : Suffixed(L"Windows 7", x64);
    if (is(6, 0))
        return Suffixed(info.isServer ? L"Windows Server 2008" : L"Windows Vista", x64);
    if (is(5, 2))
        return info.isServer ? Suffixed(L"Windows Server 2003", x64) : L"Windows XP x64";
    if (is(5, 1))
        return L"Windows XP x86";
    return std::wstring(kOsNotIdentified);
}

std::vector<std::wstring_view> SplitOsList(std::wstring_view list) {
    std::vector<std::wstring_view> items;
    if (list.empty())
        return items;
    std::size_t start = 0;
    for (;;) {
        std::size_t separator = list.find(L", ", start);
        if (separator == std::wstring_view::npos) {
            items.push_back(list.substr(start));
            return items;
        }
        items.push_back(list.substr(start, separator - start));
        start = separator + 2;
    }
}

bool IsOsExcludedFor(bool is64BitOs, std::wstring_view detailedName, std::wstring_view generalName,
                     std::wstring_view winNTVersions, std::wstring_view winNT64Versions) {
    const std::wstring_view list = is64BitOs ? winNT64Versions : winNTVersions;
    if (list == (is64BitOs ? kAllOsList64 : kAllOsList32))
        return true;
    for (std::wstring_view item : SplitOsList(list)) {
        if (item == detailedName || item == generalName)
            return true;
    }
    return false;
}

std::int32_t ParseLanguageItem(std::wstring_view item) {
    return platform::ParseWrappingInt32(item, platform::NumberLead::BlanksAndSign).value;
}

bool IsLanguageInList(std::wstring_view list, std::uint16_t languageId) {
    std::size_t start = 0;
    for (std::size_t end = list.find(L';'); end != std::wstring_view::npos; end = list.find(L';', start)) {
        auto item = static_cast<std::uint32_t>(ParseLanguageItem(list.substr(start, end - start)));
        if ((item & 0xFFFFu) == languageId)
            return true;
        start = end + 1;
    }
    return false;
}

std::wstring LanguageLogLine(std::uint16_t languageId, std::wstring_view languageName) {
    return L"SystemDefault LangID=" + std::to_wstring(languageId) + L"-" + std::wstring(languageName);
}

} // namespace velmora::detection
