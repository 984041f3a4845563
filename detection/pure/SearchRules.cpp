#include "detection/pure/SearchRules.h"

#include <iterator>

#include "config/pure/IniDocument.h"

namespace velmora::detection {

namespace {

// One row per type, in the order of their numbers.
constexpr SearchTypeTraits kSearchTypes[] = {
    {SearchType::FileVersion, L"FileVersion", true, false},
    {SearchType::RegistrySubkeyVersion, L"RegistrySubkeyVersion", true, true},
    {SearchType::RegistryValueVersion, L"RegistryValueVersion", true, true},
    {SearchType::MsiProductVersion, L"MsiProductVersion", true, false},
    {SearchType::MsiUpgradeCodeVersion, L"MsiUpgradeCodeVersion", true, false},
    {SearchType::RegistryKeyExists, L"RegistryKeyExists", false, true},
    {SearchType::RegistryKeyMissing, L"RegistryKeyMissing", false, true},
    {SearchType::RegistryValueExists, L"RegistryValueExists", false, true},
    {SearchType::RegistryValueMissing, L"RegistryValueMissing", false, true},
    {SearchType::RegistryValueContent, L"RegistryValueContent", false, true},
    {SearchType::RunProgram, L"RunProgram", false, false},
    {SearchType::MsiComponentInstalled, L"MsiComponentInstalled", false, false},
    {SearchType::RegistryValueNameVersion, L"RegistryValueNameVersion", true, true},
    {SearchType::PackageVersion, L"PackageVersion", true, false},
    {SearchType::FolderNameVersion, L"FolderNameVersion", true, false},
};
constexpr bool RowsInOrder() {
    for (std::size_t i = 0; i < std::size(kSearchTypes); ++i) {
        if (static_cast<std::size_t>(kSearchTypes[i].type) != i)
            return false;
    }
    return true;
}
static_assert(RowsInOrder(), "a search type's row sits at its number");
static_assert(std::size(kSearchTypes) == static_cast<std::size_t>(SearchType::FolderNameVersion) + 1,
              "every search type has its row");

bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

// Read like the configuration's numbers (blanks, a sign, leading digits), but held below a billion instead
// of wrapping: a depth that large already reaches every folder there is.
int ParseDepth(std::wstring_view text) {
    while (!text.empty() && text.front() == L' ')
        text.remove_prefix(1);
    const bool negative = !text.empty() && text.front() == L'-';
    if (negative || (!text.empty() && text.front() == L'+'))
        text.remove_prefix(1);
    int depth = 0;
    for (wchar_t c : text) {
        if (!IsDigit(c))
            break;
        if (depth < 100000000)
            depth = depth * 10 + (c - L'0');
    }
    return negative ? -depth : depth;
}

std::wstring Trimmed(std::wstring_view text) {
    while (!text.empty() && config::IsWideSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && config::IsWideSpace(text.back()))
        text.remove_suffix(1);
    return std::wstring(text);
}

bool IsDecimal(std::wstring_view text) {
    for (wchar_t c : text)
        if (!IsDigit(c))
            return false;
    return true;
}

// Compares two digit strings as numbers of any length: -1, 0 or 1. The empty text is 0.
int CompareDecimal(std::wstring_view a, std::wstring_view b) {
    while (!a.empty() && a.front() == L'0')
        a.remove_prefix(1);
    while (!b.empty() && b.front() == L'0')
        b.remove_prefix(1);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    int order = a.compare(b);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

} // namespace

std::int32_t SearchTypeCount() {
    return static_cast<std::int32_t>(std::size(kSearchTypes));
}

const SearchTypeTraits* SearchTypeTraitsOf(std::int32_t number) {
    return number >= 0 && static_cast<std::size_t>(number) < std::size(kSearchTypes) ? &kSearchTypes[number]
                                                                                     : nullptr;
}

bool Uses64BitSwitch(std::wstring_view options) {
    return options.find(L'x') != std::wstring_view::npos;
}

FileSearchString SplitFileSearchString(std::wstring_view searchString) {
    FileSearchString result;
    std::size_t mark = searchString.size() > 1 ? searchString.find(L'?', 1) : std::wstring_view::npos;
    if (mark == std::wstring_view::npos) {
        result.path = std::wstring(searchString);
        return result;
    }
    result.path = std::wstring(searchString.substr(0, mark));
    result.depth = ParseDepth(searchString.substr(mark + 1));
    return result;
}

bool IsBareFileName(std::wstring_view path) {
    return path.find_first_of(L"\\]%!") == std::wstring_view::npos;
}

void SplitAtLastBackslash(std::wstring_view path, std::wstring& folder, std::wstring& name) {
    std::size_t last = path.rfind(L'\\');
    if (last == std::wstring_view::npos) {
        folder.clear();
        name = std::wstring(path);
        return;
    }
    folder = std::wstring(path.substr(0, last + 1));
    name = std::wstring(path.substr(last + 1));
}

bool HasWildcard(std::wstring_view name) {
    return name.find_first_of(L"*?") != std::wstring_view::npos;
}

PackageSearchString SplitPackageSearchString(std::wstring_view searchString) {
    std::wstring parts[3];
    std::size_t count = 0;
    std::size_t at = 0;
    while (count < 3) {
        while (at < searchString.size() && searchString[at] == L'?')
            ++at;
        if (at == searchString.size())
            break;
        std::size_t end = searchString.find(L'?', at);
        if (end == std::wstring_view::npos)
            end = searchString.size();
        parts[count++] = Trimmed(searchString.substr(at, end - at));
        at = end;
    }
    return PackageSearchString{parts[0], parts[1], parts[2]};
}

bool ContentMatches(std::wstring_view value, std::wstring_view refContent) {
    if (refContent.empty())
        return false;
    const wchar_t op = refContent.front();
    const std::wstring_view reference = refContent.substr(1);
    switch (op) {
    case L'C':
        return value.find(reference) != std::wstring_view::npos;
    case L'D':
        return value != reference;
    case L'E':
        return value.size() >= reference.size() && value.substr(value.size() - reference.size()) == reference;
    case L'G':
        return IsDecimal(value) && IsDecimal(reference) && CompareDecimal(value, reference) > 0;
    case L'L':
        return IsDecimal(value) && IsDecimal(reference) && CompareDecimal(value, reference) < 0;
    case L'M':
        return value == reference;
    case L'S':
        return value.substr(0, reference.size()) == reference;
    case L'X':
        return value.find(reference) == std::wstring_view::npos;
    default:
        return false;
    }
}

bool ReadsVersionThroughCopy(std::wstring_view path, std::wstring_view windowsFolder, bool windows10OrLater) {
    return windows10OrLater && path.substr(0, windowsFolder.size()) == windowsFolder;
}

bool CombineSearches(std::int32_t searchOperator, std::size_t count,
                     const std::function<bool(std::size_t)>& runSearch) {
    const bool start = searchOperator == 0;
    bool result = start;
    for (std::size_t i = 0; i < count; ++i) {
        const bool found = runSearch(i);
        if (searchOperator == 0)
            result = result && found;
        else if (searchOperator == 1)
            result = result || found;
        if (result != start)
            break;
    }
    return result;
}

} // namespace velmora::detection
