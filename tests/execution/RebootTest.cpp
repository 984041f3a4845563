// Reboot handling around real launches of the helper program: the reboot modes, the question in basic UI
// answered through its real message box (shown here on the test's thread, as the processing window's thread
// shows it), the shutdown privilege of real tokens, and the restart request
// itself, which goes to a stand-in (under Wine ExitWindowsEx would end the prefix's session).
#include "execution/LaunchList.h"

#include <gtest/gtest.h>

#include <ddeml.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "LaunchTestSupport.h"
#include "detection/pure/EvaluatorDetection.h"
#include "platform/TextConversion.h"
#include "platform/UniqueHandle.h"
#include "support/TestSupport.h"
#include "support/WindowDriver.h"
#include "ui/WindowTools.h"
#include "ui/resources/ResourceIds.h"

using namespace velmora::execution;
using namespace velmora::test;
using velmora::config::InterbootStore;
using velmora::config::PrerequisiteRecord;
using velmora::detection::EvaluatorDetection;
using velmora::detection::PrerequisiteEvaluator;

namespace {

// The reboot question's real box, on the calling thread and owned by the foreground window.
class QuestionOnThisThread final : public RebootQuestion {
public:
    RebootAnswer AskToRestart() override { return ShowRebootQuestion(::GetForegroundWindow()); }
};

class Execution_LaunchAndReboot : public LogTestBase {
protected:
    void SetUp() override {
        LogTestBase::SetUp();
        for (const wchar_t* name : {L"First", L"Second"}) {
            PrerequisiteRecord prerequisite;
            prerequisite.Name = name;
            configuration.Prerequisites.push_back(prerequisite);
        }
    }

    ScopedFolder folder;
    ScopedRegistryKey key;
    InterbootStore store{velmora::platform::ToAnsi(key.SubKey() + L"\\InterbootContext")};
    velmora::config::Configuration configuration;
    FakeMachine machine;
    PrerequisiteEvaluator evaluator{configuration, machine};
    EvaluatorDetection detection{evaluator};
    FakeRestart restart;
    LaunchList list{store, detection, restart};
    QuestionOnThisThread question;

    // exit_with.exe ending with code, for the second prerequisite.
    std::size_t AddHelper(const wchar_t* code, RebootMode rebootMode) {
        list.AddItem(ExitWithHelper(), code, L"Second", rebootMode, 1, L"SecondRet");
        return list.Count() - 1;
    }

    bool RestartRequestedOnceAsPlanned() const {
        return restart.requests.size() == 1 && restart.requests[0].flags == (EWX_REBOOT | EWX_FORCE) &&
               restart.requests[0].reason == 0x80040002u;
    }
};

// Answers the reboot question of this process with the given button, once it shows.
class QuestionAnswerer {
public:
    explicit QuestionAnswerer(int button)
        : thread_([this, button] {
              // Generous: the box is owned by the foreground window, which under a shared test display may
              // belong to another test process that answers its messages late.
              HWND box = WaitForWindow(::GetCurrentProcessId(), L"Confirmation", 90000);
              if (box == nullptr)
                  return;
              ::EnumChildWindows(box, &QuestionAnswerer::CollectText, reinterpret_cast<LPARAM>(&texts_));
              hadYes_ = ::GetDlgItem(box, IDYES) != nullptr;
              hadNo_ = ::GetDlgItem(box, IDNO) != nullptr;
              answered_ = Press(box, button);
          }) {}
    ~QuestionAnswerer() {
        if (thread_.joinable())
            thread_.join();
    }
    // Waits for the answerer to finish.
    void Join() { thread_.join(); }

    bool Answered() const { return answered_; }
    bool HadYesAndNo() const { return hadYes_ && hadNo_; }
    // The texts of the box's controls.
    const std::vector<std::wstring>& Texts() const { return texts_; }

private:
    static BOOL CALLBACK CollectText(HWND child, LPARAM texts) {
        reinterpret_cast<std::vector<std::wstring>*>(texts)->push_back(TextOf(child));
        return TRUE;
    }

