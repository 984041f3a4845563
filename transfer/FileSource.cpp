#include "transfer/FileSource.h"

#include "platform/pure/PathRules.h"
#include "transfer/CredentialSource.h"
#include "transfer/PartFile.h"
#include "transfer/ShareConnections.h"

namespace velmora::transfer {

DWORD FileSource::Open(std::uint64_t& offset, std::uint64_t& total) {
    Close();
    offset = 0;
    ScopedCredentials login(Url().user, Url().password);
    const std::wstring& path = Url().localPath;
    DWORD error = shares_.Reach(path, Url().logged, login, context_.credentials, context_.sink,
                                [&] { return ProbeFile(path, total); });
    if (error != ERROR_SUCCESS)
        return error;
    // Others may read or delete the file meanwhile (as they may during a system copy), no one may change it.
    file_.reset(::CreateFileW(platform::ToLongPath(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    return file_ ? ERROR_SUCCESS : ::GetLastError();
}

DWORD FileSource::Read(const BYTE*& data, DWORD& read) {
    // The same size as a network read: progress and cancels are looked at as often.
    constexpr DWORD kBlock = 51200;
    buffer_.resize(kBlock);
    data = buffer_.data();
    read = 0;
    return ::ReadFile(file_.get(), buffer_.data(), kBlock, &read, nullptr) ? ERROR_SUCCESS : ::GetLastError();
}

} // namespace velmora::transfer
