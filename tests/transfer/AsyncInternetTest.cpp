// The asynchronous protocol of one transfer session, with WinINet's side of a pending read played in the
// order Wine was seen to run it: no server can make its thread win that race on demand.
#include "transfer/AsyncInternet.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <wininet.h>

using namespace velmora::transfer;

namespace {

// Runs a read that WinINet completes on its own thread, reporting `reported` bytes, before the call that
// started it returns; the call then leaves `countAfterCall` in the count, as InternetReadFile does.
DWORD PendingReadCompletedEarly(AsyncInternet& async, DWORD reported, DWORD countAfterCall) {
    const DWORD_PTR context = async.Context();
    return async.Run(
        PendingCall::Read,
        [&] {
            async.BytesRead() = reported;
            DWORD bytes = reported;
            AsyncInternet::StatusCallback(nullptr, context, INTERNET_STATUS_RESPONSE_RECEIVED, &bytes,
                                          sizeof bytes);
            INTERNET_ASYNC_RESULT done{TRUE, ERROR_SUCCESS};
            AsyncInternet::StatusCallback(nullptr, context, INTERNET_STATUS_REQUEST_COMPLETE, &done,
                                          sizeof done);
            async.BytesRead() = countAfterCall;
            ::SetLastError(ERROR_IO_PENDING);
            return false;
        },
        [] { return false; });
}

} // namespace

// OS quirk (Wine 8): InternetReadFile sets its count to 0 once the read has gone pending, even when the read
// completed meanwhile: taken as it is, 48,800 bytes read and gone from the stream would be the end of the
// data (a file without a length would be accepted without them).
TEST(AsyncInternet, AsyncInternet_Read_CountOfAReadThatCompletedBeforeItsCallReturnedStands) {
    AsyncInternetPtr async(AsyncInternet::Create());
    ASSERT_EQ(PendingReadCompletedEarly(*async, 48800, 0), ERROR_SUCCESS);
    EXPECT_EQ(async->ReadCount(), 48800u);
    // The real end of the data is reported as 0 bytes the same way.
    ASSERT_EQ(PendingReadCompletedEarly(*async, 0, 0), ERROR_SUCCESS);
    EXPECT_EQ(async->ReadCount(), 0u);

    // A read that completes at once has its count where the call wrote it.
    ASSERT_EQ(async->Run(
                  PendingCall::Read,
                  [&] {
                      async->BytesRead() = 51200;
                      return true;
                  },
                  [] { return false; }),
              ERROR_SUCCESS);
    EXPECT_EQ(async->ReadCount(), 51200u);
}
