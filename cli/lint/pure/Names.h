// Names an author may have meant: suggestions for a misspelt name, and the system names the chainer knows.
#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::cli {

// The first candidate that differs from text only in letter case, else the first that differs by one
// character (inserted, removed or replaced, letter case aside). Empty when none does.
std::wstring Suggest(std::wstring_view text, const std::vector<std::wstring>& candidates);

// "; did you mean X?" with the name as shown by show, or empty for an empty suggestion.
std::wstring DidYouMean(std::wstring_view suggestion, std::wstring_view before = L"\"",
                        std::wstring_view after = L"\"");

bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b);

// Every detailed and general system name the chainer gives a machine, by the bitness of the systems that
// carry it (a name such as "OsNotIdentified" is in both).
struct OsNameCatalog {
    std::set<std::wstring> names32;
    std::set<std::wstring> names64;
    bool Knows(std::wstring_view name) const;
    std::vector<std::wstring> All() const;
};
const OsNameCatalog& KnownOsNames();

} // namespace velmora::cli
