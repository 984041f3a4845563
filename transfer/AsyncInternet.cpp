#include "transfer/AsyncInternet.h"

#include <algorithm>

#include "platform/GrowBuffer.h"
#include "platform/core/ExceptionHandling.h"

namespace velmora::transfer {

namespace {

constexpr DWORD kResponseTextSize = 1000;

std::atomic<long> liveSessions{0};

bool BringsHandle(PendingCall kind) {
    return kind == PendingCall::Connect || kind == PendingCall::OpenRequest || kind == PendingCall::FtpOpen;
}

bool KeepsAnswerText(PendingCall kind) {
    return kind == PendingCall::Connect || kind == PendingCall::FtpOpen || kind == PendingCall::FtpCommand;
}

} // namespace

AsyncInternet::AsyncInternet()
    : requestComplete_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)), readBuffer_(kReadBufferSize) {
    ++liveSessions;
}

AsyncInternet* AsyncInternet::Create() {
    return new AsyncInternet();
}

long AsyncInternet::LiveCount() {
    return liveSessions.load();
}

void AsyncInternet::Release() {
    bool unreferenced = false;
    {
        platform::ScopedLock hold(lock_);
        ownerGone_ = true;
        unreferenced = Unreferenced();
    }
    if (unreferenced) {
        --liveSessions;
        delete this;
    }
}

std::wstring LastResponseText() {
    std::wstring text;
    // A failure leaves the text empty: there is no response to tell.
    (void)platform::CallWithGrowingBuffer(
        text, kResponseTextSize, [](wchar_t* buffer, DWORD capacity, DWORD* written, DWORD* needed) -> DWORD {
            DWORD error = 0;
            DWORD length = capacity;
            if (!::InternetGetLastResponseInfoW(&error, buffer, &length)) {
                DWORD failure = ::GetLastError();
                *needed = length + 1;
                return failure;
            }
            *written = length;
            return ERROR_SUCCESS;
        });
    return text;
}

void AsyncInternet::BeginCallback() {
    platform::ScopedLock hold(lock_);
    ++busyCallbacks_;
}

void AsyncInternet::EndCallback() {
    bool unreferenced = false;
    {
        platform::ScopedLock hold(lock_);
        --busyCallbacks_;
        unreferenced = Unreferenced();
    }
    if (unreferenced) {
        --liveSessions;
        delete this;
    }
}

void CALLBACK AsyncInternet::StatusCallback(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info,
                                            DWORD infoLength) {
    auto* self = reinterpret_cast<AsyncInternet*>(context);
    if (self == nullptr)
        return;
    self->BeginCallback();
    try {
        self->OnStatus(handle, status, info, infoLength);
    } catch (...) {
        // No exception may unwind into WinINet; the transfer goes on without what failed here.
        platform::core::PresentCaughtException(nullptr);
    }
    self->EndCallback();
}

namespace {

struct OwnThreadCall {
    AsyncInternet* async;
    std::function<DWORD_PTR()> blocking;
};

} // namespace

bool AsyncInternet::StartOnOwnThread(std::function<DWORD_PTR()> blocking) {
    auto* job = new OwnThreadCall{this, std::move(blocking)};
    {
        platform::ScopedLock hold(lock_);
        ++busyCallbacks_;
        ++ownThreadCalls_;
    }
    platform::UniqueKernelHandle thread(
        ::CreateThread(nullptr, 0, &AsyncInternet::OwnThreadMain, job, 0, nullptr));
    if (!thread) {
        const DWORD error = ::GetLastError();
        delete job;
        EndOwnThreadCall();
        ::SetLastError(error);
        return false;
    }
    ::SetLastError(ERROR_IO_PENDING);
    return true;
}

void AsyncInternet::EndOwnThreadCall() {
    HINTERNET session = nullptr;
    {
        platform::ScopedLock hold(lock_);
        if (--ownThreadCalls_ == 0)
            std::swap(session, sessionToClose_);
    }
    if (session != nullptr)
        ::InternetCloseHandle(session);
    EndCallback();
}

void AsyncInternet::CloseSession(HINTERNET session) {
    {
        platform::ScopedLock hold(lock_);
        if (ownThreadCalls_ != 0) {
            sessionToClose_ = session;
            return;
        }
    }
    ::InternetCloseHandle(session);
}

