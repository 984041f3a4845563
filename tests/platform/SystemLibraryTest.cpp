// Libraries come from the system folder only. Its own program: which libraries are loaded already matters.
// That a library left beside the program is not loaded instead is shown end to end (tests/e2e/
// test_dll_planting.py), with decoys of the same names.
#include <gtest/gtest.h>

#include <windows.h>
#include <winnetwk.h>
#include <wininet.h>

#include "platform/FileSystem.h"
#include "platform/Bitness.h"
#include "platform/SystemLibrary.h"
#include "platform/pure/TextCompare.h"

using velmora::platform::LoadSystemLibrary;
using velmora::platform::SystemLibraryFolder;
using velmora::platform::SystemLibraryLoadFlags;

namespace {

std::wstring ModulePathOf(HMODULE module) {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(module, path, MAX_PATH);
    return std::wstring(path, length < MAX_PATH ? length : 0);
}

bool IsSystemLibrary(HMODULE module, const wchar_t* fileName) {
    return module != nullptr &&
           velmora::platform::EqualsNoCase(ModulePathOf(module), SystemLibraryFolder() + L"\\" + fileName);
}

} // namespace

TEST(SystemLibrary_Load, ComesFromTheSystemFolderOfTheProcesssBitness) {
    auto module = LoadSystemLibrary(L"msi.dll");
    EXPECT_TRUE(IsSystemLibrary(module.get(), L"msi.dll")) << ModulePathOf(module.get());
    wchar_t system[MAX_PATH] = {};
    const UINT length = velmora::platform::RunsUnderWow64() ? ::GetSystemWow64DirectoryW(system, MAX_PATH)
                                                            : ::GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_EQ(SystemLibraryFolder(), std::wstring(system, length));
}

// OS quirk (Wine 8): SetDefaultDllDirectories exists, as on Windows 8 and later.
TEST(SystemLibrary_Load, ImportsOfASystemLibraryComeFromTheSystemFolderAlone) {
    EXPECT_EQ(SystemLibraryLoadFlags(), static_cast<DWORD>(LOAD_LIBRARY_SEARCH_SYSTEM32));
    // msi.dll imports libraries of its own; they load by the same rule.
    EXPECT_TRUE(LoadSystemLibrary(L"msi.dll"));
}

TEST(SystemLibrary_Load, RefusesAnythingButAFileName) {
    for (const wchar_t* name :
         {L"", L"..\\msi.dll", L"C:msi.dll", L"sub/msi.dll", L"\\\\server\\share\\msi.dll"}) {
        ::SetLastError(0);
        EXPECT_FALSE(LoadSystemLibrary(name)) << name;
        EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << name;
    }
    EXPECT_FALSE(LoadSystemLibrary(L"no-such-library.dll"));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

// OS quirk (64-bit Windows): with WOW64 redirection off, the system folder's name leads a 32-bit process to
// the 64-bit libraries; a delay-imported library first called there must still be the 32-bit one.
TEST(SystemLibrary_DelayImport, FirstCallLoadsFromTheSystemFolderEvenWithRedirectionOff) {
    ASSERT_EQ(::GetModuleHandleW(L"mpr.dll"), nullptr) << "mpr must not be loaded before this test";
    DWORD result = 0;
    {
        velmora::platform::Wow64RedirectionScope nativeView;
        result = ::WNetCancelConnection2W(L"\\\\velmora-nowhere\\share", 0, FALSE);
    }
    EXPECT_NE(result, static_cast<DWORD>(NO_ERROR));
    EXPECT_TRUE(IsSystemLibrary(::GetModuleHandleW(L"mpr.dll"), L"mpr.dll"))
        << ModulePathOf(::GetModuleHandleW(L"mpr.dll"));
}

// WinINet's declarations import through __imp_ pointers; the delay-import libraries must keep the first-call
// thunks those pointers start at (cmake/delay-import-lib.sh), or this call jumps to address 0.
TEST(SystemLibrary_DelayImport, FunctionsDeclaredForImportWorkOnFirstCall) {
    URL_COMPONENTSW parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = 1;
    const wchar_t url[] = L"http://example.com/setup.exe";
    ASSERT_TRUE(::InternetCrackUrlW(url, 0, 0, &parts));
    EXPECT_EQ(std::wstring(parts.lpszHostName, parts.dwHostNameLength), L"example.com");
    EXPECT_TRUE(IsSystemLibrary(::GetModuleHandleW(L"wininet.dll"), L"wininet.dll"))
        << ModulePathOf(::GetModuleHandleW(L"wininet.dll"));
}
