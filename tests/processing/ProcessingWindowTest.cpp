// The processing window shown for real under Xvfb, its worker running the real engine with exit_with.exe
// as the prerequisites; a second thread drives the window as a person would.
#include "processing/ProcessingWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <thread>

#include "platform/Bitness.h"
#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "ProcessingSupport.h"
#include "transfer/CredentialStore.h"
#include "transfer/FileDigest.h"
#include "app/MainFlow.h"
#include "platform/FileSystem.h"
#include "support/CredentialsDriver.h"
#include "support/WindowDriver.h"
#include "ui/StatusWindow.h"
#include "ui/resources/ResourceIds.h"

using namespace velmora::processing;
using namespace velmora::transfer;
using namespace velmora::test;
using velmora::processing::WindowResult;

namespace {

constexpr wchar_t kTitle[] = L"Processing Test Setup";

class ProcessingWindow_Run : public ProcessingTestBase {
protected:
    void SetUp() override {
        ProcessingTestBase::SetUp();
        configuration.Options = L"b";
        com_ = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    }
    void TearDown() override {
        if (SUCCEEDED(com_))
            ::CoUninitialize();
        ProcessingTestBase::TearDown();
    }

    // Runs the window on this thread; drive, when given, runs on another thread with the window found.
    WindowResult RunWindow(const std::function<void(HWND)>& drive = nullptr) {
        std::thread driver;
        if (drive) {
            driver = std::thread([drive] {
                HWND window = WaitForWindow(::GetCurrentProcessId(), kTitle);
                EXPECT_NE(window, nullptr);
                if (window != nullptr)
                    drive(window);
            });
        }
        const WindowResult result = engine->RunProcessingWindow(kTitle);
        if (driver.joinable())
            driver.join();
        return result;
    }

private:
    HRESULT com_ = E_FAIL;
};

bool TextBecomes(HWND window, const std::wstring& text) {
    return WaitUntil([&] { return ControlText(window, IDC_PROCESSING_TEXT) == text; });
}

BOOL CALLBACK CollectText(HWND child, LPARAM texts) {
    reinterpret_cast<std::vector<std::wstring>*>(texts)->push_back(TextOf(child));
    return TRUE;
}

// The texts of a window's controls.
std::vector<std::wstring> ChildTexts(HWND window) {
    std::vector<std::wstring> texts;
    ::EnumChildWindows(window, &CollectText, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

// A box of the worker's questions belongs to the window's thread and is owned by the window.
void ExpectShownByTheWindow(HWND box, HWND window) {
    EXPECT_EQ(::GetWindowThreadProcessId(box, nullptr), ::GetWindowThreadProcessId(window, nullptr));
    EXPECT_EQ(::GetWindow(box, GW_OWNER), window);
}

// Answers the reboot question, shown by the window, and tells whether the processing window then ended by
// itself (it is closed by hand when it did not, so that the run goes on).
bool AnswerRebootAndSeeTheWindowEnd(HWND window, int answer) {
    HWND question = WaitForWindow(::GetCurrentProcessId(), L"Confirmation");
    EXPECT_NE(question, nullptr);
    if (question != nullptr)
        ExpectShownByTheWindow(question, window);
    EXPECT_TRUE(question != nullptr && Press(question, answer));
    const bool ended = WaitUntil([window] { return !::IsWindow(window); }, 20000);
    if (!ended)
        Press(window, IDC_PROCESSING_CANCEL);
    return ended;
}

} // namespace

TEST_F(ProcessingWindow_Run, CompletionWithEverythingFoundEndsAllDone) {
    AddHelper(L"Runtime", L"0", L"m", true, L"1500");
    Start();
    std::wstring title;
    bool stepShown = false;
    EXPECT_EQ(RunWindow([&](HWND window) {
                  title = TextOf(window);
                  stepShown = TextBecomes(window, L"Installing Runtime");
              }),
              WindowResult::AllDone);
    EXPECT_EQ(title, kTitle);
    EXPECT_TRUE(stepShown);
    EXPECT_TRUE(MarkerExists(L"Runtime"));
    EXPECT_EQ(Recorded("RuntimeRet"), "0");
}

TEST_F(ProcessingWindow_Run, CompletionWithAMandatoryStillMissingEndsMandatoryMissing) {
    AddHelper(L"Optional", L"3", L"", false);
    AddHelper(L"Stubborn", L"0", L"m", false);
    Start();
    EXPECT_EQ(RunWindow(), WindowResult::MandatoryMissing);
    EXPECT_EQ(Recorded("OptionalRet"), "3");
    EXPECT_EQ(Recorded("StubbornRet"), "0");
}

TEST_F(ProcessingWindow_Run, CancelEndsAsCancelledAndNoFurtherPrerequisiteStarts) {
    AddHelper(L"Slow", L"0", L"", true, L"2000");
    AddHelper(L"Next", L"0");
    Start();
    EXPECT_EQ(RunWindow([](HWND window) {
                  ASSERT_TRUE(TextBecomes(window, L"Installing Slow"));
                  EXPECT_TRUE(Press(window, IDC_PROCESSING_CANCEL));
              }),
              WindowResult::Cancelled);
    // The running launch was waited for; the next one never started.
    EXPECT_TRUE(MarkerExists(L"Slow"));
    EXPECT_FALSE(MarkerExists(L"Next"));
}

TEST_F(ProcessingWindow_Run, MandatoryFailureStaysOpenAndClosingItRunsTheFinalCheck) {
    // The failed launch may still have installed the prerequisite: the final check decides.
    for (const bool installedAnyway : {false, true}) {
        SCOPED_TRACE(installedAnyway);
        configuration.Prerequisites.clear();
        AddHelper(installedAnyway ? L"Partial" : L"Broken", L"7", L"m", installedAnyway);
        AddHelper(L"Next", L"0");
        Start();
        const std::wstring name = configuration.Prerequisites[0].Name;
        EXPECT_EQ(RunWindow([&name](HWND window) {
                      EXPECT_TRUE(TextBecomes(window, name));
                      // Still open a while after the failure: only closing it ends it.
                      ::Sleep(300);
                      EXPECT_TRUE(::IsWindow(window));
                      EXPECT_TRUE(ControlVisible(window, IDC_PROCESSING_PROGRESS));
                      EXPECT_TRUE(Press(window, IDC_PROCESSING_CANCEL));
                  }),
                  installedAnyway ? WindowResult::AllDone : WindowResult::MandatoryMissing);
        EXPECT_FALSE(MarkerExists(L"Next"));
    }
}

TEST_F(ProcessingWindow_Run, StartedOrRefusedRebootEndsTheWindowAsCancelled) {
    for (const int answer : {IDYES, IDNO}) {
        SCOPED_TRACE(answer);
        configuration.Prerequisites.clear();
        restart.requests.clear();
        const std::wstring after = answer == IDYES ? L"AfterYes" : L"AfterNo";
        AddHelper(answer == IDYES ? L"DriverYes" : L"DriverNo", L"0", L"r");
        AddHelper(after, L"0");
        Start();
        bool endedByItself = false;
        EXPECT_EQ(
            RunWindow([&](HWND window) { endedByItself = AnswerRebootAndSeeTheWindowEnd(window, answer); }),
            WindowResult::Cancelled);
        EXPECT_TRUE(endedByItself);
        EXPECT_EQ(restart.requests.size(), answer == IDYES ? 1u : 0u);
        EXPECT_TRUE(engine->RebootRequired());
        EXPECT_EQ(engine->RebootRefused(), answer == IDNO);
        EXPECT_FALSE(MarkerExists(after));
    }
}

TEST_F(ProcessingWindow_Run, RebootQuestionAfterCancelIsStillAskedWithoutTheWindow) {
    // The launch under way when Cancel is pressed is waited for; the reboot it calls for is asked for
    // once the window has gone.
    AddHelper(L"SlowDriver", L"0", L"r", true, L"1500");
    AddHelper(L"Next", L"0");
    Start();
    HWND question = nullptr;
    EXPECT_EQ(RunWindow([&question](HWND window) {
                  ASSERT_TRUE(TextBecomes(window, L"Installing SlowDriver"));
                  EXPECT_TRUE(Press(window, IDC_PROCESSING_CANCEL));
                  question = WaitForWindow(::GetCurrentProcessId(), L"Confirmation");
                  EXPECT_TRUE(question != nullptr && ::GetWindow(question, GW_OWNER) == nullptr);
                  EXPECT_TRUE(question != nullptr && Press(question, IDYES));
              }),
              WindowResult::Cancelled);
    EXPECT_NE(question, nullptr);
    EXPECT_EQ(restart.requests.size(), 1u);
    EXPECT_TRUE(engine->RebootRequired());
    EXPECT_FALSE(engine->RebootRefused());
    EXPECT_FALSE(MarkerExists(L"Next"));
}

TEST_F(ProcessingWindow_Run, SiteNoticeIsShownOverTheWindow) {
    auto& site = AddHelper(L"Docs", L"0");
    site.Source = L"http://127.0.0.1:9/docs";
    site.SourceKind = velmora::config::SourceKey::OpenSite;
    Start();
    engine->SetTexts({L"Downloading %s", L"Installing %s", L"Opening site of %s", L"Fetch it there."});
    std::vector<std::wstring> texts;
    EXPECT_EQ(RunWindow([&texts](HWND window) {
                  HWND notice = WaitForWindow(::GetCurrentProcessId(), L"Opening site of Docs");
                  ASSERT_NE(notice, nullptr);
                  ExpectShownByTheWindow(notice, window);
                  texts = ChildTexts(notice);
                  EXPECT_TRUE(Press(notice, IDOK));
              }),
              WindowResult::AllDone);
    EXPECT_NE(std::find(texts.begin(), texts.end(), L"Fetch it there."), texts.end());
    engine->Cleanup();
}

TEST_F(ProcessingWindow_Run, EndingSessionStopsBeforeTheNextPrerequisite) {
    AddHelper(L"Slow", L"0", L"", true, L"1500");
    AddHelper(L"Next", L"0");
    Start();
    EXPECT_EQ(RunWindow([](HWND window) {
                  ASSERT_TRUE(TextBecomes(window, L"Installing Slow"));
                  DWORD_PTR answer = 0;
                  ::SendMessageTimeoutW(window, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, 5000, &answer);
              }),
              WindowResult::AllDone);
    EXPECT_TRUE(engine->RebootInProgress());
    EXPECT_FALSE(MarkerExists(L"Next"));
}

TEST_F(ProcessingWindow_Run, CalledOffSessionEndChangesNothing) {
    AddHelper(L"Slow", L"0", L"", true, L"1500");
    AddHelper(L"Next", L"0");
    Start();
    EXPECT_EQ(RunWindow([](HWND window) {
                  ASSERT_TRUE(TextBecomes(window, L"Installing Slow"));
                  DWORD_PTR answer = 0;
                  ::SendMessageTimeoutW(window, WM_ENDSESSION, FALSE, 0, SMTO_NORMAL, 5000, &answer);
              }),
              WindowResult::AllDone);
    EXPECT_FALSE(engine->RebootInProgress());
    EXPECT_TRUE(MarkerExists(L"Next"));
}

namespace {

// Once the dialog of the calling thread gets WM_INITDIALOG (its controls made, its worker not yet started),
// reserves every stretch of the address space large enough for a thread's stack, so that no thread can
// start; releases them when the object goes.
class NoRoomForThreadsOnceInitialising {
public:
    NoRoomForThreadsOnceInitialising()
        : hook_(::SetWindowsHookExW(WH_CALLWNDPROC, &Hook, nullptr, ::GetCurrentThreadId())) {
        current_ = this;
    }
    ~NoRoomForThreadsOnceInitialising() {
        ::UnhookWindowsHookEx(hook_);
        current_ = nullptr;
        for (void* reserved : reserved_)
            ::VirtualFree(reserved, 0, MEM_RELEASE);
    }
    // Whether a thread was seen to fail for want of room.
    bool ThreadRefused() const { return threadRefused_; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && message->message == WM_INITDIALOG && current_ != nullptr &&
            current_->reserved_.empty())
            current_->Fill();
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static DWORD WINAPI Nothing(void*) { return 0; }

    void Fill() {
        SYSTEM_INFO system{};
        ::GetSystemInfo(&system);
        const std::uintptr_t span = reinterpret_cast<std::uintptr_t>(system.lpMaximumApplicationAddress) -
                                    reinterpret_cast<std::uintptr_t>(system.lpMinimumApplicationAddress);
        SIZE_T largest = 0x100000;
        while (largest <= span / 4)
            largest *= 2;
        for (SIZE_T size = largest; size >= 0x100000; size /= 2) {
            while (void* reserved = ::VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS))
                reserved_.push_back(reserved);
        }
        HANDLE thread = ::CreateThread(nullptr, 0, &Nothing, nullptr, 0, nullptr);
        threadRefused_ = thread == nullptr;
        if (thread != nullptr) {
            ::WaitForSingleObject(thread, INFINITE);
            ::CloseHandle(thread);
        }
    }

    static inline NoRoomForThreadsOnceInitialising* current_ = nullptr;
    HHOOK hook_;
    std::vector<void*> reserved_;
    bool threadRefused_ = false;
};

} // namespace

TEST_F(ProcessingWindow_Run, WorkerThatCannotStartIsAFailure) {
    // Filling the address space is how the test takes the room a thread needs; a 64-bit one is far too large
    // to fill (Wine then runs out of memory for its own bookkeeping and the process is killed).
    if (velmora::platform::kIs64BitProcess)
        GTEST_SKIP() << "a 64-bit address space cannot be filled";
    AddHelper(L"Never", L"0");
    Start();
    WindowResult result = WindowResult::None;
    bool refused = false;
    {
        NoRoomForThreadsOnceInitialising full;
        result = engine->RunProcessingWindow(kTitle);
        refused = full.ThreadRefused();
    }
    ASSERT_TRUE(refused);
    EXPECT_EQ(result, WindowResult::MandatoryMissing);
    EXPECT_FALSE(MarkerExists(L"Never"));
    const std::vector<std::wstring> log = NewLogMessages();
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::wstring& line) {
        return line.rfind(L"The processing could not start. Error: ", 0) == 0;
    }));
}

