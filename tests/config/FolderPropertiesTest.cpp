#include "config/FolderProperties.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <cwctype>

#include "config/pure/Configuration.h"
#include "platform/Bitness.h"
#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/TempFiles.h"
#include "support/TestSupport.h"

using namespace velmora::config;
using velmora::test::ScopedRegistryKey;

namespace {

using velmora::platform::RunsOn64BitWindows;
using velmora::platform::RunsUnderWow64;

std::wstring Lower(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return std::towlower(c); });
    return text;
}

std::wstring PropertyFolder(const wchar_t* name, bool use64BitView = false) {
    std::wstring folder = L"untouched";
    if (!ResolveFolderProperty(name, use64BitView, folder))
        return L"<unknown>";
    return folder;
}

std::wstring ShellPath(int csidl) {
    wchar_t buffer[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer)))
        return L"<none>";
    return std::wstring(buffer) + L"\\";
}

std::wstring WindowsDirectory() {
    wchar_t buffer[MAX_PATH] = {};
    ::GetWindowsDirectoryW(buffer, MAX_PATH);
    return buffer;
}

// Sets or removes an environment variable of this process and puts the old value back at the end.
class ScopedEnvironment {
public:
    ScopedEnvironment(const wchar_t* name, const wchar_t* value) : name_(name) {
        had_ = velmora::platform::GetEnv(name, old_);
        ::SetEnvironmentVariableW(name, value);
    }
    ~ScopedEnvironment() { ::SetEnvironmentVariableW(name_.c_str(), had_ ? old_.c_str() : nullptr); }

private:
    std::wstring name_;
    std::wstring old_;
    bool had_ = false;
};

// A key under HKLM\Software in the 64-bit view only (the same key as the 32-bit one on a 32-bit system).
class ScopedKey64 {
public:
    explicit ScopedKey64(const std::wstring& name) : name_(name) {
        ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, (L"Software\\" + name).c_str(), 0, nullptr, 0,
                          KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &key_, nullptr);
    }
    ~ScopedKey64() {
        if (key_ != nullptr)
            ::RegCloseKey(key_);
        HKEY software = nullptr;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software", 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                            &software) == ERROR_SUCCESS) {
            ::RegDeleteTreeW(software, name_.c_str());
            ::RegCloseKey(software);
        }
    }
    HKEY Handle() const { return key_; }

private:
    std::wstring name_;
    HKEY key_ = nullptr;
};

} // namespace

TEST(FolderProperties_Folder, SystemFolderFollowsTheViewOnEveryPrefix) {
    const std::wstring windows = Lower(WindowsDirectory());
    // Without the 64-bit view: the 32-bit system folder, SysWOW64 on a 64-bit system whatever the process.
    const std::wstring bits = RunsOn64BitWindows() ? L"\\syswow64\\" : L"\\system32\\";
    EXPECT_EQ(Lower(PropertyFolder(L"SystemFolder", false)), windows + bits);
    EXPECT_EQ(Lower(PropertyFolder(L"SystemFolder", true)), windows + L"\\system32\\");
    EXPECT_EQ(Lower(PropertyFolder(L"System32Folder")), windows + L"\\system32\\");
    EXPECT_EQ(Lower(PropertyFolder(L"System32Folder", true)), windows + L"\\system32\\");
}

TEST(FolderProperties_Folder, WindowsTempAndOwnFolder) {
    EXPECT_EQ(PropertyFolder(L"WindowsFolder"), WindowsDirectory() + L"\\");
    EXPECT_EQ(PropertyFolder(L"WindowsVolume"), WindowsDirectory().substr(0, 3));
    EXPECT_EQ(PropertyFolder(L"WindowsVolume").back(), L'\\');
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, temp);
    EXPECT_EQ(PropertyFolder(L"TempFolder"), temp);
    EXPECT_EQ(PropertyFolder(L"SETUPEXEDIR"), velmora::test::TestBinaryFolder() + L"\\");
    EXPECT_EQ(PropertyFolder(L"SETUPEXEDIR"), PropertyFolder(L"SETUPEXEDIR")); // cached, the same each time
}

