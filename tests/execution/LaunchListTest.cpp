// Launching real programs and packages through the launch list: the helper exit_with.exe with chosen exit
// codes, a missing file, an .msi built with wixl opened through its shell association, and an MSIX package
// on a system without the deployment service. Exit codes land in the real registry under a private key.
#include "execution/LaunchList.h"

#include <gtest/gtest.h>

#include <msi.h>

#include <stdexcept>

#include "LaunchTestSupport.h"
#include "platform/ErrorText.h"
#include "platform/TextConversion.h"
#include "support/TestSupport.h"

using namespace velmora::execution;
using namespace velmora::test;
using velmora::config::InterbootStore;

namespace {

class NoDetection : public PrerequisiteDetection {
public:
    bool IsPrerequisiteDetected(std::size_t) override {
        ADD_FAILURE() << "a launch without reboot mode asked for detection";
        return false;
    }
};

class Execution_LaunchList : public LogTestBase {
protected:
    ScopedFolder folder;
    ScopedRegistryKey key;
    InterbootStore store{velmora::platform::ToAnsi(key.SubKey() + L"\\InterbootContext")};
    NoDetection detection;
    FakeRestart restart;
    LaunchList list{store, detection, restart};

    // Adds exit_with.exe ending with code, recording into record, with extra arguments after it.
    std::size_t AddHelper(const std::wstring& code, const std::wstring& record,
                          const std::wstring& extra = L"", const std::wstring& returnValueName = L"AppRet") {
        list.AddItem(ExitWithHelper(), code + L" \"" + record + L"\"" + extra, L"Helper " + code,
                     RebootMode::Never, 0, returnValueName);
        return list.Count() - 1;
    }

    std::string Recorded(const char* name) {
        std::string text;
        return store.Get(name, text) == InterbootStore::kOk ? text : "<none>";
    }
};

} // namespace

TEST_F(Execution_LaunchList, AddedItemsKeepTheirFieldsInOrder) {
    list.AddItem(L"C:\\k\\a.exe", L"/S", L"A", RebootMode::AfterSuccess, 3, L"ARet");
    list.AddItem(L"C:\\k\\b.msi", L"", L"B", RebootMode::WhenDetected, 7, L"");
    ASSERT_EQ(list.Count(), 2u);
    const LaunchItem& a = list.Item(0);
    EXPECT_EQ(a.filePath, L"C:\\k\\a.exe");
    EXPECT_EQ(a.commandLine, L"/S");
    EXPECT_EQ(a.name, L"A");
    EXPECT_EQ(a.rebootMode, RebootMode::AfterSuccess);
    EXPECT_EQ(a.exitCode, 0u);
    EXPECT_EQ(a.returnValueName, L"ARet");
    EXPECT_EQ(a.prerequisiteIndex, 3u);
    EXPECT_EQ(list.Item(1).prerequisiteIndex, 7u);
    EXPECT_FALSE(list.RebootRequired());
    EXPECT_FALSE(list.RebootRefused());
    EXPECT_EQ(list.LastLaunchError(), 0u);
    list.Clear();
    EXPECT_EQ(list.Count(), 0u);
}

TEST_F(Execution_LaunchList, IndexOutsideTheListIsAProgrammingFailure) {
    list.AddItem(L"C:\\k\\a.exe", L"", L"A", RebootMode::Never, 0, L"");
    EXPECT_THROW(list.Item(1), std::out_of_range);
    EXPECT_THROW(list.Launch(1), std::out_of_range);
    EXPECT_THROW(list.LaunchAndReboot(5, nullptr), std::out_of_range);
    EXPECT_TRUE(NewLogMessages().empty());
}

