// An http:// or https:// URL: one GET request from the resume offset, with the credentials of the URL, those
// entered when the server or proxy asks, and the sink's say on an untrusted certificate.
#pragma once

#include "transfer/InternetSource.h"

namespace velmora::transfer {

class HttpSource final : public InternetSource {
public:
    using InternetSource::InternetSource;

    // Connects, sends the request with a range from `offset` when it is not 0, and classifies the answer
    // (transfer/pure/HttpRules.h). Follows redirects itself, a bounded number of times, and refuses
    // one from https to plain http before anything goes there. Asks for credentials on 401 and 407, for the
    // server that answered, and for a decision on a certificate error, both a bounded number of times.
    [[nodiscard]] DWORD Open(std::uint64_t& offset, std::uint64_t& total) override;

private:
    // Connects to the server of `at` and opens the request for its path (the source's URL, or where a
    // server sent it).
    [[nodiscard]] DWORD OpenAt(const SourceUrl& at);
    [[nodiscard]] DWORD OpenRequest(const SourceUrl& at);
    // Where the redirect the request to `from` got leads (`to`); XFER_HTTP_FAILED when it leads nowhere
    // the engine goes, ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR from https to plain http.
    [[nodiscard]] DWORD Redirected(const SourceUrl& from, SourceUrl& to);
};

} // namespace velmora::transfer
