#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "support/TestSupport.h"

using namespace velmora::platform;
using velmora::test::ScopedRegistryKey;

namespace {

void SetRaw(HKEY key, const wchar_t* name, DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(::RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
}

void SetString(HKEY key, const wchar_t* name, DWORD type, const std::wstring& text) {
    SetRaw(key, name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

DWORD Read(HKEY key, const wchar_t* name, std::wstring& text) {
    text = L"stale";
    return ReadRegistryValueText(key, name, text);
}

} // namespace

TEST(Registry_RootKey, MapsEveryRoot) {
    EXPECT_EQ(RegistryRootKey(ParseRegistryRoot(L"HKLM\\x")), HKEY_LOCAL_MACHINE);
    EXPECT_EQ(RegistryRootKey(ParseRegistryRoot(L"HKCU\\x")), HKEY_CURRENT_USER);
    EXPECT_EQ(RegistryRootKey(ParseRegistryRoot(L"HKCR\\x")), HKEY_CLASSES_ROOT);
    EXPECT_EQ(RegistryRootKey(ParseRegistryRoot(L"HKCC\\x")), HKEY_CURRENT_CONFIG);
    EXPECT_EQ(RegistryRootKey(ParseRegistryRoot(L"HKU\\x")), HKEY_USERS);
    EXPECT_EQ(RegistryRootKey(ParseRegistryRoot(L"HKLM")), nullptr);
}

TEST(Registry_ReadText, EveryTypeAsTheRegistryStoresIt) {
    ScopedRegistryKey key;
    SetString(key.Handle(), L"sz", REG_SZ, L"plain");
    SetString(key.Handle(), L"expand", REG_EXPAND_SZ, L"%SystemRoot%\\x");
    const wchar_t multi[] = L"one\0two\0";
    SetRaw(key.Handle(), L"multi", REG_MULTI_SZ, multi, sizeof multi);
    DWORD number = 4000000000u;
    SetRaw(key.Handle(), L"dword", REG_DWORD, &number, sizeof number);
    const BYTE binary[] = {'a', 0, 'b', 0};
    SetRaw(key.Handle(), L"binary", REG_BINARY, binary, sizeof binary);
    SetString(key.Handle(), L"", REG_SZ, L"default");

    std::wstring text;
    EXPECT_EQ(Read(key.Handle(), L"sz", text), ERROR_SUCCESS);
    EXPECT_EQ(text, L"plain");
    EXPECT_EQ(Read(key.Handle(), L"expand", text), ERROR_SUCCESS);
    EXPECT_EQ(text, L"%SystemRoot%\\x");
    EXPECT_EQ(Read(key.Handle(), L"multi", text), ERROR_SUCCESS);
    EXPECT_EQ(text, std::wstring(L"one\0two", 7));
    EXPECT_EQ(Read(key.Handle(), L"dword", text), ERROR_SUCCESS);
    EXPECT_EQ(text, L"4000000000");
    EXPECT_EQ(Read(key.Handle(), L"binary", text), static_cast<DWORD>(ERROR_UNSUPPORTED_TYPE));
    EXPECT_EQ(text, L"");
    EXPECT_EQ(Read(key.Handle(), L"", text), ERROR_SUCCESS);
    EXPECT_EQ(text, L"default");
    EXPECT_EQ(Read(key.Handle(), L"missing", text), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(text, L"");
}

TEST(Registry_ReadText, MalformedStringsStayInsideTheirData) {
    ScopedRegistryKey key;
    const wchar_t unterminated[] = {L'a', L'b', L'c'};
    SetRaw(key.Handle(), L"unterminated", REG_SZ, unterminated, sizeof unterminated);
    const BYTE odd[] = {'x', 0, 'y', 0, 'z'};
    SetRaw(key.Handle(), L"odd", REG_SZ, odd, sizeof odd);
    SetRaw(key.Handle(), L"empty", REG_SZ, nullptr, 0);
    const BYTE shortDword[] = {7, 0};
    SetRaw(key.Handle(), L"shortdword", REG_DWORD, shortDword, sizeof shortDword);

    std::wstring text;
    EXPECT_EQ(Read(key.Handle(), L"unterminated", text), ERROR_SUCCESS);
    EXPECT_EQ(text, L"abc");
    EXPECT_EQ(Read(key.Handle(), L"odd", text), ERROR_SUCCESS);
    EXPECT_EQ(text, L"xy");
    EXPECT_EQ(Read(key.Handle(), L"empty", text), ERROR_SUCCESS);
    EXPECT_EQ(text, L"");
    EXPECT_EQ(Read(key.Handle(), L"shortdword", text), static_cast<DWORD>(ERROR_UNSUPPORTED_TYPE));
}

TEST(Registry_ReadText, GrowsPastTheFirstReadForLongValues) {
    ScopedRegistryKey key;
    // 99 characters and a terminator fill the first 200-byte read exactly; one more needs a second read.
    for (std::size_t length : {99u, 100u, 101u, 1000u, 300000u}) {
        std::wstring value(length, L'v');
        value.back() = L'!';
        SetString(key.Handle(), L"long", REG_SZ, value);
        std::wstring text;
        EXPECT_EQ(Read(key.Handle(), L"long", text), ERROR_SUCCESS) << length;
        EXPECT_EQ(text, value) << length;
    }
}

// A writer flips the value between a long string and a DWORD while reads go on: every read gives one of
// the two texts, never a mixture or a read past the data.
TEST(Registry_ReadText, ValueThatChangesTypeBetweenReadsGivesOneWholeAnswer) {
    ScopedRegistryKey key;
    const std::wstring longText(150, L's');
    DWORD number = 42;
    SetString(key.Handle(), L"flip", REG_SZ, longText);

    std::atomic<bool> stop{false};
    std::thread writer([&] {
        HKEY handle = nullptr;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, key.SubKey().c_str(), 0, KEY_SET_VALUE, &handle) !=
            ERROR_SUCCESS)
            return;
        for (unsigned i = 0; !stop; ++i) {
            if (i % 2 == 0)
                ::RegSetValueExW(handle, L"flip", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                                 sizeof number);
            else
                ::RegSetValueExW(handle, L"flip", 0, REG_SZ, reinterpret_cast<const BYTE*>(longText.c_str()),
                                 static_cast<DWORD>((longText.size() + 1) * sizeof(wchar_t)));
        }
        ::RegCloseKey(handle);
    });
    int strings = 0;
    int numbers = 0;
    for (int i = 0; i < 400; ++i) {
        std::wstring text;
        ASSERT_EQ(ReadRegistryValueText(key.Handle(), L"flip", text), ERROR_SUCCESS);
        if (text == longText)
            ++strings;
        else if (text == L"42")
            ++numbers;
        else
            ADD_FAILURE() << "unexpected text of " << text.size() << " characters";
    }
    stop = true;
    writer.join();
    EXPECT_EQ(strings + numbers, 400);
}
