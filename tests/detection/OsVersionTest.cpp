#include "detection/OsVersion.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/GrowBuffer.h"
#include "support/TestSupport.h"

using namespace velmora::detection;
using velmora::test::ScopedRegistryKey;

namespace {

bool PrefixIs64Bit() {
    const char* arch = std::getenv("VELMORA_WINE_ARCH");
    if (arch != nullptr)
        return std::string(arch) == "win64";
    // Run by hand without the CTest environment: ask the system directly.
    BOOL wow64 = FALSE;
    return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
}

struct RegValue {
    const wchar_t* name;
    DWORD type;
    std::wstring text; // REG_SZ / REG_MULTI_SZ (strings separated by '\0')
    DWORD number;
};

RegValue Sz(const wchar_t* name, std::wstring text) {
    return {name, REG_SZ, std::move(text), 0};
}
RegValue Dword(const wchar_t* name, DWORD number) {
    return {name, REG_DWORD, L"", number};
}
RegValue Multi(const wchar_t* name, std::wstring strings) {
    return {name, REG_MULTI_SZ, std::move(strings), 0};
}

void WriteValues(HKEY root, const std::wstring& path, REGSAM view, const std::vector<RegValue>& values) {
    HKEY key = nullptr;
    ASSERT_EQ(
        ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    for (const RegValue& v : values) {
        if (v.type == REG_DWORD) {
            ::RegSetValueExW(key, v.name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v.number),
                             sizeof v.number);
        } else {
            std::wstring data = v.text;
            data.push_back(L'\0');
            if (v.type == REG_MULTI_SZ)
                data.push_back(L'\0');
            ::RegSetValueExW(key, v.name, 0, v.type, reinterpret_cast<const BYTE*>(data.c_str()),
                             static_cast<DWORD>(data.size() * sizeof(wchar_t)));
        }
    }
    ::RegCloseKey(key);
}

struct Expected {
    std::uint32_t major, minor, build, servicePack;
    const wchar_t* csd;
    std::uint16_t productType, suiteMask;
    bool isServer;
    std::int32_t releaseId;
};

struct Scenario {
    const char* name;
    std::vector<RegValue> version;
    std::vector<RegValue> productOptions;
    Expected expected;
};

} // namespace

