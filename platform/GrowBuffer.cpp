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

} // namespace velmora::platform
