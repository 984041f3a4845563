// An ftp:// URL: a passive connection logged in with the URL's credentials (or those entered when the server
// refuses them), the file's size asked for, a restart point at the resume offset, and the file opened in
// binary mode.
#pragma once

#include <string>

#include "transfer/InternetSource.h"

namespace velmora::transfer {

class FtpSource final : public InternetSource {
public:
    using InternetSource::InternetSource;

    [[nodiscard]] DWORD Open(std::uint64_t& offset, std::uint64_t& total) override;

private:
    [[nodiscard]] DWORD LogIn();
    [[nodiscard]] DWORD Command(const std::wstring& text);
    // The server's answer to the last command.
    std::wstring Answer();
};

} // namespace velmora::transfer
