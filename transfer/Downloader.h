// The transfer engine: copies one file named by a URL (http, https, ftp or file) to a local path.
//
// Data arrives in a partial file beside the target (target + ".part") and is renamed to the target only
// when it is complete. An interrupted network transfer resumes from the partial file's size, within the
// same call and in the next one; several URLs of the same file are tried in turn when one cannot be
// reached. Progress, failures and decisions go to the ProgressSink given at construction (none in silent
// runs). The result is 0 or a code: a Windows or WinINet error, or one of the XFER_ codes of
// transfer/pure/TransferRules.h. Every failure except XFER_CANCELLED and XFER_NOT_MODIFIED is given to
// the sink's ReportError once and logged.
//
// How it works: each URL becomes a TransferSource (transfer/TransferSource.h: HTTP, FTP or a file) that
// opens at an offset and reads; the engine keeps the fail-over between them, the partial file and the
// resume, and every way out of a transfer passes one place that logs and reports it. HTTP and FTP run
// WinINet in asynchronous mode (transfer/InternetSource.h): its status callback, on WinINet's threads,
// only stores the completion's result and signals an event; the transfer itself, and every sink call, stays
// on the calling thread, which waits for each pending call in steps of 10 ms so that a cancel from the sink
// or Abort() from another thread is seen at once. A cancel closes the handles and returns without waiting
// for the call it leaves: what WinINet may still write or call back into belongs to the session's
// AsyncInternet, which outlives the Downloader until WinINet reports the last handle closed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "transfer/TransferSource.h"
#include "transfer/pure/FileChecks.h"

namespace velmora::transfer {

class ProgressSink;
class CredentialSource;
class NetworkConnector;

class Downloader {
public:
    // The sink may be null. Without a credential source the transfer has no credentials to offer but
    // those written into its URLs (NoCredentials()); the process's store is TheCredentialStore(). Without
    // a network connector, shares are connected through the system's (SystemNetwork()).
    explicit Downloader(ProgressSink* sink, CredentialSource* credentials = nullptr,
                        NetworkConnector* network = nullptr);
    ~Downloader();
    Downloader(const Downloader&) = delete;
    Downloader& operator=(const Downloader&) = delete;

    // Size the server must announce, and beyond which nothing is written; 0: not checked.
    void SetExpectedSize(std::uint64_t size);
    // Default 6. Ignored when negative.
    void SetRetryCount(std::int32_t count);
    // Default true: a partial file is continued rather than fetched again.
    void SetResumeAllowed(bool allowed);
    // Default false: create the partial file with an access list of its own (transfer/PartFile.h).
    void SetAclOnPartFile(bool enabled);
    // WinINet's connect timeout in milliseconds. Ignored when 0 (WinINet's default stays).
    void SetConnectTimeout(std::uint32_t milliseconds);
    // How long an HTTP server may stay silent before the read fails and the transfer resumes; default 60
    // seconds. Ignored when 0.
    void SetReceiveTimeout(std::uint32_t milliseconds);
    // "host:port" of a proxy; empty (the default) means the system's proxy configuration.
    void SetProxy(std::wstring proxy);
    // Default none: the digests asked for are computed while the file is written, so no one has to read the
    // file again for them (a partial file continued is read once for its first part).
    void SetDigests(DigestKinds kinds);
    // After a successful transfer: the digests of the target asked for with SetDigests; empty when they
    // could not be computed (the file is then read for them when it is checked).
    const FileDigests& Digests() const;
    // After a transfer that reached a server or file: what it said about the data
    // (transfer/TransferSource.h).
    const SourceReply& Reply() const;

    // Stops the running transfer with XFER_CANCELLED. May be called from any thread.
    void Abort();

    // Download(url, target) is DownloadAny({url}, target).
    [[nodiscard]] std::uint32_t Download(std::wstring_view url, std::wstring_view targetPath);
    [[nodiscard]] std::uint32_t DownloadAny(const std::vector<std::wstring>& urls,
                                            std::wstring_view targetPath);

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace velmora::transfer