    std::atomic<bool> answered_{false};
    bool hadYes_ = false;
    bool hadNo_ = false;
    std::vector<std::wstring> texts_;
    std::thread thread_;
};

// Vetoes every dialog window the calling thread creates, as a desktop that takes no more windows would.
class DialogVeto {
public:
    DialogVeto() : hook_(::SetWindowsHookExW(WH_CBT, &DialogVeto::Hook, nullptr, ::GetCurrentThreadId())) {}
    ~DialogVeto() { ::UnhookWindowsHookEx(hook_); }
    bool Active() const { return hook_ != nullptr; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_CREATEWND) {
            const wchar_t* name = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs->lpszClass;
            const bool dialog = IS_INTRESOURCE(name) ? LOWORD(reinterpret_cast<ULONG_PTR>(name)) == 32770
                                                     : std::wstring_view(name) == L"#32770";
            if (dialog)
                return 1;
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
    HHOOK hook_;
};

// Documents of a type that a running program opens through DDE, as document viewers do: the shell hands
// the document over and returns no process. The program is a DDE server on a thread of this process; the
// type is registered while the object lives (OS quirk, Wine 8: the shell reads types from the machine's
// classes only, not from the user's).
class DdeDocumentType {
public:
    static constexpr wchar_t kExtension[] = L".velmoradde";

    DdeDocumentType() {
        SetValue(kExtension, L"", L"VelmoraDdeDocument");
        const std::wstring open = L"VelmoraDdeDocument\\shell\\open";
        // A command that cannot start: the document can only be opened by the running server.
        SetValue(open + L"\\command", L"", L"\"C:\\velmora-no-such-viewer.exe\" \"%1\"");
        SetValue(open + L"\\ddeexec", L"", L"[open(\"%1\")]");
        SetValue(open + L"\\ddeexec\\application", L"", L"VelmoraDdeViewer");
        SetValue(open + L"\\ddeexec\\topic", L"", L"System");
        current_ = this;
        thread_ = std::thread([this] { Serve(); });
        std::unique_lock<std::mutex> lock(lock_);
        changed_.wait(lock, [this] { return serving_ != 0; });
    }
    ~DdeDocumentType() {
        ::PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
        thread_.join();
        current_ = nullptr;
        ::RegDeleteTreeW(HKEY_CLASSES_ROOT, kExtension);
        ::RegDeleteTreeW(HKEY_CLASSES_ROOT, L"VelmoraDdeDocument");
    }
    // True when the server runs (it may not be registered as a DDE service on this system).
    bool Serving() const { return serving_ > 0; }
    std::vector<std::wstring> Commands() {
        std::lock_guard<std::mutex> lock(lock_);
        return commands_;
    }

private:
    static void SetValue(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
        HKEY opened = nullptr;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                    &opened, nullptr),
                  ERROR_SUCCESS);
        ::RegSetValueExW(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                         static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        ::RegCloseKey(opened);
    }

    static HDDEDATA CALLBACK Callback(UINT type, UINT, HCONV, HSZ, HSZ, HDDEDATA data, ULONG_PTR, ULONG_PTR) {
        if (type == XTYP_CONNECT)
            return reinterpret_cast<HDDEDATA>(TRUE);
        if (type == XTYP_EXECUTE && current_ != nullptr) {
            const DWORD size = ::DdeGetData(data, nullptr, 0, 0);
            std::wstring command(size / sizeof(wchar_t), L'\0');
            ::DdeGetData(data, reinterpret_cast<BYTE*>(command.data()), size, 0);
            std::lock_guard<std::mutex> lock(current_->lock_);
            current_->commands_.push_back(command.c_str());
            return reinterpret_cast<HDDEDATA>(DDE_FACK);
        }
        return nullptr;
    }

