// Where the transfer engine gets a file's bytes from: one source per URL, opened at an offset and read.
// The engine (transfer/Downloader.h) keeps what all sources share: trying the URLs in turn, the partial
// file, resuming, and reporting each failure once. A source only opens, reads and closes; it logs notes
// about what a server said, never a failure of its own.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <string>
#include <utility>

#include "transfer/pure/MismatchTriage.h"

namespace velmora::transfer {

class CredentialSource;
class ProgressSink;

// A URL split into what the sources connect with. Never logged but as `logged`.
struct SourceUrl {
    std::wstring address; // the URL as given, credentials and all
    std::wstring logged;  // the URL with any credentials redacted
    INTERNET_SCHEME scheme = INTERNET_SCHEME_UNKNOWN;
    std::wstring host;
    INTERNET_PORT port = 0;
    std::wstring user;
    std::wstring password;
    std::wstring pathAndExtra;
    std::wstring localPath; // file URLs
};

// Splits `url` with InternetCrackUrlW. The error when it cannot; any scheme is accepted here.
[[nodiscard]] DWORD ParseSourceUrl(const std::wstring& url, SourceUrl& parts);

// OS quirk (Wine 8): WinINet waits for a silent server without limit, so a stalled server would hold a
// silent run for ever (and a cancelled read a WinINet thread). A minute of silence counts as a broken
// connection, which the transfer resumes.
inline constexpr std::uint32_t kDefaultReceiveTimeoutMs = 60000;

// What the owner sets before a transfer; the sources read it.
struct TransferSettings {
    std::uint64_t expectedSize =
        0; // the size the source must have and the transfer may reach; 0: not checked
    std::uint32_t retryCount = 6;
    bool resumeAllowed = true;
    bool aclOnPartFile = false;
    std::uint32_t connectTimeout = 0; // milliseconds; 0: WinINet's default
    // Milliseconds a server may stay silent before a read or a request fails (and the transfer resumes).
    std::uint32_t receiveTimeout = kDefaultReceiveTimeoutMs;
    std::wstring proxy; // "host:port"; empty: the system's configuration
};

// What every source of one transfer works with; it outlives them.
struct TransferContext {
    const TransferSettings& settings;
    ProgressSink* sink; // may be null
    CredentialSource& credentials;
};

class TransferSource {
public:
    explicit TransferSource(SourceUrl url) : url_(std::move(url)) {}
    virtual ~TransferSource() = default;
    TransferSource(const TransferSource&) = delete;
    TransferSource& operator=(const TransferSource&) = delete;

    const SourceUrl& Url() const { return url_; }
    // After a successful Open: what the source said about the data (transfer/pure/MismatchTriage.h).
    const SourceReply& Reply() const { return reply_; }
    // A file on this machine or a share: read from its first byte, never resumed.
    virtual bool IsLocal() const { return false; }

    // Opens the file so that its data begins at `offset` (0: from the first byte). On success `offset` is
    // where the data really begins (0 when the source cannot continue there) and `total` the file's size (0
    // when not told). XFER_NOTHING_TO_RESUME: the file is not larger than `offset`; `total` is its size
    // when told. XFER_CANCELLED when the transfer was cancelled meanwhile. Whatever was open is closed
    // first.
    [[nodiscard]] virtual DWORD Open(std::uint64_t& offset, std::uint64_t& total) = 0;
    // Reads the next bytes of the open file into a buffer of the source's own: `data` points at them, valid
    // until the next Read or Close; 0 bytes at the end of the data.
    [[nodiscard]] virtual DWORD Read(const BYTE*& data, DWORD& read) = 0;
    // Closes what Open opened; nothing of it calls back afterwards. Open may follow again.
    virtual void Close() = 0;

protected:
    SourceReply reply_;

private:
    SourceUrl url_;
};

} // namespace velmora::transfer
