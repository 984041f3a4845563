#include "ui/WorkerThread.h"

#include <new>

#include "platform/core/ExceptionHandling.h"

namespace velmora::ui {

namespace {

struct Launch {
    WorkerThread::Procedure procedure;
    void* argument;
    platform::core::CrashReporting reporting;
};

DWORD WINAPI ThreadMain(void* parameter) {
    Launch launch = *static_cast<Launch*>(parameter);
    delete static_cast<Launch*>(parameter);
    platform::core::InstallCrashHandlers();
    try {
        return launch.procedure(launch.argument);
    } catch (...) {
        return platform::core::PresentCaughtException(nullptr, launch.reporting);
    }
}

} // namespace

WorkerThread::~WorkerThread() {
    if (!thread_)
        return;
    if (::WaitForSingleObject(thread_.get(), timeout_) == WAIT_TIMEOUT && timeout_ != INFINITE)
        ::TerminateThread(thread_.get(), 0);
}

DWORD WorkerThread::Start(Procedure procedure, void* argument, bool waitForEnd) {
    if (thread_) {
        if (IsRunning())
            return ERROR_BUSY;
        thread_.reset();
    }
    auto* launch = new (std::nothrow) Launch{procedure, argument, reporting_};
    if (launch == nullptr)
        return ERROR_OUTOFMEMORY;
    thread_.reset(::CreateThread(nullptr, 0, ThreadMain, launch, 0, nullptr));
    if (!thread_) {
        DWORD error = ::GetLastError();
        delete launch;
        return error;
    }
    if (!waitForEnd)
        return 0;
    ::WaitForSingleObject(thread_.get(), INFINITE);
    return ExitCode();
}

bool WorkerThread::IsRunning() const {
    return thread_ && ExitCode() == STILL_ACTIVE;
}

DWORD WorkerThread::ExitCode() const {
    DWORD code = 0;
    if (!::GetExitCodeThread(thread_.get(), &code))
        return ::GetLastError();
    return code;
}

} // namespace velmora::ui
