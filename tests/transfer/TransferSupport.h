// What the transfer tests share: the test servers' addresses (with_servers.py hands their ports over in the
// environment), the bytes their files are made of, what the servers saw, and the log of a test.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace velmora::test {

// The value of an environment variable; empty when it is not set.
std::wstring Env(const wchar_t* name);
// "http://127.0.0.1:<VELMORA_HTTP_PORT>".
std::wstring HttpBase();

// The bytes every test server file is made of, cut to the size its URL names.
std::string Pattern(std::size_t size, std::size_t start = 0);

// A name no other test uses, so the server's per-name state and request log are this test's own.
std::wstring UniqueName(const wchar_t* stem);

// What the server saw for a name, fetched with plain synchronous WinINet, independent of the engine.
std::vector<std::string> ServerRequests(const std::wstring& name);

bool FileExists(const std::wstring& path);

// The kernel handles this process holds, counted one by one (Wine 8 answers 0 to GetProcessHandleCount).
unsigned CountKernelHandles();

// Waits (up to a bound) until what the transfers of this process left to WinINet is gone: no session
// state is alive beyond `sessions`, and no more kernel handles are open than `handles`. False when they
// stayed.
bool TransfersSettle(long sessions, unsigned handles);

// The log while the object lives, read back as text (the log file is UTF-16).
class LogCapture {
public:
    explicit LogCapture(const std::wstring& path);
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;
    std::wstring Text() const;
};

} // namespace velmora::test
