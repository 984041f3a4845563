// What the groups of checks share: the file as the chainer parsed and loaded it, line facts, and the list
// of findings they add to. Internal to the linter.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/lint/pure/Linter.h"
#include "config/pure/Configuration.h"
#include "config/pure/IniDocument.h"

namespace velmora::cli {

// A prerequisite [PREREQUISITES] names, whether or not the chainer gets to read it.
struct NamedPrerequisite {
    int number = 0;
    const config::IniPair* key = nullptr;        // App<n> in [PREREQUISITES]; its value is the name
    const config::IniSection* section = nullptr; // [App<n>], or nullptr when there is none
    bool read = false;                         // within the list the chainer reads
};

struct LintContext {
    const LintInput& input;
    LintReport& report;
    config::IniDocument document;
    std::vector<config::IniSkippedLine> skipped;
    config::Configuration configuration; // as the chainer loads it
    bool firstCharacterLost = false;   // no byte-order mark: the first character of line 1 is gone
    std::vector<std::size_t> passwordLines; // lines with a password in an address, before it was hidden

    void Add(std::string_view kind, std::size_t line, std::wstring_view section, std::wstring_view key,
             std::wstring message);
    void Add(std::string_view kind, const config::IniSection& section, const config::IniPair* pair,
             std::wstring message);

    // The first section of that name (the one the chainer reads), or nullptr.
    const config::IniSection* Section(std::wstring_view name) const { return document.FindSection(name); }
    // True for the section the chainer reads under its name, false for a later one of the same name.
    bool IsFirstOfItsName(const config::IniSection& section) const {
        return Section(section.name) == &section;
    }
    // By number: every App<n> key of [PREREQUISITES] the chainer could read (the first of each name).
    std::vector<NamedPrerequisite> NamedPrerequisites() const;
};

// The pair the chainer reads for the key, or nullptr.
inline const config::IniPair* Find(const config::IniSection* section, std::wstring_view key) {
    return section == nullptr ? nullptr : config::IniDocument::FindKey(*section, key);
}

// "App" + 3 gives App3, as the chainer forms its numbered keys.
std::wstring Numbered(std::wstring_view base, int number);
// The number of a key named base + a decimal number as the chainer forms it (no sign, no leading zero, at
// least 1); nothing for any other name.
std::optional<int> NumberOf(std::wstring_view name, std::wstring_view base);

// Whether the configuration model reads a key of that name in a section of that name (App sections by any
// App<n> name).
bool IsKnownKey(std::wstring_view section, std::wstring_view key);

// "text" in double quotes, control characters made visible.
std::wstring Quoted(std::wstring_view text);

// The groups of checks, in the order Lint runs them.
void CheckLayout(LintContext& context);     // lines, sections, keys, duplicates
void CheckList(LintContext& context);       // how far the prerequisite list and each search list go
void CheckValues(LintContext& context);     // numbers, letters, lists, digests, parents, search values
void CheckReferences(LintContext& context); // property references, kit files, cleanup

} // namespace velmora::cli
