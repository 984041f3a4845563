#include "detection/pure/Evaluation.h"

#include "detection/pure/LocalPath.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <vector>

using namespace velmora::detection;
using velmora::config::Configuration;
using velmora::config::EvaluationState;
using velmora::config::PrerequisiteRecord;
using velmora::config::SourceKey;

namespace {

// The machine as the tests want it: which prerequisites are found, excluded, downloaded.
class FakeEnvironment : public EvaluationEnvironment {
public:
    std::set<std::wstring> installed;
    std::set<std::wstring> excludedOs;           // matched against WinNTVersions
    std::set<std::wstring> rejectedLang;         // matched against LanguageList
    std::map<std::wstring, std::uint64_t> files; // path -> size
    std::vector<std::wstring> log;
    std::vector<std::wstring> searched;
    std::vector<bool> views;

    bool IsOsExcluded(std::wstring_view winNt, std::wstring_view) override {
        return excludedOs.count(std::wstring(winNt)) > 0;
    }
    bool IsLanguageAccepted(std::wstring_view list) override {
        return rejectedLang.count(std::wstring(list)) == 0;
    }
    bool RunSearches(PrerequisiteRecord& p, bool use64) override {
        searched.push_back(p.Name);
        views.push_back(use64);
        return installed.count(p.Name) > 0;
    }
    bool FilePresent(const std::wstring& path, std::uint64_t exactSize) override {
        auto it = files.find(path);
        return it != files.end() && (exactSize == 0 || exactSize == it->second);
    }
    bool LogEnabled() override { return true; }
    void Log(std::wstring_view message) override { log.emplace_back(message); }
};

class EvaluationTest : public ::testing::Test {
protected:
    Configuration config;
    FakeEnvironment env;
    PrerequisiteEvaluator evaluator{config, env};

    PrerequisiteRecord& Add(const wchar_t* name, SourceKey kind = SourceKey::SetupFile,
                            const wchar_t* options = L"", const wchar_t* parent = L"") {
        PrerequisiteRecord p;
        p.Name = name;
        p.SourceKind = kind;
        p.Options = options;
        p.FlagI = p.HasOption(L'i');
        p.ParentPrereq = parent;
        p.state = EvaluationState::NotEvaluated;
        p.Source = kind == SourceKey::Url ? L"http://example.test/" + std::wstring(name) + L".exe" : name;
        config.Prerequisites.push_back(p);
        return config.Prerequisites.back();
    }
    PrerequisiteRecord& At(std::size_t i) { return config.Prerequisites[i]; }
};

} // namespace

TEST_F(EvaluationTest, StatesFollowTheSourceKindAndAreLoggedExactly) {
    Add(L"Found");
    Add(L"Package", SourceKey::SetupFile);
    Add(L"Download", SourceKey::Url);
    Add(L"Site", SourceKey::OpenSite);
    env.installed = {L"Found"};
    EXPECT_EQ(evaluator.EvaluateAll(), 0);
    EXPECT_EQ(At(0).state, EvaluationState::Found);
    EXPECT_EQ(At(1).state, EvaluationState::InstallFromPackage);
    EXPECT_EQ(At(2).state, EvaluationState::Download);
    EXPECT_EQ(At(3).state, EvaluationState::OpenSite);
    EXPECT_FALSE(At(0).selected);
    EXPECT_TRUE(At(1).selected && At(2).selected && At(3).selected);
    std::vector<std::wstring> expected = {
        L"Searching for:Found",
        L"Search result:An acceptable version was found.",
        L"Searching for:Package",
        L"Search result:No acceptable version found. It must be installed from package.",
        L"Searching for:Download",
        L"Search result:No acceptable version found. It must be downloaded.",
        L"Searching for:Site",
        L"Search result:No acceptable version found. It must be downloaded manually from a site.",
        L"Prerequisite selected for install:Package",
        L"Prerequisite selected for install:Download",
        L"Prerequisite selected for install:Site",
    };
    EXPECT_EQ(env.log, expected);
}

