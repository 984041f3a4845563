#include "platform/pure/RegistryPath.h"

#include <gtest/gtest.h>

#include <vector>

using namespace velmora::platform;

TEST(RegistryPath_ParseRegistryRoot, NamesEveryRootAndFallsBackToUsers) {
    struct Case {
        const wchar_t* path;
        RegistryRoot root;
    };
    const Case cases[] = {
        {L"HKLM\\Software", RegistryRoot::LocalMachine},
        {L"hkey_local_machine\\Software", RegistryRoot::LocalMachine},
        {L"HKCU\\Software", RegistryRoot::CurrentUser},
        {L"Hkey_Current_User\\x", RegistryRoot::CurrentUser},
        {L"hkcr\\.txt", RegistryRoot::ClassesRoot},
        {L"HKEY_CLASSES_ROOT\\.txt", RegistryRoot::ClassesRoot},
        {L"HKCC\\System", RegistryRoot::CurrentConfig},
        {L"HKEY_CURRENT_CONFIG\\System", RegistryRoot::CurrentConfig},
        {L"HKU\\.DEFAULT", RegistryRoot::Users},
        {L"HKEY_USERS\\.DEFAULT", RegistryRoot::Users},
        {L"\\Software", RegistryRoot::Users},
        {L"HKLMX\\Software", RegistryRoot::Users},
        {L" HKLM\\Software", RegistryRoot::Users},
        {L"HKLM", RegistryRoot::None},
        {L"", RegistryRoot::None},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseRegistryRoot(c.path), c.root) << c.path;
}

TEST(RegistryPath_Split, KeyBetweenFirstAndLastBackslashValueAfterTheLast) {
    RegistryValuePath split = SplitRegistryValuePath(L"HKLM\\Software\\Vendor\\Version");
    EXPECT_EQ(split.root, RegistryRoot::LocalMachine);
    EXPECT_EQ(split.keyPath, L"Software\\Vendor");
    EXPECT_EQ(split.valueName, L"Version");

    split = SplitRegistryValuePath(L"HKCU\\Value");
    EXPECT_EQ(split.root, RegistryRoot::CurrentUser);
    EXPECT_EQ(split.keyPath, L"");
    EXPECT_EQ(split.valueName, L"Value");

    split = SplitRegistryValuePath(L"HKCU\\Key\\");
    EXPECT_EQ(split.keyPath, L"Key");
    EXPECT_EQ(split.valueName, L"");

    split = SplitRegistryValuePath(L"NoBackslash");
    EXPECT_EQ(split.root, RegistryRoot::None);
    EXPECT_EQ(split.keyPath, L"");
    EXPECT_EQ(split.valueName, L"");

    EXPECT_EQ(RegistryKeyPath(L"HKLM\\Software\\Vendor"), L"Software\\Vendor");
    EXPECT_EQ(RegistryKeyPath(L"HKLM"), L"");
}

namespace {

std::wstring Text(std::uint32_t type, const std::vector<std::uint8_t>& bytes, bool* hasText = nullptr) {
    std::wstring text = L"stale";
    bool result = RegistryDataToText(type, bytes.data(), bytes.size(), text);
    if (hasText != nullptr)
        *hasText = result;
    return text;
}

} // namespace

TEST(RegistryPath_DataToText, StringTypesLoseOnlyTrailingZeros) {
    struct Case {
        std::uint32_t type;
        std::vector<std::uint8_t> bytes;
        std::wstring text;
    };
    const Case cases[] = {
        {kRegSz, {'a', 0, 'b', 0, 0, 0}, L"ab"},
        {kRegSz, {'a', 0, 'b', 0}, L"ab"}, // stored without its terminator
        {kRegSz, {'a', 0, 'b'}, L"a"},     // odd byte count: the half character is dropped
        {kRegSz, {}, L""},                 // empty value: an empty text, not no text
        {kRegSz, {0, 0, 0, 0}, L""},       // only zeros
        {kRegExpandSz, {'%', 0, 'x', 0, '%', 0, 0, 0}, L"%x%"}, // not expanded
        {kRegMultiSz, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}, std::wstring(L"a\0b", 3)},
        {kRegSz, {0xAC, 0x20, 0, 0}, L"\u20AC"}, // little-endian code units
    };
    for (const Case& c : cases) {
        bool hasText = false;
        EXPECT_EQ(Text(c.type, c.bytes, &hasText), c.text);
        EXPECT_TRUE(hasText);
    }
}

TEST(RegistryPath_DataToText, DwordIsUnsignedDecimalOtherTypesHaveNoText) {
    bool hasText = false;
    EXPECT_EQ(Text(kRegDword, {12, 0, 0, 0}, &hasText), L"12");
    EXPECT_TRUE(hasText);
    EXPECT_EQ(Text(kRegDword, {0xFF, 0xFF, 0xFF, 0xFF}), L"4294967295");

    const std::pair<std::uint32_t, std::vector<std::uint8_t>> none[] = {
        {kRegBinary, {'a', 0}},       {kRegDword, {1, 0}},
        {kRegDword, {1, 0, 0, 0, 0}}, {11 /* REG_QWORD */, {1, 0, 0, 0, 0, 0, 0, 0}},
        {0 /* REG_NONE */, {}},       {0xFFFFFFFFu, {'a', 0}},
    };
    for (const auto& [type, bytes] : none) {
        EXPECT_EQ(Text(type, bytes, &hasText), L"") << type;
        EXPECT_FALSE(hasText) << type;
    }
}
