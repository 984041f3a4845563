#include "platform/SystemLibrary.h"

#include <delayimp.h>

#include "platform/Bitness.h"
#include "platform/FileSystem.h"
#include "platform/pure/TextCompare.h"

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace velmora::platform {

namespace {

std::wstring FolderFrom(UINT(WINAPI* query)(LPWSTR, UINT)) {
    wchar_t folder[MAX_PATH];
    const UINT length = query(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    return std::wstring(folder, length);
}

} // namespace

std::wstring SystemLibraryFolder() {
    return FolderFrom(RunsUnderWow64() ? ::GetSystemWow64DirectoryW : ::GetSystemDirectoryW);
}

DWORD SystemLibraryLoadFlags() {
    // Where SetDefaultDllDirectories exists, so do the LOAD_LIBRARY_SEARCH_ flags (Windows 8, and 7 with
    // KB2533623): the library's own imports then come from the system folder alone. Without them, the
    // altered search order of a full path looks in the library's folder first, but then also in the
    // current folder (the chainer's) and along PATH.
    static const bool searchFlags =
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories") != nullptr;
    return searchFlags ? LOAD_LIBRARY_SEARCH_SYSTEM32 : LOAD_WITH_ALTERED_SEARCH_PATH;
}

UniqueModule LoadSystemLibrary(std::wstring_view fileName) {
    if (fileName.empty() || fileName.find_first_of(L"\\/:") != std::wstring_view::npos) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return UniqueModule();
    }
    const std::wstring folder = SystemLibraryFolder();
    if (folder.empty())
        return UniqueModule();
    const std::wstring path = folder + L"\\" + std::wstring(fileName);
    return UniqueModule(::LoadLibraryExW(path.c_str(), nullptr, SystemLibraryLoadFlags()));
}

namespace {

// The common controls: the manifest binds the name to the side-by-side version 6 copy, and the loader
// resolves that binding before it looks in any folder. A full path would skip the binding and load the old
// version 5 controls of the system folder.
bool IsSideBySideBound(std::wstring_view name) {
    return EqualsNoCase(name, L"comctl32.dll");
}

UniqueModule LoadSideBySide(const std::wstring& name) {
    UniqueModule module(::LoadLibraryExW(name.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    // Systems without the restricted search (Windows 7 before KB2533623) refuse the flag; there the
    // binding, resolved before any folder is searched, keeps a planted copy out all the same.
    if (!module && ::GetLastError() == ERROR_INVALID_PARAMETER)
        module.reset(::LoadLibraryW(name.c_str()));
    return module;
}

// The delay-load helper asks this hook before it loads a delay-imported library. Returning null would make
// the helper load the bare name itself, so a failure is raised here, as the helper would raise it.
FARPROC WINAPI LoadDelayImported(unsigned notification, PDelayLoadInfo info) {
    if (notification != dliNotePreLoadLibrary || info == nullptr || info->szDll == nullptr)
        return nullptr;
    std::wstring name;
    for (const char* c = info->szDll; *c != '\0'; ++c)
        name += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    UniqueModule module = IsSideBySideBound(name) ? LoadSideBySide(name) : LoadSystemLibrary(name);
    if (!module) {
        info->dwLastError = ::GetLastError();
        const ULONG_PTR argument = reinterpret_cast<ULONG_PTR>(info);
        ::RaiseException(VcppException(ERROR_SEVERITY_ERROR, ERROR_MOD_NOT_FOUND), 0, 1, &argument);
        return nullptr;
    }
    // The helper keeps the handle for the process.
    return reinterpret_cast<FARPROC>(module.release());
}

} // namespace

} // namespace velmora::platform

// The runtime's delay-load helper reads this hook. The build makes the linker take this definition
// (cmake/DelayImports.cmake), so every program that links the platform library loads its delay-imported
// libraries through it.
PfnDliHook __pfnDliNotifyHook2 = velmora::platform::LoadDelayImported;
