#include "detection/Searches.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>

#include "config/FolderProperties.h"
#include "config/pure/FakeProperties.h"
#include "platform/Bitness.h"
#include "platform/FileSystem.h"
#include "detection/ScopedMachineKey.h"
#include "detection/SearchProducts.h"
#include "support/TestSupport.h"

using namespace velmora;
using namespace velmora::detection;
using config::PrerequisiteRecord;
using config::SearchRecord;
using test::ScopedFolder;
using test::ScopedRegistryKey;
using test::TestBinaryFolder;

namespace {

// Answers package searches from a fixed table and remembers how it was asked.
class FakePackageFinder : public execution::PackageFinder {
public:
    std::wstring version;
    mutable int calls = 0;
    mutable std::wstring name, publisher, architecture;

    std::wstring Find(const std::wstring& wantedName, const std::wstring& wantedPublisher,
                      const std::wstring& wantedArchitecture) const override {
        ++calls;
        name = wantedName;
        publisher = wantedPublisher;
        architecture = wantedArchitecture;
        return version;
    }
};

class ThrowingPackageFinder : public execution::PackageFinder {
public:
    std::wstring Find(const std::wstring&, const std::wstring&, const std::wstring&) const override {
        throw std::logic_error("finder broke");
    }
};

SearchRecord Search(std::int32_t type, std::wstring text, std::wstring verMin = L"",
                    std::wstring verMax = L"") {
    SearchRecord search;
    search.SearchType = type;
    search.SearchString = std::move(text);
    search.VerMin = std::move(verMin);
    search.VerMax = std::move(verMax);
    return search;
}

void SetString(HKEY key, const wchar_t* name, const std::wstring& text) {
    ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void CreateSubkey(HKEY key, const wchar_t* name) {
    HKEY created = nullptr;
    if (::RegCreateKeyExW(key, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created, nullptr) ==
        ERROR_SUCCESS)
        ::RegCloseKey(created);
}

std::string Utf8(const std::wstring& text) {
    int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                     nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size,
                          nullptr, nullptr);
    return bytes;
}

std::string RecordField(const std::wstring& record, const std::string& name) {
    const std::string text = test::ReadFileBytes(record);
    std::size_t at = text.find(name + "=");
    if (at == std::string::npos)
        return "<missing>";
    at += name.size() + 1;
    return text.substr(at, text.find('\n', at) - at);
}

// A runner on this machine's properties, with search programs beside the test programs.
class SearchesTest : public ::testing::Test {
protected:
    SearchesTest() { files.SetChainerPath(TestBinaryFolder() + L"\\chainer.exe"); }

    SearchOutcome Run(const SearchRecord& search, bool use64BitSwitch = false) const {
        return SearchRunner(config::MachineProperties(), files, packages, machine)
            .RunSearch(search, use64BitSwitch);
    }
    bool Found(const SearchRecord& search, bool use64BitSwitch = false) const {
        return Run(search, use64BitSwitch).found;
    }

    execution::ExtractionContext files;
    FakePackageFinder packages;
    SearchMachine machine = ThisMachine();
};

std::wstring Hkcu(const ScopedRegistryKey& key, const std::wstring& rest = L"") {
    return L"HKCU\\" + key.SubKey() + rest;
}

} // namespace

using Detection_Searches = SearchesTest;

