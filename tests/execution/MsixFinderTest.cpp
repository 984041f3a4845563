#include "execution/Msix.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include "FakeDeployment.h"

using namespace velmora::execution;
using velmora::test::EnumerationFault;
using velmora::test::FakeDeploymentRuntime;

namespace {

constexpr std::int32_t X86 = 0, X64 = 9, Neutral = 11, X86OnArm64 = 14;

// The current user's packages, in the order the system returns them.
std::vector<PackageIdentity> InstalledPackages() {
    return {
        {L"Contoso.Tools", L"CN=Contoso", Neutral, {1, 0, 0, 0}},
        {L"Contoso.App", L"CN=Contoso", Neutral, {2, 0, 0, 0}},
        {L"Contoso.App", L"CN=Contoso", X64, {14, 0, 30704, 0}},
        {L"Contoso.App", L"CN=Fabrikam", X86, {0, 0, 0, 0}},
        {L"Contoso.Emulated", L"CN=Contoso", X86OnArm64, {3, 1, 0, 0}},
    };
}

} // namespace

TEST(Execution_MsixFinder, ReturnsTheVersionOfTheFirstMatchingPackage) {
    const struct {
        const wchar_t* name;
        const wchar_t* publisher;
        const wchar_t* architecture;
        const wchar_t* version;
    } cases[] = {
        {L"Contoso.App", L"", L"", L"2.0"},
        {L"contoso.app", L"", L"", L""},
        {L"Contoso.App", L"", L"x64", L"14.0.30704"},
        {L"Contoso.App", L"CN=Contoso", L"x64", L"14.0.30704"},
        {L"Contoso.App", L"CN=Fabrikam", L"", L"0.0.0.0"},
        {L"Contoso.App", L"CN=Fabrikam", L"x64", L""},
        {L"Contoso.App", L"", L"x86", L"0.0.0.0"},
        {L"Contoso.App", L"", L"arm64", L""},
        {L"Contoso.Tools", L"", L"x64", L""},
        {L"Contoso.Tools", L"", L"neutral", L"1.0"},
        {L"Contoso.Emulated", L"", L"x86", L""},
        {L"Contoso.Emulated", L"", L"", L"3.1"},
        {L"Missing", L"", L"", L""},
    };
    FakeDeploymentRuntime runtime;
    runtime.packages = InstalledPackages();
    const MsixFinder finder(runtime);
    for (const auto& c : cases)
        EXPECT_EQ(finder.Find(c.name, c.publisher, c.architecture), c.version)
            << c.name << L" " << c.publisher << L" " << c.architecture;
}

TEST(Execution_MsixFinder, StopsAtTheFirstMatch) {
    FakeDeploymentRuntime runtime;
    runtime.packages = InstalledPackages();
    EXPECT_EQ(MsixFinder(runtime).Find(L"Contoso.App", L"", L""), L"2.0");
    EXPECT_EQ(runtime.record->packagesRead, 2);
}

TEST(Execution_MsixFinder, SearchesTheCurrentUserOnItsOwnThreadInTheMultithreadedApartment) {
    // The caller's own apartment does not matter: a single-threaded one here.
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    {
        FakeDeploymentRuntime runtime;
        runtime.packages = InstalledPackages();

        EXPECT_EQ(MsixFinder(runtime).Find(L"Contoso.Tools", L"", L""), L"1.0");

        EXPECT_EQ(runtime.record->userSecurityId, L"");
        EXPECT_NE(runtime.record->workThread, ::GetCurrentThreadId());
        EXPECT_EQ(runtime.record->workApartment, APTTYPE_MTA);
    }
    ::CoUninitialize();
}

TEST(Execution_MsixFinder, RuntimeFailuresFindNothing) {
    using Call = EnumerationFault::Call;
    const struct {
        HRESULT activation;
        HRESULT findPackages;
        EnumerationFault fault;
    } cases[] = {
        {REGDB_E_CLASSNOTREG, S_OK, {}},
        {S_OK, E_ACCESSDENIED, {}},
        {S_OK, S_OK, {Call::Current, 1, E_FAIL}},
        {S_OK, S_OK, {Call::MoveNext, 0, RPC_E_DISCONNECTED}},
        {S_OK, S_OK, {Call::Id, 1, E_OUTOFMEMORY}},
    };
    for (const auto& c : cases) {
        FakeDeploymentRuntime runtime;
        runtime.packages = InstalledPackages();
        runtime.activation = c.activation;
        runtime.findPackages = c.findPackages;
        runtime.fault = c.fault;
        EXPECT_EQ(MsixFinder(runtime).Find(L"Contoso.App", L"", L""), L"")
            << std::hex << c.activation << " " << c.findPackages << " " << static_cast<int>(c.fault.call);
    }
}

TEST(Execution_MsixFinder, EmptyListFindsNothing) {
    FakeDeploymentRuntime runtime;
    EXPECT_EQ(MsixFinder(runtime).Find(L"Contoso.App", L"", L""), L"");
    EXPECT_EQ(runtime.record->packagesRead, 0);
}

TEST(Execution_MsixFinder, SearchesInTheMultithreadedApartmentOnAThreadOfItsOwn) {
    FakeDeploymentRuntime runtime;
    runtime.packages = InstalledPackages();
    EXPECT_EQ(MsixFinder(runtime).Find(L"Contoso.Tools", L"", L""), L"1.0");
    EXPECT_NE(runtime.record->workThread, ::GetCurrentThreadId());
    EXPECT_EQ(runtime.record->workApartment, APTTYPE_MTA);
}
