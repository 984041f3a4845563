// Work that must run in the multithreaded COM apartment, such as the Windows Runtime's package deployment,
// on a thread of its own whatever apartment the caller lives in.
//
// How it works: RunInMultithreadedApartment starts one thread and waits for its end. The thread installs
// the crash handlers, joins the multithreaded apartment, runs the work and leaves the apartment again. An
// exception that leaves the work is presented on that thread, where reporting says, and goes no further:
// the caller sees that the work ran and finds in its own variables whatever the work wrote before it failed.
// The work and everything it captures live on the caller's stack until the thread has ended.
#pragma once

#include <windows.h>

#include <functional>

#include "platform/core/ExceptionPresenter.h"

namespace velmora::platform::core {

struct ApartmentRun {
    // S_OK when the work ran; otherwise the failure of failedCall, and the work did not run.
    HRESULT result = S_OK;
    // "CreateThread" or "CoInitializeEx"; null when the work ran.
    const wchar_t* failedCall = nullptr;

    bool WorkRan() const { return failedCall == nullptr; }
};

[[nodiscard]] ApartmentRun RunInMultithreadedApartment(const std::function<void()>& work,
                                                       const CrashReporting& reporting = {});

} // namespace velmora::platform::core
