// Taskbar progress on the Windows 7 that a fresh Wine prefix reports.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include "ui/TaskbarProgress.h"

using velmora::ui::CreateTaskbarProgress;

TEST(Ui_TaskbarProgress, Windows7GivesAWorkingTaskbarList) {
    const bool initialised = ::CoInitialize(nullptr) == S_OK;
    {
        auto taskbar = CreateTaskbarProgress();
        ASSERT_TRUE(taskbar);
        EXPECT_EQ(taskbar.get()->HrInit(), S_OK);
        HWND window = ::CreateWindowExW(0, L"STATIC", L"progress", WS_POPUP | WS_VISIBLE, 0, 0, 100, 50, nullptr,
                                        nullptr, nullptr, nullptr);
        EXPECT_EQ(taskbar.get()->SetProgressValue(window, 2, 5), S_OK);
        EXPECT_EQ(taskbar.get()->SetProgressState(window, TBPF_ERROR), S_OK);
        ::DestroyWindow(window);
    }
    if (initialised)
        ::CoUninitialize();
}