TEST_F(EvaluationTest, ExcludedPrerequisiteIsNeverSearchedAgain) {
    Add(L"OldOs").WinNTVersions = L"XP";
    Add(L"OtherLanguage").LanguageList = L"1031;";
    env.excludedOs = {L"XP"};
    env.rejectedLang = {L"1031;"};
    evaluator.EvaluateAll();
    EXPECT_EQ(At(0).state, EvaluationState::Excluded);
    EXPECT_EQ(At(1).state, EvaluationState::Excluded);
    EXPECT_FALSE(At(0).selected);
    EXPECT_EQ(env.log, (std::vector<std::wstring>{L"Wrong OS or Os language for:OldOs",
                                                  L"Wrong OS or Os language for:OtherLanguage"}));
    env.log.clear();
    env.excludedOs.clear();
    evaluator.Evaluate(0, false);
    evaluator.ReevaluateAll();
    EXPECT_TRUE(env.searched.empty());
    EXPECT_TRUE(env.log.empty());
    EXPECT_EQ(evaluator.ActionOf(0), ProcessingAction::NotSelected);
}

TEST_F(EvaluationTest, OptionISkipsSearchesAndARecheckKeepsTheState) {
    Add(L"Always", SourceKey::SetupFile, L"i");
    env.installed = {L"Always"};
    evaluator.EvaluateAll();
    EXPECT_TRUE(env.searched.empty());
    EXPECT_EQ(At(0).state, EvaluationState::InstallFromPackage);
    EXPECT_TRUE(At(0).selected);
    env.log.clear();
    EXPECT_FALSE(evaluator.IsPrerequisiteDetected(0));
    EXPECT_EQ(At(0).state, EvaluationState::InstallFromPackage);
    EXPECT_EQ(env.log, (std::vector<std::wstring>{L"Searching for:Always"}));
}

TEST_F(EvaluationTest, OptionXAsksForThe64BitView) {
    Add(L"A", SourceKey::SetupFile, L"x");
    Add(L"B");
    evaluator.EvaluateAll();
    EXPECT_EQ(env.views, (std::vector<bool>{true, false}));
}

TEST_F(EvaluationTest, DownloadAlreadyPresentAtTheRightSizeGivesAction5) {
    Add(L"Tool", SourceKey::Url).ExactSize = 10;
    config.DownloadFolder = L"C:\\dl";
    std::wstring path = velmora::detection::LocalPathFor(config.GetDownloadFolder(), At(0).Source, L"");
    env.files[path] = 10;
    evaluator.EvaluateAll();
    EXPECT_EQ(At(0).state, EvaluationState::Download);
    EXPECT_TRUE(At(0).downloaded);
    EXPECT_EQ(evaluator.ActionOf(0), ProcessingAction::InstallDownloaded);

    env.files[path] = 11;
    At(0).downloaded = false;
    EXPECT_FALSE(evaluator.IsDownloaded(At(0)));
}

TEST_F(EvaluationTest, FileUrlsCountAsDownloadedWithoutTheDisk) {
    PrerequisiteRecord& p = Add(L"Local", SourceKey::Url);
    for (const wchar_t* source : {L"FILE:///C:/kit/a.exe", L"file://server/share/a.exe"}) {
        p.Source = source;
        EXPECT_TRUE(evaluator.IsDownloaded(p)) << source;
    }
    p.Source = L"file:///";
    EXPECT_FALSE(evaluator.IsDownloaded(p));
}

TEST_F(EvaluationTest, SelectingAChildSelectsItsParentAndDeselectingTheParentDeselectsTheChild) {
    Add(L"A", SourceKey::SetupFile);
    Add(L"B", SourceKey::SetupFile, L"", L"A");
    At(0).state = EvaluationState::InstallFromPackage;
    At(1).state = EvaluationState::InstallFromPackage;
    evaluator.SetSelected(1, true);
    EXPECT_TRUE(At(0).selected);
    EXPECT_TRUE(At(1).selected);
    env.log.clear();
    evaluator.SetSelected(0, false);
    EXPECT_FALSE(At(0).selected);
    EXPECT_FALSE(At(1).selected);
    EXPECT_EQ(env.log, (std::vector<std::wstring>{L"Prerequisite selected for install:A",
                                                  L"Prerequisite selected for install:B"}));
}

