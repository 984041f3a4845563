// The processing window (dialog 216): a progress bar, the current step's text and Cancel, shown modally in
// basic-UI mode while a worker thread carries the prerequisites through the three phases.
//
// How it works: the window's thread owns the window; the worker reports through this object's
// ProgressSink face, which only queues texts under a lock and posts private messages (WM_APP range) that
// the window's thread turns into control changes. Cancel sets a flag the worker reads between steps and
// ends the dialog at once; the worker is not stopped, so Run waits for it (pumping messages) before it
// returns. A phase that fails ends the worker without completion: the window then shows the failure in its
// error state until the person closes it, and the final check then decides the result. A failure that
// comes from a started or refused reboot ends the window as a completed sequence with a reboot does.
// The worker never shows a window itself. Its questions (credentials for a refused transfer, the reboot
// question, the notice after a site was opened) are handed to the window's thread, which shows them over
// the window while the worker waits for the answer. Once the window has gone, Run answers them while it
// waits for the worker: the reboot question and the notice are then shown without an owner, and no
// credentials are asked for.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "execution/pure/RebootRules.h"
#include "platform/UniqueHandle.h"
#include "processing/pure/RunOutcome.h"
#include "transfer/ProgressSink.h"
#include "ui/Dialog.h"
#include "ui/TaskbarProgress.h"
#include "ui/WorkerThread.h"

namespace velmora::transfer {
class CredentialSource;
}

namespace velmora::processing {

class ProcessingEngine;

// Private messages of the processing window, posted by its worker.
inline constexpr UINT kProcessingBeginMessage = WM_APP + 16;
inline constexpr UINT kProcessingStepMessage = WM_APP + 17;
inline constexpr UINT kProcessingErrorMessage = WM_APP + 18;
inline constexpr UINT kProcessingFinishedMessage = WM_APP + 19;
inline constexpr UINT kProcessingQuestionMessage = WM_APP + 20;

class ProcessingWindow final : public ui::Dialog, public transfer::ProgressSink {
public:
    // The engine must outlive the window.
    ProcessingWindow(ProcessingEngine& engine, std::wstring title);
    ~ProcessingWindow() override;

    // Shows the window modally over the active window and returns, once the worker has ended too, how it
    // ended (WindowResult).
    WindowResult Run();

    // ProgressSink, called on the worker thread. ReportError answers a request for credentials
    // (XFER_AUTH_REQUIRED with the credential source as context) with the credentials dialog: ERROR_RETRY
    // when credentials were entered. The questions are shown by the window's thread.
    void Begin(std::uint64_t count, std::uint32_t reserved) override;
    void TransferStarted(std::uint32_t, std::uint64_t, std::wstring_view) override {}
    void Completed(std::uint32_t kind, std::uint32_t reserved) override;
    void BytesDone(std::uint64_t) override {}
    bool IsCancelled() override { return cancelled_.load(); }
    bool IsPaused() override { return false; }
    std::uint32_t ReportError(std::wstring_view text, std::uint32_t code, std::uintptr_t context) override;
    void SetStatus(std::wstring_view text, std::uint32_t kind, std::uint32_t reserved) override;
    execution::RebootAnswer AskToRestart() override;
    void ShowNotice(std::wstring_view notice, std::wstring_view title) override;

protected:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static DWORD WorkerMain(void* self);
    void RunPhases();
    void Post(UINT message, WPARAM wParam, LPARAM lParam);
    void PostText(UINT message, std::wstring_view text);
    std::wstring TakeText();
    void OnInit();
    void OnStep();
    void OnError(bool hasText);
    bool AskForCredentials(transfer::CredentialSource& source);
    // Has the window's thread run ask, with the window as owner (null once it has gone), and waits for it.
    void AskOnWindowThread(const std::function<void(HWND owner)>& ask);
    // On the window's thread: answers the question the worker is waiting on, if any.
    void AnswerQuestion(HWND owner);
    void WaitForWorker();

    ProcessingEngine& engine_;
    std::wstring title_;
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> phaseFailed_{false}; // the worker ended after a failure it reported
    std::uint64_t currentStep_ = 0;
    std::uint64_t stepCount_ = 0;
    ui::UniqueTaskbarList taskbar_;
    ui::WorkerThread worker_;
    std::mutex textsLock_;
    std::deque<std::wstring> texts_;
    struct Question;
    std::mutex questionLock_;
    Question* question_ = nullptr;               // the one the worker waits on
    platform::UniqueKernelHandle questionAsked_; // set with every question, for Run once the window is gone
};

} // namespace velmora::processing
