#include "acquisition/InternetSource.h"

namespace velmora::acquisition {

using platform::UniqueInternet;

DWORD InternetSession::Open(const TransferSettings& settings) {
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

void InternetSession::Close() {
    if (session_) {
        ::InternetSetStatusCallbackW(session_.get(), nullptr);
        session_.reset();
    }
}

DWORD InternetSource::Connect(DWORD service, DWORD flags, const std::wstring& user,
                              const std::wstring& password) {
    const auto orNull = [](const std::wstring& text) { return text.empty() ? nullptr : text.c_str(); };
    return OpenHandle(PendingCall::Connect, connection_, [&] {
        return ::InternetConnectW(session_.Handle(), Url().host.c_str(), Url().port, orNull(user),
                                  orNull(password), service, flags, session_.Context());
    });
}

DWORD InternetSource::Read(BYTE* buffer, DWORD capacity, DWORD& read) {
    read = 0;
    bytesAvailable_ = 0;
    AsyncInternet& async = session_.Async();
    DWORD error = session_.Run(PendingCall::Query, [&] {
        return ::InternetQueryDataAvailable(request_.get(), &bytesAvailable_, 0, 0) == TRUE;
    });
    if (error != ERROR_SUCCESS)
        return error;
    // Completed later, the count comes in the completion's dwError (WinINet may also fill the variable).
    const DWORD available = async.CompletedAsynchronously() && async.CompletionValue() != 0
                                ? async.CompletionValue()
                                : bytesAvailable_;
    if (available == 0)
        return ERROR_SUCCESS;
    bytesRead_ = 0;
    const DWORD wanted = available < capacity ? available : capacity;
    error = session_.Run(PendingCall::Read, [&] {
        return ::InternetReadFile(request_.get(), buffer, wanted, &bytesRead_) == TRUE;
    });
    if (error == ERROR_SUCCESS)
        read = bytesRead_;
    return error;
}

void InternetSource::Close() {
    AsyncInternet& async = session_.Async();
    // A connect or open call that a cancel left pending brings its handle with its completion: it is
    // waited for and closed like the others, before anything it could write into goes.
    const PendingCall unsettled = async.Unsettled();
    if (HINTERNET arrived = async.SettlePending()) {
        UniqueInternet& owner = unsettled == PendingCall::Connect ? connection_ : request_;
        UniqueInternet extra(arrived);
        if (!owner)
            owner = std::move(extra);
        else
            async.Close(extra);
    }
    async.Close(request_);
    async.Close(connection_);
}

} // namespace velmora::acquisition
