#include "detection/OsVersion.h"

#include <vector>

#include "platform/GrowBuffer.h"
#include "platform/UniqueHandle.h"

namespace velmora::detection {

namespace {

// Reads a value of one of the accepted types at any length; text after the first terminator is dropped.
// A missing value, or one of another type, is a failed read.
bool ReadText(HKEY key, const wchar_t* name, DWORD acceptedType, std::wstring& text) {
    DWORD error = platform::CallWithGrowingBuffer(
        text, 64, [&](wchar_t* buffer, DWORD capacity, DWORD* written, DWORD* needed) -> DWORD {
            DWORD type = 0;
            DWORD bytes = capacity * sizeof(wchar_t);
            LSTATUS status =
                ::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes);
            if (status == ERROR_MORE_DATA) {
                *needed = bytes / sizeof(wchar_t) + 1;
                return ERROR_MORE_DATA;
            }
            if (status != ERROR_SUCCESS)
                return static_cast<DWORD>(status);
            bool accepted = type == acceptedType || (acceptedType == REG_SZ && type == REG_EXPAND_SZ);
            if (!accepted)
                return ERROR_INVALID_DATATYPE;
            *written = bytes / sizeof(wchar_t);
            return ERROR_SUCCESS;
        });
    return error == ERROR_SUCCESS;
}

bool ReadString(HKEY key, const wchar_t* name, std::wstring& value) {
    if (!ReadText(key, name, REG_SZ, value))
        return false;
    std::size_t end = value.find(L'\0');
    if (end != std::wstring::npos)
        value.resize(end);
    return true;
}

bool ReadDword(HKEY key, const wchar_t* name, DWORD& value) {
    DWORD type = 0;
    DWORD data = 0;
    DWORD bytes = sizeof data;
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &bytes) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || bytes != sizeof data)
        return false;
    value = data;
    return true;
}

// The strings of a multi-string value up to its first empty string.
std::vector<std::wstring> ReadMultiString(HKEY key, const wchar_t* name) {
    std::vector<std::wstring> strings;
    std::wstring block;
    if (!ReadText(key, name, REG_MULTI_SZ, block))
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

// IsWow64Process is missing from the first releases of XP, so it is looked up rather than imported.
bool RunsUnderWow64() {
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    static const IsWow64ProcessFn isWow64Process = reinterpret_cast<IsWow64ProcessFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32"), "IsWow64Process")));
    BOOL wow64 = FALSE;
    return isWow64Process != nullptr && isWow64Process(::GetCurrentProcess(), &wow64) && wow64 == TRUE;
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

    info.is64BitOs = RunsUnderWow64();
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
