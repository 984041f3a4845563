#include "processing/ProcessingWindow.h"

#include <commctrl.h>

#include <utility>

#include "execution/Reboot.h"
#include "platform/FileSystem.h"
#include "platform/Logger.h"
#include "platform/MessageWait.h"
#include "platform/UniqueHandle.h"
#include "platform/WindowPlacement.h"
#include "processing/ProcessingEngine.h"
#include "processing/pure/ProcessingPlan.h"
#include "transfer/CredentialSource.h"
#include "transfer/pure/TransferRules.h"
#include "ui/WindowTools.h"
#include "ui/resources/ResourceIds.h"

namespace velmora::processing {

namespace {

constexpr UINT_PTR kBlinkTimer = 1;
constexpr UINT kBlinkMs = 200;

// The notice after a site was opened. A box that cannot be shown over its owner (Wine 8 reports -1, Windows
// 0) is shown without one: the person is told all the same.
void ShowSiteNotice(HWND owner, const std::wstring& notice, const std::wstring& title) {
    if (::MessageBoxW(owner, notice.c_str(), title.c_str(), MB_ICONINFORMATION) <= 0 && owner != nullptr)
        ::MessageBoxW(nullptr, notice.c_str(), title.c_str(), MB_ICONINFORMATION);
}

// The bar's range is 16 bits wide; a longer phase is drawn to scale.
int BarUnits(std::uint64_t value, std::uint64_t count) {
    if (count <= 0xFFFF)
        return static_cast<int>(value);
    return static_cast<int>(value * 0xFFFF / count);
}

} // namespace

// A question of the worker, answered on the window's thread; the worker waits for `answered`.
struct ProcessingWindow::Question {
    const std::function<void(HWND owner)>& ask;
    platform::UniqueKernelHandle answered;
};

ProcessingWindow::ProcessingWindow(ProcessingEngine& engine, std::wstring title)
    : engine_(engine), title_(std::move(title)),
      questionAsked_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

ProcessingWindow::~ProcessingWindow() = default;

WindowResult ProcessingWindow::Run() {
    const INT_PTR result = ShowModal(IDD_PROCESSING, ::GetActiveWindow());
    const DWORD error = ::GetLastError();
    // Ending the dialog does not stop the worker: it finishes its current step first, and may ask meanwhile.
    if (worker_.Handle() != nullptr)
        WaitForWorker();
    if (result < 0) {
        // Nothing was done, which is no success.
        platform::LogLine(L"The processing window could not be shown. Error: " + std::to_wstring(error));
        return WindowResult::MandatoryMissing;
    }
    if (static_cast<WindowResult>(result) == WindowResult::Cancelled && phaseFailed_.load()) {
        // Closed after a failure the window showed: what the failure left undone decides, as at the end of
        // a complete sequence. The worker has ended, so the check runs here.
        engine_.ReevaluateAll();
        return engine_.AllMandatoryDone() ? WindowResult::AllDone : WindowResult::MandatoryMissing;
    }
    return static_cast<WindowResult>(result);
}

DWORD ProcessingWindow::WorkerMain(void* self) {
    static_cast<ProcessingWindow*>(self)->RunPhases();
    return 0;
}

void ProcessingWindow::RunPhases() {
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::uint32_t result = engine_.DownloadAll(this);
    if (result == 0 && !IsCancelled()) {
        engine_.OpenSites(this);
        if (!IsCancelled()) {
            result = engine_.InstallAll(this);
            if (result == 0)
                Completed(kCompletedSequence, 0);
        }
    }
    if (result == kPhaseFailed && !IsCancelled()) {
        // A started (or refused) reboot ends the window the way a completed sequence with a reboot does;
        // any other failure stays on show until the window is closed (see Run).
        if (engine_.RebootRequired())
            Completed(kCompletedSequence, 0);
        else
            phaseFailed_.store(true);
    }
    if (com == S_OK)
        ::CoUninitialize();
}

void ProcessingWindow::Post(UINT message, WPARAM wParam, LPARAM lParam) {
    if (HWND window = Window())
        ::PostMessageW(window, message, wParam, lParam);
}

void ProcessingWindow::PostText(UINT message, std::wstring_view text) {
    {
        std::lock_guard<std::mutex> lock(textsLock_);
        texts_.emplace_back(text);
    }
    Post(message, 1, 0);
}

std::wstring ProcessingWindow::TakeText() {
    std::lock_guard<std::mutex> lock(textsLock_);
    if (texts_.empty())
        return {};
    std::wstring text = std::move(texts_.front());
    texts_.pop_front();
    return text;
}

void ProcessingWindow::Begin(std::uint64_t count, std::uint32_t) {
    Post(kProcessingBeginMessage, static_cast<WPARAM>(count & 0xFFFFFFFFu), static_cast<LPARAM>(count >> 32));
}

void ProcessingWindow::SetStatus(std::wstring_view text, std::uint32_t kind, std::uint32_t) {
    if (kind == kStatusNextStep)
        PostText(kProcessingStepMessage, text);
}

std::uint32_t ProcessingWindow::ReportError(std::wstring_view text, std::uint32_t code,
                                            std::uintptr_t context) {
    // A question, not a failure: the window keeps its text and its bar.
    if (code == transfer::XFER_AUTH_REQUIRED && context != 0)
        return AskForCredentials(*reinterpret_cast<transfer::CredentialSource*>(context)) ? ERROR_RETRY
                                                                                          : code;
    if (text.empty())
        Post(kProcessingErrorMessage, 0, 0);
    else
        PostText(kProcessingErrorMessage, text);
    // Every decision asked through the window is to give up.
    return code;
}

bool ProcessingWindow::AskForCredentials(transfer::CredentialSource& source) {
    if (IsCancelled())
        return false;
    bool entered = false;
    // Credentials are asked for over the window only: once it has gone, the transfer gives up.
    AskOnWindowThread(
        [&](HWND owner) { entered = owner != nullptr && !cancelled_.load() && source.Prompt(owner); });
    return entered;
}

execution::RebootAnswer ProcessingWindow::AskToRestart() {
    execution::RebootAnswer answer = execution::RebootAnswer::NotShown;
    AskOnWindowThread([&answer](HWND owner) { answer = execution::ShowRebootQuestion(owner); });
    return answer;
}

void ProcessingWindow::ShowNotice(std::wstring_view notice, std::wstring_view title) {
    const std::wstring text(notice);
    const std::wstring caption(title);
    AskOnWindowThread([&](HWND owner) { ShowSiteNotice(owner, text, caption); });
}

void ProcessingWindow::AskOnWindowThread(const std::function<void(HWND owner)>& ask) {
    Question question{ask, platform::UniqueKernelHandle(::CreateEventW(nullptr, TRUE, FALSE, nullptr))};
    // Without an event or a way to reach Run there is no waiting for an answer: the question is not asked.
    if (!question.answered || !questionAsked_)
        return;
    {
        std::lock_guard<std::mutex> lock(questionLock_);
        question_ = &question;
    }
    // The window answers while it lives; a message that finds it gone is dropped, and Run, which waits for
    // this worker, answers instead. Either way exactly one of them takes the question.
    Post(kProcessingQuestionMessage, 0, 0);
    ::SetEvent(questionAsked_.get());
    ::WaitForSingleObject(question.answered.get(), INFINITE);
}

void ProcessingWindow::AnswerQuestion(HWND owner) {
    Question* question = nullptr;
    {
        std::lock_guard<std::mutex> lock(questionLock_);
        std::swap(question, question_);
    }
    if (question == nullptr)
        return;
    question->ask(owner);
    ::SetEvent(question->answered.get());
}

void ProcessingWindow::WaitForWorker() {
    constexpr DWORD kPollMs = 50;
    const HANDLE handles[] = {worker_.Handle(), questionAsked_.get()};
    for (;;) {
        const int signalled = platform::WaitPumpingAny(handles, questionAsked_ ? 2 : 1);
        if (signalled == 0)
            return;
        if (signalled == 1) {
            AnswerQuestion(nullptr);
            continue;
        }
        // The wait itself failed: polling still answers a question the worker may be waiting on.
        while (::WaitForSingleObject(worker_.Handle(), kPollMs) == WAIT_TIMEOUT)
            AnswerQuestion(nullptr);
        return;
    }
}

void ProcessingWindow::Completed(std::uint32_t kind, std::uint32_t) {
    if (kind != kCompletedSequence)
        return;
    // The final check runs here, on the worker, so that the window keeps answering while it searches.
    const WindowResult result = WindowResultAfterCompletion(engine_.RebootRequired(), [this] {
        engine_.ReevaluateAll();
        return engine_.AllMandatoryDone();
    });
    Post(kProcessingFinishedMessage, static_cast<WPARAM>(result), 0);
}

void ProcessingWindow::OnInit() {
    HWND window = Window();
    ui::SetChainerIcon(window);
    platform::CentreWindow(window);
    ::SetWindowTextW(window, title_.c_str());
    ::SetDlgItemTextW(window, IDC_PROCESSING_TEXT, ui::LoadText(IDS_PREPARING).c_str());
    taskbar_ = ui::CreateTaskbarProgress();
    if (taskbar_ && FAILED(taskbar_.get()->HrInit()))
        taskbar_.reset();
    if (const DWORD error = worker_.Start(WorkerMain, this, false); error != ERROR_SUCCESS) {
        // Nothing can be done without the worker: a failure, never a success.
        platform::LogLine(L"The processing could not start. Error: " + std::to_wstring(error));
        ::EndDialog(window, static_cast<INT_PTR>(WindowResult::MandatoryMissing));
    }
}

void ProcessingWindow::OnStep() {
    HWND window = Window();
    ::SetDlgItemTextW(window, IDC_PROCESSING_TEXT, TakeText().c_str());
    ++currentStep_;
    ::SendDlgItemMessageW(window, IDC_PROCESSING_PROGRESS, PBM_SETPOS, BarUnits(currentStep_, stepCount_), 0);
    if (taskbar_)
        taskbar_.get()->SetProgressValue(window, currentStep_, stepCount_);
}

void ProcessingWindow::OnError(bool hasText) {
    HWND window = Window();
    if (hasText)
        ::SetDlgItemTextW(window, IDC_PROCESSING_TEXT, TakeText().c_str());
    HWND bar = ::GetDlgItem(window, IDC_PROCESSING_PROGRESS);
    ::SendMessageW(bar, PBM_SETSTATE, PBST_ERROR, 0);
    // A short blink draws the eye to the bar that turned red.
    ::ShowWindow(bar, SW_HIDE);
    ::SetTimer(window, kBlinkTimer, kBlinkMs, nullptr);
    if (taskbar_)
        taskbar_.get()->SetProgressState(window, TBPF_ERROR);
}

INT_PTR ProcessingWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = Window();
    switch (message) {
    case WM_INITDIALOG:
        OnInit();
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_PROCESSING_CANCEL) {
            cancelled_.store(true);
            ::EndDialog(window, static_cast<INT_PTR>(WindowResult::Cancelled));
        }
        return TRUE;
    case WM_ENDSESSION:
        // wParam FALSE: the session end was called off, and nothing must stop.
        if (wParam != FALSE)
            engine_.RequestAbort();
        return TRUE;
    case WM_TIMER:
        if (wParam == kBlinkTimer) {
            ::KillTimer(window, kBlinkTimer);
            ::ShowWindow(::GetDlgItem(window, IDC_PROCESSING_PROGRESS), SW_SHOW);
        }
        return TRUE;
    case kProcessingBeginMessage: {
        stepCount_ = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(lParam)) << 32) |
                     static_cast<std::uint32_t>(wParam);
        currentStep_ = 0;
        HWND bar = ::GetDlgItem(window, IDC_PROCESSING_PROGRESS);
        ::SendMessageW(bar, PBM_SETRANGE, 0, MAKELPARAM(0, BarUnits(stepCount_, stepCount_)));
        ::SendMessageW(bar, PBM_SETPOS, 0, 0);
        return TRUE;
    }
    case kProcessingStepMessage:
        OnStep();
        return TRUE;
    case kProcessingErrorMessage:
        OnError(wParam != 0);
        return TRUE;
    case kProcessingQuestionMessage:
        AnswerQuestion(window);
        return TRUE;
    case kProcessingFinishedMessage:
        if (taskbar_)
            taskbar_.get()->SetProgressState(window, TBPF_NOPROGRESS);
        ::EndDialog(window, static_cast<INT_PTR>(wParam));
        return TRUE;
    default:
        return FALSE;
    }
}

WindowResult ProcessingEngine::RunProcessingWindow(std::wstring_view title) {
    ProcessingWindow window(*this, std::wstring(title));
    return window.Run();
}

} // namespace velmora::processing
