// A file:// URL: a file on this machine or on a share, read from its first byte. A share is connected with
// the URL's user and password when it has them, and with credentials entered when it refuses the logon;
// the connections stay with the transfer's ShareConnections until the transfer ends.
#pragma once

#include <vector>

#include "platform/UniqueHandle.h"
#include "transfer/TransferSource.h"

namespace velmora::transfer {

class ShareConnections;

class FileSource final : public TransferSource {
public:
    FileSource(SourceUrl url, ShareConnections& shares, const TransferContext& context)
        : TransferSource(std::move(url)), shares_(shares), context_(context) {}

    bool IsLocal() const override { return true; }
    // Reaches the file and opens it for reading; `offset` becomes 0.
    [[nodiscard]] DWORD Open(std::uint64_t& offset, std::uint64_t& total) override;
    [[nodiscard]] DWORD Read(const BYTE*& data, DWORD& read) override;
    void Close() override { file_.reset(); }

private:
    ShareConnections& shares_;
    TransferContext context_;
    platform::UniqueFile file_;
    std::vector<BYTE> buffer_;
};

} // namespace velmora::transfer
