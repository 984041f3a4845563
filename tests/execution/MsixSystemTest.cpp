// The real Windows Runtime path. Wine's combase.dll loads but registers neither PackageManager nor Uri, so
// these prove that a system without the deployment service fails an installation and finds nothing,
// without crashing or hanging.
#include "execution/Msix.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include "execution/WinRtDeployment.h"

using namespace velmora::execution;

TEST(Execution_SystemDeploymentRuntime, ReportsUnavailableClassesAsFailures) {
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    {
        velmora::platform::UniqueCom<runtime::IPackageManager> manager;
        EXPECT_TRUE(FAILED(SystemDeploymentRuntime().CreatePackageManager(manager)));
        EXPECT_FALSE(manager);
        velmora::platform::UniqueCom<runtime::IUriRuntimeClass> uri;
        EXPECT_TRUE(FAILED(SystemDeploymentRuntime().CreateUri(L"C:\\p\\a.msix", uri)));
        EXPECT_FALSE(uri);
    }
    ::CoUninitialize();
}

TEST(Execution_SystemMsixInstaller, FailsWhenTheDeploymentServiceIsMissing) {
    EXPECT_EQ(InstallPackageOnOwnThread(L"C:\\nowhere\\setup.msix"),
              static_cast<DWORD>(ERROR_FUNCTION_FAILED));
}

TEST(Execution_SystemMsixInstaller, KeepsFieldsUnreadWhenActivationFails) {
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    MsixInstaller installer;
    EXPECT_FALSE(installer.InstallPackage(L"C:\\nowhere\\setup.msixbundle"));
    EXPECT_FALSE(installer.Status().has_value());
    EXPECT_EQ(installer.ExtendedErrorCode(), -1);
    ::CoUninitialize();
}

TEST(Execution_SystemMsixFinder, FindsNothingWhenTheDeploymentServiceIsMissing) {
    EXPECT_EQ(MsixFinder().Find(L"Microsoft.VCLibs.140.00", L"", L""), L"");
    EXPECT_EQ(MsixFinder().Find(L"Microsoft.VCLibs.140.00", L"CN=Microsoft", L"x64"), L"");
}