    void Serve() {
        threadId_ = ::GetCurrentThreadId();
        DWORD instance = 0;
        HSZ service = nullptr;
        bool ok = ::DdeInitializeW(&instance, &DdeDocumentType::Callback,
                                   APPCLASS_STANDARD | CBF_SKIP_ALLNOTIFICATIONS, 0) == DMLERR_NO_ERROR;
        if (ok) {
            service = ::DdeCreateStringHandleW(instance, L"VelmoraDdeViewer", CP_WINUNICODE);
            ok = ::DdeNameService(instance, service, nullptr, DNS_REGISTER) != nullptr;
        }
        MSG message;
        ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE); // the queue exists before anyone posts to it
        {
            std::lock_guard<std::mutex> lock(lock_);
            serving_ = ok ? 1 : -1;
        }
        changed_.notify_all();
        while (::GetMessageW(&message, nullptr, 0, 0) > 0)
            ::DispatchMessageW(&message);
        if (service != nullptr) {
            ::DdeNameService(instance, service, nullptr, DNS_UNREGISTER);
            ::DdeFreeStringHandle(instance, service);
        }
        if (instance != 0)
            ::DdeUninitialize(instance);
    }

    static inline DdeDocumentType* current_ = nullptr;
    std::mutex lock_;
    std::condition_variable changed_;
    int serving_ = 0;
    std::vector<std::wstring> commands_;
    DWORD threadId_ = 0;
    std::thread thread_;
};

} // namespace

TEST_F(Execution_LaunchAndReboot, SuccessInModeOneRestartsSilentlyWithoutQuestion) {
    const std::size_t index = AddHelper(L"0", RebootMode::AfterSuccess);
    EXPECT_EQ(list.LaunchAndReboot(index, nullptr), LaunchOutcome::RebootCalledFor);
    EXPECT_TRUE(list.RebootRequired());
    EXPECT_FALSE(list.RebootRefused());
    EXPECT_TRUE(RestartRequestedOnceAsPlanned());
    EXPECT_TRUE(machine.searched.empty());
    EXPECT_EQ(NewLogMessages(),
              (std::vector<std::wstring>{L"Launching file:" + ExitWithHelper(),
                                         L"Return code of launched file:0", L"Rebooting machine..."}));
    std::string recorded;
    EXPECT_EQ(store.Get("SecondRet", recorded), InterbootStore::kOk);
    EXPECT_EQ(recorded, "0");
}

TEST_F(Execution_LaunchAndReboot, FailedLaunchNeverReboots) {
    const struct {
        const wchar_t* code;
        RebootMode mode;
    } cases[] = {
        {L"3010", RebootMode::AfterSuccess},
        {L"1641", RebootMode::AfterSuccess},
        {L"1", RebootMode::WhenDetected},
        {L"2", RebootMode::Never},
    };
    machine.installed = {L"Second"};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        LogTestBase::SetUp();
        EXPECT_EQ(list.LaunchAndReboot(AddHelper(c.code, c.mode), nullptr), LaunchOutcome::Failed);
        EXPECT_FALSE(list.RebootRequired());
        EXPECT_FALSE(list.RebootRefused());
        EXPECT_TRUE(restart.requests.empty());
        EXPECT_FALSE(Logged(L"Rebooting machine..."));
    }
    EXPECT_TRUE(machine.searched.empty());
}

TEST_F(Execution_LaunchAndReboot, ModeZeroIsDoneAfterSuccessWithoutAskingAnything) {
    machine.installed = {L"Second"};
    EXPECT_EQ(list.LaunchAndReboot(AddHelper(L"0", RebootMode::Never), &question), LaunchOutcome::Done);
    EXPECT_FALSE(list.RebootRequired());
    EXPECT_TRUE(restart.requests.empty());
    EXPECT_TRUE(machine.searched.empty());
}

