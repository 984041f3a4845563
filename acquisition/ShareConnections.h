// Connections to network shares that the run makes with credentials of its own (the user and password of a
// file URL). Each connection made is cancelled when its owner ends, so the run leaves none behind on the
// machine: a connection under another account would otherwise stay, and keep that account's access to the
// share, until the user logs off.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace velmora::acquisition {

class ShareConnections {
public:
    ShareConnections() = default;
    ~ShareConnections() { CancelAll(); }
    ShareConnections(const ShareConnections&) = delete;
    ShareConnections& operator=(const ShareConnections&) = delete;

    // WNetAddConnection2W for the disk share "\\server\share\folder" with the user and password. Returns
    // its answer; a connection made is remembered until CancelAll.
    DWORD Connect(const std::wstring& remoteFolder, const std::wstring& user, const std::wstring& password);

    // Cancels every connection made, the last first. Files still open on a share keep its connection: a
    // program the run started is not cut off.
    void CancelAll();

private:
    std::vector<std::wstring> made_;
};

} // namespace velmora::acquisition
