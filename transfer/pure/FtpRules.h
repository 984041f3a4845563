// An FTP server's replies and the commands sent to it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmora::transfer {

// The size an FTP server gives in its answer "213 300000" to SIZE; nothing for any other answer.
std::optional<std::uint64_t> FtpSizeReply(std::wstring_view response);

// "REST 1000".
std::wstring RestCommand(std::uint64_t offset);
// The number an FTP server's response text begins with (digits up to the first other character); 0 when
// the text begins with none.
std::uint32_t FtpReplyCode(std::wstring_view response);

// A refusal whose answer is a connection with other credentials.
bool IsFtpLoginError(std::uint32_t code);

} // namespace velmora::transfer
