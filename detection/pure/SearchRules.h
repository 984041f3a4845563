// The text rules of the searches, apart from any registry, file or process access: search types, how a
// search string splits into its pieces, the registry-content operators, and how the answers of a
// prerequisite's searches combine. Pure text: no Windows header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::detection {

enum class SearchType : std::int32_t {
    FileVersion = 0,
    RegistrySubkeyVersion = 1,
    RegistryValueVersion = 2,
    MsiProductVersion = 3,
    MsiUpgradeCodeVersion = 4,
    RegistryKeyExists = 5,
    RegistryKeyMissing = 6,
    RegistryValueExists = 7,
    RegistryValueMissing = 8,
    RegistryValueContent = 9,
    RunProgram = 10,
    MsiComponentInstalled = 11,
    RegistryValueNameVersion = 12,
    PackageVersion = 13,
    FolderNameVersion = 14,
};

// What a search type is, for whatever describes or checks searches: its name, whether it collects versions
// that MinVersion and MaxVersion bound, and whether its search string names a registry key or value. A new
// type is one enumerator above and one row of the table behind SearchTypeTraitsOf.
struct SearchTypeTraits {
    SearchType type;
    std::wstring_view name;
    bool usesVersionBounds;
    bool readsRegistry;
};
// Null for a number that names no search type (the chainer counts such a search as found without looking).
const SearchTypeTraits* SearchTypeTraitsOf(std::int32_t number);
// The types are numbered from 0 up to this count less one.
std::int32_t SearchTypeCount();

// What one search that ran leaves behind: the texts it collected, in the order found, the one text of a
// registry content search, and whether it found an acceptable installation.
struct SearchOutcome {
    std::vector<std::wstring> values;
    std::wstring value;
    bool found = false;
};

// The prerequisite's "x" option: 64-bit registry view and no file-system redirection for its searches.
bool Uses64BitSwitch(std::wstring_view options);

// A file search string: a path or bare file name, optionally followed by "?" and a folder depth.
struct FileSearchString {
    std::wstring path;
    int depth = 0;
};
// A "?" counts only after the first character; the depth is a decimal number, 0 when missing.
FileSearchString SplitFileSearchString(std::wstring_view searchString);
// A name without "\" and without a property reference ("]", "%", "!") is looked for on every fixed drive.
bool IsBareFileName(std::wstring_view path);
// Folder (with its trailing "\") and file name, split at the last "\". No "\": empty folder.
void SplitAtLastBackslash(std::wstring_view path, std::wstring& folder, std::wstring& name);
bool HasWildcard(std::wstring_view name);

// The package search string: name, architecture and publisher between "?" separators (a run of "?" is one
// separator, a leading "?" is skipped), each trimmed of white space; missing parts are empty.
struct PackageSearchString {
    std::wstring name;
    std::wstring architecture;
    std::wstring publisher;
};
PackageSearchString SplitPackageSearchString(std::wstring_view searchString);

// The registry-content test: the first character of refContent is the operator (C, D, E, G, L, M, S, X),
// the rest the reference. Case-sensitive; an empty refContent or an unknown operator never matches.
bool ContentMatches(std::wstring_view value, std::wstring_view refContent);

// Whether a file's version must be read from a copy: on Windows 10 and later the system answers for files
// in the Windows folder with the version a compatibility shim wants programs to see.
bool ReadsVersionThroughCopy(std::wstring_view path, std::wstring_view windowsFolder, bool windows10OrLater);

// Runs searches 0 .. count-1 through runSearch (which returns found) and combines them: operator 0 is "all",
// 1 is "any", any other finds nothing. Stops at the first answer that decides the result, so the searches
// after it do not run.
bool CombineSearches(std::int32_t searchOperator, std::size_t count,
                     const std::function<bool(std::size_t)>& runSearch);

} // namespace velmora::detection
