// The crash path end to end: a helper program fails on a worker thread, the crash handlers report it on
// the console, in the crash dialog or to the debugger output, and the process ends with the failure's code.
#include <windows.h>

#include <atomic>
#include <regex>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "platform/FileSystem.h"
#include "platform/Bitness.h"
#include "platform/UniqueHandle.h"
#include "platform/core/pure/CrashDialogLayout.h"
#include "platform/core/pure/CrashText.h"
#include "support/TestSupport.h"
#include "support/WindowDriver.h"

using namespace velmora;
using namespace velmora::platform::core;
using velmora::platform::UniqueKernelHandle;

namespace {

struct Helper {
    platform::UniqueProcessInformation process;
    UniqueKernelHandle output;

    DWORD Wait(DWORD timeoutMs = 60000) {
        if (::WaitForSingleObject(process.process.get(), timeoutMs) != WAIT_OBJECT_0)
            return STILL_ACTIVE;
        DWORD code = 0;
        ::GetExitCodeProcess(process.process.get(), &code);
        return code;
    }

    std::string ReadAll() {
        std::string text;
        char buffer[4096];
        DWORD read = 0;
        while (::ReadFile(output.get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
            text.append(buffer, read);
        return text;
    }
};

Helper StartHelper(const std::wstring& arguments) {
    Helper helper;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    ::CreatePipe(&readEnd, &writeEnd, &inherit, 0);
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    helper.output.reset(readEnd);
    UniqueKernelHandle childEnd(writeEnd);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = childEnd.get();
    startup.hStdError = childEnd.get();
    startup.hStdInput = nullptr;
    std::wstring command = L"\"" + test::TestBinaryFolder() + L"\\crash_helper.exe\" " + arguments;
    PROCESS_INFORMATION info{};
    if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                         &startup, &info))
        helper.process.Adopt(info);
    return helper;
}

// Reads what processes send to the debugger output when no debugger is attached: the DBWIN protocol
// (a shared buffer holding the sender's process ID and the text, and two events to hand it over).
class DebugOutputCapture {
public:
    DebugOutputCapture()
        : bufferReady_(::CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_BUFFER_READY")),
          dataReady_(::CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY")),
          mapping_(
              ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, L"DBWIN_BUFFER")) {
        view_ = static_cast<char*>(::MapViewOfFile(mapping_.get(), FILE_MAP_READ, 0, 0, 4096));
        reader_ = std::thread([this] { Read(); });
    }
    ~DebugOutputCapture() {
        stop_ = true;
        reader_.join();
        if (view_ != nullptr)
            ::UnmapViewOfFile(view_);
    }

    bool Ready() const { return view_ != nullptr; }

    std::string TextOf(DWORD processId) {
        std::string text;
        ::EnterCriticalSection(&lock_.section);
        for (const auto& [process, message] : messages_) {
            if (process == processId)
                text += message;
        }
        ::LeaveCriticalSection(&lock_.section);
        return text;
    }

private:
    struct Lock {
        Lock() { ::InitializeCriticalSection(&section); }
        ~Lock() { ::DeleteCriticalSection(&section); }
        CRITICAL_SECTION section;
    };

    void Read() {
        while (!stop_ && view_ != nullptr) {
            ::SetEvent(bufferReady_.get());
            if (::WaitForSingleObject(dataReady_.get(), 50) != WAIT_OBJECT_0)
                continue;
            DWORD process = *reinterpret_cast<const DWORD*>(view_);
            std::string text(view_ + sizeof(DWORD), strnlen(view_ + sizeof(DWORD), 4096 - sizeof(DWORD)));
            ::EnterCriticalSection(&lock_.section);
            messages_.emplace_back(process, text);
            ::LeaveCriticalSection(&lock_.section);
        }
    }

    UniqueKernelHandle bufferReady_;
    UniqueKernelHandle dataReady_;
    UniqueKernelHandle mapping_;
    char* view_ = nullptr;
    Lock lock_;
    std::vector<std::pair<DWORD, std::string>> messages_;
    std::atomic<bool> stop_{false};
    std::thread reader_;
};

} // namespace

TEST(Crash_Report, NullReadOnAWorkerThreadNamesItsKindCodeAndAddress) {
    Helper helper = StartHelper(L"read-null console");
    ASSERT_TRUE(helper.process.process);
    std::string output = helper.ReadAll();
    EXPECT_EQ(helper.Wait(), 0xC0000005u);
    EXPECT_TRUE(std::regex_search(
        output,
        std::regex(
            R"(^\[SEH_AV_READ_NULLPTR\] ACCESS_VIOLATION \(0xc0000005\) at address \[0x[0-9a-f]{8,16}\]\r\n)")))
        << output;
    // The filter ended the process: the program did not go on after the worker.
    EXPECT_EQ(output.find("after:"), std::string::npos) << output;
}

TEST(Crash_Report, UnknownCodeIsAnUnknownSehException) {
    Helper helper = StartHelper(L"unknown-code console");
    ASSERT_TRUE(helper.process.process);
    std::string output = helper.ReadAll();
    EXPECT_EQ(helper.Wait(), 0xE1234567u);
    EXPECT_TRUE(std::regex_search(
        output,
        std::regex(
            R"(^\[SEH_GENERIC\] Unknown SEH Exception \(0xe1234567\) at address \[0x[0-9a-f]{8,16}\]\r\n)")))
        << output;
}

TEST(Crash_Report, OwnExceptionIsCaughtAtTheWorkersBoundaryAndTheProgramGoesOn) {
    Helper helper = StartHelper(L"throw console");
    ASSERT_TRUE(helper.process.process);
    std::string output = helper.ReadAll();
    EXPECT_EQ(helper.Wait(), kDefaultExceptionCode);
    EXPECT_EQ(output.rfind("The worker gave up on purpose.\r\n", 0), 0u) << output;
    EXPECT_NE(output.find("after: 0xe0010064"), std::string::npos) << output;
}

TEST(Crash_Report, NoUrlPasswordReachesTheReport) {
    Helper helper = StartHelper(L"throw-url console");
    ASSERT_TRUE(helper.process.process);
    std::string output = helper.ReadAll();
    EXPECT_EQ(helper.Wait(), kDefaultExceptionCode);
    EXPECT_EQ(output.rfind("The worker gave up on https://***@example.test/setup.exe.\r\n", 0), 0u) << output;
    EXPECT_EQ(output.find("s3cret"), std::string::npos) << output;
}

TEST(Crash_Report, StackOverflowIsReportedFromAThreadWithStackToSpare) {
    // OS quirk (Wine 8, 64-bit loader): a thread that overflows its stack is ended on the spot, with no
    // STATUS_STACK_OVERFLOW raised to any handler (seen: thread exit code 0, neither vectored handlers nor
    // the filter called), so a 64-bit process under Wine has nothing to report. 64-bit Windows raises it.
    if (platform::kIs64BitProcess)
        GTEST_SKIP() << "Wine's 64-bit loader raises no stack overflow";
    Helper helper = StartHelper(L"overflow console");
    ASSERT_TRUE(helper.process.process);
    std::string output = helper.ReadAll();
    EXPECT_EQ(helper.Wait(), 0xC00000FDu);
    EXPECT_TRUE(std::regex_search(
        output,
        std::regex(R"(^\[SEH_GENERIC\] STACK_OVERFLOW \(0xc00000fd\) at address \[0x[0-9a-f]{8,16}\]\r\n)")))
        << output;
}

TEST(Crash_Report, ExceptionThatNoBoundaryCatchesEndsAsUnhandled) {
    Helper helper = StartHelper(L"uncaught console");
    ASSERT_TRUE(helper.process.process);
    std::string output = helper.ReadAll();
    EXPECT_EQ(helper.Wait(), kDefaultExceptionCode);
    EXPECT_EQ(output.rfind("[EXCEPTION_UNHANDLED] Nobody catches this.\r\n", 0), 0u) << output;
}

TEST(Crash_Report, CrashDialogShowsTheReportExpandsAndCopiesIt) {
    test::EmptyClipboardText();
    Helper helper = StartHelper(L"read-null");
    ASSERT_TRUE(helper.process.process);
    HWND dialog = test::WaitForWindow(helper.process.processId, L"Error");
    ASSERT_NE(dialog, nullptr);

    const std::wstring message = test::ControlText(dialog, kCrashMessage);
    EXPECT_EQ(message.rfind(L"[SEH_AV_READ_NULLPTR] ACCESS_VIOLATION (0xc0000005) at address [0x", 0), 0u);
    EXPECT_FALSE(test::ControlVisible(dialog, kCrashDetails));
    EXPECT_EQ(test::ControlText(dialog, kCrashDetailsButton), L"Details >>");
    EXPECT_EQ(::GetDlgItem(dialog, kCrashSend), nullptr);

    ASSERT_TRUE(test::Press(dialog, kCrashDetailsButton));
    EXPECT_TRUE(test::ControlVisible(dialog, kCrashDetails));
    EXPECT_TRUE(test::ControlVisible(dialog, kCrashCopy));
    EXPECT_EQ(test::ControlText(dialog, kCrashDetailsButton), L"Details <<");
    const std::wstring details = test::ControlText(dialog, kCrashDetails);
    EXPECT_EQ(details.rfind(message, 0), 0u);
    EXPECT_NE(details.find(L"\r\n*** Stack Trace (x86) ***\r\n\r\n[0x"), std::wstring::npos) << details;
    EXPECT_NE(details.find(L"MODULE_BASE_ADDRESS\r\n"), std::wstring::npos) << details;
    // The helper carries debug information, the library does not: names where they are found, "-----"
    // where not.
    EXPECT_TRUE(std::regex_search(details, std::wregex(LR"(\]  ReadNull\(\) -> CrashHelper\.cpp:\d+\r\n)")))
        << details;
    EXPECT_TRUE(std::regex_search(details, std::wregex(LR"(\[0x[0-9a-f]{8,16}\]  -----\r\n)"))) << details;

    ASSERT_TRUE(test::Press(dialog, kCrashCopy));
    EXPECT_EQ(test::ClipboardText(), details);

    ASSERT_TRUE(test::Press(dialog, kCrashClose));
    EXPECT_EQ(helper.Wait(), 0xC0000005u);
}

TEST(Crash_Report, SilentRunReportsToTheDebuggerOutputAndShowsNoWindow) {
    DebugOutputCapture capture;
    ASSERT_TRUE(capture.Ready());
    Helper helper = StartHelper(L"read-null silent");
    ASSERT_TRUE(helper.process.process);
    bool sawWindow = false;
    test::WaitUntil([&] {
        sawWindow = sawWindow || !test::TopLevelWindows(helper.process.processId).empty();
        return ::WaitForSingleObject(helper.process.process.get(), 0) == WAIT_OBJECT_0;
    });
    EXPECT_EQ(helper.Wait(), 0xC0000005u);
    EXPECT_FALSE(sawWindow);
    std::string text;
    test::WaitUntil([&] { return !(text = capture.TextOf(helper.process.processId)).empty(); }, 5000);
    EXPECT_EQ(text.rfind("[SEH_AV_READ_NULLPTR] ACCESS_VIOLATION (0xc0000005) at address [0x", 0), 0u)
        << text;
    EXPECT_NE(text.find("*** Stack Trace (x86) ***"), std::string::npos) << text;
}
