// How far the chainer reads: the prerequisite list ends at the first App<n> it cannot read, and a
// prerequisite's searches end at the first missing SearchType<k>. Each cause is reported where it lies,
// with what it drops.
#include <map>

#include "cli/lint/pure/LintContext.h"
#include "cli/lint/pure/Names.h"

namespace velmora::cli {

namespace {

using NamedMap = std::map<int, const config::IniPair*>;

NamedMap NamedByNumber(const LintContext& context) {
    NamedMap named;
    for (const NamedPrerequisite& prerequisite : context.NamedPrerequisites())
        named.emplace(prerequisite.number, prerequisite.key);
    return named;
}

// What ending the list at number drops: "Runtime" (App2) and what follows.
std::wstring DroppedFrom(const NamedMap& named, int number) {
    std::wstring names;
    std::size_t count = 0;
    for (auto it = named.lower_bound(number); it != named.end(); ++it, ++count) {
        if (count < 3)
            names += (count == 0 ? L"" : L", ") + Quoted(it->second->value) + L" (" + it->second->key + L")";
    }
    if (count > 3)
        names += L" and " + std::to_wstring(count - 3) + L" more";
    return names;
}

// The reason's consequence: the first cause ends the list; the ones behind it would once it is fixed.
std::wstring Consequence(const LintContext& context, const NamedMap& named, int number) {
    if (static_cast<std::size_t>(number) == context.configuration.Prerequisites.size() + 1)
        return L": the chainer stops reading prerequisites here, so it drops " + DroppedFrom(named, number);
    return L": the list would end here as well once the causes above are mended";
}

std::wstring SuggestKey(const config::IniSection& section, const std::vector<std::wstring>& wanted) {
    for (const config::IniPair& pair : section.pairs) {
        if (IsKnownKey(section.name, pair.key))
            continue;
        const std::wstring suggestion = Suggest(pair.key, wanted);
        if (!suggestion.empty())
            return L"; did you mean " + suggestion + L" (line " + std::to_wstring(pair.line) + L" has " +
                   Quoted(pair.key) + L")?";
    }
    return {};
}

void CheckNoPrerequisites(LintContext& context, const NamedMap& named) {
    if (!named.empty())
        return;
    const config::IniSection* list = context.Section(L"PREREQUISITES");
    if (list == nullptr)
        context.Add("no-prerequisites", 0, L"", L"",
                    L"there is no [PREREQUISITES] section, so the chainer reads no prerequisite and has "
                    L"nothing to do");
    else
        context.Add("no-prerequisites", *list, nullptr,
                    L"[PREREQUISITES] names no App1, App2, ..., so the chainer reads no prerequisite and has "
                    L"nothing to do");
}

// The first number missing before a number that is named; 0 when the numbers have no gap.
int FirstGap(const NamedMap& named) {
    int expected = 1;
    for (const auto& [number, pair] : named) {
        if (number != expected)
            return expected;
        ++expected;
    }
    return 0;
}

void CheckPrerequisite(LintContext& context, const NamedMap& named, int number) {
    const config::IniPair& key = *named.at(number);
    const config::IniSection& list = *context.Section(L"PREREQUISITES");
    const config::IniSection* section = context.Section(key.key);
    if (section == nullptr) {
        std::vector<std::wstring> sections;
        for (const config::IniSection& any : context.document.Sections())
            sections.push_back(any.name);
        context.Add("missing-section", list, &key,
                    L"[PREREQUISITES] names " + key.key + L" (" + Quoted(key.value) +
                        L"), but there is no section [" + key.key + L"]" +
                        Consequence(context, named, number) +
                        DidYouMean(Suggest(key.key, sections), L"[", L"]"));
        return;
    }
    if (Find(section, L"SetupFile") == nullptr && Find(section, L"OpenSite") == nullptr &&
        Find(section, L"Url") == nullptr) {
        context.Add("no-source", *section, nullptr,
                    L"[" + section->name + L"] has none of SetupFile, OpenSite and Url" +
                        Consequence(context, named, number) +
                        SuggestKey(*section, {L"SetupFile", L"OpenSite", L"Url"}));
        return;
    }
    for (int k = 1;; ++k) {
        const config::IniPair* type = Find(section, Numbered(L"SearchType", k));
        if (type == nullptr)
            return;
        if (Find(section, Numbered(L"SearchString", k)) == nullptr) {
            context.Add("search-without-string", *section, type,
                        L"[" + section->name + L"] has " + type->key + L" but no " +
                            Numbered(L"SearchString", k) + Consequence(context, named, number) +
                            SuggestKey(*section, {Numbered(L"SearchString", k)}));
            return;
        }
    }
}

const wchar_t* const kSearchSiblings[] = {L"SearchString", L"VerMin", L"VerMax", L"RefContent",
                                          L"SearchCmdLine"};

void CheckSearchNumbers(LintContext& context, const config::IniSection& section) {
    std::map<int, const config::IniPair*> types;
    for (const config::IniPair& pair : section.pairs) {
        if (const std::optional<int> k = NumberOf(pair.key, L"SearchType");
            k && Find(&section, pair.key) == &pair)
            types.emplace(*k, &pair);
    }
    int read = 0;
    while (types.count(read + 1) != 0)
        ++read;
    const auto beyond = types.upper_bound(read + 1);
    if (beyond != types.end())
        context.Add("search-gap", section, beyond->second,
                    beyond->second->key + L" is never read: there is no " +
                        Numbered(L"SearchType", read + 1) + L", so " +
                        (read == 0 ? L"[" + section.name + L"] has no searches"
                                   : L"the searches of [" + section.name + L"] end after search " +
                                         std::to_wstring(read)));

    for (const config::IniPair& pair : section.pairs) {
        for (const wchar_t* base : kSearchSiblings) {
            const std::optional<int> k = NumberOf(pair.key, base);
            if (k && types.count(*k) == 0 && Find(&section, pair.key) == &pair)
                context.Add("orphan-search-key", section, &pair,
                            pair.key + L" belongs to no search: [" + section.name + L"] has no " +
                                Numbered(L"SearchType", *k));
        }
    }
}

} // namespace

void CheckList(LintContext& context) {
    const NamedMap named = NamedByNumber(context);
    CheckNoPrerequisites(context, named);

    const int gap = FirstGap(named);
    if (gap != 0) {
        const auto after = named.upper_bound(gap);
        context.Add("app-gap", *context.Section(L"PREREQUISITES"), after->second,
                    after->second->key + L" (" + Quoted(after->second->value) +
                        L") is never read: there is no " + Numbered(L"App", gap) +
                        L", and the list ends at the first missing number" +
                        (static_cast<std::size_t>(gap) == context.configuration.Prerequisites.size() + 1
                             ? L", so the chainer drops " + DroppedFrom(named, gap)
                             : std::wstring()));
    }
    for (const auto& [number, key] : named) {
        CheckPrerequisite(context, named, number);
        if (const config::IniSection* section = context.Section(key->key))
            CheckSearchNumbers(context, *section);
    }
}

} // namespace velmora::cli
