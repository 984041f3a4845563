#include "detection/RegistrySearch.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "detection/OsVersion.h"
#include "detection/ScopedMachineKey.h"
#include "platform/Bitness.h"
#include "platform/FileSystem.h"
#include "support/TestSupport.h"

using namespace velmora::detection;
using velmora::test::ScopedMachineKey;
using velmora::test::ScopedRegistryKey;
using velmora::test::UniqueName;

namespace {

void SetString(HKEY key, const wchar_t* name, const std::wstring& text, DWORD type = REG_SZ) {
    ::RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void SetBytes(HKEY key, const wchar_t* name, DWORD type, const void* data, DWORD size) {
    ::RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
}

void SetDword(HKEY key, const wchar_t* name, DWORD value) {
    SetBytes(key, name, REG_DWORD, &value, sizeof value);
}

void CreateSubkey(HKEY key, const wchar_t* name) {
    HKEY created = nullptr;
    if (::RegCreateKeyExW(key, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created, nullptr) ==
        ERROR_SUCCESS)
        ::RegCloseKey(created);
}

// "HKCU\<private key>" plus the rest.
std::wstring Path(const ScopedRegistryKey& key, const std::wstring& rest = L"") {
    return L"HKCU\\" + key.SubKey() + rest;
}

std::vector<std::wstring> Sorted(std::vector<std::wstring> values) {
    std::sort(values.begin(), values.end());
    return values;
}

} // namespace

TEST(Detection_RegistrySearch, SubkeyNamesAreCollected) {
    ScopedRegistryKey key;
    for (const wchar_t* name : {L"1.0", L"2.5.1", L"not a version"})
        CreateSubkey(key.Handle(), name);
    SearchOutcome outcome;
    CollectSubkeyNames(Path(key), 0, outcome);
    EXPECT_EQ(Sorted(outcome.values), (std::vector<std::wstring>{L"1.0", L"2.5.1", L"not a version"}));

    SearchOutcome missing;
    CollectSubkeyNames(Path(key, L"\\missing"), 0, missing);
    CollectSubkeyNames(L"NoBackslash", 0, missing);
    EXPECT_TRUE(missing.values.empty());
}

TEST(Detection_RegistrySearch, ValueTextIsReadAsUtf16UpToTheFirstZeroWhateverTheType) {
    ScopedRegistryKey key;
    SetString(key.Handle(), L"sz", L"2.5.1");
    SetString(key.Handle(), L"empty", L"");
    SetString(key.Handle(), L"multi",
              std::wstring(L"1.0\0"
                           L"2.0\0",
                           8),
              REG_MULTI_SZ);
    const wchar_t unterminated[] = {L'4', L'.', L'2'};
    SetBytes(key.Handle(), L"binary", REG_BINARY, unterminated, sizeof unterminated);
    SetDword(key.Handle(), L"dword", 12);
    const struct {
        const wchar_t* name;
        std::vector<std::wstring> values;
    } cases[] = {
        {L"sz", {L"2.5.1"}},   {L"empty", {L""}},       {L"multi", {L"1.0"}},
        {L"binary", {L"4.2"}}, {L"dword", {L"\x000C"}}, // the DWORD's bytes as text: not a version
        {L"missing", {}},
    };
    for (const auto& c : cases) {
        SearchOutcome outcome;
        CollectValueText(Path(key, std::wstring(L"\\") + c.name), 0, outcome);
        EXPECT_EQ(outcome.values, c.values) << c.name;
    }
    SearchOutcome noKey;
    CollectValueText(Path(key, L"\\missing\\sz"), 0, noKey);
    EXPECT_TRUE(noKey.values.empty());
}

TEST(Detection_RegistrySearch, ValueNamesAreCollected) {
    ScopedRegistryKey key;
    SetString(key.Handle(), L"1.0", L"x");
    SetString(key.Handle(), L"3.1", L"y");
    SearchOutcome outcome;
    CollectValueNames(Path(key), 0, outcome);
    EXPECT_EQ(Sorted(outcome.values), (std::vector<std::wstring>{L"1.0", L"3.1"}));
}

TEST(Detection_RegistrySearch, ValueNamesOfTheLongestLengthDoNotEndTheEnumeration) {
    ScopedRegistryKey key;
    // The registry allows value names of 16383 characters; the name buffer holds them with their
    // terminator, so such a name is collected and the values after it are too.
    const std::wstring longest(16383, L'9');
    SetString(key.Handle(), longest.c_str(), L"x");
    SetString(key.Handle(), L"4.0", L"y");
    SearchOutcome outcome;
    CollectValueNames(Path(key), 0, outcome);
    EXPECT_EQ(Sorted(outcome.values), (std::vector<std::wstring>{L"4.0", longest}));
}

TEST(Detection_RegistrySearch, AnyUnknownRootMeansHkeyUsers) {
    for (const wchar_t* path : {L"HKU\\.Default", L"HKEY_USERS\\.Default", L"Anything\\.Default"})
        EXPECT_TRUE(RegistryKeyOpens(path, 0)) << path;
    EXPECT_TRUE(RegistryKeyOpens(L"hkey_local_machine\\Software", 0));
    EXPECT_TRUE(RegistryKeyOpens(L"hkcr\\CLSID", 0));
    EXPECT_FALSE(RegistryKeyOpens(L"HKU\\Software\\Microsoft\\Windows NT\\CurrentVersion", 0));
}

TEST(Detection_RegistrySearch, ContentOperatorsOnRealValues) {
    ScopedRegistryKey key;
    SetDword(key.Handle(), L"dword", 12);
    SetString(key.Handle(), L"text", L"12a");
    SetString(key.Handle(), L"path", L"C:\\Program Files\\Vendor");
    const struct {
        const wchar_t* name;
        const wchar_t* refContent;
        bool matches;
        const wchar_t* value;
    } cases[] = {
        {L"dword", L"G10", true, L"12"},
        {L"dword", L"L10", false, L"12"},
        {L"text", L"G10", false, L"12a"},
        {L"path", L"CVendor", true, L"C:\\Program Files\\Vendor"},
        {L"path", L"Svendor", false, L"C:\\Program Files\\Vendor"},
        {L"path", L"", false, L"C:\\Program Files\\Vendor"},
        {L"missing", L"D", false, L""},
    };
    for (const auto& c : cases) {
        SearchOutcome outcome;
        EXPECT_EQ(
            RegistryValueContentMatches(Path(key, std::wstring(L"\\") + c.name), 0, c.refContent, outcome),
            c.matches)
            << c.name << L" " << c.refContent;
        EXPECT_EQ(outcome.value, c.value) << c.name;
    }
    SearchOutcome noSeparator;
    EXPECT_FALSE(RegistryValueContentMatches(L"NoBackslash", 0, L"D", noSeparator));
}

TEST(Detection_RegistrySearch, SwitchLeavesThe32BitViewOnlyOnA64BitSystem) {
    const bool is64BitOs = GetOsVersionInfo().is64BitOs;
    EXPECT_EQ(RegistryView(false, is64BitOs), 0u);
    EXPECT_EQ(RegistryView(true, false), 0u);
    EXPECT_EQ(RegistryView(true, true), static_cast<REGSAM>(KEY_WOW64_64KEY));

    // A key of the 32-bit view: the 32-bit chainer sees it without the switch; a 64-bit process on a 64-bit
    // system reads the 64-bit view either way and does not.
    ScopedMachineKey redirected(UniqueName(L"wow"), KEY_WOW64_32KEY);
    ASSERT_NE(redirected.Handle(), nullptr);
    EXPECT_EQ(RegistryKeyOpens(redirected.Path(), RegistryView(false, is64BitOs)),
              !is64BitOs || !velmora::platform::kIs64BitProcess);
    EXPECT_EQ(RegistryKeyOpens(redirected.Path(), RegistryView(true, is64BitOs)), !is64BitOs);
}
