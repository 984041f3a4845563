// The modeless status window (dialog 201) that tells what the chainer does before processing starts
// ("Preparing...", "Searching for prerequisites..."), and the window title of the chainer's dialogs.
//
// How it works: the window belongs to the thread that first calls ShowStatus, which must pump messages
// while the window is shown (WaitPumping or a dialog loop). CloseStatus on that thread destroys the window
// at once; on any other thread it posts a private message and waits until the window is gone. Nothing here
// creates a window while UiEnabled() is false.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "platform/UniqueHandle.h"
#include "ui/Dialog.h"

namespace velmora::ui {

// Posted to the status window to destroy it from another thread. Taken from the application range: the
// WM_USER range belongs to the dialog manager (WM_USER+1 is DM_SETDEFID).
constexpr UINT kCloseStatusMessage = WM_APP + 1;

class StatusWindow final : public Dialog {
public:
    // modulePath: the file whose product name makes the title; empty for the running program.
    explicit StatusWindow(std::wstring modulePath = {});
    ~StatusWindow() override;

    // Shows the string-table text stringId, creating the window on the calling thread when it does not
    // exist yet (an existing window only has its layout renewed). Does nothing while UiEnabled() is false.
    void ShowStatus(unsigned stringId, bool skipAllowed);
    bool IsSkipRequested() const { return skipRequested_.load(); }
    // Destroys the window from any thread; returns once it is gone.
    void CloseStatus();

    // The product name of the module, read once.
    const std::wstring& ProductName();
    // Title = string 161 with the product name (the module's path when it has none); an existing window
    // shows it at once.
    void PrepareTitle();
    const std::wstring& Title() const { return title_; }
    bool Created() const { return created_.load(); }

protected:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnWindowDestroyed() override;

private:
    void ApplyLayout();

    std::wstring modulePath_;
    std::wstring productName_;
    bool productNameRead_ = false;
    std::wstring title_;
    DWORD threadId_ = 0;
    std::atomic<bool> created_{false};
    std::atomic<bool> skipRequested_{false};
    bool skipAllowed_ = false;
    int savedTextRight_ = -1;
    platform::UniqueKernelHandle destroyed_;
};

} // namespace velmora::ui
