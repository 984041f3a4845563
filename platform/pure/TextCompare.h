// Comparisons that ignore the case of ASCII letters only: URL schemes, file:// prefixes, path prefixes such as
// "\\?\UNC\" — texts whose case-insensitivity is defined for ASCII, whatever the user's locale.
#pragma once

#include <string_view>

namespace velmora::platform {

inline wchar_t AsciiLower(wchar_t c) {
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

inline bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (AsciiLower(text[i]) != AsciiLower(prefix[i]))
            return false;
    }
    return true;
}

inline bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && StartsWithNoCase(a, b);
}

} // namespace velmora::platform