TEST_F(Execution_LaunchAndReboot, ModeTwoRestartsOnlyWhenTheLaunchedPrerequisiteIsNowFound) {
    // Only the first prerequisite is found: the second, launched, is not.
    machine.installed = {L"First"};
    EXPECT_EQ(list.LaunchAndReboot(AddHelper(L"0", RebootMode::WhenDetected), nullptr), LaunchOutcome::Done);
    EXPECT_EQ(machine.searched, (std::vector<std::wstring>{L"Second"}));
    EXPECT_FALSE(list.RebootRequired());
    EXPECT_TRUE(restart.requests.empty());
    EXPECT_FALSE(Logged(L"Rebooting machine..."));

    machine.installed = {L"Second"};
    EXPECT_EQ(list.LaunchAndReboot(AddHelper(L"0", RebootMode::WhenDetected), nullptr),
              LaunchOutcome::RebootCalledFor);
    EXPECT_EQ(configuration.Prerequisites[1].state, velmora::config::EvaluationState::Found);
    EXPECT_TRUE(list.RebootRequired());
    EXPECT_TRUE(RestartRequestedOnceAsPlanned());
    EXPECT_TRUE(Logged(L"Rebooting machine..."));
}

TEST_F(Execution_LaunchAndReboot, RestartTheSystemRefusesStillCountsAsCalledFor) {
    restart.accept = false;
    EXPECT_EQ(list.LaunchAndReboot(AddHelper(L"0", RebootMode::AfterSuccess), nullptr),
              LaunchOutcome::RebootCalledFor);
    EXPECT_TRUE(list.RebootRequired());
    EXPECT_FALSE(list.RebootRefused());
    EXPECT_EQ(restart.requests.size(), 1u);
}

TEST_F(Execution_LaunchAndReboot, AnswerNoInBasicUiRefusesAndRestartsNothing) {
    QuestionAnswerer answerer(IDNO);
    EXPECT_EQ(list.LaunchAndReboot(AddHelper(L"0", RebootMode::AfterSuccess), &question),
              LaunchOutcome::RebootCalledFor);
    answerer.Join();
    EXPECT_TRUE(answerer.Answered());
    EXPECT_TRUE(answerer.HadYesAndNo());
    EXPECT_NE(std::find(answerer.Texts().begin(), answerer.Texts().end(),
                        velmora::ui::LoadText(IDS_REBOOT_QUESTION)),
              answerer.Texts().end());
    EXPECT_TRUE(list.RebootRequired());
    EXPECT_TRUE(list.RebootRefused());
    EXPECT_TRUE(restart.requests.empty());
    EXPECT_TRUE(Logged(L"Rebooting machine..."));
}

TEST_F(Execution_LaunchAndReboot, AnswerYesInBasicUiRestarts) {
    QuestionAnswerer answerer(IDYES);
    EXPECT_EQ(list.LaunchAndReboot(AddHelper(L"0", RebootMode::AfterSuccess), &question),
              LaunchOutcome::RebootCalledFor);
    answerer.Join();
    EXPECT_TRUE(answerer.Answered());
    EXPECT_TRUE(list.RebootRequired());
    EXPECT_FALSE(list.RebootRefused());
    EXPECT_TRUE(RestartRequestedOnceAsPlanned());
}

TEST_F(Execution_LaunchAndReboot, QuestionThatCannotBeShownIsNoConsent) {
    DialogVeto veto;
    ASSERT_TRUE(veto.Active());
    EXPECT_EQ(list.LaunchAndReboot(AddHelper(L"0", RebootMode::AfterSuccess), &question),
              LaunchOutcome::RebootCalledFor);
    EXPECT_TRUE(list.RebootRequired());
    EXPECT_TRUE(list.RebootRefused());
    EXPECT_TRUE(restart.requests.empty());
}