DWORD WINAPI AsyncInternet::OwnThreadMain(void* parameter) {
    platform::core::InstallCrashHandlers();
    std::unique_ptr<OwnThreadCall> job(static_cast<OwnThreadCall*>(parameter));
    AsyncInternet* self = job->async;
    INTERNET_ASYNC_RESULT result{0, ERROR_INTERNET_INTERNAL_ERROR};
    try {
        ::SetLastError(ERROR_SUCCESS);
        result.dwResult = job->blocking();
        result.dwError = result.dwResult != 0 ? ERROR_SUCCESS : ::GetLastError();
    } catch (...) {
        platform::core::PresentCaughtException(nullptr);
    }
    // What it used (a password among it) goes before anyone is told.
    job.reset();
    // Where WinINet did take the call asynchronously, its own completion comes through the callback.
    if (result.dwResult != 0 || result.dwError != ERROR_IO_PENDING) {
        try {
            self->OnStatus(nullptr, INTERNET_STATUS_REQUEST_COMPLETE, &result, sizeof result);
        } catch (...) {
            platform::core::PresentCaughtException(nullptr);
        }
    }
    self->EndOwnThreadCall();
    return 0;
}

void AsyncInternet::OnStatus(HINTERNET handle, DWORD status, LPVOID info, DWORD infoLength) {
    switch (status) {
    case INTERNET_STATUS_HANDLE_CLOSING:
        // The handle's last callback: what it could write into may go once no other handle holds on.
        if (handle == nullptr && info != nullptr && infoLength >= sizeof(HINTERNET))
            handle = *static_cast<const HINTERNET*>(info);
        Forget(handle);
        return;
    case INTERNET_STATUS_REQUEST_COMPLETE:
        OnRequestComplete(infoLength >= sizeof(INTERNET_ASYNC_RESULT)
                              ? static_cast<const INTERNET_ASYNC_RESULT*>(info)
                              : nullptr);
        return;
    case INTERNET_STATUS_RESPONSE_RECEIVED:
        // For a read: the bytes it has put into the buffer (see ReadCount). A send reports the answer's
        // headers the same way, which is no count of the buffer's.
        if (pending_.load() == PendingCall::Read && info != nullptr && infoLength >= sizeof(DWORD)) {
            reportedRead_.store(*static_cast<const DWORD*>(info));
            readReported_.store(true);
        }
        return;
    default:
        return;
    }
}

void AsyncInternet::OnRequestComplete(const INTERNET_ASYNC_RESULT* result) {
    const DWORD_PTR value = result != nullptr ? result->dwResult : 0;
    const DWORD error = result != nullptr ? result->dwError : ERROR_INTERNET_INTERNAL_ERROR;
    const PendingCall kind = pending_.load();
    std::wstring answer;
    if (KeepsAnswerText(kind)) {
        try {
            answer = LastResponseText();
        } catch (...) {
            // The completion must still be told; the transfer goes on without the text.
            platform::core::PresentCaughtException(nullptr);
        }
    }
    HINTERNET orphan = nullptr;
    {
        platform::ScopedLock hold(lock_);
        // A new handle is counted before anyone can close it: its closing notice may follow at once.
        if (BringsHandle(kind) && value != 0) {
            handles_.push_back(reinterpret_cast<HINTERNET>(value));
            if (abandoned_)
                orphan = reinterpret_cast<HINTERNET>(value);
        }
        if (!abandoned_) {
            result_ = value;
            error_ = error;
            lastResponse_.swap(answer);
        }
        completed_.store(true);
    }
    ::SetEvent(requestComplete_.get());
    // Its owner has given up on it: no one else will close it. Its closing notice comes through here again
    // (on this thread, at once, under Wine), while this callback still counts as busy.
    if (orphan != nullptr)
        ::InternetCloseHandle(orphan);
}

void AsyncInternet::Forget(HINTERNET handle) {
    platform::ScopedLock hold(lock_);
    const auto at = std::find(handles_.begin(), handles_.end(), handle);
    if (at != handles_.end())
        handles_.erase(at);
}

void AsyncInternet::Adopt(HINTERNET handle) {
    if (handle == nullptr)
        return;
    platform::ScopedLock hold(lock_);
    handles_.push_back(handle);
}

DWORD AsyncInternet::ReadCount() const {
    if (!asynchronous_ || !readReported_.load())
        return bytesRead_;
    return std::min(reportedRead_.load(), kReadBufferSize);
}

HINTERNET AsyncInternet::TakeCompletedHandle() {
    return reinterpret_cast<HINTERNET>(result_);
}

HINTERNET AsyncInternet::AbandonPending() {
    platform::ScopedLock hold(lock_);
    const PendingCall kind = pending_.load();
    if (kind == PendingCall::None)
        return nullptr;
    if (!completed_.load()) {
        abandoned_ = true;
        return nullptr;
    }
    // The completion came just as the cancel was seen: its handle is the owner's to close.
    pending_.store(PendingCall::None);
    return BringsHandle(kind) && result_ != 0 ? reinterpret_cast<HINTERNET>(result_) : nullptr;
}

} // namespace velmora::transfer
