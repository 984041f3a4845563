// The worker thread object with real threads: exit codes, running state, the time-out rule of its
// destruction, and the crash boundary around the procedure.
#include <windows.h>

#include <atomic>

#include <gtest/gtest.h>

#include "platform/UniqueHandle.h"
#include "platform/core/ExceptionHandling.h"
#include "platform/core/ExceptionPresenter.h"
#include "ui/WorkerThread.h"

using namespace velmora;
using velmora::platform::UniqueKernelHandle;
using velmora::ui::WorkerThread;

namespace {

DWORD ReturnArgument(void* argument) {
    return static_cast<DWORD>(reinterpret_cast<uintptr_t>(argument));
}

DWORD WaitForEvent(void* event) {
    ::WaitForSingleObject(static_cast<HANDLE>(event), INFINITE);
    return 7;
}

struct Slow {
    DWORD sleepMs;
    std::atomic<bool> finished{false};
};

DWORD SleepThenFinish(void* argument) {
    auto* slow = static_cast<Slow*>(argument);
    ::Sleep(slow->sleepMs);
    slow->finished = true;
    return 9;
}

DWORD Throw(void*) {
    throw platform::core::Exception(L"Worker failed on purpose.", L"", 0, 0xE0010077);
}

UniqueKernelHandle Duplicate(HANDLE thread) {
    HANDLE copy = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), thread, ::GetCurrentProcess(), &copy, 0, FALSE,
                      DUPLICATE_SAME_ACCESS);
    return UniqueKernelHandle(copy);
}

DWORD ExitCodeOf(HANDLE thread) {
    DWORD code = 0;
    ::GetExitCodeThread(thread, &code);
    return code;
}

class RecordingSink final : public platform::core::ConsoleSink {
public:
    void Write(std::wstring_view text) override { written += text; }
    std::wstring written;
};

} // namespace

TEST(Ui_WorkerThread, WaitForEndReturnsTheExitCode) {
    WorkerThread worker;
    EXPECT_EQ(worker.Start(ReturnArgument, reinterpret_cast<void*>(42), true), 42u);
    EXPECT_FALSE(worker.IsRunning());
    EXPECT_EQ(worker.ExitCode(), 42u);
}

TEST(Ui_WorkerThread, StartWithoutWaitingReturnsZeroWhileTheThreadRuns) {
    UniqueKernelHandle release(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    WorkerThread worker;
    EXPECT_EQ(worker.Start(WaitForEvent, release.get(), false), 0u);
    EXPECT_TRUE(worker.IsRunning());
    EXPECT_EQ(worker.ExitCode(), static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_EQ(worker.Start(ReturnArgument, nullptr, false), static_cast<DWORD>(ERROR_BUSY));
    ::SetEvent(release.get());
    ::WaitForSingleObject(worker.Handle(), INFINITE);
    EXPECT_FALSE(worker.IsRunning());
    EXPECT_EQ(worker.ExitCode(), 7u);
    // A finished thread's object can start the next one.
    EXPECT_EQ(worker.Start(ReturnArgument, reinterpret_cast<void*>(3), true), 3u);
}

TEST(Ui_WorkerThread, FiniteTimeOutTerminatesAThreadStillRunningAtDestruction) {
    UniqueKernelHandle never(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    UniqueKernelHandle thread;
    const DWORD start = ::GetTickCount();
    {
        WorkerThread worker;
        worker.SetTimeout(500);
        ASSERT_EQ(worker.Start(WaitForEvent, never.get(), false), 0u);
        thread = Duplicate(worker.Handle());
    }
    const DWORD elapsed = ::GetTickCount() - start;
    EXPECT_GE(elapsed, 450u);
    EXPECT_LT(elapsed, 5000u);
    EXPECT_EQ(::WaitForSingleObject(thread.get(), 5000), WAIT_OBJECT_0);
    EXPECT_EQ(ExitCodeOf(thread.get()), 0u);
}

TEST(Ui_WorkerThread, FiniteTimeOutLeavesAThreadThatEndsInTime) {
    Slow slow;
    slow.sleepMs = 100;
    UniqueKernelHandle thread;
    {
        WorkerThread worker;
        worker.SetTimeout(5000);
        ASSERT_EQ(worker.Start(SleepThenFinish, &slow, false), 0u);
        thread = Duplicate(worker.Handle());
    }
    EXPECT_TRUE(slow.finished);
    EXPECT_EQ(ExitCodeOf(thread.get()), 9u);
}

TEST(Ui_WorkerThread, InfiniteTimeOutWaitsForTheThreadsEnd) {
    Slow slow;
    slow.sleepMs = 700;
    UniqueKernelHandle thread;
    {
        WorkerThread worker;
        ASSERT_EQ(worker.Start(SleepThenFinish, &slow, false), 0u);
        thread = Duplicate(worker.Handle());
    }
    EXPECT_TRUE(slow.finished);
    EXPECT_EQ(ExitCodeOf(thread.get()), 9u);
}

TEST(Ui_WorkerThread, ExceptionAtTheBoundaryIsReportedAndBecomesTheExitCode) {
    RecordingSink sink;
    platform::core::CrashReporting reporting;
    reporting.console = &sink;
    WorkerThread worker(reporting);
    DWORD code = worker.Start(Throw, nullptr, true);
    EXPECT_EQ(code, 0xE0010077u);
    EXPECT_EQ(sink.written, L"Worker failed on purpose.\r\n");
}
