#include "detection/OsVersion.h"

#include <cstring>
#include <vector>

#include "platform/Bitness.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/UniqueHandle.h"

namespace velmora::detection {

namespace {

// A value of the accepted string type as text; a missing value, or one of another type, is a failed read.
bool ReadText(HKEY key, const wchar_t* name, bool multiString, std::wstring& text) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (platform::ReadRegistryValue(key, name, type, data) != ERROR_SUCCESS)
        return false;
    bool accepted = multiString ? type == REG_MULTI_SZ : (type == REG_SZ || type == REG_EXPAND_SZ);
    return accepted && platform::RegistryDataToText(type, data.data(), data.size(), text);
}

bool ReadString(HKEY key, const wchar_t* name, std::wstring& value) {
    if (!ReadText(key, name, false, value))
        return false;
    std::size_t end = value.find(L'\0');
    if (end != std::wstring::npos)
        value.resize(end);
    return true;
}

bool ReadDword(HKEY key, const wchar_t* name, DWORD& value) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (platform::ReadRegistryValue(key, name, type, data) != ERROR_SUCCESS || type != REG_DWORD ||
        data.size() != sizeof value)
        return false;
    std::memcpy(&value, data.data(), sizeof value);
    return true;
}

// The strings of a multi-string value up to its first empty string.
std::vector<std::wstring> ReadMultiString(HKEY key, const wchar_t* name) {
    std::vector<std::wstring> strings;
    std::wstring block;
    if (!ReadText(key, name, true, block))
        return strings;
    std::size_t start = 0;
    while (start < block.size()) {
        std::size_t end = block.find(L'\0', start);
        if (end == std::wstring::npos)
            end = block.size();
        if (end == start)
            break;
        strings.emplace_back(block, start, end - start);
        start = end + 1;
    }
    return strings;
}

platform::UniqueHkey OpenKey64(HKEY root, const std::wstring& path) {
    platform::UniqueHkey key;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, key.put()) != ERROR_SUCCESS)
        key.reset();
    return key;
}

void ReadProductOptions(const OsVersionSource& source, OsVersionInfo& info) {
    platform::UniqueHkey key = OpenKey64(source.root, source.productOptionsKey);
    if (!key)
        return;
    std::wstring productType;
    if (ReadString(key.get(), L"ProductType", productType))
        ApplyProductType(productType, info);
    info.suiteMask = SuiteMaskFor(ReadMultiString(key.get(), L"ProductSuite"));
}

} // namespace

OsVersionInfo ReadOsVersionInfo(const OsVersionSource& source) {
    OsVersionInfo info;
    platform::UniqueHkey key = OpenKey64(source.root, source.versionKey);
    if (!key)
        return info;

    DWORD number = 0;
    if (ReadDword(key.get(), L"CurrentMajorVersionNumber", number))
        info.major = number;
    if (ReadDword(key.get(), L"CurrentMinorVersionNumber", number))
        info.minor = number;

    std::wstring text;
    if (info.major == 0 && ReadString(key.get(), L"CurrentVersion", text))
        ApplyCurrentVersionText(text, info);
    if (ReadString(key.get(), L"CurrentBuildNumber", text))
        info.build = static_cast<std::uint32_t>(ParseRegistryNumber(text));
    if (info.major == 10 && info.build >= 22000 && ReadString(key.get(), L"BuildBranch", text) &&
        IsWindows11Branch(text))
        info.major = 11;
    if (ReadString(key.get(), L"ReleaseId", text))
        info.releaseId = ParseRegistryNumber(text);
    if (ReadString(key.get(), L"CSDVersion", text))
        ApplyCsdVersion(text, info);

    info.is64BitOs = platform::RunsOn64BitWindows();
    ReadProductOptions(source, info);
    return info;
}

const OsVersionInfo& GetOsVersionInfo() {
    static const OsVersionInfo info = ReadOsVersionInfo(OsVersionSource{});
    return info;
}

bool IsWindows10OrLater() {
    return IsWindows10OrLater(GetOsVersionInfo());
}

platform::LogHeaderFacts OsFactsForLogHeader() {
    const OsVersionInfo& info = GetOsVersionInfo();
    platform::LogHeaderFacts facts;
    facts.major = info.major;
    facts.minor = info.minor;
    facts.build = info.build;
    facts.servicePack = info.servicePack;
    facts.isServer = info.isServer;
    facts.is64BitOs = info.is64BitOs;
    return facts;
}

} // namespace velmora::detection
