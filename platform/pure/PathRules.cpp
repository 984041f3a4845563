#include "platform/pure/PathRules.h"

#include <algorithm>

#include "platform/pure/TextCompare.h"

namespace velmora::platform {

namespace {

bool StartsWith(std::wstring_view text, std::wstring_view prefix) {
    return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

// Delete and remove take the prefix from 260 characters on, unlike the 248 of ToLongPath: that is the
// length where the plain calls stop working.
constexpr std::size_t kDeletePrefixFrom = 260;

} // namespace

bool IsAbsolutePath(std::wstring_view path) {
    return StartsWith(path, L"\\\\") || (path.size() >= 2 && path[1] == L':');
}

bool IsUncPath(std::wstring_view path) {
    if (StartsWithNoCase(path, kLongUncPrefix))
        return true;
    if (StartsWith(path, kLongPrefix))
        return false;
    return StartsWith(path, L"\\\\");
}

bool HasLongPrefix(std::wstring_view path) {
    return StartsWith(path, kLongPrefix);
}

std::wstring StripLongPrefix(std::wstring_view path) {
    if (HasLongPrefix(path))
        path.remove_prefix(kLongPrefix.size());
    return std::wstring(path);
}

std::wstring ToLongPath(std::wstring_view path) {
    if (path.size() <= kLongPathThreshold || !IsAbsolutePath(path))
        return std::wstring(path);
    if (IsUncPath(path)) {
        if (StartsWithNoCase(path, kLongUncPrefix))
            return std::wstring(path);
        return std::wstring(kLongUncPrefix) + std::wstring(path.substr(2));
    }
    if (HasLongPrefix(path))
        return std::wstring(path);
    return std::wstring(kLongPrefix) + std::wstring(path);
}

std::wstring DeletePathFor(std::wstring_view path) {
    if (path.size() < kDeletePrefixFrom || HasLongPrefix(path) || !IsAbsolutePath(path))
        return std::wstring(path);
    if (IsUncPath(path))
        return std::wstring(kLongUncPrefix) + std::wstring(path.substr(2));
    return std::wstring(kLongPrefix) + std::wstring(path);
}

std::wstring ParentFolder(std::wstring_view path) {
    std::size_t slash = path.rfind(L'\\');
    if (slash == std::wstring_view::npos)
        return {};
    return std::wstring(path.substr(0, slash));
}

std::wstring FileName(std::wstring_view path) {
    std::size_t slash = path.rfind(L'\\');
    if (slash == std::wstring_view::npos)
        return std::wstring(path);
    return std::wstring(path.substr(slash + 1));
}

SplitPathResult SplitPath(std::wstring_view path) {
    SplitPathResult result;
    std::wstring_view prefix;
    bool network = false;
    if (StartsWithNoCase(path, kLongUncPrefix)) {
        prefix = path.substr(0, kLongUncPrefix.size());
        path.remove_prefix(kLongUncPrefix.size());
        network = true;
    } else if (HasLongPrefix(path)) {
        prefix = path.substr(0, kLongPrefix.size());
        path.remove_prefix(kLongPrefix.size());
    } else if (StartsWith(path, L"\\\\")) {
        prefix = path.substr(0, 2);
        path.remove_prefix(2);
        network = true;
    }

    // The root ends at the first backslash; for a network path at the one after the server name.
    std::size_t end = path.find(L'\\');
    if (network && end != std::wstring_view::npos)
        end = path.find(L'\\', end + 1);
    std::wstring_view root = end == std::wstring_view::npos ? path : path.substr(0, end);
    result.root = std::wstring(prefix) + std::wstring(root);
    if (end == std::wstring_view::npos)
        return result;

    std::wstring_view rest = path.substr(end + 1);
    while (!rest.empty()) {
        std::size_t slash = rest.find(L'\\');
        std::wstring_view component = rest.substr(0, slash);
        if (!component.empty())
            result.components.emplace_back(component);
        if (slash == std::wstring_view::npos)
            break;
        rest.remove_prefix(slash + 1);
    }
    return result;
}

std::wstring PathRoot(std::wstring_view path) {
    std::wstring plain = StripLongPrefix(path);
    std::wstring_view view = plain;
    bool network = false;
    if (StartsWithNoCase(view, L"UNC\\")) {
        // "\\?\UNC\server\share" names the share \\server\share.
        plain = L"\\\\" + plain.substr(4);
        view = plain;
        network = true;
    } else {
        network = StartsWith(view, L"\\\\");
    }
    if (network) {
        std::size_t server_end = view.find(L'\\', 2);
        if (server_end == std::wstring_view::npos)
            return plain;
        std::size_t share_end = view.find(L'\\', server_end + 1);
        if (share_end == std::wstring_view::npos)
            return plain;
        return std::wstring(view.substr(0, share_end));
    }
    return std::wstring(view.substr(0, 3));
}

std::wstring TrimTrailingSpacesAndDots(std::wstring_view text) {
    std::size_t end = text.size();
    while (end > 0 && (text[end - 1] == L' ' || text[end - 1] == L'.'))
        --end;
    return std::wstring(text.substr(0, end));
}

std::size_t SlashesToBackslashes(std::wstring& text) {
    std::size_t count = 0;
    for (wchar_t& c : text) {
        if (c == L'/') {
            c = L'\\';
            ++count;
        }
    }
    return count;
}

std::wstring NormalizePath(std::wstring_view path) {
    SplitPathResult split = SplitPath(path);
    std::wstring result = split.root;
    for (const std::wstring& component : split.components) {
        if (!result.empty() && result.back() != L'\\' && result.back() != L']')
            result += L'\\';
        result += TrimTrailingSpacesAndDots(component);
    }
    return result;
}

std::wstring WithTrailingBackslash(std::wstring_view path) {
    std::wstring result(path);
    if (!result.empty() && result.back() != L'\\')
        result += L'\\';
    return result;
}

namespace {

// Root and components of a resolved path; false when the path does not resolve (see ResolvedPath).
bool Resolve(std::wstring_view path, SplitPathResult& resolved) {
    std::wstring text(path);
    SlashesToBackslashes(text);
    if (StartsWithNoCase(text, kLongUncPrefix))
        text = L"\\\\" + text.substr(kLongUncPrefix.size());
    else if (HasLongPrefix(text))
        text.erase(0, kLongPrefix.size());
    const bool network = StartsWith(text, L"\\\\");
    // "C:" alone or "C:x" names the drive's current folder, which nothing here knows.
    if (!network && !(text.size() >= 3 && text[1] == L':' && text[2] == L'\\'))
        return false;

    SplitPathResult split = SplitPath(text);
    resolved.root = std::move(split.root);
    resolved.components.clear();
    for (const std::wstring& component : split.components) {
        if (component == L".")
            continue;
        if (component == L"..") {
            if (resolved.components.empty())
                return false;
            resolved.components.pop_back();
            continue;
        }
        std::wstring trimmed = TrimTrailingSpacesAndDots(component);
        // "..." or ". ." would resolve to a name no one wrote.
        if (trimmed.empty())
            return false;
        resolved.components.push_back(std::move(trimmed));
    }
    return true;
}

} // namespace

std::wstring ResolvedPath(std::wstring_view path) {
    SplitPathResult resolved;
    if (!Resolve(path, resolved))
        return {};
    std::wstring result = resolved.root;
    if (resolved.components.empty())
        result += L'\\';
    for (const std::wstring& component : resolved.components) {
        result += L'\\';
        result += component;
    }
    return result;
}

bool IsInsideFolder(std::wstring_view path, std::wstring_view folder) {
    SplitPathResult inner;
    SplitPathResult outer;
    if (!Resolve(path, inner) || !Resolve(folder, outer) || !EqualsNoCase(inner.root, outer.root) ||
        inner.components.size() <= outer.components.size())
        return false;
    for (std::size_t i = 0; i < outer.components.size(); ++i) {
        if (!EqualsNoCase(inner.components[i], outer.components[i]))
            return false;
    }
    return true;
}

bool HoldsPath(const std::vector<std::wstring>& list, std::wstring_view path) {
    return std::any_of(list.begin(), list.end(),
                       [path](const std::wstring& entry) { return EqualsNoCase(entry, path); });
}

} // namespace velmora::platform
