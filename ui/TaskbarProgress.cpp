#include "ui/TaskbarProgress.h"

#include "platform/MainThreadCom.h"
#include "platform/SystemLibrary.h"
#include "ui/pure/WindowLayout.h"

namespace velmora::ui {

namespace {

// RtlGetVersion tells the real version whatever the manifest declares; GetVersionExW is capped by it.
bool RunningVersion(RTL_OSVERSIONINFOEXW& info) {
    LONG(WINAPI * getVersion)(RTL_OSVERSIONINFOEXW*) = nullptr;
    platform::FindFunction(::GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion", getVersion);
    info = {};
    info.dwOSVersionInfoSize = sizeof info;
    return getVersion != nullptr && getVersion(&info) == 0;
}

} // namespace

UniqueTaskbarList CreateTaskbarProgress() {
    UniqueTaskbarList taskbar;
    RTL_OSVERSIONINFOEXW version;
    if (!RunningVersion(version) ||
        !TaskbarProgressAvailable(version.dwMajorVersion, version.dwMinorVersion, version.wServicePackMajor,
                                  version.dwBuildNumber))
        return taskbar;
    platform::EnsureMainThreadCom();
    if (FAILED(::CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                  reinterpret_cast<void**>(taskbar.put()))))
        taskbar.reset();
    return taskbar;
}

} // namespace velmora::ui