TEST(OsVersion_ReadOsVersionInfo, EmulatedSystemsFromRegistryValues) {
    const Scenario scenarios[] = {
        {"Windows 10 21H2",
         {Dword(L"CurrentMajorVersionNumber", 10), Dword(L"CurrentMinorVersionNumber", 0),
          Sz(L"CurrentVersion", L"6.3"), Sz(L"CurrentBuildNumber", L"19044"), Sz(L"ReleaseId", L"2009"),
          Sz(L"BuildBranch", L"vb_release")},
         {Sz(L"ProductType", L"WinNT"), Multi(L"ProductSuite", std::wstring(L"Terminal Server", 15))},
         {10, 0, 19044, 0, L"", 1, 0x0010, false, 2009}},
        {"Windows 11 co_release",
         {Dword(L"CurrentMajorVersionNumber", 10), Dword(L"CurrentMinorVersionNumber", 0),
          Sz(L"CurrentBuildNumber", L"22000"), Sz(L"BuildBranch", L"co_release"), Sz(L"ReleaseId", L"2009")},
         {Sz(L"ProductType", L"WinNT")},
         {11, 0, 22000, 0, L"", 1, 0, false, 2009}},
        {"Windows 11 rs_prerelease in capitals",
         {Dword(L"CurrentMajorVersionNumber", 10), Sz(L"CurrentBuildNumber", L"25000"),
          Sz(L"BuildBranch", L"RS_PRERELEASE")},
         {Sz(L"ProductType", L"WinNT")},
         {11, 0, 25000, 0, L"", 1, 0, false, 1507}},
        {"Build of Windows 11 on another branch stays 10",
         {Dword(L"CurrentMajorVersionNumber", 10), Sz(L"CurrentBuildNumber", L"22621"),
          Sz(L"BuildBranch", L"ni_release")},
         {Sz(L"ProductType", L"WinNT")},
         {10, 0, 22621, 0, L"", 1, 0, false, 1507}},
        {"Branch is not read below build 22000",
         {Dword(L"CurrentMajorVersionNumber", 10), Sz(L"CurrentBuildNumber", L"21999"),
          Sz(L"BuildBranch", L"co_release")},
         {},
         {10, 0, 21999, 0, L"", 1, 0, false, 1507}},
        {"Windows 8.1 without CurrentMajorVersionNumber",
         {Sz(L"CurrentVersion", L"6.3"), Sz(L"CurrentBuildNumber", L"9600")},
         {Sz(L"ProductType", L"WinNT")},
         {6, 3, 9600, 0, L"", 1, 0, false, 1507}},
        {"Windows 7 SP1",
         {Sz(L"CurrentVersion", L"6.1"), Sz(L"CurrentBuildNumber", L"7601"),
          Sz(L"CSDVersion", L"Service Pack 1")},
         {Sz(L"ProductType", L"WinNT")},
         {6, 1, 7601, 1, L"Service Pack 1", 1, 0, false, 1507}},
        {"Windows Server 2019",
         {Dword(L"CurrentMajorVersionNumber", 10), Dword(L"CurrentMinorVersionNumber", 0),
          Sz(L"CurrentBuildNumber", L"17763"), Sz(L"ReleaseId", L"1809")},
         {Sz(L"ProductType", L"ServerNT"),
          Multi(L"ProductSuite", std::wstring(L"Enterprise\0Terminal Server\0DataCenter", 37))},
         {10, 0, 17763, 0, L"", 3, 0x0092, true, 1809}},
        {"Domain controller",
         {Sz(L"CurrentVersion", L"6.3"), Sz(L"CurrentBuildNumber", L"9600")},
         {Sz(L"ProductType", L"LanmanNT")},
         {6, 3, 9600, 0, L"", 2, 0, true, 1507}},
        {"Suite list ends at its first empty string",
         {Sz(L"CurrentVersion", L"6.1")},
         {Multi(L"ProductSuite", std::wstring(L"Enterprise\0\0Blade", 18))},
         {6, 1, 0, 0, L"", 1, 0x0002, false, 1507}},
        {"Values of the wrong type count as missing",
         {Sz(L"CurrentMajorVersionNumber", L"10"), Dword(L"CurrentBuildNumber", 19044),
          Sz(L"CurrentVersion", L"6.2")},
         {Dword(L"ProductType", 3)},
         {6, 2, 0, 0, L"", 1, 0, false, 1507}},
    };
    for (const Scenario& s : scenarios) {
        SCOPED_TRACE(s.name);
        ScopedRegistryKey key;
        OsVersionSource source{HKEY_CURRENT_USER, key.SubKey() + L"\\Version",
                               key.SubKey() + L"\\ProductOptions"};
        WriteValues(HKEY_CURRENT_USER, source.versionKey, 0, s.version);
        WriteValues(HKEY_CURRENT_USER, source.productOptionsKey, 0, s.productOptions);

        OsVersionInfo info = ReadOsVersionInfo(source);
        EXPECT_EQ(info.major, s.expected.major);
        EXPECT_EQ(info.minor, s.expected.minor);
        EXPECT_EQ(info.build, s.expected.build);
        EXPECT_EQ(info.servicePack, s.expected.servicePack);
        EXPECT_EQ(CsdVersionText(info), s.expected.csd);
        EXPECT_EQ(info.productType, s.expected.productType);
        EXPECT_EQ(info.suiteMask, s.expected.suiteMask);
        EXPECT_EQ(info.isServer, s.expected.isServer);
        EXPECT_EQ(info.releaseId, s.expected.releaseId);
        EXPECT_EQ(info.is64BitOs, PrefixIs64Bit());
    }
}

