#include "platform/Registry.h"

#include "platform/GrowBuffer.h"

namespace velmora::platform {

namespace {

constexpr DWORD kFirstReadBytes = 200;

} // namespace

HKEY RegistryRootKey(RegistryRoot root) {
    switch (root) {
    case RegistryRoot::LocalMachine:
        return HKEY_LOCAL_MACHINE;
    case RegistryRoot::CurrentUser:
        return HKEY_CURRENT_USER;
    case RegistryRoot::ClassesRoot:
        return HKEY_CLASSES_ROOT;
    case RegistryRoot::CurrentConfig:
        return HKEY_CURRENT_CONFIG;
    case RegistryRoot::Users:
        return HKEY_USERS;
    case RegistryRoot::None:
        break;
    }
    return nullptr;
}

DWORD ReadRegistryValue(HKEY key, std::wstring_view valueName, DWORD& type, std::vector<BYTE>& data) {
    const std::wstring name(valueName);
    type = REG_NONE;
    DWORD readType = REG_NONE;
    DWORD error = CallWithGrowingBuffer(
        data, kFirstReadBytes, [&](BYTE* buffer, DWORD capacity, DWORD* written, DWORD* needed) -> DWORD {
            DWORD size = capacity;
            LONG result = ::RegQueryValueExW(key, name.c_str(), nullptr, &readType, buffer, &size);
            if (result == ERROR_MORE_DATA) {
                // Room for a terminator the data may lack; a size near 4 GiB is refused by the helper's cap.
                *needed = size > MAXDWORD - 2 ? MAXDWORD : size + 2;
                return ERROR_MORE_DATA;
            }
            if (result != ERROR_SUCCESS)
                return static_cast<DWORD>(result);
            *written = size;
            return ERROR_SUCCESS;
        });
    if (error != ERROR_SUCCESS) {
        data.clear();
        return error;
    }
    type = readType;
    return ERROR_SUCCESS;
}

DWORD ReadRegistryValueText(HKEY key, std::wstring_view valueName, std::wstring& text) {
    text.clear();
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    DWORD error = ReadRegistryValue(key, valueName, type, data);
    if (error != ERROR_SUCCESS)
        return error;
    if (!RegistryDataToText(type, data.data(), data.size(), text))
        return ERROR_UNSUPPORTED_TYPE;
    return ERROR_SUCCESS;
}

} // namespace velmora::platform