TEST(FolderProperties_Folder, ProgramFilesOnThisPrefix) {
    const std::wstring drive = Lower(WindowsDirectory().substr(0, 3));
    if (RunsUnderWow64()) {
        EXPECT_EQ(Lower(PropertyFolder(L"ProgramFilesFolder")), drive + L"program files (x86)\\");
        EXPECT_EQ(Lower(PropertyFolder(L"ProgramFiles64Folder")), drive + L"program files\\");
        std::wstring programW6432;
        ASSERT_TRUE(velmora::platform::GetEnv(L"ProgramW6432", programW6432));
        EXPECT_EQ(PropertyFolder(L"ProgramFiles64Folder"), programW6432 + L"\\");
    } else {
        // A 32-bit system, or a 64-bit process: its own Program Files is the 64-bit one.
        EXPECT_EQ(Lower(PropertyFolder(L"ProgramFilesFolder")), drive + L"program files\\");
        EXPECT_EQ(PropertyFolder(L"ProgramFiles64Folder"), PropertyFolder(L"ProgramFilesFolder"));
    }
}

TEST(FolderProperties_Folder, ProgramFiles64FollowsProgramW6432) {
    {
        ScopedEnvironment set(L"ProgramW6432", L"Z:\\pf64");
        EXPECT_EQ(PropertyFolder(L"ProgramFiles64Folder"), L"Z:\\pf64\\");
    }
    {
        ScopedEnvironment set(L"ProgramW6432", L"Z:\\pf64\\");
        EXPECT_EQ(PropertyFolder(L"ProgramFiles64Folder"), L"Z:\\pf64\\");
    }
    {
        ScopedEnvironment unset(L"ProgramW6432", nullptr);
        EXPECT_EQ(PropertyFolder(L"ProgramFiles64Folder"), PropertyFolder(L"ProgramFilesFolder"));
    }
}

TEST(FolderProperties_Folder, EveryShellFolderOfTheTable) {
    struct Case {
        const wchar_t* name;
        int csidl;
    };
    const Case cases[] = {
        {L"ProgramFilesFolder", CSIDL_PROGRAM_FILES},
        {L"CommonFilesFolder", CSIDL_PROGRAM_FILES_COMMON},
        {L"DesktopFolder", CSIDL_DESKTOPDIRECTORY},
        {L"AllUsersDesktopFolder", CSIDL_COMMON_DESKTOPDIRECTORY},
        {L"AppDataFolder", CSIDL_APPDATA},
        {L"FavoritesFolder", CSIDL_FAVORITES},
        {L"StartMenuFolder", CSIDL_STARTMENU},
        {L"ProgramMenuFolder", CSIDL_PROGRAMS},
        {L"StartupFolder", CSIDL_STARTUP},
        {L"FontsFolder", CSIDL_FONTS},
        {L"LocalAppDataFolder", CSIDL_LOCAL_APPDATA},
        {L"CommonAppDataFolder", CSIDL_COMMON_APPDATA},
    };
    for (const Case& c : cases) {
        std::wstring folder = PropertyFolder(c.name);
        EXPECT_EQ(folder, ShellPath(c.csidl)) << c.name;
        EXPECT_GE(folder.size(), 4u) << c.name;
        EXPECT_EQ(folder.back(), L'\\') << c.name;
        EXPECT_NE(folder[folder.size() - 2], L'\\') << c.name;
    }
    EXPECT_EQ(Lower(PropertyFolder(L"FontsFolder")), Lower(WindowsDirectory()) + L"\\fonts\\");
}

TEST(FolderProperties_Folder, UnknownNamesAreLeftAlone) {
    for (const wchar_t* name : {L"programfilesfolder", L"NoSuchFolder", L"", L"SetupExeDir"}) {
        std::wstring folder = L"untouched";
        EXPECT_FALSE(ResolveFolderProperty(name, false, folder)) << name;
        EXPECT_EQ(folder, L"untouched") << name;
    }
}

TEST(FolderProperties_Resolve, FoldersAndEnvironmentOfThisMachine) {
    ScopedEnvironment set(L"VELMORA_TEST_VALUE", L"value [TempFolder]");
    ScopedEnvironment unset(L"VELMORA_NO_SUCH_VAR", nullptr);
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, temp);
    EXPECT_EQ(ResolveProperties(L"[TempFolder]a.txt", false), std::wstring(temp) + L"a.txt");
    EXPECT_EQ(ResolveProperties(L"%SystemRoot%\\notepad.exe", false), WindowsDirectory() + L"\\notepad.exe");
    EXPECT_EQ(ResolveProperties(L"%VELMORA_NO_SUCH_VAR%x", false), L"x");
    EXPECT_EQ(ResolveProperties(L"<%VELMORA_TEST_VALUE%>", false), L"<value [TempFolder]>");
    EXPECT_EQ(ResolveProperties(L"100% done", false), L"100% done");
    EXPECT_EQ(ResolveProperties(L"[NoSuchFolder]x", false), L"[NoSuchFolder]x");
    EXPECT_EQ(ResolveProperties(L"[programfilesfolder]", false), L"[programfilesfolder]");
    EXPECT_EQ(ResolveProperties(L"[SETUPEXEDIR]setup.exe", false),
              velmora::test::TestBinaryFolder() + L"\\setup.exe");
    // A name with a zero inside names no variable, rather than the one before the zero.
    EXPECT_EQ(ResolveProperties(std::wstring(L"%SystemRoot\0x%", 14), false), L"");
}

