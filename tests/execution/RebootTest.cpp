// Reboot handling around real launches of the helper program: the reboot modes, the question in basic UI
// answered through its real message box, the shutdown privilege of real tokens, and the restart request
// itself, which goes to a stand-in (under Wine ExitWindowsEx would end the prefix's session).
#include "execution/LaunchList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "LaunchTestSupport.h"
#include "platform/TextConversion.h"
#include "platform/UniqueHandle.h"
#include "support/TestSupport.h"
#include "support/WindowDriver.h"
#include "ui/WindowTools.h"
#include "ui/resources/ResourceIds.h"

using namespace velmora::execution;
using namespace velmora::test;
using velmora::core::InterbootStore;
using velmora::core::PrerequisiteRecord;
using velmora::detection::PrerequisiteEvaluator;

namespace {

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
    velmora::core::Configuration configuration;
    FakeMachine machine;
    PrerequisiteEvaluator evaluator{configuration, machine};
    EvaluatorDetection detection{evaluator};
    FakeRestart restart;
    LaunchList list{store, detection, restart};

    // exit_with.exe ending with code, for the second prerequisite.
    std::size_t AddHelper(const wchar_t* code, std::int32_t rebootMode) {
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

} // namespace

TEST_F(Execution_LaunchAndReboot, SuccessInModeOneRestartsSilentlyWithoutQuestion) {
    const std::size_t index = AddHelper(L"0", kRebootAfterSuccess);
    EXPECT_EQ(list.LaunchAndReboot(index, true), kRebootCalledFor);
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
        std::int32_t mode;
    } cases[] = {
        {L"3010", kRebootAfterSuccess},
        {L"1641", kRebootAfterSuccess},
        {L"1", kRebootWhenDetected},
        {L"2", kRebootNever},
    };
    machine.installed = {L"Second"};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        LogTestBase::SetUp();
        EXPECT_EQ(list.LaunchAndReboot(AddHelper(c.code, c.mode), true), kLaunchFailed);
        EXPECT_FALSE(list.RebootRequired());
        EXPECT_FALSE(list.RebootRefused());
        EXPECT_TRUE(restart.requests.empty());
        EXPECT_FALSE(Logged(L"Rebooting machine..."));
    }
    EXPECT_TRUE(machine.searched.empty());
}

TEST_F(Execution_LaunchAndReboot, ModeZeroIsDoneAfterSuccessWithoutAskingAnything) {
    machine.installed = {L"Second"};
    EXPECT_EQ(list.LaunchAndReboot(AddHelper(L"0", kRebootNever), false), kLaunchDone);
    EXPECT_FALSE(list.RebootRequired());
    EXPECT_TRUE(restart.requests.empty());
    EXPECT_TRUE(machine.searched.empty());
}

TEST_F(Execution_LaunchAndReboot, ModeTwoRestartsOnlyWhenTheLaunchedPrerequisiteIsNowFound) {
    // Only the first prerequisite is found: the second, launched, is not.
    machine.installed = {L"First"};
    EXPECT_EQ(list.LaunchAndReboot(AddHelper(L"0", kRebootWhenDetected), true), kLaunchDone);
    EXPECT_EQ(machine.searched, (std::vector<std::wstring>{L"Second"}));
    EXPECT_FALSE(list.RebootRequired());
    EXPECT_TRUE(restart.requests.empty());
    EXPECT_FALSE(Logged(L"Rebooting machine..."));

    machine.installed = {L"Second"};
    EXPECT_EQ(list.LaunchAndReboot(AddHelper(L"0", kRebootWhenDetected), true), kRebootCalledFor);
    EXPECT_EQ(configuration.Prerequisites[1].state, velmora::detection::kStateFound);
    EXPECT_TRUE(list.RebootRequired());
    EXPECT_TRUE(RestartRequestedOnceAsPlanned());
    EXPECT_TRUE(Logged(L"Rebooting machine..."));
}

TEST_F(Execution_LaunchAndReboot, RestartTheSystemRefusesStillCountsAsCalledFor) {
    restart.accept = false;
    EXPECT_EQ(list.LaunchAndReboot(AddHelper(L"0", kRebootAfterSuccess), true), kRebootCalledFor);
    EXPECT_TRUE(list.RebootRequired());
    EXPECT_FALSE(list.RebootRefused());
    EXPECT_EQ(restart.requests.size(), 1u);
}

TEST_F(Execution_LaunchAndReboot, AnswerNoInBasicUiRefusesAndRestartsNothing) {
    QuestionAnswerer answerer(IDNO);
    EXPECT_EQ(list.LaunchAndReboot(AddHelper(L"0", kRebootAfterSuccess), false), kRebootCalledFor);
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
    EXPECT_EQ(list.LaunchAndReboot(AddHelper(L"0", kRebootAfterSuccess), false), kRebootCalledFor);
    answerer.Join();
    EXPECT_TRUE(answerer.Answered());
    EXPECT_TRUE(list.RebootRequired());
    EXPECT_FALSE(list.RebootRefused());
    EXPECT_TRUE(RestartRequestedOnceAsPlanned());
}

TEST_F(Execution_LaunchAndReboot, RestartWindowsReportsWhetherTheSystemAccepted) {
    EXPECT_TRUE(list.RestartWindows(true));
    restart.accept = false;
    EXPECT_FALSE(list.RestartWindows(true));
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
