// Evaluation of the prerequisites: for each one, whether it applies to this system, whether it is installed,
// and what must be done to get it; plus the selection that the processing sequence works from, propagated
// along ParentPrereq links. Every decision is logged.
//
// The rules are pure: the machine is reached through EvaluationEnvironment (exclusion tests, searches, the
// download folder on disk, the log), so the whole table of decisions is tested without Windows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/pure/Configuration.h"

namespace velmora::detection {

// What the processing sequence does with a prerequisite (PrerequisiteEvaluator::ActionOf). A selected
// prerequisite keeps the number of its evaluation state (config::EvaluationState) unless it is found or
// already downloaded, so the states other than Found have an action of the same number.
enum class ProcessingAction : std::int32_t {
    InstallFromPackage = 1,
    Download = 2,
    OpenSite = 3,
    Excluded = 4,
    InstallDownloaded = 5, // a download that is in place
    NotSelected = 7,
    NotEvaluated = 8,
};

// The action of the same number as a state other than Found.
ProcessingAction ActionOfState(config::EvaluationState state);

// The prerequisite is missing and can be got: installed from the package, downloaded or fetched by hand.
bool NeedsWork(config::EvaluationState state);

// The text that follows "Search result:" in the log; empty for states without one.
std::wstring_view StateText(config::EvaluationState state);

// What the evaluation needs from the machine.
class EvaluationEnvironment {
public:
    virtual ~EvaluationEnvironment() = default;
    virtual bool IsOsExcluded(std::wstring_view winNtVersions, std::wstring_view winNt64Versions) = 0;
    virtual bool IsLanguageAccepted(std::wstring_view languageList) = 0;
    // Runs the prerequisite's searches with its operator; true when it is found.
    virtual bool RunSearches(config::PrerequisiteRecord& prerequisite, bool use64BitView) = 0;
    // A plain file (platform/pure/FileTrust.h) exists at path and, unless exactSize is 0, its size equals
    // exactSize.
    virtual bool FilePresent(const std::wstring& path, std::uint64_t exactSize) = 0;
    virtual bool LogEnabled() = 0;
    virtual void Log(std::wstring_view message) = 0;
};

class PrerequisiteEvaluator {
public:
    // Both must outlive the evaluator.
    PrerequisiteEvaluator(config::Configuration& configuration, EvaluationEnvironment& environment);

    // An index outside the list is a programming failure (std::out_of_range).
    void Evaluate(std::size_t index, bool recheck);
    // Evaluates every prerequisite, then sets the selection. Returns 0.
    int EvaluateAll();
    void SetSelected(std::size_t index, bool on);
    bool IsDownloaded(const config::PrerequisiteRecord& prerequisite);
    // Re-evaluates the prerequisites still being processed and renews their selection.
    void ReevaluateAll();
    // Re-evaluates one prerequisite; true when it is now found.
    bool IsPrerequisiteDetected(std::size_t index);

    // InstallFromPackage, Download, OpenSite, InstallDownloaded, NotSelected, or the action of another
    // state but Found.
    ProcessingAction ActionOf(std::size_t index);
    // No mandatory prerequisite ("m" without "i") still needs work.
    bool AllMandatoryDone();

private:
    // The ParentPrereq links as indices, so that a selection change visits only the prerequisites it
    // concerns: scanning the whole list at every change made a kit of thousands of missing prerequisites
    // quadratic. Built for a list of `count` records, again when the list's length changes.
    struct SelectionLinks {
        std::size_t count = 0;
        std::vector<std::size_t> nameHolder;   // the first prerequisite with the same Name as each one
        std::vector<std::size_t> parent;       // the first one whose Name is its ParentPrereq, or kNone
        std::vector<std::size_t> childrenFrom; // children of name holder h: children[childrenFrom[h] ...
        std::vector<std::size_t> children;     // ... childrenFrom[h + 1]), in list order
    };
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    const SelectionLinks& Links();
    void SetSelectedAt(std::size_t index, bool on, std::size_t depth);
    void RefreshDownloaded(config::PrerequisiteRecord& prerequisite);
    void Log(std::wstring_view prefix, std::wstring_view value);

    config::Configuration& configuration_;
    EvaluationEnvironment& environment_;
    SelectionLinks links_;
};

} // namespace velmora::detection
