#include "platform/MainThreadCom.h"

#include <windows.h>
#include <objbase.h>

#include <atomic>

namespace velmora::platform {

namespace {

// Any thread may ask which thread is the main one; only the main thread reads or changes the state.
std::atomic<DWORD> mainThread{0};
enum class ComState { NotAsked, Initialised, NotOurs } state = ComState::NotAsked;

} // namespace

MainThreadComScope::MainThreadComScope() {
    mainThread = ::GetCurrentThreadId();
    state = ComState::NotAsked;
}

MainThreadComScope::~MainThreadComScope() {
    if (state == ComState::Initialised && ::GetCurrentThreadId() == mainThread)
        ::CoUninitialize();
    mainThread = 0;
    state = ComState::NotAsked;
}

void EnsureMainThreadCom() {
    if (mainThread == 0 || ::GetCurrentThreadId() != mainThread || state != ComState::NotAsked)
        return;
    // S_FALSE: someone else initialised it and will uninitialise it; a failure is not retried.
    state = ::CoInitialize(nullptr) == S_OK ? ComState::Initialised : ComState::NotOurs;
}

} // namespace velmora::platform
