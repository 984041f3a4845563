#include "platform/Bitness.h"

#include <gtest/gtest.h>

#include "platform/FileSystem.h"

using namespace velmora::platform;

TEST(Bitness_Wow64RedirectionScope, SeesTheRealSystemFolderOnly64BitPrefixes) {
    wchar_t windows[MAX_PATH];
    ::GetWindowsDirectoryW(windows, MAX_PATH);
    std::wstring probe = std::wstring(windows) + L"\\system32\\ntdll.dll";
    BOOL wow64 = FALSE;
    ::IsWow64Process(::GetCurrentProcess(), &wow64);
    Wow64RedirectionScope scope;
    EXPECT_EQ(scope.Active(), wow64 == TRUE);
    EXPECT_TRUE(Exists(probe));
}
