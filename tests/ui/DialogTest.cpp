// The dialog framework with real windows: routing from the first message on, creation on several threads
// at once, failed creations, the window-procedure boundary, and the module teardown.
#include <windows.h>

#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/core/ExceptionHandling.h"
#include "platform/core/ExceptionPresenter.h"
#include "support/WindowDriver.h"
#include "ui/Dialog.h"
#include "ui/resources/ResourceIds.h"

using namespace velmora;
using namespace velmora::ui;

namespace {

class ProbeDialog final : public Dialog {
public:
    ProbeDialog() = default;
    explicit ProbeDialog(const platform::core::CrashReporting& reporting) : Dialog(reporting) {}
    HWND Create(int templateId = IDD_STATUS) { return CreateModeless(templateId, nullptr); }
    INT_PTR Modal() { return ShowModal(IDD_STATUS, nullptr); }

    std::vector<UINT> messages;
    HWND windowAtInit = nullptr;
    bool throwOnInit = false;
    bool endOnInit = false;
    bool destroyedSeen = false;

protected:
    INT_PTR OnMessage(UINT message, WPARAM, LPARAM) override {
        messages.push_back(message);
        if (message == WM_INITDIALOG) {
            windowAtInit = Window();
            if (throwOnInit)
                throw platform::core::Exception(L"Init failed on purpose.");
            if (endOnInit)
                ::PostMessageW(Window(), WM_COMMAND, IDOK, 0);
            return TRUE;
        }
        if (message == WM_COMMAND && endOnInit) {
            ::EndDialog(Window(), 42);
            return TRUE;
        }
        return FALSE;
    }
    void OnWindowDestroyed() override { destroyedSeen = true; }
};

class RecordingSink final : public platform::core::ConsoleSink {
public:
    void Write(std::wstring_view text) override { written += text; }
    std::wstring written;
};

} // namespace

TEST(Ui_Dialog, ObjectReceivesMessagesFromTheFirstOn) {
    ProbeDialog dialog;
    HWND window = dialog.Create();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(dialog.Window(), window);
    EXPECT_EQ(dialog.windowAtInit, window);
    ASSERT_FALSE(dialog.messages.empty());
    // The dialog manager sends the font before WM_INITDIALOG; the object already gets it.
    EXPECT_EQ(dialog.messages.front(), static_cast<UINT>(WM_SETFONT));
    ::DestroyWindow(window);
    EXPECT_TRUE(dialog.destroyedSeen);
    EXPECT_EQ(dialog.Window(), nullptr);
}

TEST(Ui_Dialog, ThreadsCreatingAtOnceEachGetTheirOwnWindow) {
    constexpr int kThreads = 4;
    constexpr int kRounds = 25;
    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < kRounds; ++i) {
                ProbeDialog dialog;
                HWND window = dialog.Create();
                if (window == nullptr || dialog.windowAtInit != window ||
                    ::GetWindowThreadProcessId(window, nullptr) != ::GetCurrentThreadId())
                    ++mismatches;
                ::DestroyWindow(window);
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(mismatches.load(), 0);
}

TEST(Ui_Dialog, FailedCreationLeavesNothingBehind) {
    ProbeDialog missing;
    EXPECT_EQ(missing.Create(9999), nullptr);
    EXPECT_EQ(missing.Window(), nullptr);
    // The next dialog of this thread must not be routed to the failed one.
    ProbeDialog next;
    HWND window = next.Create();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(missing.messages.empty());
    EXPECT_EQ(next.windowAtInit, window);
    ::DestroyWindow(window);
}

TEST(Ui_Dialog, ModalDialogReturnsItsResult) {
    ProbeDialog dialog;
    dialog.endOnInit = true;
    EXPECT_EQ(dialog.Modal(), 42);
    EXPECT_TRUE(dialog.destroyedSeen);
}

TEST(Ui_Dialog, ExceptionInAHandlerIsReportedAtTheWindowBoundary) {
    RecordingSink sink;
    platform::core::CrashReporting reporting;
    reporting.console = &sink;
    ProbeDialog dialog(reporting);
    dialog.throwOnInit = true;
    HWND window = dialog.Create();
    EXPECT_NE(window, nullptr);
    EXPECT_EQ(sink.written, L"Init failed on purpose.\r\n");
    ::DestroyWindow(window);
}

TEST(Ui_Dialog, ModuleTeardownDestroysWindowsStillRegistered) {
    ProbeDialog first;
    ProbeDialog second;
    HWND a = first.Create();
    HWND b = second.Create();
    ASSERT_TRUE(a != nullptr && b != nullptr);
    EXPECT_GE(LiveDialogCount(), 2);
    { UiModuleScope scope; }
    EXPECT_FALSE(::IsWindow(a));
    EXPECT_FALSE(::IsWindow(b));
    EXPECT_EQ(LiveDialogCount(), 0);
    EXPECT_TRUE(first.destroyedSeen && second.destroyedSeen);
}
