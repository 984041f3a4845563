// WinINet's asynchronous protocol for one transfer session: the status callback, the wait for a pending
// call, and the state that WinINet's threads may still reach after the transfer has given up on them.
//
// How it works: every handle of a session is created with Context() as its context, and the session gets
// StatusCallback. The callback runs on WinINet's threads and only stores a completion's result, keeps the
// server's answer text (WinINet keeps it per thread) and signals an event. Run() starts one call on the
// transfer's thread; when WinINet answers ERROR_IO_PENDING it waits for the completion in steps of 10 ms,
// asking `cancelled` between steps. Whether a call is still WinINet's is told by the pending kind alone,
// which only Run() clears once it has seen the completion: a cancel leaves it set.
//
// A cancelled call is not waited for. Closing its handle is what ends it, but under Wine a read or send
// already blocked in a socket ends only when the server sends or gives up, or the receive timeout passes.
// So everything such a call writes into (the read buffer, the byte counts, the result) lives here, and this
// object lives on after its owner lets go (Release) until WinINet has reported the closing of every handle
// made with its context: each handle is counted from the moment the transfer or a completion brings it to
// the closing notice, its last callback. A connect or open call whose completion arrives after a cancel
// is adopted by the owner (AbandonPending) when it has already arrived; when it comes later, the callback
// closes the handle it brings. Nothing a callback can reach is freed before that callback has run.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/CriticalSection.h"
#include "platform/UniqueHandle.h"
#include "transfer/pure/TransferRules.h"

namespace velmora::transfer {

// What the call in progress is: connect and open calls bring a handle with their completion, and the
// answer text of connect and FTP calls is taken on the thread that got it.
enum class PendingCall { None, Connect, OpenRequest, Send, FtpCommand, FtpOpen, Read };

// The size of every read: one buffer of it for the whole transfer.
inline constexpr DWORD kReadBufferSize = 51200;

class AsyncInternet {
public:
    // Made with the owner's reference; Release() gives it up (see the top of this file).
    static AsyncInternet* Create();
    void Release();
    struct Releaser {
        void operator()(AsyncInternet* async) const { async->Release(); }
    };

    AsyncInternet(const AsyncInternet&) = delete;
    AsyncInternet& operator=(const AsyncInternet&) = delete;

    DWORD_PTR Context() { return reinterpret_cast<DWORD_PTR>(this); }
    static void CALLBACK StatusCallback(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info,
                                        DWORD infoLength);

    // Runs `call` (true when it succeeded at once, else false with the last error set). 0, the call's
    // error, the completion's error, or XFER_CANCELLED when `cancelled` said so while the call was pending;
    // the call then stays WinINet's (AbandonPending settles it) and every later Run answers XFER_CANCELLED.
    template <typename Call, typename Cancelled>
    [[nodiscard]] DWORD Run(PendingCall kind, Call&& call, Cancelled&& cancelled);

    // For Run's `call`: starts `blocking` on a thread of its own and answers as a call that went pending.
    // The thread hands the result over as WinINet's completion would, so Run waits for it while asking for
    // a cancel, and after a cancel the handle it brings is closed like any late one. `blocking` returns the
    // call's result (a handle, or TRUE) or 0 with the last error set; it owns copies of what it uses.
    // OS quirk (Wine 8): InternetConnectW for FTP (connect, greeting, login) and FtpCommandW do their work
    // on the calling thread although the session is asynchronous: a server that holds back an answer would
    // hold a cancel until it answers or the receive timeout passes. Closing handles does not end such a
    // call there either: the cancel returns at once, and the thread ends when the server answers or the
    // timeout passes, closing what the call brought.
    [[nodiscard]] bool StartOnOwnThread(std::function<DWORD_PTR()> blocking);

    // Closes the session's root handle, or hands it to the thread of StartOnOwnThread still running, which
    // closes it once its call is done. OS quirk (Wine 8): closing a root closes every handle below it, the
    // one a connect still running is making included, and frees its value; the connect then returns that
    // value all the same, and closing it would close whatever handle has been given the value since.
    void CloseSession(HINTERNET session);

    // A handle a call returned at once: counted until WinINet reports its closing.
    void Adopt(HINTERNET handle);
    // The handle the completion of the last connect or open call brought (already counted); null when
    // there was none.
    HINTERNET TakeCompletedHandle();
    // Settles a call a cancel left pending: returns the handle a connect or open call brought when its
    // completion has arrived (counted; the caller closes it), else null: a handle still to come is closed
    // by the callback.
    HINTERNET AbandonPending();

