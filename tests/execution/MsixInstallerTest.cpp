#include "execution/Msix.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <mutex>
#include <stdexcept>
#include <vector>

#include "FakeDeployment.h"
#include "platform/core/ExceptionPresenter.h"

using namespace velmora::execution;
using velmora::test::FakeDeploymentRuntime;

namespace {

// InstallPackage expects its caller to have joined the multithreaded apartment.
class Execution_MsixInstaller : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED))); }
    void TearDown() override { ::CoUninitialize(); }
};

constexpr HRESULT DeploymentFailedCode = static_cast<HRESULT>(0x80073CF3);
// A second Completed handler; MinGW's headers have no name for it.
constexpr HRESULT IllegalDelegateAssignment = static_cast<HRESULT>(0x80000018);

} // namespace

TEST_F(Execution_MsixInstaller, CompletedDeploymentSucceedsForEveryPackageKind) {
    for (const wchar_t* path : {L"C:\\p\\app.msix", L"C:\\p\\app.msixbundle", L"C:\\p\\app.appx"}) {
        FakeDeploymentRuntime runtime;
        runtime.deployment.registered = true;
        MsixInstaller installer(runtime);

        EXPECT_TRUE(installer.InstallPackage(path)) << path;

        EXPECT_EQ(runtime.record->addCalls, 1);
        EXPECT_EQ(runtime.record->uriText, path);
        EXPECT_FALSE(runtime.record->dependenciesPassed);
        EXPECT_EQ(runtime.record->options, 0u);
        EXPECT_EQ(installer.Status(), std::optional<int>(1));
        EXPECT_EQ(installer.ActivityId(), runtime.deployment.activityId);
        EXPECT_EQ(installer.ErrorText(), L"");
        EXPECT_EQ(installer.ExtendedErrorCode(), S_OK);
        EXPECT_TRUE(installer.Registered());
    }
}

TEST_F(Execution_MsixInstaller, CanceledOrFailedDeploymentFailsAndKeepsTheResult) {
    const struct {
        AsyncStatus status;
        const wchar_t* errorText;
        HRESULT extended;
    } cases[] = {
        {Canceled, L"", static_cast<HRESULT>(0x80073CFA)},
        {Error, L"Deployment failed: the package is not signed.", DeploymentFailedCode},
    };
    for (const auto& c : cases) {
        FakeDeploymentRuntime runtime;
        runtime.deployment.finalStatus = c.status;
        runtime.deployment.errorText = c.errorText;
        runtime.deployment.extendedErrorCode = c.extended;
        runtime.deployment.registered = false;
        MsixInstaller installer(runtime);

        EXPECT_FALSE(installer.InstallPackage(L"C:\\p\\app.msix"));

        EXPECT_EQ(installer.Status(), std::optional<int>(static_cast<int>(c.status)));
        EXPECT_EQ(installer.ErrorText(), c.errorText);
        EXPECT_EQ(installer.ExtendedErrorCode(), c.extended);
        EXPECT_FALSE(installer.Registered());
    }
}

TEST_F(Execution_MsixInstaller, WaitsForAnEndReportedOnAnotherThreadAndForwardsProgress) {
    FakeDeploymentRuntime runtime;
    runtime.deployment.endOnOwnThread = true;
    runtime.deployment.delayMilliseconds = 100;
    runtime.deployment.progress = {10, 55, 100};
    std::mutex lock;
    std::vector<unsigned> seen;
    DWORD callbackThread = 0;
    MsixInstaller installer(runtime);
    installer.SetProgressCallback([&](unsigned percentage) {
        std::lock_guard<std::mutex> guard(lock);
        seen.push_back(percentage);
        callbackThread = ::GetCurrentThreadId();
    });

    EXPECT_TRUE(installer.InstallPackage(L"C:\\p\\app.msix"));

    EXPECT_EQ(installer.Status(), std::optional<int>(1));
    std::lock_guard<std::mutex> guard(lock);
    EXPECT_EQ(seen, (std::vector<unsigned>{10, 55, 100}));
    EXPECT_NE(callbackThread, ::GetCurrentThreadId());
}

TEST_F(Execution_MsixInstaller, ProgressWithoutCallbackIsIgnored) {
    FakeDeploymentRuntime runtime;
    runtime.deployment.endOnOwnThread = true;
    runtime.deployment.progress = {50};
    MsixInstaller installer(runtime);
    EXPECT_TRUE(installer.InstallPackage(L"C:\\p\\app.msix"));
}

