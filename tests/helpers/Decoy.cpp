// A decoy of a system library, for tests of DLL planting: copied beside a program under a system library's
// name (mpr.dll, msi.dll, ...), it leaves "<its own path>.loaded" when any process loads it. It exports
// WNetCancelConnection2W, the one function the planting test's control program imports from mpr.dll.
#include <windows.h>

namespace {

void LeaveMarker(HINSTANCE self) {
    wchar_t path[MAX_PATH + 8] = {};
    const DWORD length = ::GetModuleFileNameW(self, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    ::lstrcatW(path, L".loaded");
    HANDLE marker =
        ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker != INVALID_HANDLE_VALUE)
        ::CloseHandle(marker);
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        LeaveMarker(self);
    return TRUE;
}

// Declared here: the build's lean Windows headers leave the network header out.
extern "C" __declspec(dllexport) DWORD WINAPI WNetCancelConnection2W(LPCWSTR, DWORD, BOOL) {
    return ERROR_NOT_CONNECTED;
}
