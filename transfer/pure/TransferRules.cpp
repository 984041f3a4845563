#include "transfer/pure/TransferRules.h"

#include "platform/pure/PathRules.h"

namespace velmora::transfer {

std::wstring_view TransferCodeName(std::uint32_t code) {
    switch (code) {
    case XFER_BAD_TARGET:
        return L"XFER_BAD_TARGET";
    case XFER_CANCELLED:
        return L"XFER_CANCELLED";
    case XFER_INCOMPLETE:
        return L"XFER_INCOMPLETE";
    case XFER_NOTHING_TO_RESUME:
        return L"XFER_NOTHING_TO_RESUME";
    case XFER_AUTH_REQUIRED:
        return L"XFER_AUTH_REQUIRED";
    case XFER_NOT_MODIFIED:
        return L"XFER_NOT_MODIFIED";
    case XFER_FORBIDDEN:
        return L"XFER_FORBIDDEN";
    case XFER_NOT_FOUND:
        return L"XFER_NOT_FOUND";
    case XFER_HTTP_FAILED:
        return L"XFER_HTTP_FAILED";
    case XFER_WRONG_SIZE:
        return L"XFER_WRONG_SIZE";
    default:
        return {};
    }
}

bool IsAcceptableTarget(std::wstring_view targetPath) {
    return targetPath.size() >= 2 && platform::IsAbsolutePath(targetPath);
}

MirrorCursor::MirrorCursor(std::size_t urlCount, std::uint32_t retryCount)
    : urlCount_(urlCount), remaining_(urlCount > 0 && urlCount - 1 > retryCount ? urlCount - 1 : retryCount) {
}

bool MirrorCursor::MoveOnAfter(std::uint32_t result) {
    switch (result) {
    case wincode::PathNotFound:
    case wincode::InternetExtendedError:
    case wincode::ItemNotFound:
    case wincode::FtpDropped:
    case XFER_NOT_FOUND:
        // Missing on this server: another mirror may have it, the same server will not.
        if (urlCount_ <= 1)
            return false;
        break;
    case wincode::NameNotResolved:
    case wincode::CannotConnect:
        break;
    default:
        return false;
    }
    if (remaining_ == 0 || urlCount_ == 0)
        return false;
    --remaining_;
    current_ = (current_ + 1) % urlCount_;
    return true;
}

bool IsCertificateError(std::uint32_t code) {
    return code == wincode::CertDateInvalid || code == wincode::CertCnInvalid ||
           code == wincode::ClientAuthCertNeeded || code == wincode::InvalidCa;
}

bool IsInterruptedRead(std::uint32_t code) {
    return code == wincode::InternetTimeout || code == wincode::ConnectionAborted ||
           code == wincode::ConnectionReset || code == wincode::Disconnected;
}

std::uint32_t InternetErrorOf(std::uint32_t code) {
    switch (code) {
    case wincode::SocketTimedOut:
        return wincode::InternetTimeout;
    case wincode::SocketConnectionAborted:
        return wincode::ConnectionAborted;
    case wincode::SocketConnectionReset:
        return wincode::ConnectionReset;
    default:
        return code;
    }
}

std::uint64_t TransferLimit(std::uint64_t expectedSize, std::uint64_t total) {
    return expectedSize != 0 ? expectedSize : total;
}

bool PassesLimit(std::uint64_t limit, std::uint64_t written, std::uint64_t count) {
    return limit != 0 && (written > limit || count > limit - written);
}

EndOfData DecideEndOfData(std::uint64_t total, std::uint64_t partSize, bool allNetwork) {
    if (total == 0 || partSize >= total)
        return EndOfData::Complete;
    return allNetwork ? EndOfData::Reconnect : EndOfData::Incomplete;
}

bool ReconnectAccepted(std::uint64_t partSize, std::uint64_t acceptedOffset) {
    return partSize == 0 || acceptedOffset == partSize;
}

} // namespace velmora::transfer
