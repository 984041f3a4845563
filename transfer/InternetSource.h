// What the HTTP and FTP sources share: the WinINet session of one transfer, and a source's connection and
// request handles with reading and closing.
//
// How it works: the session runs WinINet in asynchronous mode with AsyncInternet's status callback, and
// every handle of the transfer carries its context. Only one call is pending at a time, on the transfer's
// thread; Run() waits for it while asking the transfer whether it was cancelled. Closing a handle never
// waits: a call a cancel left pending ends when WinINet gets to it, writing only into the session's
// AsyncInternet, which outlives it (transfer/AsyncInternet.h). A connect or open call that a cancel left
// pending is settled before its source closes, so the handle it brings is closed too.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <functional>
#include <string>
#include <utility>

#include "platform/SecretText.h"
#include "platform/UniqueHandle.h"
#include "transfer/AsyncInternet.h"
#include "transfer/TransferSource.h"

namespace velmora::transfer {

class InternetSession {
public:
    // `cancelled` is asked while a call is pending.
    explicit InternetSession(std::function<bool()> cancelled) : cancelled_(std::move(cancelled)) {}
    ~InternetSession() { Close(); }
    InternetSession(const InternetSession&) = delete;
    InternetSession& operator=(const InternetSession&) = delete;

    // InternetOpenW with the settings' proxy and connect timeout, and the status callback, with a new
    // AsyncInternet: what an earlier session left pending never meets this one.
    [[nodiscard]] DWORD Open(const TransferSettings& settings);
    // Closes the session. Its sources' handles are closed before.
    void Close();

    HINTERNET Handle() const { return session_.get(); }
    // Only while the session is open.
    AsyncInternet& Async() { return *async_; }
    bool IsOpen() const { return static_cast<bool>(async_); }
    DWORD_PTR Context() { return async_->Context(); }
    bool Cancelled() const { return cancelled_(); }

    template <typename Call> [[nodiscard]] DWORD Run(PendingCall kind, Call&& call) {
        return async_->Run(kind, call, cancelled_);
    }

private:
    std::function<bool()> cancelled_;
    AsyncInternetPtr async_;
    platform::UniqueInternet session_;
};

// A source whose data comes through a WinINet request or FTP file handle.
class InternetSource : public TransferSource {
public:
    InternetSource(SourceUrl url, InternetSession& session, const TransferContext& context)
        : TransferSource(std::move(url)), session_(session), context_(context) {}
    ~InternetSource() override { Close(); }

    [[nodiscard]] DWORD Read(const BYTE*& data, DWORD& read) final;
    void Close() final;

protected:
    // InternetConnectW to the host and port of `target` (the source's URL, or where a server sent it).
    [[nodiscard]] DWORD Connect(const SourceUrl& target, DWORD service, DWORD flags, const std::wstring& user,
                                const platform::SecretText& password);
    // Runs `create` (which returns the new handle, or null with the last error set) and stores the handle
    // it gives, at once or with its completion.
    template <typename Create>
    [[nodiscard]] DWORD OpenHandle(PendingCall kind, platform::UniqueInternet& handle, Create&& create) {
        handle.reset();
        AsyncInternet& async = session_.Async();
        HINTERNET made = nullptr;
        DWORD error = session_.Run(kind, [&] {
            made = create();
            return made != nullptr;
        });
        if (made != nullptr)
            async.Adopt(made);
        else if (error == ERROR_SUCCESS)
            made = async.TakeCompletedHandle();
        handle.reset(made);
        if (error == ERROR_SUCCESS && !handle)
            error = ERROR_INTERNET_INTERNAL_ERROR;
        return error;
    }

    InternetSession& session_;
    TransferContext context_;
    platform::UniqueInternet connection_;
    platform::UniqueInternet request_; // HTTP request or FTP file
};

} // namespace velmora::transfer
