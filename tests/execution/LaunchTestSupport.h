// What the launch and reboot tests share: the helper program and its record, the program's log read line by
// line, the test package's codes, and stand-ins for the restart and the evaluation's machine.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "config/pure/Configuration.h"
#include "detection/pure/Evaluation.h"
#include "execution/Reboot.h"

namespace velmora::test {

// tests/execution/msi/LaunchProduct.wxs.
inline constexpr wchar_t kLaunchProductCode[] = L"{7B2D4D63-9C1F-4F10-8F62-1D6C2A7B0001}";

// exit_with.exe beside the test program.
std::wstring ExitWithHelper();
// launch_product.msi beside the test program.
std::wstring LaunchProductPackage();

// The value of one "name=" line of exit_with's record; "<missing>" when there is none.
std::string RecordField(const std::wstring& record, const std::string& name);

// Windows Installer's state of the product (INSTALLSTATE_DEFAULT 5 when installed).
int ProductState(const wchar_t* productCode);
// msiexec.exe from the path with these arguments; its exit code, or the error of a refused start.
DWORD Msiexec(const std::wstring& arguments);

// The process-wide log, written to one file for the whole test program; each test reads what it added.
class LogTestBase : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // The messages logged since SetUp, without their time stamps.
    std::vector<std::wstring> NewLogMessages() const;
    bool Logged(const std::wstring& message) const;

private:
    std::size_t logStart_ = 0;
};

// Records each restart request and answers as told.
class FakeRestart : public execution::SystemRestart {
public:
    struct Request {
        UINT flags;
        DWORD reason;
    };
    std::vector<Request> requests;
    bool accept = true;

    bool RequestRestart(UINT flags, DWORD reason) override {
        requests.push_back({flags, reason});
        return accept;
    }
};

// The machine as the evaluation sees it: the named prerequisites are installed. Records every search.
class FakeMachine : public detection::EvaluationEnvironment {
public:
    std::set<std::wstring> installed;
    std::vector<std::wstring> searched;

    bool IsOsExcluded(std::wstring_view, std::wstring_view) override { return false; }
    bool IsLanguageAccepted(std::wstring_view) override { return true; }
    bool RunSearches(config::PrerequisiteRecord& prerequisite, bool) override {
        searched.push_back(prerequisite.Name);
        return installed.count(prerequisite.Name) > 0;
    }
    bool FilePresent(const std::wstring&, std::uint64_t) override { return false; }
    bool LogEnabled() override { return false; }
    void Log(std::wstring_view) override {}
};

} // namespace velmora::test