TEST_F(Detection_Searches, RegistryTypesDecideByTheirTable) {
    ScopedRegistryKey key;
    CreateSubkey(key.Handle(), L"2.5");
    SetString(key.Handle(), L"Version", L"1.2.0.0");
    SetString(key.Handle(), L"3.0", L"");
    const struct {
        SearchRecord search;
        bool found;
    } cases[] = {
        {Search(1, Hkcu(key)), true},
        {Search(1, Hkcu(key), L"2.0"), true},
        {Search(1, Hkcu(key), L"2.6"), false},
        {Search(1, Hkcu(key, L"\\missing")), false},
        {Search(2, Hkcu(key, L"\\Version"), L"1.2"), true},
        {Search(2, Hkcu(key, L"\\Version"), L"", L"1.1.9"), false},
        {Search(2, Hkcu(key, L"\\Nothing")), false},
        {Search(5, Hkcu(key, L"\\2.5")), true},
        {Search(5, Hkcu(key, L"\\missing")), false},
        {Search(6, Hkcu(key, L"\\missing")), true},
        {Search(6, Hkcu(key)), false},
        {Search(7, Hkcu(key, L"\\Version")), true},
        {Search(7, Hkcu(key, L"\\Nothing")), false},
        {Search(8, Hkcu(key, L"\\Nothing")), true},
        {Search(8, Hkcu(key, L"\\missing\\Version")), true},
        {Search(8, L"NoBackslash"), true},
        {Search(8, Hkcu(key, L"\\Version")), false},
        {Search(12, Hkcu(key), L"3.0", L"3.0"), true},
        {Search(12, Hkcu(key), L"3.1"), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Found(c.search), c.found) << c.search.SearchType << L" " << c.search.SearchString << L" "
                                            << c.search.VerMin << L"-" << c.search.VerMax;
}

TEST_F(Detection_Searches, StringsWithoutTheirSeparatorsFindNothing) {
    for (std::int32_t type : {0, 1, 2, 3, 4, 5, 7, 9, 11, 12, 14})
        EXPECT_FALSE(Found(Search(type, L"NoSeparator"))) << type;
    EXPECT_TRUE(Found(Search(6, L"NoSeparator")));
    EXPECT_TRUE(Found(Search(8, L"NoSeparator")));
}

TEST_F(Detection_Searches, UnknownTypesAreFoundWithoutSearching) {
    for (std::int32_t type : {15, 99, -1}) {
        SearchOutcome outcome = Run(Search(type, L"HKCU\\whatever"));
        EXPECT_TRUE(outcome.found) << type;
        EXPECT_TRUE(outcome.values.empty());
    }
}

TEST_F(Detection_Searches, FileAndFolderSearchesResolveTheirReferences) {
    ScopedFolder folder;
    ::CreateDirectoryW(folder.Child(L"4.8").c_str(), nullptr);
    ::SetEnvironmentVariableW(L"VELMORA_SEARCH_FOLDER", folder.Path().c_str());
    EXPECT_TRUE(Found(Search(0, L"[SETUPEXEDIR]exit_with.exe", L"1.2.3.4", L"1.2.3.4")));
    EXPECT_FALSE(Found(Search(0, L"[SETUPEXEDIR]exit_with.exe", L"1.2.3.5")));
    EXPECT_TRUE(Found(Search(14, L"%VELMORA_SEARCH_FOLDER%", L"4.0")));
    EXPECT_FALSE(Found(Search(14, L"%VELMORA_SEARCH_FOLDER%", L"5.0")));
    ::SetEnvironmentVariableW(L"VELMORA_SEARCH_FOLDER", nullptr);
}

TEST_F(Detection_Searches, FileWithoutVersionResourceIsFoundOnlyWithoutBounds) {
    ScopedFolder folder;
    test::WriteFileBytes(folder.Child(L"plain.dll"), "no resource");
    EXPECT_TRUE(Found(Search(0, folder.Child(L"plain.dll"))));
    EXPECT_FALSE(Found(Search(0, folder.Child(L"plain.dll"), L"1.0")));
}

TEST_F(Detection_Searches, SwitchResolvesFileReferencesInThe64BitViewAndProgramArgumentsNot) {
    test::FakeProperties properties;
    properties.folders[L"Kit"] = TestBinaryFolder() + L"\\";
    properties.folders64[L"Kit"] = L"C:\\nowhere\\";
    properties.environment[L"CODE"] = L"0";
    SearchRunner runner(properties, files, packages, machine);
    EXPECT_TRUE(runner.RunSearch(Search(0, L"[Kit]exit_with.exe"), false).found);
    EXPECT_FALSE(runner.RunSearch(Search(0, L"[Kit]exit_with.exe"), true).found);

    SearchRecord program = Search(10, L"exit_with.exe");
    program.SearchCmdLine = L"%CODE%";
    EXPECT_TRUE(runner.RunSearch(program, true).found);
}

TEST_F(Detection_Searches, SystemFolderFilesWithTheSwitchComeFromThe64BitSystemFolder) {
    // The 32-bit system folder (SysWOW64 on a 64-bit system, in a 32-bit or a 64-bit process) gets one
    // version, the native System32 of a 64-bit system the other.
    wchar_t system32Bit[MAX_PATH] = {};
    ASSERT_EQ(::SHGetFolderPathW(nullptr, CSIDL_SYSTEMX86, nullptr, 0, system32Bit), S_OK);
    wchar_t system[MAX_PATH] = {};
    ::GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring name = test::UniqueName(L"velmora_sys") + L".exe";
    const std::wstring path32 = std::wstring(system32Bit) + L"\\" + name;
    const std::wstring path = std::wstring(system) + L"\\" + name;
    ASSERT_TRUE(::CopyFileW((TestBinaryFolder() + L"\\exit_with.exe").c_str(), path32.c_str(), FALSE));
    if (machine.is64BitOs) {
        platform::Wow64RedirectionScope nativeView;
        ASSERT_TRUE(::CopyFileW((TestBinaryFolder() + L"\\exit_with_v10.exe").c_str(), path.c_str(), FALSE));
    }
    const std::wstring expected64 = machine.is64BitOs ? L"10.0.65535.7" : L"1.2.3.4";
    EXPECT_EQ(Run(Search(0, L"[SystemFolder]" + name), false).values,
              (std::vector<std::wstring>{L"1.2.3.4"}));
    EXPECT_EQ(Run(Search(0, L"[SystemFolder]" + name), true).values, (std::vector<std::wstring>{expected64}));
    ::DeleteFileW(path32.c_str());
    platform::Wow64RedirectionScope nativeView;
    ::DeleteFileW(path.c_str());
}

TEST_F(Detection_Searches, Registry64BitViewNeedsA64BitSystemExceptForValueNames) {
    // A key in the 64-bit view only (on a 32-bit system the one view there is).
    test::ScopedMachineKey native(test::UniqueName(L"searches"), KEY_WOW64_64KEY);
    ASSERT_NE(native.Handle(), nullptr);
    SetString(native.Handle(), L"7.0", L"");
    // Without the 64-bit view a search reads the process's own view: the 32-bit one in the 32-bit chainer on
    // a 64-bit system, the 64-bit one in a 64-bit process, which therefore finds the key every way.
    const bool is64BitOs = machine.is64BitOs;
    const bool ownViewIs64Bit = !is64BitOs || platform::kIs64BitProcess;
    EXPECT_TRUE(Found(Search(5, native.Path()), true));
    EXPECT_EQ(Found(Search(5, native.Path()), false), ownViewIs64Bit);
    EXPECT_TRUE(Found(Search(12, native.Path(), L"7.0"), true));
    EXPECT_EQ(Found(Search(12, native.Path(), L"7.0"), false), ownViewIs64Bit);

    // The value-name search asks for the 64-bit view on the switch alone; the others also need the system
    // to be 64-bit. A machine record that says 32-bit shows the difference on a 64-bit prefix.
    machine.is64BitOs = false;
    EXPECT_TRUE(Found(Search(12, native.Path(), L"7.0"), true));
    EXPECT_EQ(Found(Search(5, native.Path()), true), ownViewIs64Bit);
}

TEST_F(Detection_Searches, RunProgramIsFoundWhenItExitsWithZeroShownOrHidden) {
    ScopedFolder folder;
    const struct {
        const wchar_t* code;
        const wchar_t* refContent;
        bool found;
        const char* show;
    } cases[] = {
        {L"0", L"WND_HIDE", true, "0"},
        {L"0", L"", true, "1"},
        {L"0", L"wnd_hide", true, "1"},
        {L"5", L"WND_HIDE", false, "0"},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::wstring record = folder.Child(L"record" + std::to_wstring(n++) + L".txt");
        SearchRecord search = Search(10, L"exit_with.exe");
        search.SearchCmdLine = std::wstring(c.code) + L" \"" + record + L"\"";
        search.RefContent = c.refContent;
        EXPECT_EQ(Found(search), c.found) << c.code << L" " << c.refContent;
        EXPECT_EQ(RecordField(record, "show"), c.show) << c.code << L" " << c.refContent;
        EXPECT_EQ(RecordField(record, "cwd"), Utf8(TestBinaryFolder()));
    }
    EXPECT_FALSE(Found(Search(10, L"missing_program.exe")));
}

TEST_F(Detection_Searches, RunProgramLooksInTheExtractionFolderWhenOneIsConfigured) {
    ScopedFolder folder;
    ASSERT_TRUE(::CopyFileW((TestBinaryFolder() + L"\\exit_with.exe").c_str(),
                            folder.Child(L"probe.exe").c_str(), FALSE));
    SearchRecord search = Search(10, L"probe.exe");
    search.SearchCmdLine = L"0";
    EXPECT_FALSE(Found(search));
    files.SetExtractionFolder(folder.Path());
    EXPECT_TRUE(Found(search));
}

TEST_F(Detection_Searches, PackageSearchAsksTheFinderFromWindows10On) {
    machine.windows10OrLater = true;
    packages.version = L"14.0.30704";
    SearchOutcome outcome = Run(Search(13, L" Vendor.Runtime ? x64 ? CN=Vendor ", L"14.0"));
    EXPECT_TRUE(outcome.found);
    EXPECT_EQ(outcome.values, (std::vector<std::wstring>{L"14.0.30704"}));
    EXPECT_EQ(packages.name, L"Vendor.Runtime");
    EXPECT_EQ(packages.publisher, L"CN=Vendor");
    EXPECT_EQ(packages.architecture, L"x64");

    EXPECT_FALSE(Found(Search(13, L"Vendor.Runtime", L"15.0")));
    packages.version.clear();
    EXPECT_FALSE(Found(Search(13, L"Vendor.Runtime")));
    EXPECT_EQ(packages.calls, 3);
}

TEST_F(Detection_Searches, PackageSearchBeforeWindows10DoesNotAskTheFinder) {
    machine.windows10OrLater = false;
    packages.version = L"1.0";
    EXPECT_FALSE(Found(Search(13, L"Vendor.Runtime")));
    EXPECT_EQ(packages.calls, 0);
}

TEST_F(Detection_Searches, PackageFinderFailureReachesTheCallingThread) {
    ThrowingPackageFinder broken;
    SearchMachine windows10 = machine;
    windows10.windows10OrLater = true;
    SearchRunner runner(config::MachineProperties(), files, broken, windows10);
    EXPECT_THROW(runner.RunSearch(Search(13, L"Vendor.Runtime"), false), std::logic_error);
}

TEST_F(Detection_Searches, RealPackageFinderUnderWineFindsNothing) {
    // OS quirk (Wine 8): the package manager class is not registered, so activation fails; the search then
    // finds nothing rather than failing.
    execution::MsixFinder real;
    SearchMachine windows10 = machine;
    windows10.windows10OrLater = true;
    SearchRunner runner(config::MachineProperties(), files, real, windows10);
    SearchOutcome outcome = runner.RunSearch(Search(13, L"Microsoft.VCLibs.140.00?x86"), false);
    EXPECT_FALSE(outcome.found);
    EXPECT_TRUE(outcome.values.empty());
    SearchRunner onThisMachine(config::MachineProperties(), files, real, ThisMachine());
    EXPECT_FALSE(onThisMachine.RunSearch(Search(13, L"Microsoft.VCLibs.140.00"), false).found);
}

TEST_F(Detection_Searches, OperatorsCombineRealSearchesAndStopEarly) {
    ScopedRegistryKey key;
    CreateSubkey(key.Handle(), L"present");
    const SearchRecord yes = Search(5, Hkcu(key, L"\\present"));
    const SearchRecord no = Search(5, Hkcu(key, L"\\absent"));
    const struct {
        std::int32_t op;
        std::vector<SearchRecord> searches;
        bool result;
        std::size_t outcomes;
    } cases[] = {
        {0, {}, true, 0},
        {1, {}, false, 0},
        {2, {}, false, 0},
        {0, {yes, no, yes}, false, 2},
        {0, {yes, yes, yes}, true, 3},
        {1, {no, yes, no}, true, 2},
        {1, {no, no, no}, false, 3},
        {2, {yes, yes}, false, 2},
    };
    SearchRunner runner(config::MachineProperties(), files, packages, machine);
    for (const auto& c : cases) {
        PrerequisiteRecord prerequisite;
        prerequisite.Operator = c.op;
        prerequisite.Searches = c.searches;
        std::vector<SearchOutcome> outcomes(5);
        EXPECT_EQ(runner.RunSearches(prerequisite, outcomes), c.result) << c.op << " " << c.searches.size();
        EXPECT_EQ(outcomes.size(), c.outcomes) << c.op << " " << c.searches.size();
    }
}

TEST_F(Detection_Searches, XOptionSwitchesTheSearchesOfThePrerequisite) {
    test::FakeProperties properties;
    properties.folders[L"Kit"] = TestBinaryFolder() + L"\\";
    SearchRunner runner(properties, files, packages, machine);
    PrerequisiteRecord prerequisite;
    prerequisite.Searches = {Search(0, L"[Kit]exit_with.exe")};
    std::vector<SearchOutcome> outcomes;
    prerequisite.Options = L"m";
    EXPECT_TRUE(runner.RunSearches(prerequisite, outcomes));
    prerequisite.Options = L"mx"; // [Kit] is unknown in the 64-bit view of the fake
    EXPECT_FALSE(runner.RunSearches(prerequisite, outcomes));
    prerequisite.Options = L"mX";
    EXPECT_TRUE(runner.RunSearches(prerequisite, outcomes));
}

using Detection_MsiSearches = test::InstalledSearchProducts;

TEST_F(Detection_MsiSearches, ProductUpgradeAndComponentSearchesAgainstInstalledPackages) {
    ASSERT_EQ(InstallResult(), 0u);
    execution::ExtractionContext files;
    FakePackageFinder packages;
    SearchRunner runner(config::MachineProperties(), files, packages, ThisMachine());
    const struct {
        SearchRecord search;
        bool found;
        std::vector<std::wstring> values;
    } cases[] = {
        {Search(3, test::kProductA), true, {L"1.2.3"}},
        {Search(3, test::kProductA, L"1.2.3", L"1.2.3"), true, {L"1.2.3"}},
        {Search(3, test::kProductA, L"1.2.4"), false, {L"1.2.3"}},
        {Search(3, test::kProductA, L"", L"1.2.2"), false, {L"1.2.3"}},
        {Search(3, test::kUnknownCode), false, {}},
        {Search(3, L"not a code"), false, {}},
        {Search(4, test::kUpgradeCode, L"2.0"), true, {}},
        {Search(4, test::kUpgradeCode, L"", L"1.5"), true, {}},
        {Search(4, test::kUpgradeCode, L"1.3", L"2.9"), false, {}},
        {Search(4, test::kUnknownCode), false, {}},
        {Search(11, test::kComponentA), true, {}},
        {Search(11, test::kUnknownCode), false, {}},
    };
    for (const auto& c : cases) {
        SearchOutcome outcome = runner.RunSearch(c.search, false);
        EXPECT_EQ(outcome.found, c.found) << c.search.SearchType << L" " << c.search.SearchString << L" "
                                          << c.search.VerMin << L"-" << c.search.VerMax;
        if (c.search.SearchType == 3) {
            EXPECT_EQ(outcome.values, c.values) << c.search.SearchString;
        }
        if (c.search.SearchType == 4 && c.search.SearchString == test::kUpgradeCode) {
            std::vector<std::wstring> sorted = outcome.values;
            std::sort(sorted.begin(), sorted.end());
            EXPECT_EQ(sorted, (std::vector<std::wstring>{L"1.2.3", L"3.0.0"}));
        }
    }
}
