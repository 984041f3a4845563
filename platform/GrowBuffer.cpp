#include "platform/GrowBuffer.h"

namespace velmora::platform {

DWORD ModuleFileName(HMODULE module, std::wstring& path) {
    return CallWithGrowingBuffer(path, MAX_PATH, [module](wchar_t* buffer, DWORD capacity, DWORD* written,
                                                          DWORD*) -> DWORD {
        DWORD length = ::GetModuleFileNameW(module, buffer, capacity);
        if (length == 0)
            return ::GetLastError();
        // A truncated path fills the whole buffer (XP sets no error for it).
        if (length >= capacity)
            return ERROR_INSUFFICIENT_BUFFER;
        *written = length;
        return ERROR_SUCCESS;
    });
}

std::wstring FullPath(const std::wstring& path) {
    std::wstring full;
    const DWORD error = CallWithGrowingBuffer(
        full, MAX_PATH, [&path](wchar_t* buffer, DWORD capacity, DWORD* written, DWORD* needed) -> DWORD {
            const DWORD length = ::GetFullPathNameW(path.c_str(), capacity, buffer, nullptr);
            if (length == 0)
                return ::GetLastError();
            // Too small: the answer is the size it needs, with the terminator.
            if (length >= capacity) {
                *needed = length;
                return ERROR_INSUFFICIENT_BUFFER;
            }
            *written = length;
            return ERROR_SUCCESS;
        });
    return error == ERROR_SUCCESS && !full.empty() ? full : path;
}

} // namespace velmora::platform
