// The decisions of the transfer engine that hold for every source: result codes, which URL comes next, which
// errors mean what, and when the data is complete. What each protocol's answers mean lies beside it
// (HttpRules.h, FtpRules.h, FileUrl.h); the WinINet side (transfer/Downloader.cpp and its sources) only
// carries the decisions out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace velmora::transfer {

// The transfer engine's own result codes, next to Windows and WinINet error codes.
inline constexpr std::uint32_t XFER_BAD_TARGET = 0xE0000005;        // target path not absolute
inline constexpr std::uint32_t XFER_CANCELLED = 0xE0000008;         // the sink or the owner stopped it
inline constexpr std::uint32_t XFER_INCOMPLETE = 0xE000000F;        // data ended early, cannot resume
inline constexpr std::uint32_t XFER_NOTHING_TO_RESUME = 0xE0000010; // server file not larger than .part
inline constexpr std::uint32_t XFER_AUTH_REQUIRED = 0xE0000012;     // credentials demanded, none obtained
inline constexpr std::uint32_t XFER_NOT_MODIFIED = 0xE0000013;      // HTTP 304
inline constexpr std::uint32_t XFER_FORBIDDEN = 0xE0000016;         // HTTP 403
inline constexpr std::uint32_t XFER_NOT_FOUND = 0xE0000018;         // HTTP 404 or 410
inline constexpr std::uint32_t XFER_HTTP_FAILED = 0xE0000019;       // any other status that is no success
inline constexpr std::uint32_t XFER_WRONG_SIZE = 0xE0000023;        // server size differs from the expected

// Windows and WinINet codes the decisions below are made on (winerror.h / wininet.h values).
namespace wincode {
inline constexpr std::uint32_t PathNotFound = 3;
inline constexpr std::uint32_t InternetTimeout = 12002;
inline constexpr std::uint32_t InternetExtendedError = 12003;
inline constexpr std::uint32_t UnrecognizedScheme = 12006;
inline constexpr std::uint32_t NameNotResolved = 12007;
inline constexpr std::uint32_t IncorrectUserName = 12013;
inline constexpr std::uint32_t IncorrectPassword = 12014;
inline constexpr std::uint32_t LoginFailure = 12015;
inline constexpr std::uint32_t ItemNotFound = 12028;
inline constexpr std::uint32_t CannotConnect = 12029;
inline constexpr std::uint32_t ConnectionAborted = 12030;
inline constexpr std::uint32_t ConnectionReset = 12031;
inline constexpr std::uint32_t CertDateInvalid = 12037;
inline constexpr std::uint32_t CertCnInvalid = 12038;
inline constexpr std::uint32_t ClientAuthCertNeeded = 12044;
inline constexpr std::uint32_t InvalidCa = 12045;
inline constexpr std::uint32_t FtpDropped = 12111;
inline constexpr std::uint32_t InvalidServerResponse = 12152;
inline constexpr std::uint32_t Disconnected = 12163;
inline constexpr std::uint32_t LogonFailure = 1326;
inline constexpr std::uint32_t InvalidPassword = 86;
inline constexpr std::uint32_t BadUserName = 2202;
inline constexpr std::uint32_t SocketConnectionAborted = 10053; // WSAECONNABORTED
inline constexpr std::uint32_t SocketConnectionReset = 10054;   // WSAECONNRESET
inline constexpr std::uint32_t SocketTimedOut = 10060;          // WSAETIMEDOUT
} // namespace wincode

// "XFER_NOT_FOUND" for the engine's own codes; empty for any other code.
std::wstring_view TransferCodeName(std::uint32_t code);

// At least two characters, and two leading backslashes or ":" as the second character.
bool IsAcceptableTarget(std::wstring_view targetPath);

// Which URL is tried next when one fails to open. Every URL of the list gets its turn; beyond that, a
// failure to resolve or to reach the server is tried again up to the retry count, mirror after mirror.
class MirrorCursor {
public:
    MirrorCursor(std::size_t urlCount, std::uint32_t retryCount);

    std::size_t Current() const { return current_; }
    // After URL Current() failed to open with `result`: true when the next URL is to be tried (Current()
    // has moved on), false when `result` is the answer.
    bool MoveOnAfter(std::uint32_t result);

private:
    std::size_t urlCount_;
    std::uint64_t remaining_;
    std::size_t current_ = 0;
};

// A refusal that no other attempt mends: the server's certificate is not accepted.
bool IsCertificateError(std::uint32_t code);
// A read that fails like this on an all-network transfer reconnects and resumes.
bool IsInterruptedRead(std::uint32_t code);
// The WinINet code for a socket error that WinINet passed on as it was (Wine 8 does: a receive timeout
// comes as WSAETIMEDOUT); any other code unchanged.
std::uint32_t InternetErrorOf(std::uint32_t code);

// The size a transfer may reach: the expected size when one is set, else the size the source announced; 0
// when neither is known (nothing to bound it by).
std::uint64_t TransferLimit(std::uint64_t expectedSize, std::uint64_t total);
// Whether `count` more bytes after `written` would pass `limit` (0: no limit).
bool PassesLimit(std::uint64_t limit, std::uint64_t written, std::uint64_t count);

// What the end of the data stream means.
enum class EndOfData { Complete, Reconnect, Incomplete };
EndOfData DecideEndOfData(std::uint64_t total, std::uint64_t partSize, bool allNetwork);

// A reconnect that wrote something must be answered at exactly the partial file's size.
bool ReconnectAccepted(std::uint64_t partSize, std::uint64_t acceptedOffset);

} // namespace velmora::transfer
