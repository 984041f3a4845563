#include "TransferSupport.h"

#include <windows.h>
#include <wininet.h>

#include <atomic>

#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/Logger.h"
#include "platform/UniqueHandle.h"
#include "support/TestSupport.h"
#include "support/WindowDriver.h"
#include "transfer/AsyncInternet.h"

namespace velmora::test {

std::wstring Env(const wchar_t* name) {
    std::wstring value;
    platform::GetEnv(name, value);
    return value;
}

std::wstring HttpBase() {
    return L"http://127.0.0.1:" + Env(L"VELMORA_HTTP_PORT");
}

std::string Pattern(std::size_t size, std::size_t start) {
    std::string bytes;
    bytes.reserve(size - start);
    for (std::size_t i = start; i < size; ++i)
        bytes += static_cast<char>(((i * 7) + (i >> 9)) & 0xFF);
    return bytes;
}

std::wstring UniqueName(const wchar_t* stem) {
    static std::atomic<unsigned> counter{0};
    return std::wstring(stem) + std::to_wstring(::GetCurrentProcessId()) + L"_" + std::to_wstring(counter++) +
           L"_" + std::to_wstring(::GetTickCount());
}

std::vector<std::string> ServerRequests(const std::wstring& name) {
    using platform::UniqueInternet;
    UniqueInternet session(::InternetOpenW(L"test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    std::wstring url = HttpBase() + L"/requests/" + name;
    UniqueInternet request(::InternetOpenUrlW(session.get(), url.c_str(), nullptr, 0,
                                              INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0));
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (request && ::InternetReadFile(request.get(), buffer, sizeof buffer, &read) && read > 0)
        text.append(buffer, read);
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        if (end > at)
            lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

bool FileExists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

unsigned CountKernelHandles() {
    unsigned count = 0;
    for (std::uintptr_t value = 4; value < 0x10000; value += 4) {
        DWORD flags = 0;
        if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags))
            ++count;
    }
    return count;
}

bool TransfersSettle(long sessions, unsigned handles) {
    // A call left to WinINet ends when its server gives up: the test servers do within seconds.
    return WaitUntil(
        [&] { return transfer::AsyncInternet::LiveCount() <= sessions && CountKernelHandles() <= handles; },
        30000);
}

LogCapture::LogCapture(const std::wstring& path) {
    platform::SetLogEnabled(true);
    platform::TheLogger().SetLogFile(path);
}

LogCapture::~LogCapture() {
    platform::SetLogEnabled(false);
}

std::wstring LogCapture::Text() const {
    const std::string bytes = ReadFileBytes(platform::TheLogger().LogPath());
    std::wstring text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                     (static_cast<unsigned char>(bytes[i + 1]) << 8));
    return text;
}

} // namespace velmora::test
