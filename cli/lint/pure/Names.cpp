#include "cli/lint/pure/Names.h"

#include <algorithm>
#include <cstdint>

#include "detection/pure/OsNames.h"

namespace velmora::cli {

namespace {

wchar_t Fold(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

bool FoldedEqual(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Fold(a[i]) != Fold(b[i]))
            return false;
    }
    return true;
}

// One character inserted, removed or replaced, letters compared without regard to case.
bool OneEditApart(std::wstring_view a, std::wstring_view b) {
    if (a.size() > b.size())
        std::swap(a, b);
    if (b.size() - a.size() > 1)
        return false;
    std::size_t i = 0;
    while (i < a.size() && Fold(a[i]) == Fold(b[i]))
        ++i;
    if (i == a.size())
        return b.size() == a.size() + 1;
    // The first difference is the one edit: b's character replaces a's, or is inserted before it.
    return FoldedEqual(a.substr(a.size() == b.size() ? i + 1 : i), b.substr(i + 1));
}

} // namespace

bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b) {
    return FoldedEqual(a, b);
}

std::wstring Suggest(std::wstring_view text, const std::vector<std::wstring>& candidates) {
    for (const std::wstring& candidate : candidates) {
        if (candidate != text && EqualsIgnoringCase(candidate, text))
            return candidate;
    }
    for (const std::wstring& candidate : candidates) {
        if (!text.empty() && OneEditApart(candidate, text))
            return candidate;
    }
    return {};
}

std::wstring DidYouMean(std::wstring_view suggestion, std::wstring_view before, std::wstring_view after) {
    if (suggestion.empty())
        return {};
    return L"; did you mean " + std::wstring(before) + std::wstring(suggestion) + std::wstring(after) + L"?";
}

bool OsNameCatalog::Knows(std::wstring_view name) const {
    const std::wstring key(name);
    return names32.count(key) != 0 || names64.count(key) != 0;
}

std::vector<std::wstring> OsNameCatalog::All() const {
    std::set<std::wstring> all = names32;
    all.insert(names64.begin(), names64.end());
    return {all.begin(), all.end()};
}

const OsNameCatalog& KnownOsNames() {
    // Every row of the naming tables is reached by some version record; walking the records that matter
    // (each named build, a build without a name, every service pack, both product kinds and bitnesses)
    // collects the names from the same code that names the running system.
    static const OsNameCatalog catalog = [] {
        OsNameCatalog names;
        const std::uint32_t versions[][2] = {{5, 0}, {5, 1}, {5, 2},  {5, 3},  {6, 0},  {6, 1},  {6, 2},
                                             {6, 3}, {6, 4}, {10, 0}, {10, 1}, {11, 0}, {11, 1}, {4, 0}};
        const std::uint32_t builds[] = {0,     10240, 10586, 14393, 15063, 16299, 17134, 17763,
                                        18362, 18363, 19041, 19042, 19043, 19044, 20348, 22000};
        for (const auto& version : versions) {
            for (std::uint32_t build : builds) {
                for (std::uint32_t servicePack = 0; servicePack <= 4; ++servicePack) {
                    for (int kind = 0; kind < 4; ++kind) {
                        detection::OsVersionInfo info;
                        info.major = version[0];
                        info.minor = version[1];
                        info.build = build;
                        info.servicePack = servicePack;
                        info.isServer = (kind & 1) != 0;
                        info.is64BitOs = (kind & 2) != 0;
                        info.productType = info.isServer ? 3 : 1;
                        auto& set = info.is64BitOs ? names.names64 : names.names32;
                        set.insert(detection::DetailedOsName(info));
                        set.insert(detection::GeneralOsName(info));
                    }
                }
            }
        }
        return names;
    }();
    return catalog;
}

} // namespace velmora::cli
