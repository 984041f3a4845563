#include "platform/MessageWait.h"

#include <gtest/gtest.h>

using namespace velmora::platform;

namespace {

HANDLE signalFromTimer = nullptr;

void CALLBACK SignalOnTimer(HWND, UINT, UINT_PTR, DWORD) {
    ::SetEvent(signalFromTimer);
}

} // namespace

TEST(MessageWait_WaitPumping, ReturnsWhenSignalledAndDispatchesMessagesMeanwhile) {
    HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    // A timer message arrives first; the wait must dispatch it, and only its handler signals the event.
    signalFromTimer = event;
    UINT_PTR timer = ::SetTimer(nullptr, 0, 10, SignalOnTimer);
    EXPECT_TRUE(WaitPumping(event));
    ::KillTimer(nullptr, timer);
    ::CloseHandle(event);
}

TEST(MessageWait_WaitPumping, InvalidHandleReturnsFalse) {
    EXPECT_FALSE(WaitPumping(nullptr));
}
