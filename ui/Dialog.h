// The dialog framework: one C++ object per dialog window, and the module state that start-up sets up and
// tears down around the application object.
//
// How it works: before a dialog's window is created, its object is pushed onto a process-wide creation
// list under the creating thread's ID (one critical section guards the list). All dialogs share one dialog
// procedure; the first message a new window receives (WM_SETFONT, before WM_INITDIALOG) pops the latest
// entry of its thread, stores the object in the window's DWLP_USER slot and records the window as live.
// From then on every message goes to the object's OnMessage, inside a boundary that hands exceptions to the
// crash report. WM_NCDESTROY takes the window off the live list and detaches it from its object.
#pragma once

#include <windows.h>

#include <atomic>

#include "platform/core/ExceptionPresenter.h"

namespace velmora::ui {

// Entry step: the module state (creation list, live windows). Idempotent. The common controls are
// registered when the first dialog is made, or before by RegisterCommonControls.
void InitializeUiModule();
// Loads comctl32 and registers the classes of its controls the dialogs use. Idempotent. Start-up calls it
// on the main thread before any other thread exists, once it knows that the run shows windows, and so do
// test programs that make windows on several threads. OS quirk (Wine 8): comctl32's start-up code, run
// while another thread makes its first window, deadlocks on the loader lock. Not at start for every run:
// it loads the display driver and the theme engine and starts the desktop (about 20 ms under Wine), which
// a silent run never needs.
void RegisterCommonControls();
// Exit step: destroys every window of the calling thread that is still live and clears the module state.
void ShutdownUiModule();

// Holds the module state for its lifetime: constructed before the application object, destroyed after.
class UiModuleScope {
public:
    UiModuleScope() { InitializeUiModule(); }
    ~UiModuleScope() { ShutdownUiModule(); }
    UiModuleScope(const UiModuleScope&) = delete;
    UiModuleScope& operator=(const UiModuleScope&) = delete;
};

// Number of dialog windows of the framework that exist now.
int LiveDialogCount();

class Dialog {
public:
    Dialog() = default;
    // Failures inside the dialog's handlers are reported where reporting says (the objects it names must
    // outlive the dialog); without it, as the program reports them.
    explicit Dialog(const platform::core::CrashReporting& reporting) : reporting_(reporting) {}
    // The window must be gone, or be destroyed on its own thread here: a window cannot be destroyed from
    // another thread.
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // The window while it exists, else null. Readable from any thread.
    HWND Window() const { return window_.load(); }

protected:
    // Create the window on the calling thread, from the program's resources or from a template in memory.
    // On failure: null (or -1 for the modal forms) with the last error set; ERROR_OUTOFMEMORY when the object
    // could not be registered.
    HWND CreateModeless(int templateId, HWND owner);
    INT_PTR ShowModal(int templateId, HWND owner);
    INT_PTR ShowModalIndirect(const void* dialogTemplate, HWND owner);

    // The dialog-procedure contract: return TRUE when the message was handled.
    virtual INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // Called on the window's thread once the window is gone.
    virtual void OnWindowDestroyed() {}

private:
    bool Register();
    void Unregister();
    static INT_PTR CALLBACK Route(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    std::atomic<HWND> window_{nullptr};
    platform::core::CrashReporting reporting_;
};

} // namespace velmora::ui
