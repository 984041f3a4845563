#include "config/InterbootStore.h"

#include <windows.h>

#include "config/pure/DecimalText.h"
#include "platform/UniqueHandle.h"

namespace velmora::config {

namespace {

// A registry value's data as text: everything up to the first zero byte, never past the bytes returned.
std::string TextOfData(const std::string& data, DWORD size) {
    std::string text = data.substr(0, size < data.size() ? size : data.size());
    std::size_t zero = text.find('\0');
    if (zero != std::string::npos)
        text.resize(zero);
    return text;
}

} // namespace

InterbootStore::InterbootStore(std::string keyName) : keyName_(std::move(keyName)) {}

void InterbootStore::SetInt(const std::string& name, std::int32_t number) {
    (void)Set(name, FormatDecimal(number));
}

std::uint32_t InterbootStore::Set(const std::string& name, const std::string& text) {
    std::string existing;
    if (Get(name, existing) == kOk)
        return kAlreadySet;
    platform::UniqueHkey key;
    if (::RegCreateKeyA(HKEY_CURRENT_USER, keyName_.c_str(), key.put()) != ERROR_SUCCESS)
        return kOk; // a value that cannot be written is simply missing
    ::RegSetValueExA(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.data()),
                     static_cast<DWORD>(text.size()));
    return kOk;
}

std::uint32_t InterbootStore::GetInt(const std::string& name, std::int32_t& number) {
    std::string text;
    if (Get(name, text) != kOk)
        text.clear();
    DecimalParse parsed = ParseDecimal(text);
    if (!parsed.wholeText)
        return kNotANumber;
    number = parsed.value;
    return kOk;
}

std::uint32_t InterbootStore::Get(const std::string& name, std::string& text) {
    platform::UniqueHkey key;
    if (::RegOpenKeyA(HKEY_CURRENT_USER, keyName_.c_str(), key.put()) != ERROR_SUCCESS)
        return kMissing;
    std::string data(260, '\0');
    DWORD size = static_cast<DWORD>(data.size());
    LONG status = ::RegQueryValueExA(key.get(), name.c_str(), nullptr, nullptr,
                                     reinterpret_cast<BYTE*>(data.data()), &size);
    // The value may grow between the two reads; a few rounds settle it.
    for (int round = 0; status == ERROR_MORE_DATA && round < 4; ++round) {
        data.assign(size, '\0');
        status = ::RegQueryValueExA(key.get(), name.c_str(), nullptr, nullptr,
                                    reinterpret_cast<BYTE*>(data.data()), &size);
    }
    if (status != ERROR_SUCCESS)
        return kMissing;
    text = TextOfData(data, size);
    return kOk;
}

void InterbootStore::Remove(const std::string& name) {
    platform::UniqueHkey key;
    if (::RegOpenKeyA(HKEY_CURRENT_USER, keyName_.c_str(), key.put()) == ERROR_SUCCESS)
        ::RegDeleteValueA(key.get(), name.c_str());
}

std::vector<std::pair<std::string, std::string>> InterbootStore::Values() const {
    std::vector<std::pair<std::string, std::string>> values;
    platform::UniqueHkey key;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, keyName_.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return values;
    DWORD count = 0, longestName = 0, longestData = 0;
    if (::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longestName,
                           &longestData, nullptr, nullptr) != ERROR_SUCCESS)
        return values;
    for (DWORD index = 0; index < count; ++index) {
        // Names are counted in characters; an ANSI character may take two bytes.
        std::string name(longestName * 2 + 2, '\0');
        std::string data(longestData + 2, '\0');
        DWORD nameSize = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        LONG status = ::RegEnumValueA(key.get(), index, name.data(), &nameSize, nullptr, &type,
                                      reinterpret_cast<BYTE*>(data.data()), &dataSize);
        if (status != ERROR_SUCCESS)
            continue;
        name.resize(nameSize);
        values.emplace_back(std::move(name), TextOfData(data, dataSize));
    }
    return values;
}

void InterbootStore::DeleteKey() {
    ::RegDeleteKeyA(HKEY_CURRENT_USER, keyName_.c_str());
}

} // namespace velmora::config
