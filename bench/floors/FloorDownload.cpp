// The floor of a download: WinINet, synchronous, 51,200-byte reads written straight to the file, no cache
// copy, nothing else. With an MD5 digest given, each read is also digested before it is written (the
// chainer's own MD5, the fastest at hand: the floor is the platform's work, not a slower digest), and a file
// whose digest differs fails as the chainer would refuse it.
// Usage: floor_download <url> <file> [<md5>]
#include <windows.h>
#include <wininet.h>

#include <string>
#include <vector>

#include "FloorArgs.h"
#include "transfer/pure/Md5.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const std::vector<std::wstring> arguments = velmora::bench::Arguments();
    if (arguments.size() < 3)
        return 2;
    const bool digest = arguments.size() > 3;
    HINTERNET session = ::InternetOpenW(L"floor", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    HINTERNET request = session == nullptr
                            ? nullptr
                            : ::InternetOpenUrlW(session, arguments[1].c_str(), nullptr, 0,
                                                 INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD, 0);
    if (request == nullptr)
        return 3;
    HANDLE file = ::CreateFileW(arguments[2].c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 4;
    std::vector<char> buffer(51200);
    velmora::transfer::Md5 md5;
    int result = 0;
    for (;;) {
        DWORD read = 0, written = 0;
        if (!::InternetReadFile(request, buffer.data(), static_cast<DWORD>(buffer.size()), &read)) {
            result = 5;
            break;
        }
        if (read == 0)
            break;
        if (digest)
            md5.Update(buffer.data(), read);
        ::WriteFile(file, buffer.data(), read, &written, nullptr);
    }
    ::CloseHandle(file);
    ::InternetCloseHandle(request);
    ::InternetCloseHandle(session);
    if (result == 0 && digest &&
        !velmora::transfer::DigestMatches(arguments[3], velmora::transfer::DigestText(md5.Finish())))
        result = 6;
    return result;
}
