#include "transfer/ShareConnections.h"

#include <winnetwk.h>

#include "platform/FileSystem.h"
#include "platform/Logger.h"
#include "transfer/CredentialSource.h"
#include "transfer/pure/FileUrl.h"

namespace velmora::transfer {

namespace {

class MprNetwork final : public NetworkConnector {
public:
    DWORD AddConnection(const std::wstring& remote, const std::wstring& user,
                        const platform::SecretText& password) override {
        std::wstring name = remote;
        NETRESOURCEW resource{};
        resource.dwType = RESOURCETYPE_DISK;
        resource.lpRemoteName = name.data();
        return ::WNetAddConnection2W(&resource, password.c_str(), user.c_str(), 0);
    }
    DWORD CancelConnection(const std::wstring& remote) override {
        return ::WNetCancelConnection2W(remote.c_str(), 0, FALSE);
    }
};

} // namespace

NetworkConnector& SystemNetwork() {
    static MprNetwork network;
    return network;
}

DWORD ShareConnections::Connect(const std::wstring& remoteFolder, const std::wstring& user,
                                const platform::SecretText& password) {
    const DWORD result = network_.AddConnection(remoteFolder, user, password);
    if (result == NO_ERROR)
        made_.push_back(remoteFolder);
    return result;
}

DWORD ShareConnections::Reach(const std::wstring& path, std::wstring_view loggedUrl, ScopedCredentials& login,
                              CredentialSource& credentials, ProgressSink* sink,
                              const std::function<DWORD()>& probe) {
    credentials.AllowReuse();
    const bool onShare = !NetworkServer(path).empty();
    bool connect = onShare && !login.user.empty();
    for (std::uint32_t round = 0;; ++round) {
        DWORD error = ERROR_SUCCESS;
        if (connect) {
            const std::wstring folder = platform::ParentFolder(path);
            error = Connect(folder, login.user, login.password);
            // Any other answer (already connected, no network provider) leaves it to the file itself.
            if (error != ERROR_SUCCESS && !IsShareLogonError(error)) {
                platform::LogLine(L"Could not connect to the share of " + path + L". Error: " +
                                  std::to_wstring(error));
                error = ERROR_SUCCESS;
            }
        }
        if (error == ERROR_SUCCESS)
            error = probe();
        if (!IsShareLogonError(error) || round >= kCredentialRounds ||
            !RequestCredentials(credentials, sink, nullptr, loggedUrl, L"Local Network Server", false, L"",
                                login.user, login.password))
            return error;
        connect = onShare;
    }
}

void ShareConnections::CancelAll() {
    while (!made_.empty()) {
        const DWORD result = network_.CancelConnection(made_.back());
        if (result != NO_ERROR)
            platform::LogLine(L"Could not cancel the connection to " + made_.back() + L". Error: " +
                              std::to_wstring(result));
        made_.pop_back();
    }
}

} // namespace velmora::transfer
