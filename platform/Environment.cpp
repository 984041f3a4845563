#include "platform/Environment.h"

#include <windows.h>

namespace velmora::platform {

bool GetEnv(std::wstring_view name, std::wstring& value) {
    value.clear();
    std::wstring key(name);
    DWORD needed = ::GetEnvironmentVariableW(key.c_str(), nullptr, 0);
    if (needed == 0)
        return false;
    for (int attempt = 0; attempt < 4; ++attempt) {
        value.assign(needed, L'\0');
        DWORD written = ::GetEnvironmentVariableW(key.c_str(), value.data(), needed);
        if (written == 0) {
            bool set = ::GetLastError() != ERROR_ENVVAR_NOT_FOUND;
            value.clear();
            return set;
        }
        if (written < needed) {
            value.resize(written);
            return true;
        }
        needed = written; // grew between the two calls
    }
    value.clear();
    return false;
}

} // namespace velmora::platform
