#include "platform/core/ApartmentThread.h"

#include <objbase.h>

#include "platform/UniqueHandle.h"
#include "platform/core/ExceptionHandling.h"

namespace velmora::platform::core {

namespace {

struct Job {
    const std::function<void()>& work;
    const CrashReporting& reporting;
    ApartmentRun run;
};

// Joins the multithreaded apartment for the life of the scope.
class MultithreadedApartment {
public:
    MultithreadedApartment() : result_(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~MultithreadedApartment() {
        if (SUCCEEDED(result_))
            ::CoUninitialize();
    }
    MultithreadedApartment(const MultithreadedApartment&) = delete;
    MultithreadedApartment& operator=(const MultithreadedApartment&) = delete;
    HRESULT Result() const { return result_; }

private:
    HRESULT result_;
};

DWORD WINAPI ApartmentThreadMain(void* parameter) noexcept {
    InstallCrashHandlers();
    auto& job = *static_cast<Job*>(parameter);
    try {
        MultithreadedApartment apartment;
        if (FAILED(apartment.Result())) {
            job.run = {apartment.Result(), L"CoInitializeEx"};
            return 0;
        }
        job.work();
        return 0;
    } catch (...) {
        return PresentCaughtException(nullptr, job.reporting);
    }
}

} // namespace

ApartmentRun RunInMultithreadedApartment(const std::function<void()>& work, const CrashReporting& reporting) {
    Job job{work, reporting, {}};
    UniqueKernelHandle thread(::CreateThread(nullptr, 0, ApartmentThreadMain, &job, 0, nullptr));
    if (!thread)
        return {HRESULT_FROM_WIN32(::GetLastError()), L"CreateThread"};
    ::WaitForSingleObject(thread.get(), INFINITE);
    return job.run;
}

} // namespace velmora::platform::core