namespace {

// The main flow in basic UI as the chainer runs it, with the real transfer engine fetching from the test
// servers on 127.0.0.1 (with_servers.py): the status window, the processing window, the downloads and
// launches; only the restart goes to a stand-in.
class ProcessingWindow_Transfer : public ProcessingTestBase {
protected:
    void SetUp() override {
        ProcessingTestBase::SetUp();
        configuration.Options = L"b";
        com_ = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        ASSERT_TRUE(velmora::platform::GetEnv(L"VELMORA_HTTP_PORT", port_)) << "run through with_servers.py";
    }
    void TearDown() override {
        store.DeleteKey();
        if (SUCCEEDED(com_))
            ::CoUninitialize();
        ProcessingTestBase::TearDown();
    }

    // A URL of the test servers that no other test uses ("/status/404/" gives "/status/404/<unique>").
    std::wstring Url(const std::wstring& path) {
        static int counter = 0;
        const std::wstring unique = path.back() == L'/' ? L"t" + std::to_wstring(::GetCurrentProcessId()) +
                                                              L"_" + std::to_wstring(counter++)
                                                        : L"";
        return L"http://127.0.0.1:" + port_ + path + unique;
    }

    // Runs the main flow; drive, when given, runs on another thread once the processing window shows.
    int RunMainFlow(const std::function<void(HWND)>& drive = nullptr) {
        machine = std::make_unique<velmora::detection::MachineEvaluation>(extraction);
        evaluator = std::make_unique<velmora::detection::PrerequisiteEvaluator>(configuration, *machine);
        velmora::ui::StatusWindow status(ExitWithHelper());
        status.PrepareTitle();
        const std::wstring title = status.Title();
        DownloaderTransfer downloads(&credentials);
        velmora::app::MainFlowParts parts{
            configuration, *evaluator, store, &status, false, [&] {
                return std::unique_ptr<ProcessingPhases>(new ProcessingEngine(
                    {configuration, *evaluator, extraction, store, downloads, &restart, &credentials}));
            }};
        std::thread driver;
        if (drive) {
            driver = std::thread([drive, title] {
                // The status window bears the same title: the processing window is the one with a bar.
                HWND window = nullptr;
                WaitUntil([&] {
                    for (HWND candidate : TopLevelWindows(::GetCurrentProcessId(), title)) {
                        if (::GetDlgItem(candidate, IDC_PROCESSING_PROGRESS) != nullptr)
                            window = candidate;
                    }
                    return window != nullptr;
                });
                EXPECT_NE(window, nullptr);
                if (window != nullptr)
                    drive(window);
            });
        }
        const int exitCode = velmora::app::MainFlow(parts);
        if (driver.joinable())
            driver.join();
        return exitCode;
    }

