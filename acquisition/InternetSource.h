// What the HTTP and FTP sources share: the WinINet session of one transfer, and a source's connection and
// request handles with reading and closing.
//
// How it works: the session runs WinINet in asynchronous mode with AsyncInternet's status callback, and
// every handle of the transfer carries its context. Only one call is pending at a time, on the transfer's
// thread; Run() waits for it while asking the transfer whether it was cancelled. A source closes its
// request, then its connection, each waited for until WinINet says it is gone; a connect or open call that
// a cancel left pending is settled first, so the handle it brings is closed too.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <functional>
#include <string>
#include <utility>

#include "acquisition/AsyncInternet.h"
#include "acquisition/TransferSource.h"
#include "platform/UniqueHandle.h"

namespace velmora::acquisition {

class InternetSession {
public:
    // `cancelled` is asked while a call is pending.
    explicit InternetSession(std::function<bool()> cancelled) : cancelled_(std::move(cancelled)) {}
    ~InternetSession() { Close(); }
    InternetSession(const InternetSession&) = delete;
    InternetSession& operator=(const InternetSession&) = delete;

    // InternetOpenW with the settings' proxy and connect timeout, and the status callback.
    [[nodiscard]] DWORD Open(const TransferSettings& settings);
    // Removes the status callback and closes the session. Its sources' handles are closed before.
    void Close();

    HINTERNET Handle() const { return session_.get(); }
    AsyncInternet& Async() { return async_; }
    DWORD_PTR Context() { return async_.Context(); }
    bool Cancelled() const { return cancelled_(); }
    // A handle never reported its closing: WinINet may still call back into this object.
    bool Stuck() const { return async_.Stuck(); }

    template <typename Call> [[nodiscard]] DWORD Run(PendingCall kind, Call&& call) {
        return async_.Run(kind, call, cancelled_);
    }

private:
    std::function<bool()> cancelled_;
    AsyncInternet async_;
    platform::UniqueInternet session_;
};

// A source whose data comes through a WinINet request or FTP file handle.
class InternetSource : public TransferSource {
public:
    InternetSource(SourceUrl url, InternetSession& session, const TransferContext& context)
        : TransferSource(std::move(url)), session_(session), context_(context) {}
    ~InternetSource() override { Close(); }

    [[nodiscard]] DWORD Read(BYTE* buffer, DWORD capacity, DWORD& read) final;
    void Close() final;

protected:
    // InternetConnectW to the URL's host and port.
    [[nodiscard]] DWORD Connect(DWORD service, DWORD flags, const std::wstring& user,
                                const std::wstring& password);
    // Runs `create` (which returns the new handle, or null with the last error set) and stores the handle
    // it gives, at once or with its completion.
    template <typename Create>
    [[nodiscard]] DWORD OpenHandle(PendingCall kind, platform::UniqueInternet& handle, Create&& create) {
        DWORD error = session_.Run(kind, [&] {
            handle.reset(create());
            return static_cast<bool>(handle);
        });
        if (error == ERROR_SUCCESS && !handle)
            handle.reset(reinterpret_cast<HINTERNET>(session_.Async().Result()));
        if (error == ERROR_SUCCESS && !handle)
            error = ERROR_INTERNET_INTERNAL_ERROR;
        return error;
    }

    InternetSession& session_;
    TransferContext context_;
    platform::UniqueInternet connection_;
    platform::UniqueInternet request_; // HTTP request or FTP file

private:
    // Written by WinINet, also from its own threads while a call is pending.
    DWORD bytesRead_ = 0;
    DWORD bytesAvailable_ = 0;
};

} // namespace velmora::acquisition
