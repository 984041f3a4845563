// WinINet's asynchronous protocol for one transfer at a time: the status callback, waiting for a pending
// call, and closing a handle so that nothing of it calls back afterwards.
//
// How it works: every handle of a transfer is created with Context() as its context, and the session gets
// StatusCallback. The callback runs on WinINet's threads and only stores a completion's result, keeps the
// server's answer text (WinINet keeps it per thread) and signals events. Run() starts one call on the
// calling thread; when WinINet answers ERROR_IO_PENDING it waits for the completion in steps of 10 ms,
// asking `cancelled` between steps. A call cancelled so stays WinINet's: its completion still comes, and
// for connect and open calls it brings a new handle, so the owner settles it (SettlePending) before it
// closes or frees anything. Close() waits for WinINet's closing notice of that very handle, the last
// callback of a handle; a call still pending on it ends before that, so the buffers it writes into may go
// afterwards. A redirect to a plain http:// address is noted for the owner to refuse.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <string>

#include "acquisition/pure/TransferRules.h"
#include "platform/UniqueHandle.h"

namespace velmora::acquisition {

// What the call in progress is: connect and open calls return a handle in their completion, and the
// answer text of FTP calls is taken on the thread that got it.
enum class PendingCall { None, Connect, OpenRequest, Send, FtpCommand, FtpOpen, Query, Read };

class AsyncInternet {
public:
    AsyncInternet();
    AsyncInternet(const AsyncInternet&) = delete;
    AsyncInternet& operator=(const AsyncInternet&) = delete;

    DWORD_PTR Context() { return reinterpret_cast<DWORD_PTR>(this); }
    static void CALLBACK StatusCallback(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info,
                                        DWORD infoLength);

    // Runs `call` (true when it succeeded at once, else false with the last error set). 0, the call's
    // error, the completion's error, or XFER_CANCELLED when `cancelled` said so while the call was pending.
    // A cancelled call stays pending: closing its handle waits for it.
    template <typename Call, typename Cancelled>
    [[nodiscard]] DWORD Run(PendingCall kind, Call&& call, Cancelled&& cancelled);

    // Closes the handle and waits for WinINet's closing notice of it (bounded: see Stuck()).
    void Close(platform::UniqueInternet& handle);

    // The kind of a call that a cancel left pending (None when there is none).
    PendingCall Unsettled() const { return completed_.load() ? PendingCall::None : pending_.load(); }
    // Waits (bounded: see Stuck()) for the completion of a call that a cancel left pending. Returns the
    // handle a connect or open call brought with it, which the caller must close; null otherwise.
    HINTERNET SettlePending();

    // Whether a request was redirected to a plain http:// address since the last ClearRedirects().
    bool RedirectedToPlainHttp() const { return redirectedToHttp_.load(); }
    void ClearRedirects() { redirectedToHttp_.store(false); }

    // The completion of the last call that was pending: dwResult (a new handle after connect and open
    // calls) and dwError (the bytes available after a query for data).
    DWORD_PTR Result() const { return result_; }
    DWORD CompletionValue() const { return error_; }
    bool CompletedAsynchronously() const { return asynchronous_; }
    // The server's answer text to the last asynchronously completed connect or FTP call.
    const std::wstring& LastResponse() const { return lastResponse_; }
    // A handle never reported its closing: WinINet may still call back, so this object must stay alive.
    bool Stuck() const { return stuck_; }

private:
    platform::UniqueKernelHandle requestComplete_;
    platform::UniqueKernelHandle handleClosed_;
    std::atomic<bool> completed_{false};
    std::atomic<bool> connectionClosed_{false};
    std::atomic<bool> redirectedToHttp_{false};
    std::atomic<HINTERNET> closing_{nullptr}; // the handle whose closing notice Close() waits for
    std::atomic<PendingCall> pending_{PendingCall::None};
    DWORD_PTR result_ = 0;
    DWORD error_ = 0;
    std::wstring lastResponse_;
    bool asynchronous_ = false;
    bool stuck_ = false;
};

// The server's last answer text on the calling thread.
std::wstring LastResponseText();

template <typename Call, typename Cancelled>
DWORD AsyncInternet::Run(PendingCall kind, Call&& call, Cancelled&& cancelled) {
    completed_.store(false);
    ::ResetEvent(requestComplete_.get());
    result_ = 0;
    error_ = 0;
    asynchronous_ = false;
    pending_.store(kind);
    ::SetLastError(ERROR_SUCCESS);
    if (call()) {
        pending_.store(PendingCall::None);
        return ERROR_SUCCESS;
    }
    DWORD error = ::GetLastError();
    // OS quirk (Wine 8): an asynchronous FtpOpenFileW returns null and leaves the last error alone; the
    // handle still comes with the completion.
    if (error == ERROR_SUCCESS && kind == PendingCall::FtpOpen)
        error = ERROR_IO_PENDING;
    if (error != ERROR_IO_PENDING) {
        pending_.store(PendingCall::None);
        return error != ERROR_SUCCESS ? error : ERROR_INTERNET_INTERNAL_ERROR;
    }
    while (!completed_.load()) {
        if (cancelled())
            return XFER_CANCELLED;
        ::WaitForSingleObject(requestComplete_.get(), 10);
    }
    pending_.store(PendingCall::None);
    asynchronous_ = true;
    // dwError is an error only when dwResult says the call failed: a query for data reports the bytes
    // available there.
    if (result_ == 0)
        return error_ != ERROR_SUCCESS ? error_ : ERROR_INTERNET_INTERNAL_ERROR;
    return ERROR_SUCCESS;
}

} // namespace velmora::acquisition
