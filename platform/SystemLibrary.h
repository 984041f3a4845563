// Libraries of the system, loaded only from the system folder.
//
// Windows looks for a library that is not on its list of known DLLs in the program's own folder first,
// and for one loaded by bare name also wherever the search path leads. The chainer usually runs elevated
// from a Downloads or temporary folder, so a version.dll left there would run with its rights before any
// line of ours. Hence:
//  - the import table holds only libraries that are known DLLs on every supported Windows version
//    (kernel32, advapi32, msvcrt);
//  - the other libraries the code calls directly (version, mpr, wininet, crypt32, wintrust, bcrypt, and
//    comctl32, user32, gdi32, shell32, shlwapi, ole32, which a silent run may never need) are
//    delay-imported: the build links them through delay-import libraries (cmake/DelayImports.cmake), and
//    the first call loads the library through this file's hook, by full path from the system folder; only
//    comctl32 goes by name, as the manifest binds it to the side-by-side common controls. Start-up loads
//    comctl32 on the main thread before any other thread exists when the run shows windows
//    (ui::RegisterCommonControls): OS quirk (Wine 8), its start-up code, run while another thread makes
//    its first window, deadlocks on the loader lock;
//  - libraries looked up by hand (msi, combase, dbghelp, shfolder) come from LoadSystemLibrary.
// A library that cannot be loaded so is never looked for elsewhere: a delay-imported one ends the process
// through the crash report (the system is broken), LoadSystemLibrary returns null.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/UniqueHandle.h"

namespace velmora::platform {

// The folder system libraries of this process's bitness lie in, without a trailing backslash: the system
// folder, or for a 32-bit process on 64-bit Windows the 32-bit system folder, named as such so that WOW64
// redirection turned off on the calling thread changes nothing. Empty when the system gives no folder.
std::wstring SystemLibraryFolder();

// The flags LoadSystemLibrary loads with: LOAD_LIBRARY_SEARCH_SYSTEM32 where the system knows it (the
// library's own imports come from the system folder alone), else LOAD_WITH_ALTERED_SEARCH_PATH.
DWORD SystemLibraryLoadFlags();

// Loads a library of the system by its file name ("msi.dll"); the libraries it needs in turn are looked for
// in the system folder only, where the system offers that (SystemLibraryLoadFlags). A name that holds a
// folder separator, or is empty, is refused (ERROR_INVALID_PARAMETER). Null on failure, with the thread's
// last error set.
UniqueModule LoadSystemLibrary(std::wstring_view fileName);

// The function of that name (or ordinal, through MAKEINTRESOURCEA) in a loaded library, as the typed pointer
// given; null when the library has none or is null itself.
template <typename Function> void FindFunction(HMODULE module, const char* name, Function& function) {
    function = module == nullptr
                   ? nullptr
                   : reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

} // namespace velmora::platform
