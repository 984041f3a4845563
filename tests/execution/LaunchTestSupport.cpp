#include "LaunchTestSupport.h"

#include <msi.h>

#include "execution/ProcessStart.h"
#include "platform/FileSystem.h"
#include "platform/Logger.h"
#include "platform/TempFiles.h"
#include "support/TestSupport.h"

namespace velmora::test {

namespace {

std::wstring LogPath() {
    static const std::wstring path =
        platform::TempFolder() + L"launch_tests_" + std::to_wstring(::GetCurrentProcessId()) + L".log";
    return path;
}

std::size_t LogSize() {
    return ReadFileBytes(LogPath()).size();
}

} // namespace

std::wstring ExitWithHelper() {
    return TestBinaryFolder() + L"\\exit_with.exe";
}

std::wstring LaunchProductPackage() {
    return TestBinaryFolder() + L"\\launch_product.msi";
}

std::string RecordField(const std::wstring& record, const std::string& name) {
    const std::string text = ReadFileBytes(record);
    const std::string key = name + "=";
    std::size_t at = text.find(key);
    if (at == std::string::npos)
        return "<missing>";
    at += key.size();
    return text.substr(at, text.find('\n', at) - at);
}

int ProductState(const wchar_t* productCode) {
    return ::MsiQueryProductStateW(productCode);
}

DWORD Msiexec(const std::wstring& arguments) {
    DWORD exitCode = 0;
    (void)execution::RunProcessAndWait(L"", L"msiexec.exe " + arguments, NORMAL_PRIORITY_CLASS, &exitCode);
    return exitCode;
}

void LogTestBase::SetUp() {
    platform::TheLogger().SetLogFile(LogPath());
    platform::SetLogEnabled(true);
    // The first line opens the file and writes its header, which no test should count.
    if (!platform::TheLogger().IsOpen())
        platform::TheLogger().Log(L"Launch tests");
    logStart_ = LogSize();
}

void LogTestBase::TearDown() {
    platform::SetLogEnabled(false);
}

std::vector<std::wstring> LogTestBase::NewLogMessages() const {
    const std::string bytes = ReadFileBytes(LogPath()).substr(logStart_);
    std::wstring text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                     (static_cast<unsigned char>(bytes[i + 1]) << 8));
    std::vector<std::wstring> messages;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find(L"\r\n", start);
        const std::wstring line = text.substr(start, end - start);
        // "yyyy-mm-dd hh-mm-ss-" is 20 characters.
        messages.push_back(line.size() >= 20 ? line.substr(20) : line);
        if (end == std::wstring::npos)
            break;
        start = end + 2;
    }
    return messages;
}

bool LogTestBase::Logged(const std::wstring& message) const {
    for (const std::wstring& line : NewLogMessages())
        if (line == message)
            return true;
    return false;
}

} // namespace velmora::test