TEST_F(Execution_LaunchAndReboot, StartWithoutAProcessNeverRestartsAndRecordsNothing) {
    DdeDocumentType documents;
    ASSERT_TRUE(documents.Serving());
    const std::wstring document = folder.Child(std::wstring(L"readme") + DdeDocumentType::kExtension);
    WriteFileBytes(document, "read me");
    for (const RebootMode mode : {RebootMode::AfterSuccess, RebootMode::WhenDetected}) {
        SCOPED_TRACE(static_cast<int>(mode));
        LogTestBase::SetUp();
        list.Clear();
        machine.installed = {L"Second"};
        list.AddItem(document, L"", L"Second", mode, 1, L"SecondRet");
        EXPECT_EQ(list.LaunchAndReboot(0, nullptr), LaunchOutcome::Done);
        EXPECT_FALSE(list.Item(0).exitCodeKnown);
        EXPECT_FALSE(list.RebootRequired());
        EXPECT_TRUE(restart.requests.empty());
        EXPECT_EQ(NewLogMessages(),
                  (std::vector<std::wstring>{L"Launching file:" + document, kNoProcessLine}));
    }
    // The running program got the documents; no exit code was made up for them.
    EXPECT_EQ(documents.Commands().size(), 2u);
    std::string recorded;
    EXPECT_NE(store.Get("SecondRet", recorded), InterbootStore::kOk);
}

TEST_F(Execution_LaunchAndReboot, RestartWindowsReportsWhetherTheSystemAccepted) {
    EXPECT_TRUE(list.RestartWindows(nullptr));
    restart.accept = false;
    EXPECT_FALSE(list.RestartWindows(nullptr));
    EXPECT_EQ(restart.requests.size(), 2u);
    EXPECT_FALSE(list.RebootRefused());
    // RestartWindows alone does not mark a reboot as required; LaunchAndReboot does.
    EXPECT_FALSE(list.RebootRequired());
}

TEST_F(Execution_LaunchAndReboot, QuestionTextsComeFromTheStringTable) {
    EXPECT_EQ(
        velmora::ui::LoadText(IDS_REBOOT_QUESTION),
        L"You must reboot your computer in order to continue the installation. Press Yes to restart now "
        L"or press No to abort the installation and manually restart later.");
    EXPECT_EQ(velmora::ui::LoadText(IDS_REBOOT_CAPTION), L"Confirmation");
}

TEST(Execution_ShutdownPrivilege, EnabledInTheProcessToken) {
    velmora::platform::UniqueKernelHandle token;
    ASSERT_TRUE(
        ::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put()));
    EXPECT_EQ(EnableShutdownPrivilege(token.get()), static_cast<DWORD>(ERROR_SUCCESS));
    LUID shutdown{};
    ASSERT_TRUE(::LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &shutdown));
    PRIVILEGE_SET query{};
    query.PrivilegeCount = 1;
    query.Control = PRIVILEGE_SET_ALL_NECESSARY;
    query.Privilege[0].Luid = shutdown;
    BOOL held = FALSE;
    ASSERT_TRUE(::PrivilegeCheck(token.get(), &query, &held));
    EXPECT_TRUE(held);
}

TEST(Execution_ShutdownPrivilege, AccountWithoutItIsNotAllAssigned) {
    velmora::platform::UniqueKernelHandle process;
    ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_ALL_ACCESS, process.put()));
    LUID_AND_ATTRIBUTES removed{};
    ASSERT_TRUE(::LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &removed.Luid));
    velmora::platform::UniqueKernelHandle restricted;
    ASSERT_TRUE(
        ::CreateRestrictedToken(process.get(), 0, 0, nullptr, 1, &removed, 0, nullptr, restricted.put()))
        << ::GetLastError();
    EXPECT_EQ(EnableShutdownPrivilege(restricted.get()), static_cast<DWORD>(ERROR_NOT_ALL_ASSIGNED));
}

TEST(Execution_ShutdownPrivilege, TokenWithoutAdjustRightsFails) {
    velmora::platform::UniqueKernelHandle token;
    ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put()));
    EXPECT_EQ(EnableShutdownPrivilege(token.get()), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}
