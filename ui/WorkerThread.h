// A thread that runs one piece of work beside a window, owned by the thread that starts it.
//
// How it works: the procedure runs behind a boundary that installs the crash handlers first and hands any
// exception that reaches it to the crash report; the thread then ends with the exception's code. The
// object's destruction waits for the thread for its time-out (infinite unless set); when a finite time-out
// passes and the thread still runs, the thread is terminated with exit code 0.
#pragma once

#include <windows.h>

#include "platform/UniqueHandle.h"
#include "platform/core/ExceptionPresenter.h"

namespace velmora::ui {

class WorkerThread {
public:
    using Procedure = DWORD (*)(void* argument);

    WorkerThread() = default;
    // Failures that reach the thread's boundary are reported where reporting says (the objects it names must
    // outlive the thread); without it, as the program reports them.
    explicit WorkerThread(const platform::core::CrashReporting& reporting) : reporting_(reporting) {}
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    void SetTimeout(DWORD milliseconds) { timeout_ = milliseconds; }

    // Starts procedure(argument). With waitForEnd: waits for the thread and returns its exit code. Without:
    // returns 0. The error of CreateThread when no thread starts; ERROR_BUSY while an earlier thread of this
    // object still runs.
    [[nodiscard]] DWORD Start(Procedure procedure, void* argument, bool waitForEnd);

    bool IsRunning() const;
    // The thread's exit code (259, STILL_ACTIVE, while it runs), or the last error when it cannot be read.
    DWORD ExitCode() const;
    HANDLE Handle() const { return thread_.get(); }

private:
    platform::UniqueKernelHandle thread_;
    DWORD timeout_ = INFINITE;
    platform::core::CrashReporting reporting_;
};

} // namespace velmora::ui
