#include "acquisition/ShareConnections.h"

#include <winnetwk.h>

#include "platform/Logger.h"

namespace velmora::acquisition {

DWORD ShareConnections::Connect(const std::wstring& remoteFolder, const std::wstring& user,
                                const std::wstring& password) {
    std::wstring remote = remoteFolder;
    NETRESOURCEW resource{};
    resource.dwType = RESOURCETYPE_DISK;
    resource.lpRemoteName = remote.data();
    const DWORD result = ::WNetAddConnection2W(&resource, password.c_str(), user.c_str(), 0);
    if (result == NO_ERROR)
        made_.push_back(remote);
    return result;
}

void ShareConnections::CancelAll() {
    while (!made_.empty()) {
        const DWORD result = ::WNetCancelConnection2W(made_.back().c_str(), 0, FALSE);
        if (result != NO_ERROR && platform::LogEnabled())
            platform::TheLogger().Log(L"Could not cancel the connection to " + made_.back() +
                                      L". Error: " + std::to_wstring(result));
        made_.pop_back();
    }
}

} // namespace velmora::acquisition
