#include "detection/Searches.h"

#include <msi.h>

#include "detection/FileSearch.h"
#include "detection/OsVersion.h"
#include "detection/RegistrySearch.h"
#include "detection/WindowsInstaller.h"
#include "execution/ProcessStart.h"

namespace velmora::detection {

namespace {

// A program the shell started without handing back a process has no exit code to show; it does not
// count as having answered 0.
constexpr DWORD kNoExitCode = ERROR_INVALID_HANDLE;

} // namespace

SearchMachine ThisMachine() {
    return SearchMachine{GetOsVersionInfo().is64BitOs, IsWindows10OrLater()};
}

SearchRunner::SearchRunner(const config::PropertySource& properties,
                           const execution::ExtractionContext& files,
                           const execution::PackageFinder& packages, SearchMachine machine)
    : properties_(properties), files_(files), packages_(packages), machine_(machine) {}

std::wstring SearchRunner::Resolve(std::wstring_view text, bool use64BitView) const {
    return config::ResolveProperties(text, use64BitView, properties_);
}

SearchOutcome SearchRunner::RunSearch(const config::SearchRecord& search, bool use64BitSwitch) const {
    SearchOutcome outcome;
    const std::wstring& text = search.SearchString;
    const REGSAM view = RegistryView(use64BitSwitch, machine_.is64BitOs);
    const auto resolve = [&](std::wstring_view path) { return Resolve(path, use64BitSwitch); };
    const FileSearchRequest files{text, search.VerMin, search.VerMax, use64BitSwitch,
                                  machine_.windows10OrLater};

    switch (static_cast<SearchType>(search.SearchType)) {
    case SearchType::FileVersion:
        CollectFileVersions(files, resolve, outcome.values);
        break;
    case SearchType::RegistrySubkeyVersion:
        CollectSubkeyNames(text, view, outcome);
        break;
    case SearchType::RegistryValueVersion:
        CollectValueText(text, view, outcome);
        break;
    case SearchType::MsiProductVersion:
        CollectMsiProductVersion(text, outcome);
        break;
    case SearchType::MsiUpgradeCodeVersion: {
        std::wstring product;
        for (DWORD index = 0; MsiRelatedProduct(text, index, product) == ERROR_SUCCESS; ++index)
            CollectMsiProductVersion(product, outcome);
        break;
    }
    case SearchType::RegistryKeyExists:
        outcome.found = RegistryKeyOpens(text, view);
        return outcome;
    case SearchType::RegistryKeyMissing:
        outcome.found = !RegistryKeyOpens(text, view);
        return outcome;
    case SearchType::RegistryValueExists:
        outcome.found = RegistryValueExists(text, view);
        return outcome;
    case SearchType::RegistryValueMissing:
        outcome.found = !RegistryValueExists(text, view);
        return outcome;
    case SearchType::RegistryValueContent:
        outcome.found = RegistryValueContentMatches(text, view, search.RefContent, outcome);
        return outcome;
    case SearchType::RunProgram:
        outcome.found = RunProgram(search);
        return outcome;
    case SearchType::MsiComponentInstalled: {
        const int state = MsiComponentState(text);
        outcome.found = state == INSTALLSTATE_LOCAL || state == INSTALLSTATE_SOURCE;
        return outcome;
    }
    case SearchType::RegistryValueNameVersion:
        // This one asks for the 64-bit view whenever the switch is on, whatever the system.
        CollectValueNames(text, use64BitSwitch ? KEY_WOW64_64KEY : 0, outcome);
        break;
    case SearchType::PackageVersion:
        CollectPackageVersion(search, outcome);
        break;
    case SearchType::FolderNameVersion:
        CollectFolderNameVersions(files, resolve, outcome.values);
        break;
    default:
        // A type this chainer does not know searches nothing and stands in the way of nothing.
        outcome.found = true;
        return outcome;
    }
    outcome.found = AnyValueInRange(search.VerMin, search.VerMax, outcome.values);
    return outcome;
}

bool SearchRunner::RunSearches(const config::PrerequisiteRecord& prerequisite,
                               std::vector<SearchOutcome>& outcomes) const {
    outcomes.clear();
    const bool use64BitSwitch = Uses64BitSwitch(prerequisite.Options);
    return CombineSearches(prerequisite.Operator, prerequisite.Searches.size(), [&](std::size_t i) {
        outcomes.push_back(RunSearch(prerequisite.Searches[i], use64BitSwitch));
        return outcomes.back().found;
    });
}

void SearchRunner::CollectMsiProductVersion(const std::wstring& productCode, SearchOutcome& outcome) const {
    std::wstring version;
    if (MsiProductVersionString(productCode, version) == ERROR_SUCCESS)
        outcome.values.push_back(std::move(version));
}

bool SearchRunner::RunProgram(const config::SearchRecord& search) const {
    std::wstring program;
    (void)files_.LocateProgramFile(search.SearchString, program);
    const std::wstring arguments = Resolve(search.SearchCmdLine, false);
    const bool hidden = search.RefContent == L"WND_HIDE";
    DWORD exitCode = kNoExitCode;
    return execution::ShellExecuteAndWait(program, arguments, L"", hidden, &exitCode) && exitCode == 0;
}

void SearchRunner::CollectPackageVersion(const config::SearchRecord& search, SearchOutcome& outcome) const {
    // Packages exist from Windows 10 on; older systems are not asked.
    if (!machine_.windows10OrLater)
        return;
    const PackageSearchString wanted = SplitPackageSearchString(search.SearchString);
    // The finder runs its search on a thread of its own in the multithreaded apartment, whatever apartment
    // this thread lives in.
    std::wstring version = packages_.Find(wanted.name, wanted.publisher, wanted.architecture);
    if (!version.empty())
        outcome.values.push_back(std::move(version));
}

} // namespace velmora::detection
