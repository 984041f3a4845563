// The "call, grow the buffer, call again" protocol in one place.
#pragma once

#include <windows.h>

#include <string>

namespace velmora::platform {

// Calls fill(buffer, capacity, &written, &needed) until the answer fits. The buffer is a std::wstring
// (capacity in characters) or a std::vector<BYTE> (capacity in bytes). fill sets *written to what it wrote
// (text without the terminator) and *needed to the capacity it wants when the buffer was too small (0 when
// it does not say). Returns ERROR_SUCCESS with the answer, or the error fill reported.
template <typename Buffer, typename Fill>
[[nodiscard]] DWORD CallWithGrowingBuffer(Buffer& text, DWORD initialCapacity, Fill fill) {
    DWORD capacity = initialCapacity < 16 ? 16 : initialCapacity;
    for (int attempt = 0; attempt < 16; ++attempt) {
        text.assign(capacity, typename Buffer::value_type{});
        DWORD needed = 0;
        DWORD written = 0;
        DWORD error = fill(text.data(), capacity, &written, &needed);
        if (error == ERROR_SUCCESS) {
            text.resize(written < capacity ? written : capacity);
            return ERROR_SUCCESS;
        }
        if (error != ERROR_INSUFFICIENT_BUFFER && error != ERROR_MORE_DATA) {
            text.clear();
            return error;
        }
        DWORD doubled = capacity > 0x4000000 ? capacity : capacity * 2;
        capacity = needed > capacity ? needed : doubled;
        if (capacity > 0x8000000) // 256 MiB of text is no answer any API here gives
            break;
    }
    text.clear();
    return ERROR_INSUFFICIENT_BUFFER;
}

// GetModuleFileNameW of a module (null: the program) at any length.
[[nodiscard]] DWORD ModuleFileName(HMODULE module, std::wstring& path);

// GetFullPathNameW at any length: a relative path is taken from the current folder. The path as given when
// the system cannot make it full.
std::wstring FullPath(const std::wstring& path);

} // namespace velmora::platform
