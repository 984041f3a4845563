// The searches of a prerequisite: each looks in one place (a file or folder, the registry, the Windows
// Installer database, the installed packages, or a program's exit code) and says whether it found an
// acceptable installation; the prerequisite's Operator combines the answers. A search never fails: what
// cannot be looked at counts as not found (or as found for the searches that test absence).
//
// Searches keep no state between calls. They run on the thread that evaluates the prerequisites; a package
// search waits for the finder's own thread, a run-a-program search for the program it started.
#pragma once

#include <vector>

#include "config/pure/Configuration.h"
#include "config/pure/PropertyResolution.h"
#include "detection/pure/SearchRules.h"
#include "execution/ExtractionContext.h"
#include "execution/Msix.h"

namespace velmora::detection {

// The machine facts the searches depend on.
struct SearchMachine {
    bool is64BitOs = false;        // the registry's 64-bit view exists
    bool windows10OrLater = false; // package searches run; Windows-folder file versions are read from a copy
};

// The running machine's facts.
SearchMachine ThisMachine();

class SearchRunner {
public:
    // properties resolves references in paths and command lines, files locates search programs, packages
    // answers package searches. All three must outlive the runner.
    SearchRunner(const config::PropertySource& properties, const execution::ExtractionContext& files,
                 const execution::PackageFinder& packages, SearchMachine machine);

    // One search, with found decided. use64BitSwitch is the prerequisite's "x" option.
    SearchOutcome RunSearch(const config::SearchRecord& search, bool use64BitSwitch) const;

    // Empties outcomes, runs the prerequisite's searches in order and combines them by its Operator (0: all
    // found, 1: any found, other: never found), stopping at the first answer that decides. outcomes then
    // holds one entry per search that ran.
    bool RunSearches(const config::PrerequisiteRecord& prerequisite,
                     std::vector<SearchOutcome>& outcomes) const;

private:
    std::wstring Resolve(std::wstring_view text, bool use64BitView) const;
    void CollectMsiProductVersion(const std::wstring& productCode, SearchOutcome& outcome) const;
    bool RunProgram(const config::SearchRecord& search) const;
    void CollectPackageVersion(const config::SearchRecord& search, SearchOutcome& outcome) const;

    const config::PropertySource& properties_;
    const execution::ExtractionContext& files_;
    const execution::PackageFinder& packages_;
    SearchMachine machine_;
};

} // namespace velmora::detection
