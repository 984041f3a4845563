#include "transfer/InternetSource.h"

#include <memory>

namespace velmora::transfer {

using platform::UniqueInternet;

DWORD InternetSession::Open(const TransferSettings& settings) {
    Close();
    async_.reset(AsyncInternet::Create());
    const bool viaProxy = !settings.proxy.empty();
    session_.reset(
        ::InternetOpenW(L"Velmora", viaProxy ? INTERNET_OPEN_TYPE_PROXY : INTERNET_OPEN_TYPE_PRECONFIG,
                        viaProxy ? settings.proxy.c_str() : nullptr, nullptr, INTERNET_FLAG_ASYNC));
    if (!session_)
        return ::GetLastError();
    if (::InternetSetStatusCallbackW(session_.get(), &AsyncInternet::StatusCallback) ==
        INTERNET_INVALID_STATUS_CALLBACK)
        return ::GetLastError();
    if (settings.connectTimeout != 0) {
        DWORD timeout = settings.connectTimeout;
        ::InternetSetOptionW(session_.get(), INTERNET_OPTION_CONNECT_TIMEOUT, &timeout, sizeof timeout);
    }
    return ERROR_SUCCESS;
}

// The status callback stays: a connect still running on a thread of its own (an FTP one) may yet make its
// handle under this session, and that handle's closing notice is what lets the state go.
void InternetSession::Close() {
    if (session_)
        async_->CloseSession(session_.release());
    async_.reset();
}

DWORD InternetSource::Connect(const SourceUrl& target, DWORD service, DWORD flags, const std::wstring& user,
                              const platform::SecretText& password) {
    if (service != INTERNET_SERVICE_FTP) {
        return OpenHandle(PendingCall::Connect, connection_, [&] {
            return ::InternetConnectW(
                session_.Handle(), target.host.c_str(), target.port, user.empty() ? nullptr : user.c_str(),
                password.empty() ? nullptr : password.c_str(), service, flags, session_.Context());
        });
    }
    // An FTP connect greets and logs in before it returns (AsyncInternet::StartOnOwnThread says why it
    // runs on a thread of its own); the thread keeps its own copies, as a cancel does not wait for it.
    auto secret = std::make_shared<platform::SecretText>(password.view());
    return OpenHandle(PendingCall::Connect, connection_, [&]() -> HINTERNET {
        (void)session_.Async().StartOnOwnThread([session = session_.Handle(), host = target.host,
                                                 port = target.port, user, secret, service, flags,
                                                 context = session_.Context()]() -> DWORD_PTR {
            return reinterpret_cast<DWORD_PTR>(
                ::InternetConnectW(session, host.c_str(), port, user.empty() ? nullptr : user.c_str(),
                                   secret->empty() ? nullptr : secret->c_str(), service, flags, context));
        });
        return nullptr;
    });
}

// Straight into the session's buffer, as much as it takes: WinINet fills it whole unless the data ends.
// Asking first how much is waiting would cap each read at that (under Wine 8 at its own 8 KiB buffer).
DWORD InternetSource::Read(const BYTE*& data, DWORD& read) {
    AsyncInternet& async = session_.Async();
    data = async.ReadBuffer();
    read = 0;
    DWORD& got = async.BytesRead();
    got = 0;
    const DWORD error = session_.Run(PendingCall::Read, [&] {
        return ::InternetReadFile(request_.get(), async.ReadBuffer(), kReadBufferSize, &got) == TRUE;
    });
    if (error == ERROR_SUCCESS)
        read = async.ReadCount();
    return error;
}

void InternetSource::Close() {
    // A connect or open call that a cancel left pending may have brought its handle just now: it is closed
    // like the others. One still to come is closed by the callback that brings it.
    HINTERNET arrived = session_.IsOpen() ? session_.Async().AbandonPending() : nullptr;
    if (arrived != nullptr) {
        UniqueInternet extra(arrived);
        if (!connection_)
            connection_ = std::move(extra);
        else if (!request_)
            request_ = std::move(extra);
    }
    // Child first: a request holds on to its connection anyway.
    request_.reset();
    connection_.reset();
}

} // namespace velmora::transfer