TEST(FolderProperties_Resolve, RegistryValuesOfEveryType) {
    ScopedRegistryKey key;
    auto set = [&](const wchar_t* name, DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(::RegSetValueExW(key.Handle(), name, 0, type, static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
    };
    const wchar_t sz[] = L"C:\\Vendor";
    set(L"sz", REG_SZ, sz, sizeof sz);
    const wchar_t expand[] = L"%SystemRoot%\\x";
    set(L"expand", REG_EXPAND_SZ, expand, sizeof expand);
    const wchar_t multi[] = L"one\0two\0";
    set(L"multi", REG_MULTI_SZ, multi, sizeof multi);
    DWORD number = 12;
    set(L"dword", REG_DWORD, &number, sizeof number);
    const BYTE binary[] = {'a', 0, 'b', 0};
    set(L"binary", REG_BINARY, binary, sizeof binary);

    const std::wstring base = L"HKCU\\" + key.SubKey() + L"\\";
    auto resolve = [&](const std::wstring& value) {
        return ResolveProperties(L"<!" + base + value + L"!>", false);
    };
    EXPECT_EQ(resolve(L"sz"), L"<C:\\Vendor>");
    EXPECT_EQ(resolve(L"expand"), L"<%SystemRoot%\\x>"); // replacement text is not scanned again
    EXPECT_EQ(resolve(L"multi"), std::wstring(L"<one\0two>", 9));
    EXPECT_EQ(resolve(L"dword"), L"<12>");
    EXPECT_EQ(resolve(L"binary"), L"<>");
    EXPECT_EQ(resolve(L"missing"), L"<>");
    EXPECT_EQ(resolve(L"NoSuchKey\\sz"), L"<>");
    EXPECT_EQ(ResolveProperties(L"!HKEY_CURRENT_USER\\" + key.SubKey() + L"\\sz!", false), L"C:\\Vendor");
    EXPECT_EQ(ResolveProperties(L"!hkcu\\" + key.SubKey() + L"\\sz!", false), L"C:\\Vendor");
    EXPECT_EQ(ResolveProperties(L"!NoRoot!", false), L"");
}

TEST(FolderProperties_Resolve, RegistryReferencesUseTheRequestedView) {
    wchar_t name[64];
    std::swprintf(name, 64, L"VelmoraTests%lu", ::GetCurrentProcessId());
    ScopedKey64 key(name);
    ASSERT_NE(key.Handle(), nullptr);
    const wchar_t value[] = L"64-bit only";
    ASSERT_EQ(
        ::RegSetValueExW(key.Handle(), L"v", 0, REG_SZ, reinterpret_cast<const BYTE*>(value), sizeof value),
        ERROR_SUCCESS);
    const std::wstring reference = std::wstring(L"!HKLM\\Software\\") + name + L"\\v!";
    EXPECT_EQ(ResolveProperties(reference, true), L"64-bit only");
    // Without the 64-bit view the process's own view: a 64-bit process sees the value.
    EXPECT_EQ(ResolveProperties(reference, false), RunsUnderWow64() ? L"" : L"64-bit only");
}

TEST(FolderProperties_Configuration, LoadsAgainstThisMachine) {
    IniDocument document;
    document.Parse(L"[GeneralOptions]\r\nDefaultProdCode={P}\r\nExtractionFolder=[SETUPEXEDIR]ex\r\n"
                   L"[PREREQUISITES]\r\nApp1=A\r\n[App1]\r\nOpenSite=[TempFolder]page.htm\r\n");
    Configuration configuration;
    configuration.Load(document, MachineProperties());
    const std::wstring temp = velmora::platform::TempFolder();
    ASSERT_EQ(configuration.Prerequisites.size(), 1u);
    EXPECT_EQ(configuration.Prerequisites[0].Source, temp + L"page.htm");
    EXPECT_EQ(configuration.GetDownloadFolder(), temp + L"{P}\\");
    EXPECT_EQ(configuration.GetExtractionFolder(), velmora::test::TestBinaryFolder() + L"\\ex\\");
}