    CredentialStore credentials;

private:
    std::wstring port_;
    HRESULT com_ = E_FAIL;
};

} // namespace

TEST_F(ProcessingWindow_Transfer, DownloadIsFetchedCheckedLaunchedAndFound) {
    std::string digest;
    ASSERT_TRUE(FileDigestText(ExitWithHelper(), digest));
    AddDownload(L"Fetched", Url(L"/bin/exit_with.exe"), L"m").MD5 = velmora::platform::FromAnsi(digest);
    EXPECT_EQ(RunMainFlow(), 0);
    for (const wchar_t* line : {L"Starting installing prerequisites in basic UI mode.",
                                L"Starting download of:Fetched", L"Download completed succesfully.",
                                L"Downloaded file was accepted.", L"Return code of launched file:0"})
        EXPECT_TRUE(Logged(line)) << line;
    EXPECT_TRUE(MarkerExists(L"Fetched"));
    EXPECT_FALSE(velmora::platform::Exists(kit.Child(L"downloads")));
}

TEST_F(ProcessingWindow_Transfer, CancelDuringATransferIsACancelledRun) {
    AddDownload(L"Slow", Url(L"/slow/400000/"), L"m");
    EXPECT_EQ(RunMainFlow([](HWND window) {
                  ASSERT_TRUE(TextBecomes(window, L"Downloading Slow"));
                  ::Sleep(300);
                  EXPECT_TRUE(Press(window, IDC_PROCESSING_CANCEL));
              }),
              0);
    EXPECT_TRUE(Logged(L"Download was canceled."));
    const std::vector<std::wstring> log = NewLogMessages();
    EXPECT_TRUE(std::none_of(log.begin(), log.end(), [](const std::wstring& line) {
        return line.rfind(L"Download failed. Error:", 0) == 0;
    }));
    EXPECT_FALSE(MarkerExists(L"Slow"));
}

