// The failure lines that package deployment and search write to the program's log.
#include "execution/Msix.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include "FakeDeployment.h"
#include "platform/FileSystem.h"
#include "platform/Logger.h"
#include "platform/TempFiles.h"
#include "support/TestSupport.h"

using namespace velmora::execution;
using velmora::test::FakeDeploymentRuntime;

namespace {

// The process-wide log opens one file for the life of the process, so every test here shares it and looks
// only at the lines it added.
class Execution_MsixLog : public ::testing::Test {
protected:
    static std::wstring LogPath() {
        static const std::wstring path = velmora::platform::TempFolder() + L"msix_tests_" +
                                         std::to_wstring(::GetCurrentProcessId()) + L".log";
        return path;
    }

    void SetUp() override {
        velmora::platform::TheLogger().SetLogFile(LogPath());
        velmora::platform::SetLogEnabled(true);
        // The first line opens the file and writes its header, which no test should count.
        if (!velmora::platform::TheLogger().IsOpen())
            velmora::platform::TheLogger().Log(L"Package deployment log tests");
        ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
        before_ = Text().size();
    }
    void TearDown() override {
        ::CoUninitialize();
        velmora::platform::SetLogEnabled(false);
    }

    // "2026-12-07 00-13-48-" in front of every line.
    static constexpr std::size_t TimeStampLength = 20;

    // What this test wrote, time stamps left out.
    std::vector<std::wstring> NewLines() const {
        std::wstring text = Text().substr(before_);
        std::vector<std::wstring> lines;
        for (std::size_t start = 0; start < text.size();) {
            std::size_t end = text.find(L"\r\n", start);
            std::wstring line = text.substr(start, end - start);
            lines.push_back(line.size() > TimeStampLength ? line.substr(TimeStampLength) : line);
            start = end == std::wstring::npos ? text.size() : end + 2;
        }
        return lines;
    }

private:
    static std::wstring Text() {
        std::string bytes = velmora::test::ReadFileBytes(LogPath());
        std::wstring text;
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
            text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                                (static_cast<unsigned char>(bytes[i + 1]) << 8)));
        return text;
    }

    std::size_t before_ = 0;
};

bool StartsWith(const std::wstring& text, std::wstring_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

TEST_F(Execution_MsixLog, ActivationFailureNamesTheStepAndTheHresult) {
    FakeDeploymentRuntime runtime;
    runtime.activation = REGDB_E_CLASSNOTREG;
    EXPECT_FALSE(MsixInstaller(runtime).InstallPackage(L"C:\\p\\app.msix"));

    auto lines = NewLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(
        StartsWith(lines[0], L"Package deployment could not be started (PackageManager). Error: 0x80040154"))
        << lines[0];
}

TEST_F(Execution_MsixLog, FailedDeploymentLogsStatusCodeAndErrorText) {
    FakeDeploymentRuntime runtime;
    runtime.deployment.finalStatus = Error;
    runtime.deployment.extendedErrorCode = static_cast<HRESULT>(0x80073CF3);
    runtime.deployment.errorText = L"Package failed updates, dependency or conflict validation.";
    EXPECT_FALSE(MsixInstaller(runtime).InstallPackage(L"C:\\p\\app.msix"));

    EXPECT_EQ(NewLines(),
              (std::vector<std::wstring>{
                  L"Package deployment ended with status 3. Error: 0x80073CF3 Package failed updates, "
                  L"dependency or conflict validation."}));
}

TEST_F(Execution_MsixLog, CompletedDeploymentAndMatchingSearchLogNothing) {
    FakeDeploymentRuntime runtime;
    runtime.packages = {{L"Contoso.App", L"CN=Contoso", 11, {1, 0, 0, 0}}};
    EXPECT_TRUE(MsixInstaller(runtime).InstallPackage(L"C:\\p\\app.msix"));
    EXPECT_EQ(MsixFinder(runtime).Find(L"Contoso.App", L"", L""), L"1.0");
    EXPECT_EQ(MsixFinder(runtime).Find(L"Missing", L"", L""), L"");

    EXPECT_TRUE(NewLines().empty());
}

TEST_F(Execution_MsixLog, FailedSearchNamesTheStepAndTheHresult) {
    FakeDeploymentRuntime runtime;
    runtime.findPackages = E_ACCESSDENIED;
    EXPECT_EQ(MsixFinder(runtime).Find(L"Contoso.App", L"", L""), L"");

    auto lines = NewLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(
        StartsWith(lines[0], L"Package search failed (FindPackagesByUserSecurityId). Error: 0x80070005"))
        << lines[0];
}
