#include "platform/ErrorText.h"

#include <wininet.h>

#include "platform/SystemLibrary.h"

namespace velmora::platform {

std::wstring SystemErrorText(DWORD code) {
    DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    HMODULE source = nullptr;
    if (code >= INTERNET_ERROR_BASE && code <= INTERNET_ERROR_LAST) {
        // WinINet's texts live in its library, which is delay-loaded: perhaps not yet by the first failure.
        static const HMODULE wininet = LoadSystemLibrary(L"wininet.dll").release();
        source = wininet;
        if (source != nullptr)
            flags |= FORMAT_MESSAGE_FROM_HMODULE;
    }
    wchar_t* buffer = nullptr;
    DWORD length = ::FormatMessageW(flags, source, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text;
    if (length != 0 && buffer != nullptr)
        text.assign(buffer, length);
    if (buffer != nullptr)
        ::LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
        text.pop_back();
    return text;
}

} // namespace velmora::platform
