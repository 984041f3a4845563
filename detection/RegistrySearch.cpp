#include "detection/RegistrySearch.h"

#include <string>
#include <vector>

#include "platform/Registry.h"

namespace velmora::detection {

namespace {

// Key names are at most 255 characters; the enumeration's buffer holds them with room to spare.
constexpr DWORD kKeyNameCapacity = 260;
// Value names are at most 16383 characters, plus the terminator.
constexpr DWORD kValueNameCapacity = 16384;

DWORD OpenKeyOf(std::wstring_view searchString, REGSAM view, platform::UniqueHkey& key) {
    return OpenRegistryKey(platform::ParseRegistryRoot(searchString), platform::RegistryKeyPath(searchString),
                           view, key);
}

DWORD OpenKeyOfValue(const platform::RegistryValuePath& path, REGSAM view, platform::UniqueHkey& key) {
    return OpenRegistryKey(path.root, path.keyPath, view, key);
}

} // namespace

REGSAM RegistryView(bool use64BitSwitch, bool is64BitOs) {
    return use64BitSwitch && is64BitOs ? KEY_WOW64_64KEY : 0;
}

DWORD OpenRegistryKey(platform::RegistryRoot root, std::wstring_view keyPath, REGSAM view,
                      platform::UniqueHkey& key) {
    key.reset();
    HKEY rootKey = platform::RegistryRootKey(root);
    if (rootKey == nullptr)
        return ERROR_FILE_NOT_FOUND;
    const std::wstring path(keyPath);
    return static_cast<DWORD>(::RegOpenKeyExW(rootKey, path.c_str(), 0, KEY_READ | view, key.put()));
}

void CollectSubkeyNames(std::wstring_view searchString, REGSAM view, SearchOutcome& outcome) {
    platform::UniqueHkey key;
    if (OpenKeyOf(searchString, view, key) != ERROR_SUCCESS)
        return;
    for (DWORD index = 0;; ++index) {
        wchar_t name[kKeyNameCapacity] = {};
        DWORD length = kKeyNameCapacity;
        if (::RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        outcome.values.emplace_back(name, length);
    }
}

void CollectValueText(std::wstring_view searchString, REGSAM view, SearchOutcome& outcome) {
    const platform::RegistryValuePath path = platform::SplitRegistryValuePath(searchString);
    platform::UniqueHkey key;
    if (OpenKeyOfValue(path, view, key) != ERROR_SUCCESS)
        return;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    if (platform::ReadRegistryValue(key.get(), path.valueName, type, data) != ERROR_SUCCESS)
        return;
    // Whatever the type, the bytes are read as UTF-16 text; the text ends at the first zero character or
    // at the end of the data, never beyond it.
    std::wstring text;
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
        const wchar_t c = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
        if (c == L'\0')
            break;
        text += c;
    }
    outcome.values.push_back(std::move(text));
}

void CollectValueNames(std::wstring_view searchString, REGSAM view, SearchOutcome& outcome) {
    platform::UniqueHkey key;
    if (OpenKeyOf(searchString, view, key) != ERROR_SUCCESS)
        return;
    std::vector<wchar_t> name(kValueNameCapacity);
    for (DWORD index = 0;; ++index) {
        DWORD length = kValueNameCapacity;
        if (::RegEnumValueW(key.get(), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        outcome.values.emplace_back(name.data(), length);
    }
}

bool RegistryKeyOpens(std::wstring_view searchString, REGSAM view) {
    platform::UniqueHkey key;
    return OpenKeyOf(searchString, view, key) == ERROR_SUCCESS;
}

bool RegistryValueExists(std::wstring_view searchString, REGSAM view) {
    const platform::RegistryValuePath path = platform::SplitRegistryValuePath(searchString);
    platform::UniqueHkey key;
    if (OpenKeyOfValue(path, view, key) != ERROR_SUCCESS)
        return false;
    const std::wstring name(path.valueName);
    return ::RegQueryValueExW(key.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool RegistryValueContentMatches(std::wstring_view searchString, REGSAM view, std::wstring_view refContent,
                                 SearchOutcome& outcome) {
    const platform::RegistryValuePath path = platform::SplitRegistryValuePath(searchString);
    platform::UniqueHkey key;
    if (OpenKeyOfValue(path, view, key) != ERROR_SUCCESS)
        return false;
    if (platform::ReadRegistryValueText(key.get(), path.valueName, outcome.value) != ERROR_SUCCESS)
        return false;
    return ContentMatches(outcome.value, refContent);
}

} // namespace velmora::detection
