#include "acquisition/AsyncInternet.h"

#include "platform/GrowBuffer.h"
#include "platform/Logger.h"
#include "platform/core/ExceptionHandling.h"

namespace velmora::acquisition {

namespace {

constexpr DWORD kResponseTextSize = 1000;
// Should the closing notice never come, the transfer's state stays allocated for good rather than be
// freed under a callback that may still arrive.
constexpr DWORD kHandleClosingWaitMs = 60000;

// The new address of a redirect begins with "http:" (not "https:"). WinINet hands it over as wide text to a
// wide callback; narrow text is recognised as well, so the check does not rest on that.
bool IsPlainHttpAddress(const void* info, DWORD length) {
    if (info == nullptr || length < 5)
        return false;
    const auto lower = [](unsigned value) { return value >= 'A' && value <= 'Z' ? value + 32 : value; };
    const auto matches = [&](auto text) {
        const char prefix[] = "http:";
        for (int i = 0; i < 5; ++i) {
            if (lower(static_cast<unsigned>(text[i])) != static_cast<unsigned>(prefix[i]))
                return false;
        }
        return true;
    };
    return (length >= 5 * sizeof(wchar_t) && matches(static_cast<const wchar_t*>(info))) ||
           matches(static_cast<const unsigned char*>(info));
}

} // namespace

AsyncInternet::AsyncInternet()
    : requestComplete_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      handleClosed_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

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

void CALLBACK AsyncInternet::StatusCallback(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info,
                                            DWORD infoLength) {
    auto* self = reinterpret_cast<AsyncInternet*>(context);
    if (self == nullptr)
        return;
    switch (status) {
    case INTERNET_STATUS_CONNECTION_CLOSED:
        self->connectionClosed_.store(true);
        return;
    case INTERNET_STATUS_HANDLE_CLOSING:
        if (handle == self->closing_.load())
            ::SetEvent(self->handleClosed_.get());
        return;
    case INTERNET_STATUS_REDIRECT:
        if (IsPlainHttpAddress(info, infoLength))
            self->redirectedToHttp_.store(true);
        return;
    case INTERNET_STATUS_REQUEST_COMPLETE: {
        const auto* result = static_cast<const INTERNET_ASYNC_RESULT*>(info);
        bool valid = result != nullptr && infoLength >= sizeof(INTERNET_ASYNC_RESULT);
        self->result_ = valid ? result->dwResult : 0;
        self->error_ = valid ? result->dwError : ERROR_INTERNET_INTERNAL_ERROR;
        PendingCall kind = self->pending_.load();
        if (!self->completed_.load() && (kind == PendingCall::Connect || kind == PendingCall::FtpOpen ||
                                         kind == PendingCall::FtpCommand)) {
            try {
                self->lastResponse_ = LastResponseText();
            } catch (...) {
                // No exception may unwind into WinINet; the transfer goes on without the text.
                platform::core::PresentCaughtException(nullptr);
            }
        }
        self->completed_.store(true);
        ::SetEvent(self->requestComplete_.get());
        return;
    }
    default:
        return;
    }
}

void AsyncInternet::Close(platform::UniqueInternet& handle) {
    if (!handle)
        return;
    ::ResetEvent(handleClosed_.get());
    HINTERNET closing = handle.release();
    closing_.store(closing);
    const bool closed = ::InternetCloseHandle(closing) != FALSE;
    if (closed && ::WaitForSingleObject(handleClosed_.get(), kHandleClosingWaitMs) != WAIT_OBJECT_0) {
        stuck_ = true;
        platform::LogLine(L"WinINet did not report the closing of a download handle.");
    }
    closing_.store(nullptr);
    pending_.store(PendingCall::None);
}

HINTERNET AsyncInternet::SettlePending() {
    const PendingCall kind = Unsettled();
    if (kind == PendingCall::None)
        return nullptr;
    // No cancel applies now: what WinINet still writes must arrive while its target exists.
    if (!completed_.load() &&
        ::WaitForSingleObject(requestComplete_.get(), kHandleClosingWaitMs) != WAIT_OBJECT_0 &&
        !completed_.load()) {
        stuck_ = true;
        platform::LogLine(L"WinINet did not complete a cancelled download call.");
        return nullptr;
    }
    pending_.store(PendingCall::None);
    const bool bringsHandle =
        kind == PendingCall::Connect || kind == PendingCall::OpenRequest || kind == PendingCall::FtpOpen;
    return bringsHandle ? reinterpret_cast<HINTERNET>(result_) : nullptr;
}

} // namespace velmora::acquisition
