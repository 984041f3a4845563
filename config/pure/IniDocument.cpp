#include "config/pure/IniDocument.h"

namespace velmora::config {

bool IsWideSpace(wchar_t c) {
    switch (static_cast<unsigned>(c)) {
    case 0x09:
    case 0x0A:
    case 0x0B:
    case 0x0C:
    case 0x0D:
    case 0x20:
    case 0x85:
    case 0xA0:
    case 0x1680:
    case 0x2028:
    case 0x2029:
    case 0x202F:
    case 0x205F:
    case 0x3000:
        return true;
    default:
        return c >= 0x2000 && c <= 0x200A;
    }
}

std::wstring_view TrimWideSpace(std::wstring_view text) {
    while (!text.empty() && IsWideSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsWideSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

namespace {

// Lines end at CR LF only; a lone CR or LF stays in the line. A final empty line is not a line. Taken one at
// a time, so a large file is never held a second time as a list of its lines.
class CrLfLines {
public:
    explicit CrLfLines(std::wstring_view text) : rest_(text) {}

    bool Next(std::wstring_view& line) {
        if (rest_.empty())
            return false;
        const std::size_t end = rest_.find(L"\r\n");
        line = rest_.substr(0, end);
        rest_.remove_prefix(end == std::wstring_view::npos ? rest_.size() : end + 2);
        return true;
    }

private:
    std::wstring_view rest_;
};

bool IsBlankOrControl(wchar_t c) {
    return static_cast<unsigned>(c) <= 0x20;
}

} // namespace

void IniDocument::Parse(std::wstring_view text, std::vector<IniSkippedLine>* skipped) {
    sections_.clear();
    sectionIndex_.Clear();
    if (skipped != nullptr)
        skipped->clear();
    if (!text.empty() && text.front() == L'\xFEFF')
        text.remove_prefix(1);

    const auto skip = [skipped](std::size_t number, IniSkippedLine::Reason reason, std::wstring_view line) {
        if (skipped != nullptr)
            skipped->push_back(IniSkippedLine{number, reason, std::wstring(line)});
    };
    IniSection* current = nullptr;
    CrLfLines lines(text);
    std::wstring_view line;
    for (std::size_t number = 1; lines.Next(line); ++number) {
        if (line.empty())
            continue;

        std::size_t first = 0;
        while (first < line.size() && IsBlankOrControl(line[first]))
            ++first;
        if (first < line.size() && line[first] == L'[') {
            std::size_t last = line.size();
            while (last > first && IsBlankOrControl(line[last - 1]))
                --last;
            if (line[last - 1] == L']' && last - 1 > first) {
                // A finished section gives back what its list grew beyond its pairs: with thousands of
                // sections, that slack is a good part of the document's memory.
                if (current != nullptr)
                    current->pairs.shrink_to_fit();
                current = &AddSection(line.substr(first + 1, last - 1 - (first + 1)));
                current->line = number;
                continue;
            }
        }

        if (current == nullptr) {
            skip(number, IniSkippedLine::Reason::BeforeFirstSection, line);
            continue;
        }
        std::size_t equals = line.find(L'=');
        if (equals == std::wstring_view::npos) {
            skip(number, IniSkippedLine::Reason::NoEquals, line);
            continue;
        }
        AddPair(*current, TrimWideSpace(line.substr(0, equals)), TrimWideSpace(line.substr(equals + 1)));
        current->pairs.back().line = number;
    }
    if (current != nullptr)
        current->pairs.shrink_to_fit();
}

namespace {

std::wstring_view NameOf(const IniSection& section) {
    return section.name;
}

std::wstring_view KeyOf(const IniPair& pair) {
    return pair.key;
}

} // namespace

const IniSection* IniDocument::FindSection(std::wstring_view name) const {
    return sectionIndex_.Find(sections_, name, NameOf);
}

const IniPair* IniDocument::FindKey(const IniSection& section, std::wstring_view key) {
    return section.keys.Find(section.pairs, key, KeyOf);
}

IniSection& IniDocument::AddSection(std::wstring_view name) {
    sections_.emplace_back();
    sections_.back().name = name;
    sectionIndex_.Added(sections_, NameOf);
    return sections_.back();
}

void IniDocument::AddPair(IniSection& section, std::wstring_view key, std::wstring_view value) {
    section.pairs.push_back(IniPair{std::wstring(key), std::wstring(value), 0});
    section.keys.Added(section.pairs, KeyOf);
}

bool IniDocument::OpenSource(void** handle) {
    if (handle != nullptr)
        *handle = nullptr;
    return true;
}

bool IniDocument::GetValue(std::wstring_view section, std::wstring_view key, std::wstring& out) const {
    const IniSection* found = FindSection(section);
    if (found == nullptr)
        return false;
    const IniPair* pair = FindKey(*found, key);
    if (pair == nullptr)
        return false;
    out = pair->value;
    return true;
}

void IniDocument::GetSectionNames(std::vector<std::wstring>& names) const {
    names.clear();
    for (const IniSection& section : sections_)
        names.push_back(section.name);
}

void IniDocument::SetValue(std::wstring_view section, std::wstring_view key, std::wstring_view value) {
    if (const IniSection* existing = FindSection(section)) {
        AddPair(sections_[static_cast<std::size_t>(existing - sections_.data())], key, value);
        return;
    }
    AddPair(AddSection(section), key, value);
}

} // namespace velmora::config
