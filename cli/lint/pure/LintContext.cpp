#include "cli/lint/pure/LintContext.h"

#include <algorithm>

#include "cli/pure/TextCodec.h"

namespace velmora::cli {

void LintContext::Add(std::string_view kind, std::size_t line, std::wstring_view section,
                      std::wstring_view key, std::wstring message) {
    const FindingKind& known = KindOf(kind);
    report.findings.push_back(Finding{known.id, known.severity, line, std::wstring(section),
                                      std::wstring(key), std::move(message)});
}

void LintContext::Add(std::string_view kind, const config::IniSection& section, const config::IniPair* pair,
                      std::wstring message) {
    Add(kind, pair != nullptr ? pair->line : section.line, section.name, pair != nullptr ? pair->key : L"",
        std::move(message));
}

std::vector<NamedPrerequisite> LintContext::NamedPrerequisites() const {
    std::vector<NamedPrerequisite> named;
    const config::IniSection* list = Section(L"PREREQUISITES");
    if (list == nullptr)
        return named;
    for (const config::IniPair& pair : list->pairs) {
        const std::optional<int> number = NumberOf(pair.key, L"App");
        if (!number || Find(list, pair.key) != &pair)
            continue;
        named.push_back(
            NamedPrerequisite{*number, &pair, Section(pair.key),
                              static_cast<std::size_t>(*number) <= configuration.Prerequisites.size()});
    }
    std::sort(named.begin(), named.end(),
              [](const NamedPrerequisite& a, const NamedPrerequisite& b) { return a.number < b.number; });
    return named;
}

std::wstring Numbered(std::wstring_view base, int number) {
    return std::wstring(base) + std::to_wstring(number);
}

std::optional<int> NumberOf(std::wstring_view name, std::wstring_view base) {
    if (name.size() <= base.size() || name.substr(0, base.size()) != base)
        return std::nullopt;
    const std::wstring_view digits = name.substr(base.size());
    if (digits.size() > 9 || digits.front() == L'0')
        return std::nullopt;
    int number = 0;
    for (wchar_t c : digits) {
        if (c < L'0' || c > L'9')
            return std::nullopt;
        number = number * 10 + (c - L'0');
    }
    return number;
}

std::wstring Quoted(std::wstring_view text) {
    return L"\"" + Printable(text) + L"\"";
}

} // namespace velmora::cli
