#include "transfer/pure/CopyProgressThrottle.h"

#include <gtest/gtest.h>

using namespace velmora::transfer;

TEST(CopyProgressThrottle_Advance, ReportsEvery200MsAndAtTheEnd) {
    CopyProgressThrottle throttle;
    throttle.Start(1000, 5000);
    EXPECT_FALSE(throttle.Advance(100, 5050));
    EXPECT_FALSE(throttle.Advance(300, 5199));
    EXPECT_EQ(throttle.Advance(400, 5200), 400u);
    EXPECT_FALSE(throttle.Advance(600, 5300));
    EXPECT_EQ(throttle.Advance(1000, 5310), 600u); // complete: reported at once
    EXPECT_FALSE(throttle.Advance(1000, 6000));    // nothing new
}

TEST(CopyProgressThrottle_Advance, StartResetsAndTickWrapIsHandled) {
    CopyProgressThrottle throttle;
    throttle.Start(100, 0xFFFFFF00u);
    EXPECT_EQ(throttle.Advance(50, 0x00000010u), 50u); // 272 ms later, across the wrap
    throttle.Start(100, 0);
    EXPECT_EQ(throttle.Advance(100, 1), 100u);
}