TEST_F(ProcessingWindow_Transfer, MandatoryDownloadThatFailsThenClosingTheWindowExits1) {
    AddDownload(L"Missing", Url(L"/status/404/"), L"m");
    AddHelper(L"Local", L"0");
    EXPECT_EQ(RunMainFlow([](HWND window) {
                  // The failure shows with the prerequisite's name until the window is closed.
                  EXPECT_TRUE(TextBecomes(window, L"Missing"));
                  EXPECT_TRUE(Press(window, IDC_PROCESSING_CANCEL));
              }),
              1);
    EXPECT_FALSE(MarkerExists(L"Local"));
}

TEST_F(ProcessingWindow_Transfer, DownloadedPrerequisiteThatRebootsEndsTheRunWithAPendingReboot) {
    AddDownload(L"Driver", Url(L"/bin/exit_with.exe"), L"mr");
    bool endedByItself = false;
    EXPECT_EQ(RunMainFlow([&endedByItself](HWND window) {
                  endedByItself = AnswerRebootAndSeeTheWindowEnd(window, IDYES);
              }),
              -1);
    EXPECT_TRUE(endedByItself);
    EXPECT_EQ(restart.requests.size(), 1u);
    for (const wchar_t* line :
         {L"Rebooting machine...", L"After running prerequisites we have:  Reboot was required=true",
          L"  Reboot was refused=false", L"  Reboot in Progress=false"})
        EXPECT_TRUE(Logged(line)) << line;
    EXPECT_EQ(Recorded("DriverRet"), "0");
}

