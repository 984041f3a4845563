// Stands in for powershell.exe in a test prefix (Wine's own runs no script), so an end-to-end test can see
// how the chainer starts its cleanup script. When VELMORA_POWERSHELL_RECORD names a file, writes to it what
// exit_with records ("cmdline=", "cwd=", "show=") and then "arg=" for each argument as CommandLineToArgvW
// splits them. The file is written under another name and renamed, so a reader never sees it half written.
// Exits with 0.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "StartRecord.h"

int wmain() {
    wchar_t target[MAX_PATH] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"VELMORA_POWERSHELL_RECORD", target, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 0;

    std::wstring record = velmora::test::StartRecord();
    int count = 0;
    wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    for (int i = 1; arguments != nullptr && i < count; ++i)
        record += L"arg=" + std::wstring(arguments[i]) + L"\n";
    ::LocalFree(arguments);

    const std::wstring partial = std::wstring(target) + L".part";
    if (velmora::test::WriteRecordFile(partial, velmora::test::Utf8(record)))
        ::MoveFileExW(partial.c_str(), target, MOVEFILE_REPLACE_EXISTING);
    return 0;
}
