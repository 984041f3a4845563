// The crash dialog as a real window in this process: the message area's height, the details pane, the
// clipboard, "Send Error Report", the title and resizing.
#include <windows.h>

#include <string>
#include <thread>
#include <atomic>

#include <gtest/gtest.h>

#include "platform/core/ExceptionHandling.h"
#include "platform/core/ExceptionPresenter.h"
#include "platform/core/StackTrace.h"
#include "platform/core/pure/CrashDialogLayout.h"
#include "support/WindowDriver.h"

using namespace velmora;
using namespace velmora::platform::core;

namespace {

class Reporter final : public ErrorReporter {
public:
    explicit Reporter(bool canSend) : canSend_(canSend) {}
    bool CanSend() const override { return canSend_; }
    void Send(std::wstring_view details, HWND dialog) override {
        sent = details;
        sentFrom = dialog;
    }
    void Receive(std::wstring_view text) override { received += text; }

    std::wstring sent;
    HWND sentFrom = nullptr;
    std::wstring received;

private:
    bool canSend_;
};

class FixedTitle final : public TitleProvider {
public:
    std::wstring Title() const override { return L"Velmora Setup"; }
};

// Shows the report on a thread of its own, as a failing worker would, and hands the dialog to the test.
class ShownReport {
public:
    ShownReport(std::wstring message, std::wstring report, const CrashReporting& reporting = {})
        : message_(std::move(message)), report_(std::move(report)), reporting_(reporting) {
        thread_ = std::thread([this] {
            threadId_ = ::GetCurrentThreadId();
            PresentError(nullptr, message_, report_, reporting_);
        });
        test::WaitUntil([this] { return threadId_ != 0; });
        dialog_ = test::WaitForThreadWindow(threadId_, {});
    }
    ~ShownReport() {
        if (::IsWindow(dialog_))
            test::Press(dialog_, kCrashClose);
        thread_.join();
    }
    HWND Dialog() const { return dialog_; }

private:
    std::wstring message_;
    std::wstring report_;
    CrashReporting reporting_;
    std::atomic<DWORD> threadId_{0};
    std::thread thread_;
    HWND dialog_ = nullptr;
};

int DialogUnitsToPixels(HWND dialog, int height) {
    RECT r{0, 0, 0, height};
    ::MapDialogRect(dialog, &r);
    return r.bottom;
}

std::wstring Lines(int count) {
    std::wstring text = L"Line 1";
    for (int i = 2; i <= count; ++i)
        text += L"\r\nLine " + std::to_wstring(i);
    return text;
}

SIZE WindowSize(HWND window) {
    RECT r{};
    ::GetWindowRect(window, &r);
    return {r.right - r.left, r.bottom - r.top};
}

const std::wstring kTrace =
    L"\r\n*** Stack Trace (x86) ***\r\n\r\n[0x00401000]  Worker()\r\n[0x00400000]  MODULE_BASE_ADDRESS\r\n";

} // namespace

TEST(Crash_Dialog, MessageAreaIsSizedByItsLineCount) {
    struct Case {
        int lines;
        int dialogUnits;
    };
    for (const Case& c : {Case{1, 25}, Case{12, 100}, Case{40, 249}}) {
        ShownReport shown(Lines(c.lines), Lines(c.lines));
        ASSERT_NE(shown.Dialog(), nullptr) << c.lines;
        RECT message = test::ControlRect(shown.Dialog(), kCrashMessage);
        EXPECT_EQ(message.bottom - message.top, DialogUnitsToPixels(shown.Dialog(), c.dialogUnits))
            << c.lines;
        EXPECT_EQ(test::TextOf(shown.Dialog()), L"Error");
        // Without details there is only Close.
        EXPECT_EQ(::GetDlgItem(shown.Dialog(), kCrashDetailsButton), nullptr);
        EXPECT_EQ(::GetDlgItem(shown.Dialog(), kCrashCopy), nullptr);
        EXPECT_TRUE(test::ControlVisible(shown.Dialog(), kCrashClose));
    }
}

TEST(Crash_Dialog, DetailsOpenCloseAndCopyToTheClipboard) {
    test::EmptyClipboardText();
    const std::wstring message = L"Something failed.\r\n";
    ShownReport shown(message, message + kTrace);
    HWND dialog = shown.Dialog();
    ASSERT_NE(dialog, nullptr);
    const SIZE closed = WindowSize(dialog);
    EXPECT_FALSE(test::ControlVisible(dialog, kCrashDetails));
    EXPECT_FALSE(test::ControlVisible(dialog, kCrashCopy));

    ASSERT_TRUE(test::Press(dialog, kCrashDetailsButton));
    EXPECT_TRUE(test::ControlVisible(dialog, kCrashDetails));
    EXPECT_TRUE(test::ControlVisible(dialog, kCrashCopy));
    EXPECT_EQ(test::ControlText(dialog, kCrashDetailsButton), L"Details <<");
    const SIZE open = WindowSize(dialog);
    EXPECT_EQ(open.cx, closed.cx);
    EXPECT_EQ(open.cy - closed.cy, DialogUnitsToPixels(dialog, 147));
    RECT details = test::ControlRect(dialog, kCrashDetails);
    EXPECT_EQ(details.bottom - details.top, DialogUnitsToPixels(dialog, 140));

    ASSERT_TRUE(test::Press(dialog, kCrashCopy));
    EXPECT_EQ(test::ClipboardText(), message + kTrace);
    DWORD start = 0, end = 0;
    ::SendMessageW(::GetDlgItem(dialog, kCrashDetails), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                   reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, end) << "the selection is cleared after copying";

    ASSERT_TRUE(test::Press(dialog, kCrashDetailsButton));
    EXPECT_FALSE(test::ControlVisible(dialog, kCrashDetails));
    EXPECT_EQ(test::ControlText(dialog, kCrashDetailsButton), L"Details >>");
    EXPECT_EQ(WindowSize(dialog).cy, closed.cy);
}

