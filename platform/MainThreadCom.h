// COM on the main thread, set up when first needed instead of at start-up. A single-threaded apartment
// brings a hidden window, and with it the user interface libraries and the display driver: about 10 ms of
// every start under Wine, which a silent run that finds everything installed never needs. Everything that
// uses COM on the main thread (a shell launch, a web site opened, the taskbar button) asks for it first;
// every other thread that uses COM sets up its own apartment, as before.
#pragma once

namespace velmora::platform {

// Held by start-up on the main thread around the application object: makes that thread the main thread and,
// on the way out, uninitialises COM if EnsureMainThreadCom initialised it.
class MainThreadComScope {
public:
    MainThreadComScope();
    ~MainThreadComScope();
    MainThreadComScope(const MainThreadComScope&) = delete;
    MainThreadComScope& operator=(const MainThreadComScope&) = delete;
};

// On the main thread of a MainThreadComScope, initialises COM (apartment-threaded) the first time; on any
// other thread, or without a scope, does nothing.
void EnsureMainThreadCom();

} // namespace velmora::platform
