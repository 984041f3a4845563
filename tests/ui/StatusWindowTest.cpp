// The status window as a real window on the test's thread: texts, title, the Skip button's place, closing
// from another thread, centring, and no window at all in a silent run.
#include <windows.h>

#include <thread>

#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "support/WindowDriver.h"
#include "ui/StatusWindow.h"
#include "platform/UiEnabled.h"
#include "ui/WindowTools.h"
#include "ui/resources/ResourceIds.h"

using namespace velmora;
using namespace velmora::ui;

namespace {

std::wstring ChainerPath() {
    return test::TestBinaryFolder() + L"\\chainer.exe";
}

std::wstring OwnPath() {
    wchar_t path[MAX_PATH];
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

RECT WindowRect(HWND window) {
    RECT r{};
    ::GetWindowRect(window, &r);
    return r;
}

RECT WorkArea() {
    RECT area{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

void ExpectCentredOver(HWND window, const RECT& over) {
    RECT r = WindowRect(window);
    EXPECT_NEAR((r.left + r.right) / 2, (over.left + over.right) / 2, 1);
    EXPECT_NEAR((r.top + r.bottom) / 2, (over.top + over.bottom) / 2, 1);
}

class UiEnabledScope {
public:
    explicit UiEnabledScope(bool enabled) : before_(platform::UiEnabled()) {
        platform::SetUiEnabled(enabled);
    }
    ~UiEnabledScope() { platform::SetUiEnabled(before_); }

private:
    bool before_;
};

} // namespace

TEST(Ui_StatusWindow, ShowsTextAndProductTitleWithoutSkip) {
    StatusWindow status(ChainerPath());
    status.ShowStatus(IDS_PREPARING, false);
    status.PrepareTitle();
    HWND window = status.Window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(status.Created());
    EXPECT_TRUE(::IsWindowVisible(window));
    EXPECT_EQ(test::TextOf(window), L"Velmora Setup");
    EXPECT_EQ(test::ControlText(window, IDC_STATUS_TEXT), L"Preparing...");
    EXPECT_FALSE(test::ControlVisible(window, IDC_STATUS_SKIP));
    // The text reaches over the hidden button's place.
    EXPECT_EQ(test::ControlRect(window, IDC_STATUS_TEXT).right,
              test::ControlRect(window, IDC_STATUS_SKIP).right);
    EXPECT_NE(::SendMessageW(window, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(::SendMessageW(window, WM_GETICON, ICON_SMALL, 0), 0);
    ExpectCentredOver(window, WorkArea());
}

TEST(Ui_StatusWindow, SkipButtonShowsWhenAllowedAndRecordsTheRequest) {
    StatusWindow status(ChainerPath());
    status.PrepareTitle();
    status.ShowStatus(IDS_SEARCHING, true);
    HWND window = status.Window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(test::ControlText(window, IDC_STATUS_TEXT), L"Searching for prerequisites...");
    EXPECT_TRUE(test::ControlVisible(window, IDC_STATUS_SKIP));
    const RECT narrow = test::ControlRect(window, IDC_STATUS_TEXT);
    EXPECT_LT(narrow.right, test::ControlRect(window, IDC_STATUS_SKIP).left);
    EXPECT_FALSE(status.IsSkipRequested());

    ASSERT_TRUE(test::Press(window, IDC_STATUS_SKIP));
    EXPECT_TRUE(status.IsSkipRequested());
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(window, IDC_STATUS_SKIP)));

    // The same window renews its layout: the button goes, the text widens, and back again.
    status.ShowStatus(IDS_PREPARING, false);
    EXPECT_EQ(status.Window(), window);
    EXPECT_FALSE(test::ControlVisible(window, IDC_STATUS_SKIP));
    EXPECT_EQ(test::ControlRect(window, IDC_STATUS_TEXT).right,
              test::ControlRect(window, IDC_STATUS_SKIP).right);
    status.ShowStatus(IDS_SEARCHING, true);
    EXPECT_EQ(test::ControlRect(window, IDC_STATUS_TEXT).right, narrow.right);
}

TEST(Ui_StatusWindow, EscapeOrCloseDoesNotRequestSkipWhileTheButtonIsHidden) {
    StatusWindow status(ChainerPath());
    status.ShowStatus(IDS_PREPARING, false);
    ::SendMessageW(status.Window(), WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(status.IsSkipRequested());
    EXPECT_TRUE(::IsWindow(status.Window()));
}

TEST(Ui_StatusWindow, DialogManagerMessagesDoNotCloseIt) {
    StatusWindow status(ChainerPath());
    status.ShowStatus(IDS_PREPARING, false);
    HWND window = status.Window();
    // WM_USER+1 is DM_SETDEFID to a dialog; only the private close message may destroy the window.
    ::SendMessageW(window, DM_SETDEFID, IDC_STATUS_SKIP, 0);
    EXPECT_TRUE(::IsWindow(window));
    EXPECT_TRUE(status.Created());
}

TEST(Ui_StatusWindow, CloseFromTheCreatingThreadIsImmediate) {
    StatusWindow status(ChainerPath());
    status.ShowStatus(IDS_PREPARING, false);
    HWND window = status.Window();
    status.CloseStatus();
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_FALSE(status.Created());
    EXPECT_EQ(status.Window(), nullptr);
    // A later ShowStatus makes a new window.
    status.ShowStatus(IDS_SEARCHING, false);
    EXPECT_NE(status.Window(), nullptr);
}

TEST(Ui_StatusWindow, CloseFromAnotherThreadWaitsUntilTheWindowIsGone) {
    StatusWindow status(ChainerPath());
    status.ShowStatus(IDS_PREPARING, false);
    HWND window = status.Window();
    std::atomic<bool> returned{false};
    bool goneWhenReturned = false;
    std::thread closer([&] {
        status.CloseStatus();
        goneWhenReturned = !::IsWindow(window);
        returned = true;
    });
    // This thread owns the window, so it pumps while the other one waits.
    EXPECT_TRUE(test::WaitUntil([&] { return returned.load(); }));
    closer.join();
    EXPECT_TRUE(goneWhenReturned);
    EXPECT_FALSE(status.Created());
}

TEST(Ui_StatusWindow, SilentRunCreatesNoWindow) {
    UiEnabledScope silent(false);
    const int before = LiveDialogCount();
    StatusWindow status(ChainerPath());
    status.ShowStatus(IDS_PREPARING, false);
    status.PrepareTitle();
    EXPECT_EQ(status.Window(), nullptr);
    EXPECT_FALSE(status.Created());
    EXPECT_TRUE(test::ThreadWindows(::GetCurrentThreadId()).empty());
    EXPECT_EQ(LiveDialogCount(), before);
    EXPECT_EQ(status.Title(), L"Velmora Setup");
    status.CloseStatus();
}

TEST(Ui_StatusWindow, CentredOverAVisibleOwnerAndOverTheWorkAreaOtherwise) {
    HWND owner = ::CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 40, 60, 500, 300, nullptr,
                                   nullptr, nullptr, nullptr);
    ASSERT_NE(owner, nullptr);
    ::SetActiveWindow(owner);
    ASSERT_EQ(::GetActiveWindow(), owner);
    {
        StatusWindow status(ChainerPath());
        status.ShowStatus(IDS_PREPARING, false);
        EXPECT_EQ(::GetWindow(status.Window(), GW_OWNER), owner);
        ExpectCentredOver(status.Window(), WindowRect(owner));
    }
    // Near the screen's corner the window is moved back inside the work area.
    ::SetWindowPos(owner, nullptr, -200, -100, 220, 120, SWP_NOZORDER);
    {
        StatusWindow status(ChainerPath());
        status.ShowStatus(IDS_PREPARING, false);
        RECT r = WindowRect(status.Window());
        EXPECT_EQ(r.left, WorkArea().left);
        EXPECT_EQ(r.top, WorkArea().top);
    }
    ::ShowWindow(owner, SW_HIDE);
    ::SetActiveWindow(owner);
    {
        StatusWindow status(ChainerPath());
        status.ShowStatus(IDS_PREPARING, false);
        ExpectCentredOver(status.Window(), WorkArea());
    }
    ::DestroyWindow(owner);
}

TEST(Ui_WindowTitle, ProductNameFromTheVersionResourceOrThePath) {
    EXPECT_EQ(ReadProductName(ChainerPath()), L"Velmora");
    EXPECT_EQ(WindowTitleFor(ChainerPath()), L"Velmora Setup");
    // This test program has no version resource.
    EXPECT_EQ(ReadProductName(OwnPath()), L"");
    EXPECT_EQ(WindowTitleFor(OwnPath()), OwnPath() + L" Setup");
    StatusWindow status;
    EXPECT_EQ(status.ProductName(), OwnPath());
    status.PrepareTitle();
    EXPECT_EQ(status.Title(), OwnPath() + L" Setup");
}