TEST(OsVersion_ReadOsVersionInfo, MissingVersionKeyKeepsEveryInitialValue) {
    ScopedRegistryKey key;
    OsVersionSource source{HKEY_CURRENT_USER, key.SubKey() + L"\\Missing",
                           key.SubKey() + L"\\ProductOptions"};
    WriteValues(HKEY_CURRENT_USER, source.productOptionsKey, 0, {Sz(L"ProductType", L"ServerNT")});
    OsVersionInfo info = ReadOsVersionInfo(source);
    EXPECT_EQ(info.major, 0u);
    EXPECT_EQ(info.build, 0u);
    EXPECT_EQ(info.productType, 1);
    EXPECT_FALSE(info.isServer);
    EXPECT_FALSE(info.is64BitOs);
    EXPECT_EQ(info.releaseId, 1507);
}

// A 32-bit program sees the 32-bit copy of HKLM\Software on 64-bit Windows; the detection must read the
// system's own (64-bit) values. On a 32-bit system both views are the same key.
TEST(OsVersion_ReadOsVersionInfo, ReadsTheSixtyFourBitRegistryView) {
    const std::wstring path = L"Software\\VelmoraTests\\OsView" + std::to_wstring(::GetCurrentProcessId());
    WriteValues(HKEY_LOCAL_MACHINE, path, KEY_WOW64_32KEY,
                {Sz(L"CurrentVersion", L"5.1"), Sz(L"CurrentBuildNumber", L"2600")});
    WriteValues(HKEY_LOCAL_MACHINE, path, KEY_WOW64_64KEY,
                {Sz(L"CurrentVersion", L"6.3"), Sz(L"CurrentBuildNumber", L"9600")});
    OsVersionInfo info = ReadOsVersionInfo({HKEY_LOCAL_MACHINE, path, path});
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), KEY_WOW64_64KEY, 0);
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), KEY_WOW64_32KEY, 0);
    EXPECT_EQ(info.major, 6u);
    EXPECT_EQ(info.minor, 3u);
    EXPECT_EQ(info.build, 9600u);
}

TEST(OsVersion_GetOsVersionInfo, OneRecordForTheProcessFromTheSystemKeys) {
    const OsVersionInfo* seen[2] = {};
    std::thread first([&] { seen[0] = &GetOsVersionInfo(); });
    std::thread second([&] { seen[1] = &GetOsVersionInfo(); });
    first.join();
    second.join();
    EXPECT_EQ(seen[0], seen[1]);
    EXPECT_EQ(seen[0], &GetOsVersionInfo());

    OsVersionInfo fresh = ReadOsVersionInfo(OsVersionSource{});
    const OsVersionInfo& info = GetOsVersionInfo();
    EXPECT_EQ(info.major, fresh.major);
    EXPECT_EQ(info.minor, fresh.minor);
    EXPECT_EQ(info.build, fresh.build);
    EXPECT_EQ(info.servicePack, fresh.servicePack);
    EXPECT_EQ(info.is64BitOs, PrefixIs64Bit());
    EXPECT_NE(info.major, 0u);
    EXPECT_EQ(IsWindows10OrLater(), info.major >= 10);
}

TEST(OsVersion_OsFactsForLogHeader, CarriesTheRecordsFields) {
    const OsVersionInfo& info = GetOsVersionInfo();
    velmora::platform::LogHeaderFacts facts = OsFactsForLogHeader();
    EXPECT_EQ(facts.major, info.major);
    EXPECT_EQ(facts.minor, info.minor);
    EXPECT_EQ(facts.build, info.build);
    EXPECT_EQ(facts.servicePack, info.servicePack);
    EXPECT_EQ(facts.isServer, info.isServer);
    EXPECT_EQ(facts.is64BitOs, info.is64BitOs);
}
