// An http:// or https:// URL: one GET request from the resume offset, with the credentials of the URL, those
// entered when the server or proxy asks, and the sink's say on an untrusted certificate.
#pragma once

#include "acquisition/InternetSource.h"

namespace velmora::acquisition {

class HttpSource final : public InternetSource {
public:
    using InternetSource::InternetSource;

    // Connects, sends the request with a range from `offset` when it is not 0, and classifies the answer
    // (acquisition/pure/TransferRules.h). Asks for credentials on 401 and 407 and for a decision on a
    // certificate error, both a bounded number of times; refuses a redirect from https to plain http.
    [[nodiscard]] DWORD Open(std::uint64_t& offset, std::uint64_t& total) override;

private:
    [[nodiscard]] DWORD OpenRequest();
    bool RedirectedToPlainHttp();
};

} // namespace velmora::acquisition
