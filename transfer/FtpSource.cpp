#include "transfer/FtpSource.h"

#include "platform/Logger.h"
#include "transfer/CredentialSource.h"
#include "transfer/ShareConnections.h"
#include "transfer/pure/FtpRules.h"
#include "transfer/pure/TransferRules.h"

namespace velmora::transfer {

DWORD FtpSource::LogIn() {
    context_.credentials.AllowReuse();
    ScopedCredentials login(Url().user, Url().password);
    for (std::uint32_t round = 0;; ++round) {
        const DWORD error =
            Connect(Url(), INTERNET_SERVICE_FTP, INTERNET_FLAG_PASSIVE, login.user, login.password);
        if (error == ERROR_SUCCESS)
            return error;
        if (!IsFtpLoginError(error) || round >= kCredentialRounds ||
            !RequestCredentials(context_.credentials, context_.sink, nullptr, Url().logged, L"FTP Server",
                                false, L"", login.user, login.password))
            return error;
        connection_.reset();
    }
}

DWORD FtpSource::Command(const std::wstring& text) {
    // On a thread of its own, as the connect (AsyncInternet::StartOnOwnThread says why): false either way,
    // pending with the thread started or failed with the error of its start.
    return session_.Run(PendingCall::FtpCommand, [&] {
        (void)session_.Async().StartOnOwnThread([connection = connection_.get(), text,
                                                 context = session_.Context()]() -> DWORD_PTR {
            return ::FtpCommandW(connection, FALSE, FTP_TRANSFER_TYPE_BINARY, text.c_str(), context, nullptr);
        });
        return false;
    });
}

std::wstring FtpSource::Answer() {
    const AsyncInternet& async = session_.Async();
    return async.CompletedAsynchronously() ? async.LastResponse() : LastResponseText();
}

DWORD FtpSource::Open(std::uint64_t& offset, std::uint64_t& total) {
    Close();
    DWORD error = LogIn();
    if (error != ERROR_SUCCESS)
        return error;

    // WinINet switches to binary only when it opens the file, and servers answer SIZE and REST in binary
    // terms only then (pyftpdlib refuses a restart point in ASCII mode).
    error = Command(L"TYPE I");
    if (error == XFER_CANCELLED)
        return error;
    // OS quirk (Wine 8): FtpGetFileSize always answers 0, so the size is asked for here as well: without it
    // a transfer cut short would pass for complete.
    std::uint64_t announced = 0;
    error = Command(L"SIZE " + Url().pathAndExtra);
    if (error == XFER_CANCELLED)
        return error;
    if (error == ERROR_SUCCESS)
        announced = FtpSizeReply(Answer()).value_or(0);
    if (offset != 0 && announced != 0 && announced <= offset) {
        total = announced;
        return XFER_NOTHING_TO_RESUME;
    }

    if (context_.settings.resumeAllowed && offset != 0) {
        error = Command(RestCommand(offset));
        if (error == XFER_CANCELLED)
            return error;
        // A refused REST fails the call; the answer text tells either way.
        if (FtpReplyCode(Answer()) != 350)
            offset = 0;
    } else {
        offset = 0;
    }

    error = OpenHandle(PendingCall::FtpOpen, request_, [&] {
        return ::FtpOpenFileW(connection_.get(), Url().pathAndExtra.c_str(), GENERIC_READ,
                              FTP_TRANSFER_TYPE_BINARY | INTERNET_FLAG_RELOAD, session_.Context());
    });
    if (error != ERROR_SUCCESS) {
        if (error != XFER_CANCELLED) {
            std::wstring response = Answer();
            while (!response.empty() && (response.back() == L'\n' || response.back() == L'\r'))
                response.pop_back();
            platform::LogLine(L"The FTP server answered: " + response);
        }
        return error;
    }

    // OS quirk (Wine 8): FtpGetFileSize always answers 0, so under Wine the size stays unknown.
    DWORD high = 0;
    DWORD low = ::FtpGetFileSize(request_.get(), &high);
    total = low == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR
                ? 0
                : (static_cast<std::uint64_t>(high) << 32) | low;
    if (total == 0)
        total = announced;
    if (total != 0 && total <= offset) {
        request_.reset();
        return XFER_NOTHING_TO_RESUME;
    }
    return ERROR_SUCCESS;
}

} // namespace velmora::transfer
