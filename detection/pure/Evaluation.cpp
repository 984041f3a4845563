#include "detection/pure/Evaluation.h"

#include "detection/pure/LocalPath.h"
#include "platform/pure/TextCompare.h"

#include <unordered_map>
#include <vector>

namespace velmora::detection {

namespace {

using config::EvaluationState;

EvaluationState StateWhenMissing(config::SourceKey kind) {
    switch (kind) {
    case config::SourceKey::Url:
        return EvaluationState::Download;
    case config::SourceKey::OpenSite:
        return EvaluationState::OpenSite;
    default:
        return EvaluationState::InstallFromPackage;
    }
}

// A state other than Found and the action it turns into carry the same number.
constexpr bool SameNumber(ProcessingAction action, EvaluationState state) {
    return static_cast<std::int32_t>(action) == static_cast<std::int32_t>(state);
}
static_assert(SameNumber(ProcessingAction::InstallFromPackage, EvaluationState::InstallFromPackage) &&
              SameNumber(ProcessingAction::Download, EvaluationState::Download) &&
              SameNumber(ProcessingAction::OpenSite, EvaluationState::OpenSite) &&
              SameNumber(ProcessingAction::Excluded, EvaluationState::Excluded) &&
              SameNumber(ProcessingAction::NotEvaluated, EvaluationState::NotEvaluated));

} // namespace

ProcessingAction ActionOfState(EvaluationState state) {
    return static_cast<ProcessingAction>(state);
}

bool NeedsWork(EvaluationState state) {
    return state == EvaluationState::InstallFromPackage || state == EvaluationState::Download ||
           state == EvaluationState::OpenSite;
}

std::wstring_view StateText(EvaluationState state) {
    switch (state) {
    case EvaluationState::Found:
        return L"An acceptable version was found.";
    case EvaluationState::InstallFromPackage:
        return L"No acceptable version found. It must be installed from package.";
    case EvaluationState::Download:
        return L"No acceptable version found. It must be downloaded.";
    case EvaluationState::OpenSite:
        return L"No acceptable version found. It must be downloaded manually from a site.";
    case EvaluationState::Excluded:
        return L"No acceptable version found. Operating System not supported.";
    default:
        return L"";
    }
}

PrerequisiteEvaluator::PrerequisiteEvaluator(config::Configuration& configuration,
                                             EvaluationEnvironment& environment)
    : configuration_(configuration), environment_(environment) {}

void PrerequisiteEvaluator::Log(std::wstring_view prefix, std::wstring_view value) {
    if (!environment_.LogEnabled())
        return;
    std::wstring message(prefix);
    message += value;
    environment_.Log(message);
}

void PrerequisiteEvaluator::Evaluate(std::size_t index, bool recheck) {
    config::PrerequisiteRecord& prerequisite = configuration_.Prerequisites.at(index);
    // An excluded prerequisite stays excluded for the whole run.
    if (prerequisite.state == EvaluationState::Excluded)
        return;
    if (environment_.IsOsExcluded(prerequisite.WinNTVersions, prerequisite.WinNT64Versions) ||
        !environment_.IsLanguageAccepted(prerequisite.LanguageList)) {
        Log(L"Wrong OS or Os language for:", prerequisite.Name);
        prerequisite.state = EvaluationState::Excluded;
        return;
    }
    const bool use64BitView = prerequisite.HasOption(L'x');
    Log(L"Searching for:", prerequisite.Name);
    if (recheck && prerequisite.FlagI)
        return;

    const bool found = !prerequisite.FlagI && environment_.RunSearches(prerequisite, use64BitView);
    prerequisite.state = found ? EvaluationState::Found : StateWhenMissing(prerequisite.SourceKind);
    Log(L"Search result:", StateText(prerequisite.state));
}

int PrerequisiteEvaluator::EvaluateAll() {
    auto& prerequisites = configuration_.Prerequisites;
    for (std::size_t i = 0; i < prerequisites.size(); ++i)
        Evaluate(i, false);
    for (std::size_t i = 0; i < prerequisites.size(); ++i) {
        RefreshDownloaded(prerequisites[i]);
        SetSelected(i, NeedsWork(prerequisites[i].state));
    }
    return 0;
}

void PrerequisiteEvaluator::SetSelected(std::size_t index, bool on) {
    (void)configuration_.Prerequisites.at(index);
    SetSelectedAt(index, on, 0);
}

const PrerequisiteEvaluator::SelectionLinks& PrerequisiteEvaluator::Links() {
    const auto& prerequisites = configuration_.Prerequisites;
    const std::size_t count = prerequisites.size();
    if (links_.count == count && links_.nameHolder.size() == count)
        return links_;
    SelectionLinks links;
    links.count = count;
    links.nameHolder.resize(count);
    links.parent.resize(count, kNone);
    {
        std::unordered_map<std::wstring_view, std::size_t> firstNamed;
        firstNamed.reserve(count);
        for (std::size_t i = 0; i < count; ++i)
            links.nameHolder[i] = firstNamed.emplace(prerequisites[i].Name, i).first->second;
        for (std::size_t i = 0; i < count; ++i) {
            const auto found = firstNamed.find(prerequisites[i].ParentPrereq);
            if (found != firstNamed.end())
                links.parent[i] = found->second;
        }
    }
    // Children grouped by the holder of their parent's name, each group in list order.
    links.childrenFrom.assign(count + 1, 0);
    for (std::size_t i = 0; i < count; ++i) {
        if (links.parent[i] != kNone)
            ++links.childrenFrom[links.parent[i] + 1];
    }
    for (std::size_t h = 0; h < count; ++h)
        links.childrenFrom[h + 1] += links.childrenFrom[h];
    links.children.resize(links.childrenFrom[count]);
    std::vector<std::size_t> next(links.childrenFrom.begin(), links.childrenFrom.end() - 1);
    for (std::size_t i = 0; i < count; ++i) {
        if (links.parent[i] != kNone)
            links.children[next[links.parent[i]]++] = i;
    }
    links_ = std::move(links);
    return links_;
}

void PrerequisiteEvaluator::SetSelectedAt(std::size_t index, bool on, std::size_t depth) {
    auto& prerequisites = configuration_.Prerequisites;
    config::PrerequisiteRecord& prerequisite = prerequisites[index];
    if (prerequisite.selected == on)
        return;
    prerequisite.selected = on;
    Log(L"Prerequisite selected for install:", prerequisite.Name);

    // ParentPrereq links written by hand may form cycles; every change above is real, so a bound of a few
    // passes over the list keeps a pathological graph from exhausting the stack.
    if (depth > 4 * prerequisites.size() + 4)
        return;

    const SelectionLinks& links = Links();
    const std::size_t holder = links.nameHolder[index];
    for (std::size_t k = links.childrenFrom[holder]; k < links.childrenFrom[holder + 1]; ++k) {
        const std::size_t j = links.children[k];
        if (j == index || prerequisites[j].state == EvaluationState::Excluded)
            continue;
        SetSelectedAt(j, on && NeedsWork(prerequisites[j].state), depth + 1);
    }

    const std::size_t parent = links.parent[index];
    if (on && !prerequisite.ParentPrereq.empty() && parent != kNone &&
        prerequisites[parent].state != EvaluationState::Found &&
        prerequisites[parent].state != EvaluationState::Excluded)
        SetSelectedAt(parent, true, depth + 1);
    prerequisite.selected = on;
}

bool PrerequisiteEvaluator::IsDownloaded(const config::PrerequisiteRecord& prerequisite) {
    // A local file URL counts as present without looking at the disk.
    if (IsFileUrlSource(prerequisite.Source))
        return true;
    std::wstring path =
        LocalPathFor(configuration_.GetDownloadFolder(), prerequisite.Source, prerequisite.Folder);
    return environment_.FilePresent(path, prerequisite.ExactSize);
}

void PrerequisiteEvaluator::RefreshDownloaded(config::PrerequisiteRecord& prerequisite) {
    if (prerequisite.state == EvaluationState::Download)
        prerequisite.downloaded = IsDownloaded(prerequisite);
}

void PrerequisiteEvaluator::ReevaluateAll() {
    // Which prerequisites are checked is decided before any of them is: a parent found now deselects its
    // children, and a child left out for that (or deselected after its own check) would count as done in
    // the final check though it is still missing. A prerequisite that still needs work stays selected.
    auto& prerequisites = configuration_.Prerequisites;
    std::vector<std::size_t> processed;
    for (std::size_t i = 0; i < prerequisites.size(); ++i) {
        const ProcessingAction action = ActionOf(i);
        if (action != ProcessingAction::NotSelected && action != ProcessingAction::Excluded)
            processed.push_back(i);
    }
    for (std::size_t i : processed) {
        Evaluate(i, true);
        RefreshDownloaded(prerequisites[i]);
        SetSelected(i, NeedsWork(prerequisites[i].state));
    }
    for (std::size_t i : processed) {
        if (NeedsWork(prerequisites[i].state) && !prerequisites[i].selected)
            SetSelected(i, true);
    }
}

bool PrerequisiteEvaluator::IsPrerequisiteDetected(std::size_t index) {
    Evaluate(index, true);
    config::PrerequisiteRecord& prerequisite = configuration_.Prerequisites.at(index);
    RefreshDownloaded(prerequisite);
    return prerequisite.state == EvaluationState::Found;
}

ProcessingAction PrerequisiteEvaluator::ActionOf(std::size_t index) {
    config::PrerequisiteRecord& prerequisite = configuration_.Prerequisites.at(index);
    if (!prerequisite.selected)
        return ProcessingAction::NotSelected;
    if (prerequisite.state != EvaluationState::Found) {
        if (prerequisite.state == EvaluationState::Download && prerequisite.downloaded)
            return ProcessingAction::InstallDownloaded;
        return ActionOfState(prerequisite.state);
    }
    if (prerequisite.SourceKind == config::SourceKey::Url)
        return IsDownloaded(prerequisite) ? ProcessingAction::InstallDownloaded : ProcessingAction::Download;
    if (prerequisite.SourceKind == config::SourceKey::OpenSite)
        return ProcessingAction::OpenSite;
    return ProcessingAction::InstallFromPackage;
}

bool PrerequisiteEvaluator::AllMandatoryDone() {
    auto& prerequisites = configuration_.Prerequisites;
    for (std::size_t i = 0; i < prerequisites.size(); ++i) {
        if (!prerequisites[i].HasOption(L'm') || prerequisites[i].HasOption(L'i'))
            continue;
        // ActionOf gives every selected prerequisite some work: only one no longer selected is done.
        if (ActionOf(i) != ProcessingAction::NotSelected)
            return false;
    }
    return true;
}

} // namespace velmora::detection