TEST_F(EvaluationTest, SelectingAParentSelectsOnlyChildrenThatNeedWork) {
    Add(L"A");
    Add(L"NeedsWork", SourceKey::SetupFile, L"", L"A");
    Add(L"Installed", SourceKey::SetupFile, L"", L"A");
    At(0).state = EvaluationState::InstallFromPackage;
    At(1).state = EvaluationState::InstallFromPackage;
    At(2).state = EvaluationState::Found;
    evaluator.SetSelected(0, true);
    EXPECT_TRUE(At(1).selected);
    EXPECT_FALSE(At(2).selected);
}

TEST_F(EvaluationTest, FoundOrExcludedParentIsNotSelected) {
    Add(L"A");
    Add(L"B", SourceKey::SetupFile, L"", L"A");
    At(0).state = EvaluationState::Found;
    At(1).state = EvaluationState::InstallFromPackage;
    evaluator.SetSelected(1, true);
    EXPECT_FALSE(At(0).selected);
}

TEST_F(EvaluationTest, ParentThatNamesNoPrerequisiteIsIgnored) {
    Add(L"B", SourceKey::SetupFile, L"", L"Nobody");
    At(0).state = EvaluationState::InstallFromPackage;
    evaluator.SetSelected(0, true);
    EXPECT_TRUE(At(0).selected);
}

TEST_F(EvaluationTest, CyclicParentLinksEnd) {
    Add(L"A", SourceKey::SetupFile, L"", L"B");
    Add(L"B", SourceKey::SetupFile, L"", L"A");
    Add(L"C", SourceKey::SetupFile, L"", L"C");
    for (auto& p : config.Prerequisites)
        p.state = EvaluationState::InstallFromPackage;
    evaluator.SetSelected(0, true);
    evaluator.SetSelected(2, true);
    EXPECT_TRUE(At(0).selected && At(1).selected && At(2).selected);
    evaluator.SetSelected(1, false);
    EXPECT_FALSE(At(0).selected || At(1).selected);
}

namespace {

// The selection rules as a scan of the whole list at every change, as they read: the indexed evaluator must
// select, and log, exactly as this does.
class ScanningSelection {
public:
    ScanningSelection(std::vector<PrerequisiteRecord>& list, std::vector<std::wstring>& log)
        : list_(list), log_(log) {}

    void Set(std::size_t index, bool on, std::size_t depth = 0) {
        PrerequisiteRecord& prerequisite = list_[index];
        if (prerequisite.selected == on)
            return;
        prerequisite.selected = on;
        log_.push_back(L"Prerequisite selected for install:" + prerequisite.Name);
        if (depth > 4 * list_.size() + 4)
            return;
        for (std::size_t j = 0; j < list_.size(); ++j) {
            if (j != index && list_[j].state != EvaluationState::Excluded &&
                list_[j].ParentPrereq == prerequisite.Name)
                Set(j, on && NeedsWork(list_[j].state), depth + 1);
        }
        if (on && !prerequisite.ParentPrereq.empty()) {
            for (std::size_t j = 0; j < list_.size(); ++j) {
                if (list_[j].Name != prerequisite.ParentPrereq)
                    continue;
                if (list_[j].state != EvaluationState::Found && list_[j].state != EvaluationState::Excluded)
                    Set(j, true, depth + 1);
                break;
            }
        }
        prerequisite.selected = on;
    }

private:
    std::vector<PrerequisiteRecord>& list_;
    std::vector<std::wstring>& log_;
};

struct Link {
    const wchar_t* name;
    const wchar_t* parent;
    EvaluationState state;
};

// Runs the same selection changes through the evaluator and through the scan; both must agree after each.
void ExpectSelectionAsScanned(const std::vector<Link>& links,
                              const std::vector<std::pair<std::size_t, bool>>& changes) {
    Configuration config;
    FakeEnvironment env;
    PrerequisiteEvaluator evaluator(config, env);
    for (const Link& link : links) {
        PrerequisiteRecord p;
        p.Name = link.name;
        p.ParentPrereq = link.parent;
        p.state = link.state;
        config.Prerequisites.push_back(p);
    }
    std::vector<PrerequisiteRecord> model = config.Prerequisites;
    std::vector<std::wstring> modelLog;
    ScanningSelection scan(model, modelLog);
    for (const auto& [index, on] : changes) {
        evaluator.SetSelected(index, on);
        scan.Set(index, on);
        for (std::size_t i = 0; i < model.size(); ++i)
            ASSERT_EQ(config.Prerequisites[i].selected, model[i].selected)
                << "prerequisite " << i << " after SetSelected(" << index << ", " << on << ")";
        ASSERT_EQ(env.log, modelLog) << "after SetSelected(" << index << ", " << on << ")";
    }
}

// Every prerequisite selected in turn, then every one deselected, then each set to whether it needs work.
std::vector<std::pair<std::size_t, bool>> EveryChange(const std::vector<Link>& links) {
    std::vector<std::pair<std::size_t, bool>> changes;
    for (std::size_t i = 0; i < links.size(); ++i)
        changes.emplace_back(i, true);
    for (std::size_t i = 0; i < links.size(); ++i)
        changes.emplace_back(i, false);
    for (std::size_t i = links.size(); i-- > 0;)
        changes.emplace_back(i, NeedsWork(links[i].state));
    return changes;
}

} // namespace