TEST_F(ProcessingWindow_Transfer, ServerAskingForCredentialsGetsThemFromOneDialogOverTheWindow) {
    // Two prerequisites on the same server: the second one is sent what was entered for the first.
    AddDownload(L"Guarded", Url(L"/auth/alice/bin/exit_with.exe"), L"m").Folder = L"?guarded.exe";
    AddDownload(L"Sibling", Url(L"/auth/alice/bin/exit_with.exe?sibling"), L"m").Folder = L"?sibling.exe";
    std::vector<CredentialsDialogVisit> visits;
    HWND processing = nullptr;
    bool windowDisabledMeanwhile = false;
    EXPECT_EQ(RunMainFlow([&](HWND window) {
                  processing = window;
                  // Every dialog until the window ends is answered: the first with the account, any other
                  // with Cancel.
                  while (::IsWindow(window)) {
                      HWND dialog = FindCredentialsDialog(::GetCurrentProcessId());
                      if (dialog == nullptr) {
                          ::Sleep(20);
                          continue;
                      }
                      windowDisabledMeanwhile = !::IsWindowEnabled(window);
                      visits.push_back(visits.empty()
                                           ? AnswerCredentialsDialog(dialog, L"alice", L"Right-Pass1")
                                           : AnswerCredentialsDialog(dialog, L"", L""));
                  }
              }),
              0);
    ASSERT_EQ(visits.size(), 1u);
    EXPECT_EQ(visits[0].owner, processing);
    EXPECT_TRUE(windowDisabledMeanwhile);
    EXPECT_EQ(visits[0].title, L"Connect to 127.0.0.1");
    EXPECT_TRUE(MarkerExists(L"Guarded"));
    EXPECT_TRUE(MarkerExists(L"Sibling"));
}