TEST_F(Execution_LaunchList, OnlyExitCodeZeroIsSuccessAndEveryCodeIsLoggedAndRecorded) {
    const struct {
        const wchar_t* code;
        std::uint32_t exitCode;
        const char* recorded;
        bool pauses;
    } cases[] = {
        {L"0", 0, "0", false},
        {L"1", 1, "1", false},
        {L"1641", 1641, "1641", false},
        {L"3010", 3010, "3010", true},
        {L"0xC0000005", 0xC0000005u, "-1073741819", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        SetUp();
        const std::string name = "Ret" + velmora::platform::ToAnsi(c.code);
        const std::size_t index =
            AddHelper(c.code, folder.Child(L"record.txt"), L"", std::wstring(name.begin(), name.end()));
        const DWORD before = ::GetTickCount();
        EXPECT_EQ(list.Launch(index), c.exitCode == 0);
        const DWORD elapsed = ::GetTickCount() - before;
        EXPECT_EQ(list.Item(index).exitCode, c.exitCode);
        EXPECT_EQ(Recorded(name.c_str()), c.recorded);
        EXPECT_EQ(NewLogMessages(), (std::vector<std::wstring>{L"Launching file:" + ExitWithHelper(),
                                                               L"Return code of launched file:" +
                                                                   std::to_wstring(c.exitCode)}));
        if (c.pauses)
            EXPECT_GE(elapsed, 1900u);
        else
            EXPECT_LT(elapsed, 1900u);
        // A child that ran and failed is no refused start.
        EXPECT_EQ(list.LastLaunchError(), 0u);
    }
}

TEST_F(Execution_LaunchList, ShellStartWaitsAndPassesTheCommandLineUnchanged) {
    const std::wstring record = folder.Child(L"record.txt");
    const std::size_t index = AddHelper(L"0", record, L" 300 extra  \"quoted arg\"");
    ASSERT_TRUE(list.Launch(index));
    EXPECT_NE(RecordField(record, "cmdline")
                  .find("0 \"" + velmora::platform::ToAnsi(record) + "\" 300 extra  \"quoted arg\""),
              std::string::npos)
        << RecordField(record, "cmdline");
    // The file's own folder is the working folder.
    EXPECT_EQ(RecordField(record, "cwd"), velmora::platform::ToAnsi(TestBinaryFolder()));
}

TEST_F(Execution_LaunchList, QuietSwitchesHideTheChildsWindow) {
    const struct {
        const wchar_t* extra;
        const char* show;
    } cases[] = {
        {L" /quiet", "0"}, {L" -q", "0"}, {L" --qn", "0"}, {L" C:/qt/setup.exe", "0"},
        {L" /QUIET", "1"}, {L"", "1"},    {L" /Q", "1"},
    };
    for (const auto& c : cases) {
        const std::wstring record = folder.Child(L"show.txt");
        ::DeleteFileW(record.c_str());
        ASSERT_TRUE(list.Launch(AddHelper(L"0", record, c.extra))) << c.extra;
        EXPECT_EQ(RecordField(record, "show"), c.show) << c.extra;
    }
}

TEST_F(Execution_LaunchList, LongPrefixedPathStartsThroughTheShell) {
    const std::wstring record = folder.Child(L"record.txt");
    list.AddItem(L"\\\\?\\" + ExitWithHelper(), L"4 \"" + record + L"\"", L"Helper", RebootMode::Never, 0,
                 L"AppRet");
    EXPECT_FALSE(list.Launch(0));
    EXPECT_EQ(list.Item(0).exitCode, 4u);
    EXPECT_EQ(RecordField(record, "show"), "1");
    EXPECT_EQ(NewLogMessages().front(), L"Launching file:\\\\?\\" + ExitWithHelper());
}

TEST_F(Execution_LaunchList, MissingFileIsARefusedStartWithItsSystemText) {
    const std::wstring missing = folder.Child(L"missing.exe");
    list.AddItem(missing, L"/S", L"Missing", RebootMode::Never, 0, L"MissingRet");
    EXPECT_FALSE(list.Launch(0));
    EXPECT_EQ(list.Item(0).exitCode, static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(list.LastLaunchError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(Recorded("MissingRet"), "2");
    const std::wstring text = velmora::platform::SystemErrorText(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(NewLogMessages(),
              (std::vector<std::wstring>{L"Launching file:" + missing, L"Launch failed. Error:" + text,
                                         L"Return code of launched file:2"}));
}

TEST_F(Execution_LaunchList, TargetThatIsNoFileIsRefusedBeforeTheShellIsAsked) {
    // Given to the shell, a folder would open in a window of its own and never end.
    const std::wstring kit = folder.Child(L"kit");
    ASSERT_TRUE(::CreateDirectoryW(kit.c_str(), nullptr));
    const struct {
        std::wstring path;
        DWORD error;
    } cases[] = {
        {kit, ERROR_FILE_NOT_FOUND},
        {kit + L"\\", ERROR_FILE_NOT_FOUND},
        {kit + std::wstring(1, L'\0') + L"setup.exe", ERROR_INVALID_NAME},
        {L"", ERROR_FILE_NOT_FOUND},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.path));
        SetUp();
        list.Clear();
        list.AddItem(c.path, L"/S", L"NoFile", RebootMode::Never, 0, L"");
        EXPECT_FALSE(list.Launch(0));
        EXPECT_EQ(list.Item(0).exitCode, c.error);
        EXPECT_EQ(list.LastLaunchError(), c.error);
        const std::vector<std::wstring> log = NewLogMessages();
        ASSERT_EQ(log.size(), 3u);
        EXPECT_EQ(log[1], L"Launch failed. Error:" + velmora::platform::SystemErrorText(c.error));
        EXPECT_EQ(log[2], L"Return code of launched file:" + std::to_wstring(c.error));
    }
}

TEST_F(Execution_LaunchList, LastLaunchErrorStaysFromTheLastRefusedStart) {
    list.AddItem(folder.Child(L"missing.exe"), L"", L"Missing", RebootMode::Never, 0, L"");
    AddHelper(L"5", folder.Child(L"record.txt"));
    EXPECT_FALSE(list.Launch(0));
    EXPECT_FALSE(list.Launch(1));
    EXPECT_EQ(list.LastLaunchError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(Execution_LaunchList, FirstRecordedExitCodeUnderANameStays) {
    // An earlier run, before a reboot, recorded 3010 under the name already.
    store.SetInt("Earlier", 3010);
    AddHelper(L"0", folder.Child(L"a.txt"), L"", L"Earlier");
    AddHelper(L"7", folder.Child(L"b.txt"), L"", L"Shared");
    AddHelper(L"0", folder.Child(L"c.txt"), L"", L"Shared");
    EXPECT_TRUE(list.Launch(0));
    EXPECT_FALSE(list.Launch(1));
    EXPECT_TRUE(list.Launch(2));
    EXPECT_EQ(Recorded("Earlier"), "3010");
    EXPECT_EQ(Recorded("Shared"), "7");
}

TEST_F(Execution_LaunchList, ItemsWithoutReturnValueNameRecordNothing) {
    AddHelper(L"9", folder.Child(L"record.txt"), L"", L"");
    EXPECT_FALSE(list.Launch(0));
    EXPECT_TRUE(store.Values().empty());
    EXPECT_EQ(Recorded(""), "<none>");
}

TEST_F(Execution_LaunchList, NonAsciiReturnValueNameIsRecordedInTheAnsiCodePage) {
    AddHelper(L"6", folder.Child(L"record.txt"), L"", L"App\u00e9Ret");
    EXPECT_FALSE(list.Launch(0));
    const auto values = store.Values();
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(velmora::platform::FromAnsi(values[0].first), L"App\u00e9Ret");
    EXPECT_EQ(values[0].second, "6");
}

TEST_F(Execution_LaunchList, MsixPackageGoesToTheDeploymentServiceAndFailsWithoutIt) {
    for (const wchar_t* name : {L"setup.MSIX", L"setup.msixbundle", L"setup.appx"}) {
        SetUp();
        const std::wstring path = folder.Child(name);
        WriteFileBytes(path, "not a package");
        list.Clear();
        list.AddItem(path, L"/quiet", name, RebootMode::Never, 0, L"");
        EXPECT_FALSE(list.Launch(0)) << name;
        EXPECT_EQ(list.Item(0).exitCode, static_cast<std::uint32_t>(ERROR_FUNCTION_FAILED)) << name;
        // The deployment was started and failed: no refused start.
        EXPECT_EQ(list.LastLaunchError(), 0u);
        const std::vector<std::wstring> log = NewLogMessages();
        ASSERT_GE(log.size(), 3u) << name;
        EXPECT_EQ(log.front(), L"Launching file:" + path);
        EXPECT_EQ(log.back(), L"Return code of launched file:1627");
        for (const std::wstring& line : log)
            EXPECT_EQ(line.find(L"Launch failed."), std::wstring::npos) << name;
    }
}

TEST_F(Execution_LaunchList, AppxBundleIsOpenedThroughTheShell) {
    const std::wstring path = folder.Child(L"setup.appxbundle");
    WriteFileBytes(path, "no program opens this");
    list.AddItem(path, L"", L"Bundle", RebootMode::Never, 0, L"BundleRet");
    EXPECT_FALSE(list.Launch(0));
    const std::uint32_t code = list.Item(0).exitCode;
    EXPECT_NE(code, static_cast<std::uint32_t>(ERROR_FUNCTION_FAILED));
    EXPECT_EQ(list.LastLaunchError(), code);
    const std::vector<std::wstring> log = NewLogMessages();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[1].rfind(L"Launch failed. Error:", 0), 0u) << log[1];
}

// The product is installed and removed again; the suite holds the prefix's installer for itself.
class Execution_LaunchListPackage : public Execution_LaunchList {
protected:
    void TearDown() override {
        (void)Msiexec(std::wstring(L"/x ") + kLaunchProductCode + L" /qn");
        Execution_LaunchList::TearDown();
    }
};

TEST_F(Execution_LaunchListPackage, WindowsInstallerPackageInstallsThroughItsShellAssociation) {
    ASSERT_NE(ProductState(kLaunchProductCode), INSTALLSTATE_DEFAULT);
    list.AddItem(LaunchProductPackage(), L"/qn", L"Product", RebootMode::Never, 0, L"ProductRet");
    EXPECT_TRUE(list.Launch(0));
    EXPECT_EQ(list.Item(0).exitCode, 0u);
    EXPECT_EQ(ProductState(kLaunchProductCode), INSTALLSTATE_DEFAULT);
    EXPECT_EQ(Recorded("ProductRet"), "0");
    EXPECT_EQ(NewLogMessages(), (std::vector<std::wstring>{L"Launching file:" + LaunchProductPackage(),
                                                           L"Return code of launched file:0"}));
}

TEST_F(Execution_LaunchListPackage, BrokenPackageEndsWithTheInstallersExitCode) {
    const std::wstring broken = folder.Child(L"broken.msi");
    WriteFileBytes(broken, "this is no installer database");
    list.AddItem(broken, L"/qn", L"Broken", RebootMode::Never, 0, L"BrokenRet");
    EXPECT_FALSE(list.Launch(0));
    const std::uint32_t code = list.Item(0).exitCode;
    EXPECT_NE(code, 0u);
    // msiexec ran and failed: its code is recorded, and it is no refused start.
    EXPECT_EQ(list.LastLaunchError(), 0u);
    EXPECT_EQ(Recorded("BrokenRet"), std::to_string(code));
}