    // Where reads land: valid while this object lives, which is as long as a read may be pending.
    BYTE* ReadBuffer() { return readBuffer_.data(); }
    DWORD& BytesRead() { return bytesRead_; }
    // The byte count of the last read, once Run has returned success for it.
    // OS quirk (Wine 8): InternetReadFile sets its count to 0 when the read goes pending, which may be after
    // the read has completed on WinINet's thread and written its count there: a read of 51,200 bytes then
    // reads as 0, the end of the data, with its bytes gone from the stream. The count WinINet reports with
    // the read's INTERNET_STATUS_RESPONSE_RECEIVED, which comes before its completion, is the one to take.
    DWORD ReadCount() const;

    // The completion of the last call that was pending: dwResult and dwError.
    DWORD CompletionValue() const { return error_; }
    bool CompletedAsynchronously() const { return asynchronous_; }
    // The server's answer text to the last asynchronously completed connect or FTP call.
    const std::wstring& LastResponse() const { return lastResponse_; }

    // Sessions whose state WinINet still holds, or whose owner still has it: the tests' measure of leaks.
    static long LiveCount();

private:
    AsyncInternet();
    ~AsyncInternet() = default;
    static DWORD WINAPI OwnThreadMain(void* parameter);
    // A callback, or a thread of StartOnOwnThread, holds this object from BeginCallback to EndCallback.
    void BeginCallback();
    void EndCallback();
    // Ends what StartOnOwnThread began: closes the session handed over meanwhile, then as EndCallback.
    void EndOwnThreadCall();
    void OnStatus(HINTERNET handle, DWORD status, LPVOID info, DWORD infoLength);
    void OnRequestComplete(const INTERNET_ASYNC_RESULT* result);
    void Forget(HINTERNET handle);
    // Under the lock: nothing holds this object any more.
    bool Unreferenced() const { return ownerGone_ && busyCallbacks_ == 0 && handles_.empty(); }

    platform::CriticalSection lock_;
    std::vector<HINTERNET> handles_; // open handles made with this context, one entry each (values recur)
    bool ownerGone_ = false;
    int busyCallbacks_ = 0;
    int ownThreadCalls_ = 0;
    HINTERNET sessionToClose_ = nullptr; // closed by the last thread of StartOnOwnThread
    bool abandoned_ = false; // a cancel left the pending call to WinINet

    platform::UniqueKernelHandle requestComplete_; // auto-reset: a stale signal costs one more look
    std::atomic<PendingCall> pending_{PendingCall::None};
    std::atomic<bool> completed_{false};
    DWORD_PTR result_ = 0;
    DWORD error_ = 0;
    std::wstring lastResponse_;
    bool asynchronous_ = false;

    std::vector<BYTE> readBuffer_;
    DWORD bytesRead_ = 0;
    std::atomic<bool> readReported_{false}; // RESPONSE_RECEIVED came for the pending read
    std::atomic<DWORD> reportedRead_{0};
};

using AsyncInternetPtr = std::unique_ptr<AsyncInternet, AsyncInternet::Releaser>;

// The server's last answer text on the calling thread.
std::wstring LastResponseText();

template <typename Call, typename Cancelled>
DWORD AsyncInternet::Run(PendingCall kind, Call&& call, Cancelled&& cancelled) {
    if (pending_.load() != PendingCall::None || abandoned_)
        return XFER_CANCELLED;
    completed_.store(false);
    readReported_.store(false);
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
        return error != ERROR_SUCCESS ? InternetErrorOf(error) : ERROR_INTERNET_INTERNAL_ERROR;
    }
    while (!completed_.load()) {
        if (cancelled())
            return XFER_CANCELLED; // still pending: AbandonPending settles it
        ::WaitForSingleObject(requestComplete_.get(), 10);
    }
    pending_.store(PendingCall::None);
    asynchronous_ = true;
    // dwError is an error only when dwResult says the call failed.
    if (result_ == 0)
        return error_ != ERROR_SUCCESS ? InternetErrorOf(error_) : ERROR_INTERNET_INTERNAL_ERROR;
    return ERROR_SUCCESS;
}

} // namespace velmora::transfer
