#include "app/Entry.h"

#include <windows.h>

#include "app/ChainerApp.h"
#include "platform/MainThreadCom.h"
#include "platform/SystemLibrary.h"
#include "platform/core/ExceptionHandling.h"
#include "ui/Dialog.h"

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace velmora::app {

void HardenProcess() {
    ::HeapSetInformation(nullptr, HeapEnableTerminationOnCorruption, nullptr, 0);
    // SetDefaultDllDirectories exists from Windows 8 (and 7 with KB2533623); older systems get only the
    // current directory taken off the search path.
    BOOL(WINAPI * setDefault)(DWORD) = nullptr;
    platform::FindFunction(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories", setDefault);
    if (setDefault == nullptr || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
        ::SetDllDirectoryW(L"");
}

int RunChainerProcess() {
    platform::core::InstallCrashHandlers();
    platform::MainThreadComScope com;
    int exitCode = 0;
    try {
        // The dialog framework's state outlives the application object, so windows it leaves behind are
        // still found and destroyed.
        ui::UiModuleScope uiModule;
        ChainerApp app;
        app.Run();
        exitCode = app.ExitCode();
    } catch (...) {
        exitCode = static_cast<int>(platform::core::PresentCaughtException(nullptr));
    }
    return exitCode;
}

} // namespace velmora::app
