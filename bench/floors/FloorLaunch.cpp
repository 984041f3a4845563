// The floor of launching: starts the same child count times with CreateProcessW and waits for each.
// Usage: floor_launch <child> <count>
#include <windows.h>

#include <string>
#include <vector>

#include "FloorArgs.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const std::vector<std::wstring> arguments = velmora::bench::Arguments();
    if (arguments.size() < 3)
        return 2;
    const int count = std::stoi(arguments[2]);
    for (int i = 0; i < count; ++i) {
        std::wstring commandLine = L"\"" + arguments[1] + L"\" /quiet";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!::CreateProcessW(arguments[1].c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &process))
            return 3;
        ::WaitForSingleObject(process.hProcess, INFINITE);
        DWORD exitCode = 0;
        ::GetExitCodeProcess(process.hProcess, &exitCode);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    return 0;
}
