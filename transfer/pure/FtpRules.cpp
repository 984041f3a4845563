#include "transfer/pure/FtpRules.h"

#include "platform/pure/DecimalNumbers.h"
#include "transfer/pure/TransferRules.h"

namespace velmora::transfer {

std::optional<std::uint64_t> FtpSizeReply(std::wstring_view response) {
    if (FtpReplyCode(response) != 213)
        return std::nullopt;
    std::size_t at = response.find(L"213");
    at += 3;
    while (at < response.size() && response[at] == L' ')
        ++at;
    return platform::ParseUnsigned64(response, at);
}

std::wstring RestCommand(std::uint64_t offset) {
    return L"REST " + std::to_wstring(offset);
}

std::uint32_t FtpReplyCode(std::wstring_view response) {
    std::size_t at = 0;
    while (at < response.size() && (response[at] == L'\r' || response[at] == L'\n'))
        ++at;
    std::optional<std::uint64_t> code = platform::ParseUnsigned64(response, at);
    return code && *code <= UINT32_MAX ? static_cast<std::uint32_t>(*code) : 0;
}

bool IsFtpLoginError(std::uint32_t code) {
    return code == wincode::IncorrectUserName || code == wincode::IncorrectPassword ||
           code == wincode::LoginFailure;
}

} // namespace velmora::transfer
