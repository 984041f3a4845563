// Connections to network shares that the run makes with credentials of its own (the user and password of a
// file URL, or those entered when a share refused the logon). Each connection made is cancelled when its
// owner ends, so the run leaves none behind on the machine: a connection under another account would
// otherwise stay, and keep that account's access to the share, until the user logs off.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/SecretText.h"

namespace velmora::transfer {

class CredentialSource;
class ProgressSink;
struct ScopedCredentials;

// The system's connection calls (mpr). An interface of its own because no share can be reached where the
// tests run: the retry after a refused logon is tested against a stand-in.
class NetworkConnector {
public:
    virtual ~NetworkConnector() = default;
    // WNetAddConnection2W for the disk share `remote` with the user and password.
    [[nodiscard]] virtual DWORD AddConnection(const std::wstring& remote, const std::wstring& user,
                                              const platform::SecretText& password) = 0;
    // WNetCancelConnection2W of a connection made, without forcing it.
    [[nodiscard]] virtual DWORD CancelConnection(const std::wstring& remote) = 0;
};

NetworkConnector& SystemNetwork();

class ShareConnections {
public:
    explicit ShareConnections(NetworkConnector& network = SystemNetwork()) : network_(network) {}
    ~ShareConnections() { CancelAll(); }
    ShareConnections(const ShareConnections&) = delete;
    ShareConnections& operator=(const ShareConnections&) = delete;

    // Connects the disk share "\\server\share\folder" with the user and password. Returns the system's
    // answer; a connection made is remembered until CancelAll.
    [[nodiscard]] DWORD Connect(const std::wstring& remoteFolder, const std::wstring& user,
                                const platform::SecretText& password);

    // Reaches the file at `path`: when `login` holds a user and the path is a network path, its folder's
    // share is connected with it first; then probe() tries the file. A logon the share refuses (in either
    // step) asks `credentials` for others (realm "Local Network Server", `loggedUrl` naming the file) and
    // connects again with them, a bounded number of times. Returns the last answer; `login` ends holding
    // the credentials last used.
    [[nodiscard]] DWORD Reach(const std::wstring& path, std::wstring_view loggedUrl, ScopedCredentials& login,
                              CredentialSource& credentials, ProgressSink* sink,
                              const std::function<DWORD()>& probe);

    // Cancels every connection made, the last first. Files still open on a share keep its connection: a
    // program the run started is not cut off.
    void CancelAll();

private:
    NetworkConnector& network_;
    std::vector<std::wstring> made_;
};

// How many times one connection attempt may ask for credentials before it gives up: a person may mistype a
// password, but a sink that answers "entered" without new credentials must not loop for ever.
inline constexpr std::uint32_t kCredentialRounds = 8;

} // namespace velmora::transfer