TEST(EvaluationSelection, ParentAndChildLinksSelectAsAScanOfTheWholeListWould) {
    constexpr EvaluationState missing = EvaluationState::InstallFromPackage;
    constexpr EvaluationState download = EvaluationState::Download;
    constexpr EvaluationState found = EvaluationState::Found;
    constexpr EvaluationState excluded = EvaluationState::Excluded;
    const std::vector<std::vector<Link>> table = {
        // A chain, each the parent of the next, listed child first.
        {{L"C", L"B", missing}, {L"B", L"A", download}, {L"A", L"", missing}},
        // One parent, children that need work, are found, are excluded.
        {{L"A", L"", missing},
         {L"B", L"A", missing},
         {L"C", L"A", found},
         {L"D", L"A", excluded},
         {L"E", L"A", download}},
        // A found parent and an excluded one are never selected for their children.
        {{L"A", L"", found}, {L"B", L"A", missing}, {L"X", L"", excluded}, {L"Y", L"X", missing}},
        // Two prerequisites of one name: both have the children of that name; the first is the parent.
        {{L"A", L"", missing}, {L"A", L"", download}, {L"B", L"A", missing}, {L"C", L"A", missing}},
        {{L"A", L"", found}, {L"A", L"", missing}, {L"B", L"A", missing}},
        // A prerequisite without a name has every prerequisite without a parent as its child.
        {{L"", L"", missing}, {L"A", L"", missing}, {L"B", L"", found}, {L"C", L"A", missing}},
        // A parent that names nobody, and one that names its own prerequisite.
        {{L"A", L"Nobody", missing}, {L"B", L"B", missing}, {L"C", L"A", missing}},
        // Cycles.
        {{L"A", L"B", missing}, {L"B", L"A", missing}, {L"C", L"C", missing}, {L"D", L"A", download}},
        {{L"A", L"C", missing}, {L"B", L"A", missing}, {L"C", L"B", found}, {L"D", L"B", missing}},
    };
    for (std::size_t c = 0; c < table.size(); ++c) {
        SCOPED_TRACE("case " + std::to_string(c));
        ExpectSelectionAsScanned(table[c], EveryChange(table[c]));
    }
}

TEST(EvaluationSelection, ManyLinkedListsSelectAsAScanOfTheWholeListWould) {
    const wchar_t* const names[] = {L"A", L"B", L"C", L"D", L""};
    const wchar_t* const parents[] = {L"A", L"B", L"C", L"D", L"", L"", L"", L"Nobody"};
    const EvaluationState states[] = {EvaluationState::Found, EvaluationState::InstallFromPackage,
                                      EvaluationState::Download, EvaluationState::OpenSite,
                                      EvaluationState::Excluded};
    std::mt19937 random(22);
    for (int round = 0; round < 300; ++round) {
        std::vector<Link> links(2 + random() % 8);
        for (Link& link : links)
            link = {names[random() % 5], parents[random() % 8], states[random() % 5]};
        std::vector<std::pair<std::size_t, bool>> changes(20);
        for (auto& change : changes)
            change = {random() % links.size(), random() % 2 == 0};
        SCOPED_TRACE("round " + std::to_string(round));
        ExpectSelectionAsScanned(links, changes);
        if (::testing::Test::HasFatalFailure())
            return;
    }
}