TEST(Crash_Dialog, SendErrorReportOnlyWhenTheReporterCanSend) {
    Reporter cannot(false);
    {
        CrashReporting reporting;
        reporting.reporter = &cannot;
        ShownReport shown(L"Failed.", L"Failed." + kTrace, reporting);
        ASSERT_NE(shown.Dialog(), nullptr);
        EXPECT_EQ(::GetDlgItem(shown.Dialog(), kCrashSend), nullptr);
    }
    EXPECT_EQ(cannot.received, L"\r\nFailed.");

    Reporter can(true);
    CrashReporting reporting;
    reporting.reporter = &can;
    reporting.title = nullptr;
    ShownReport shown(L"Failed.", L"Failed." + kTrace, reporting);
    ASSERT_NE(shown.Dialog(), nullptr);
    EXPECT_EQ(test::ControlText(shown.Dialog(), kCrashSend), L"Send Error Report");
    ASSERT_TRUE(test::Press(shown.Dialog(), kCrashSend));
    EXPECT_EQ(can.sent, L"Failed." + kTrace);
    EXPECT_EQ(can.sentFrom, shown.Dialog());
}

TEST(Crash_Dialog, RegisteredTitleReplacesError) {
    FixedTitle title;
    CrashReporting reporting;
    reporting.title = &title;
    ShownReport shown(L"Failed.", L"Failed.", reporting);
    ASSERT_NE(shown.Dialog(), nullptr);
    EXPECT_EQ(test::TextOf(shown.Dialog()), L"Velmora Setup");
}

TEST(Crash_Dialog, ResizingKeepsAnchorsAndTheInitialSizeIsTheMinimum) {
    ShownReport shown(L"Failed.", L"Failed." + kTrace);
    HWND dialog = shown.Dialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(test::Press(dialog, kCrashDetailsButton));
    const SIZE initial = WindowSize(dialog);

    MINMAXINFO limits{};
    ::SendMessageW(dialog, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_EQ(limits.ptMinTrackSize.x, initial.cx);
    EXPECT_EQ(limits.ptMinTrackSize.y, initial.cy);

    const RECT message = test::ControlRect(dialog, kCrashMessage);
    const RECT details = test::ControlRect(dialog, kCrashDetails);
    const RECT close = test::ControlRect(dialog, kCrashClose);
    const RECT copy = test::ControlRect(dialog, kCrashCopy);
    const RECT more = test::ControlRect(dialog, kCrashDetailsButton);
    ::SendMessageW(dialog, WM_NULL, 0, 0);
    ::SetWindowPos(dialog, nullptr, 0, 0, initial.cx + 100, initial.cy + 60, SWP_NOMOVE | SWP_NOZORDER);
    ASSERT_TRUE(test::WaitUntil([&] { return WindowSize(dialog).cx == initial.cx + 100; }));

    auto moved = [&](int id, const RECT& before, int dx, int dy, int dw, int dh) {
        RECT now = test::ControlRect(dialog, id);
        EXPECT_EQ(now.left, before.left + dx) << id;
        EXPECT_EQ(now.top, before.top + dy) << id;
        EXPECT_EQ(now.right - now.left, before.right - before.left + dw) << id;
        EXPECT_EQ(now.bottom - now.top, before.bottom - before.top + dh) << id;
    };
    moved(kCrashMessage, message, 0, 0, 100, 0);
    moved(kCrashDetails, details, 0, 0, 100, 60);
    moved(kCrashClose, close, 100, 60, 0, 0);
    moved(kCrashCopy, copy, 100, 60, 0, 0);
    moved(kCrashDetailsButton, more, 0, 60, 0, 0);
}

TEST(Crash_Dialog, ReportWithoutSymbolsHasNoTraceButIsStillShown) {
    // A library without SymFromAddr stands for a system whose debug help cannot name symbols.
    DebugHelp withoutSymbols(L"kernel32.dll");
    EXPECT_FALSE(withoutSymbols.CanTrace());
    EXCEPTION_RECORD record{};
    record.ExceptionCode = 0xC0000005;
    record.ExceptionAddress = reinterpret_cast<void*>(0x00401234);
    record.NumberParameters = 2;
    record.ExceptionInformation[0] = 1;
    record.ExceptionInformation[1] = 0x10;
    CONTEXT context{};
    context.ContextFlags = CONTEXT_FULL;
    ::RtlCaptureContext(&context);
    EXCEPTION_POINTERS pointers{&record, &context};
    SehException exception = TranslateStructuredException(&pointers, withoutSymbols);
    EXPECT_EQ(exception.Message(),
              L"[SEH_AV_WRITE_BADPTR] ACCESS_VIOLATION (0xc0000005) at address [0x00401234]\r\n");
    EXPECT_EQ(exception.Kind(), kAvWriteBadPointer);

    ShownReport shown(std::wstring(MessageOfReport(exception.Message())), exception.Message());
    ASSERT_NE(shown.Dialog(), nullptr);
    EXPECT_EQ(test::ControlText(shown.Dialog(), kCrashMessage), exception.Message());
    EXPECT_EQ(::GetDlgItem(shown.Dialog(), kCrashDetailsButton), nullptr);
}
