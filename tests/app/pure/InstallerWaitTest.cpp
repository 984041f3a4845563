#include "app/pure/InstallerWait.h"

#include <gtest/gtest.h>

using namespace velmora::app;

TEST(InstallerWait_Decision, EveryOutcomeGoesOnAndOnlyTheUnusualOnesAreLogged) {
    const struct {
        InstallerWait wait;
        std::wstring_view line;
    } cases[] = {
        {{InstallerWaitResult::NoTransaction, 0}, L""},
        {{InstallerWaitResult::Released, 0}, L""},
        {{InstallerWaitResult::Abandoned, 0},
         L"Another installation ended without releasing the Windows Installer mutex; the run goes on."},
        {{InstallerWaitResult::CannotOpen, 5},
         L"Could not open the Windows Installer mutex. Error: 5 Access denied.; the run goes on without "
         L"waiting."},
        {{InstallerWaitResult::CannotWait, 6},
         L"Could not wait for the Windows Installer mutex. Error: 5 Access denied.; the run goes on without "
         L"waiting."},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(MainFlowRunsAfter(c.wait)) << static_cast<int>(c.wait.result);
        EXPECT_EQ(InstallerWaitLogLine(c.wait, L"5 Access denied."), c.line)
            << static_cast<int>(c.wait.result);
    }
}