TEST_F(EvaluationTest, NoSearchesFoundMeansNotSelected) {
    Add(L"Quiet");
    env.installed = {L"Quiet"};
    evaluator.EvaluateAll();
    EXPECT_EQ(evaluator.ActionOf(0), ProcessingAction::NotSelected);
}

TEST_F(EvaluationTest, ReevaluationUnselectsWhatIsNowInstalled) {
    Add(L"Runtime", SourceKey::SetupFile, L"m");
    evaluator.EvaluateAll();
    EXPECT_FALSE(evaluator.AllMandatoryDone());
    env.installed = {L"Runtime"};
    evaluator.ReevaluateAll();
    EXPECT_EQ(At(0).state, EvaluationState::Found);
    EXPECT_EQ(evaluator.ActionOf(0), ProcessingAction::NotSelected);
    EXPECT_TRUE(evaluator.AllMandatoryDone());
}

TEST_F(EvaluationTest, ChildStillMissingUnderAFoundParentFailsTheFinalCheckInEitherOrder) {
    for (bool childFirst : {false, true}) {
        config.Prerequisites.clear();
        if (childFirst)
            Add(L"Child", SourceKey::SetupFile, L"m", L"Parent");
        Add(L"Parent", SourceKey::SetupFile, L"m");
        if (!childFirst)
            Add(L"Child", SourceKey::SetupFile, L"m", L"Parent");
        env.installed.clear();
        evaluator.EvaluateAll();
        env.installed = {L"Parent"};
        env.searched.clear();
        evaluator.ReevaluateAll();
        const std::size_t child = childFirst ? 0 : 1;
        EXPECT_EQ(env.searched, (std::vector<std::wstring>{childFirst ? L"Child" : L"Parent",
                                                           childFirst ? L"Parent" : L"Child"}));
        EXPECT_EQ(evaluator.ActionOf(child), ProcessingAction::InstallFromPackage) << childFirst;
        EXPECT_EQ(evaluator.ActionOf(1 - child), ProcessingAction::NotSelected) << childFirst;
        EXPECT_FALSE(evaluator.AllMandatoryDone()) << childFirst;
    }
}

TEST_F(EvaluationTest, MandatoryWithIDoesNotCountInTheFinalCheck) {
    Add(L"Excused", SourceKey::SetupFile, L"mi");
    Add(L"Optional");
    evaluator.EvaluateAll();
    EXPECT_TRUE(evaluator.AllMandatoryDone());
}

TEST_F(EvaluationTest, ActionTable) {
    struct Case {
        bool selected;
        EvaluationState state;
        SourceKey kind;
        bool downloaded;
        ProcessingAction action;
    } cases[] = {
        {false, EvaluationState::Download, SourceKey::Url, false, ProcessingAction::NotSelected},
        {true, EvaluationState::Download, SourceKey::Url, false, ProcessingAction::Download},
        {true, EvaluationState::Download, SourceKey::Url, true, ProcessingAction::InstallDownloaded},
        {true, EvaluationState::OpenSite, SourceKey::OpenSite, false, ProcessingAction::OpenSite},
        {true, EvaluationState::Excluded, SourceKey::SetupFile, false, ProcessingAction::Excluded},
        {true, EvaluationState::Found, SourceKey::OpenSite, false, ProcessingAction::OpenSite},
        {true, EvaluationState::Found, SourceKey::SetupFile, false, ProcessingAction::InstallFromPackage},
        {true, EvaluationState::Found, SourceKey::Url, false, ProcessingAction::Download},
        {true, EvaluationState::NotEvaluated, SourceKey::SetupFile, false, ProcessingAction::NotEvaluated},
    };
    Add(L"P");
    for (const Case& c : cases) {
        At(0).selected = c.selected;
        At(0).state = c.state;
        At(0).SourceKind = c.kind;
        At(0).downloaded = c.downloaded;
        EXPECT_EQ(evaluator.ActionOf(0), c.action) << static_cast<int>(c.state) << " " << c.selected;
    }
}

TEST_F(EvaluationTest, IndexOutsideTheListIsAProgrammingFailure) {
    EXPECT_THROW(evaluator.Evaluate(0, false), std::out_of_range);
    EXPECT_THROW(evaluator.SetSelected(3, true), std::out_of_range);
}