TEST_F(Execution_MsixInstaller, FailingProgressCallbackIsReportedWithoutStoppingTheDeployment) {
    struct Console : velmora::platform::core::ConsoleSink {
        void Write(std::wstring_view text) override {
            std::lock_guard<std::mutex> guard(lock);
            written += text;
        }
        std::mutex lock;
        std::wstring written;
    } console;
    velmora::platform::core::CrashReporting reporting;
    reporting.console = &console;
    FakeDeploymentRuntime runtime;
    runtime.deployment.endOnOwnThread = true;
    runtime.deployment.progress = {20};
    MsixInstaller installer(runtime, reporting);
    installer.SetProgressCallback([](unsigned) { throw std::runtime_error("progress sink broke"); });

    EXPECT_TRUE(installer.InstallPackage(L"C:\\p\\app.msix"));

    std::lock_guard<std::mutex> guard(console.lock);
    EXPECT_NE(console.written.find(L"progress sink broke"), std::wstring::npos) << console.written;
}

TEST_F(Execution_MsixInstaller, RuntimeFailuresBeforeTheEndFailTheInstallation) {
    enum class Step { Activation, Uri, AddPackage, Completed };
    const struct {
        Step step;
        HRESULT code;
        int addCalls;
    } cases[] = {
        {Step::Activation, REGDB_E_CLASSNOTREG, 0},
        {Step::Uri, E_INVALIDARG, 0},
        {Step::AddPackage, E_ACCESSDENIED, 1},
        {Step::Completed, IllegalDelegateAssignment, 1},
    };
    for (const auto& c : cases) {
        FakeDeploymentRuntime runtime;
        (c.step == Step::Activation   ? runtime.activation
         : c.step == Step::Uri        ? runtime.uriCreation
         : c.step == Step::AddPackage ? runtime.addPackage
                                      : runtime.deployment.putCompleted) = c.code;
        MsixInstaller installer(runtime);

        EXPECT_FALSE(installer.InstallPackage(L"C:\\p\\app.msix")) << static_cast<int>(c.step);

        EXPECT_EQ(runtime.record->addCalls, c.addCalls);
        EXPECT_FALSE(installer.Status().has_value());
        EXPECT_EQ(installer.ExtendedErrorCode(), -1);
        EXPECT_EQ(installer.ErrorText(), L"");
    }
}

TEST_F(Execution_MsixInstaller, UnreadableResultIsNoSuccess) {
    FakeDeploymentRuntime runtime;
    runtime.deployment.getResults = E_FAIL;
    MsixInstaller installer(runtime);

    EXPECT_FALSE(installer.InstallPackage(L"C:\\p\\app.msix"));

    EXPECT_EQ(installer.Status(), std::optional<int>(1));
    EXPECT_EQ(installer.ExtendedErrorCode(), -1);
}

TEST_F(Execution_MsixInstaller, ResultWithoutSecondInterfaceCountsAsNotRegistered) {
    FakeDeploymentRuntime runtime;
    runtime.deployment.hasSecondResultInterface = false;
    runtime.deployment.registered = true;
    MsixInstaller installer(runtime);

    EXPECT_TRUE(installer.InstallPackage(L"C:\\p\\app.msix"));

    EXPECT_FALSE(installer.Registered());
    EXPECT_EQ(installer.ActivityId(), runtime.deployment.activityId);
}

TEST(Execution_InstallPackageOnOwnThread, DeploysInTheMultithreadedApartmentAndReturnsAnExitCode) {
    const struct {
        HRESULT activation;
        AsyncStatus status;
        DWORD exitCode;
    } cases[] = {
        {S_OK, Completed, 0},
        {S_OK, Error, ERROR_FUNCTION_FAILED},
        {S_OK, Canceled, ERROR_FUNCTION_FAILED},
        {REGDB_E_CLASSNOTREG, Completed, ERROR_FUNCTION_FAILED},
    };
    for (const auto& c : cases) {
        FakeDeploymentRuntime runtime;
        runtime.activation = c.activation;
        runtime.deployment.finalStatus = c.status;
        runtime.deployment.endOnOwnThread = true;

        EXPECT_EQ(InstallPackageOnOwnThread(L"C:\\p\\app.msix", runtime), c.exitCode);

        if (SUCCEEDED(c.activation)) {
            EXPECT_NE(runtime.record->workThread, ::GetCurrentThreadId());
            EXPECT_EQ(runtime.record->workApartment, APTTYPE_MTA);
        }
    }
}
