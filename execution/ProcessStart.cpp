#include "execution/ProcessStart.h"

#include <shellapi.h>

#include <string>
#include <vector>

#include "execution/pure/ProcessStartRules.h"
#include "platform/MainThreadCom.h"
#include "platform/SystemLibrary.h"
#include "platform/UniqueHandle.h"
#include "platform/pure/PathRules.h"

namespace velmora::execution {

namespace {

// A refused start must never read as exit code 0, which callers take for success.
DWORD StartError() {
    DWORD error = ::GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE;
}

// An exit code that cannot be read is no success either: the caller gets the error in its place.
bool WaitAndTakeExitCode(HANDLE process, DWORD* exitCode) {
    DWORD code = 0;
    const DWORD error = WaitForProcessExit(process, code);
    if (exitCode != nullptr)
        *exitCode = error == ERROR_SUCCESS ? code : error;
    return error == ERROR_SUCCESS;
}

std::wstring WindowsFolder() {
    wchar_t buffer[MAX_PATH] = {};
    UINT length = ::GetWindowsDirectoryW(buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(buffer, length) : std::wstring();
}

// Lets the started process put its windows in front of ours. GetProcessId is looked up at run time:
// Windows XP before SP1 does not have it.
void AllowForeground(HANDLE process) {
    DWORD(WINAPI * getProcessId)(HANDLE) = nullptr;
    platform::FindFunction(::GetModuleHandleW(L"Kernel32.dll"), "GetProcessId", getProcessId);
    if (getProcessId != nullptr)
        ::AllowSetForegroundWindow(getProcessId(process));
}

} // namespace

DWORD WaitForProcessExit(HANDLE process, DWORD& exitCode) {
    if (::WaitForSingleObject(process, INFINITE) == WAIT_FAILED || !::GetExitCodeProcess(process, &exitCode))
        return StartError();
    return ERROR_SUCCESS;
}

bool RunProcessAndWait(std::wstring_view application, std::wstring_view commandLine, DWORD creationFlags,
                       DWORD* exitCode) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION created{};

    const std::wstring app(application);
    // CreateProcessW may write into the command line, so it gets a buffer of its own.
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');

    if (!::CreateProcessW(app.empty() ? nullptr : app.c_str(), commandLine.empty() ? nullptr : line.data(),
                          nullptr, nullptr, FALSE, creationFlags, nullptr, nullptr, &startup, &created)) {
        if (exitCode != nullptr)
            *exitCode = StartError();
        return false;
    }
    platform::UniqueProcessInformation process;
    process.Adopt(created);
    return WaitAndTakeExitCode(process.process.get(), exitCode);
}

bool ShellExecuteAndWait(std::wstring_view file, std::wstring_view parameters,
                         std::wstring_view workingFolder, bool hidden, DWORD* exitCode, bool* processWaited) {
    if (processWaited != nullptr)
        *processWaited = false;
    const std::wstring target = platform::StripLongPrefix(file);
    const std::wstring arguments(parameters);
    const std::wstring folder = ShellWorkingFolder(file, workingFolder);

    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = target.c_str();
    info.lpParameters = arguments.empty() ? nullptr : arguments.c_str();
    info.lpDirectory = folder.c_str();
    info.nShow = hidden ? SW_HIDE : SW_SHOWNORMAL;
    platform::EnsureMainThreadCom();
    if (!::ShellExecuteExW(&info)) {
        if (exitCode != nullptr)
            *exitCode = StartError();
        return false;
    }
    platform::UniqueKernelHandle process(info.hProcess);
    if (!process)
        return true;
    if (processWaited != nullptr)
        *processWaited = true;
    return WaitAndTakeExitCode(process.get(), exitCode);
}

bool ShellExecuteDetached(std::wstring_view file, std::wstring_view parameters,
                          std::wstring_view workingFolder, bool elevate) {
    std::wstring target(file);
    std::wstring arguments(parameters);
    if (elevate && IsBatchScript(file)) {
        ElevatedScriptStart start = ElevatedScriptCommand(WindowsFolder(), file, parameters);
        target = std::move(start.file);
        arguments = std::move(start.parameters);
    }
    const std::wstring folder(workingFolder);

    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.hwnd = elevate ? ::GetForegroundWindow() : nullptr;
    info.lpVerb = elevate ? L"runas" : L"open";
    info.lpFile = target.c_str();
    info.lpParameters = arguments.empty() ? nullptr : arguments.c_str();
    info.lpDirectory = folder.empty() ? nullptr : folder.c_str();
    info.nShow = SW_HIDE;
    platform::EnsureMainThreadCom();
    bool started = ::ShellExecuteExW(&info) == TRUE;
    if (!started) {
        const auto reason = reinterpret_cast<INT_PTR>(info.hInstApp);
        if (reason == SE_ERR_NOASSOC || reason == SE_ERR_ASSOCINCOMPLETE) {
            // Without the no-UI flag and with the default verb the shell offers its choice of program.
            info.fMask &= ~static_cast<ULONG>(SEE_MASK_FLAG_NO_UI);
            info.lpVerb = nullptr;
            info.hProcess = nullptr;
            started = ::ShellExecuteExW(&info) == TRUE;
        }
    }
    platform::UniqueKernelHandle process(started ? info.hProcess : nullptr);
    if (process)
        AllowForeground(process.get());
    return started;
}

bool IsLocalSystemAccount() {
    platform::UniqueKernelHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put()))
        return false;
    DWORD size = 0;
    if (::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size) ||
        ::GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0)
        return false;
    std::vector<unsigned char> buffer(size);
    if (!::GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size))
        return false;
    const auto* user = reinterpret_cast<const TOKEN_USER*>(buffer.data());

    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    platform::UniqueSid localSystem;
    if (!::AllocateAndInitializeSid(&ntAuthority, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0, 0,
                                    localSystem.put()))
        return false;
    return ::EqualSid(user->User.Sid, localSystem.get()) == TRUE;
}

} // namespace velmora::execution
