#include "config/pure/PropertyResolution.h"

#include <gtest/gtest.h>

#include "FakeProperties.h"

using namespace velmora::config;
using velmora::test::FakeProperties;

TEST(PropertyResolution_Resolve, ReplacesEachKindOfReference) {
    FakeProperties machine;
    machine.environment[L"INNER"] = L"[TempFolder]%SystemRoot%";
    machine.registry[L"HKCU\\K\\V"] = L"!HKCU\\K\\V!";
    struct Case {
        const wchar_t* text;
        const wchar_t* resolved;
    };
    const Case cases[] = {
        {L"[TempFolder]a.txt", L"T:\\tmp\\a.txt"},
        {L"[NoSuchFolder]x", L"[NoSuchFolder]x"},
        {L"[tempfolder]x", L"[tempfolder]x"},
        {L"%SystemRoot%\\notepad.exe", L"C:\\win\\notepad.exe"},
        {L"%NO_SUCH_VAR%x", L"x"},
        {L"100% done", L"100% done"},
        {L"!HKLM\\Software\\V\\Path!\\bin", L"D:\\App\\bin"},
        {L"!HKLM\\Software\\V\\Missing!x", L"x"},
        {L"a!b", L"a!b"},
        {L"x]y", L"x]y"},
        {L"", L""},
        {L"no references", L"no references"},
        {L"[WindowsFolder]a [TempFolder]b %SystemRoot%", L"C:\\win\\a T:\\tmp\\b C:\\win"},
        {L"%%", L""},
        {L"!!", L""},
        {L"[]", L"[]"},
        // Replacement text is copied, never scanned again.
        {L"%INNER%", L"[TempFolder]%SystemRoot%"},
        {L"!HKCU\\K\\V!", L"!HKCU\\K\\V!"},
        // The closing character is searched for the kind that opened: "]" and "!" inside %...% belong to
        // the variable's name.
        {L"%a]b%[TempFolder]", L"T:\\tmp\\"},
        // A reference without its closing character ends the scan; what follows stays as written.
        {L"[TempFolder]x [open %SystemRoot%", L"T:\\tmp\\x [open %SystemRoot%"},
        {L"50% of %SystemRoot%", L"50SystemRoot%"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ResolveProperties(c.text, false, machine), c.resolved) << c.text;
}

TEST(PropertyResolution_Resolve, SixtyFourBitViewReachesFoldersAndRegistry) {
    FakeProperties machine;
    machine.folders[L"SystemFolder"] = L"C:\\win\\syswow64\\";
    machine.registry64[L"HKLM\\Software\\V\\Path"] = L"E:\\App64";
    EXPECT_EQ(ResolveProperties(L"[SystemFolder]|!HKLM\\Software\\V\\Path!", false, machine),
              L"C:\\win\\syswow64\\|D:\\App");
    EXPECT_EQ(ResolveProperties(L"[SystemFolder]|!HKLM\\Software\\V\\Path!", true, machine),
              L"C:\\win\\system32\\|E:\\App64");
}

TEST(PropertyResolution_Resolve, LooksUpOnlyWhatTheTextNames) {
    FakeProperties machine;
    EXPECT_EQ(ResolveProperties(L"plain text, 100% sure!", false, machine), L"plain text, 100% sure!");
    EXPECT_EQ(machine.lookups, 0);
}

TEST(PropertyResolution_Rules, EveryFolderPropertyAndItsSource) {
    struct Case {
        const wchar_t* name;
        FolderPropertyKind kind;
        int csidl;
    };
    const Case cases[] = {
        {L"ProgramFiles64Folder", FolderPropertyKind::ProgramFiles64, 0x26},
        {L"SystemFolder", FolderPropertyKind::System, 0},
        {L"System32Folder", FolderPropertyKind::System32, 0},
        {L"WindowsFolder", FolderPropertyKind::Windows, 0},
        {L"WindowsVolume", FolderPropertyKind::WindowsVolume, 0},
        {L"TempFolder", FolderPropertyKind::Temp, 0},
        {L"SETUPEXEDIR", FolderPropertyKind::SetupExeDir, 0},
        {L"ProgramFilesFolder", FolderPropertyKind::Shell, 0x26},
        {L"CommonFilesFolder", FolderPropertyKind::Shell, 0x2B},
        {L"DesktopFolder", FolderPropertyKind::Shell, 0x10},
        {L"AllUsersDesktopFolder", FolderPropertyKind::Shell, 0x19},
        {L"AppDataFolder", FolderPropertyKind::Shell, 0x1A},
        {L"FavoritesFolder", FolderPropertyKind::Shell, 0x06},
        {L"StartMenuFolder", FolderPropertyKind::Shell, 0x0B},
        {L"ProgramMenuFolder", FolderPropertyKind::Shell, 0x02},
        {L"StartupFolder", FolderPropertyKind::Shell, 0x07},
        {L"FontsFolder", FolderPropertyKind::Shell, 0x14},
        {L"LocalAppDataFolder", FolderPropertyKind::Shell, 0x1C},
        {L"CommonAppDataFolder", FolderPropertyKind::Shell, 0x23},
    };
    for (const Case& c : cases) {
        FolderPropertyRule rule;
        ASSERT_TRUE(FindFolderPropertyRule(c.name, rule)) << c.name;
        EXPECT_EQ(rule.kind, c.kind) << c.name;
        if (c.csidl != 0) {
            EXPECT_EQ(rule.csidl, c.csidl) << c.name;
        }
    }
    for (const wchar_t* unknown : {L"programfilesfolder", L"SetupExeDir", L"TempFolder ", L"", L"Temp"}) {
        FolderPropertyRule rule;
        EXPECT_FALSE(FindFolderPropertyRule(unknown, rule)) << unknown;
    }
}

TEST(PropertyResolution_Scan, FindsTheReferencesResolutionReplacesAndWhereItStops) {
    const ReferenceScan scan = ScanReferences(L"[TempFolder]a %V% !HKCU\\K\\V! 50% of %x");
    ASSERT_EQ(scan.references.size(), 4u);
    EXPECT_EQ(scan.references[0].kind, ReferenceKind::FolderProperty);
    EXPECT_EQ(scan.references[0].name, L"TempFolder");
    EXPECT_EQ(scan.references[1].kind, ReferenceKind::EnvironmentVariable);
    EXPECT_EQ(scan.references[1].at, 14u);
    EXPECT_EQ(scan.references[2].kind, ReferenceKind::RegistryValue);
    EXPECT_EQ(scan.references[2].name, L"HKCU\\K\\V");
    // The "%" of "50%" pairs with the next one, as resolution reads it.
    EXPECT_EQ(scan.references[3].name, L" of ");
    EXPECT_EQ(scan.unclosedAt, std::wstring_view::npos);

    EXPECT_EQ(ScanReferences(L"a [b %c%").unclosedAt, 2u);
    EXPECT_TRUE(ScanReferences(L"plain").references.empty());
}

TEST(PropertyResolution_Names, EveryListedNameHasARule) {
    const auto names = FolderPropertyNames();
    EXPECT_EQ(names.size(), 19u);
    for (std::wstring_view name : names) {
        FolderPropertyRule rule;
        EXPECT_TRUE(FindFolderPropertyRule(name, rule)) << std::wstring(name);
    }
}
