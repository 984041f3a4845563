// The floor of a start-up: read a UTF-16 configuration, find every prerequisite's searches and make the
// registry calls that the chainer's searches of types 2 (a value, read) and 5 (a key, opened) make, and
// nothing else. Sections are looked up through a hash map, so the floor itself grows linearly.
// Usage: floor_startup <configuration>
#include <windows.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "FloorArgs.h"

namespace {

struct Section {
    std::vector<std::pair<std::wstring_view, std::wstring_view>> pairs;

    std::wstring_view Find(std::wstring_view key) const {
        for (const auto& pair : pairs)
            if (pair.first == key)
                return pair.second;
        return {};
    }
};

std::wstring_view Trim(std::wstring_view text) {
    while (!text.empty() && text.front() <= L' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() <= L' ')
        text.remove_suffix(1);
    return text;
}

HKEY RootOf(std::wstring_view& path) {
    const std::size_t slash = path.find(L'\\');
    const std::wstring_view root = path.substr(0, slash);
    path.remove_prefix(slash == std::wstring_view::npos ? path.size() : slash + 1);
    if (root == L"HKCU" || root == L"HKEY_CURRENT_USER")
        return HKEY_CURRENT_USER;
    if (root == L"HKLM" || root == L"HKEY_LOCAL_MACHINE")
        return HKEY_LOCAL_MACHINE;
    return nullptr;
}

// One search: 1 when it found something, 0 otherwise.
int Search(int type, std::wstring_view searchString) {
    std::wstring_view path = searchString;
    HKEY root = RootOf(path);
    if (root == nullptr)
        return 0;
    std::wstring valueName;
    if (type == 2) {
        const std::size_t slash = path.rfind(L'\\');
        valueName = path.substr(slash + 1);
        path = path.substr(0, slash);
    }
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, std::wstring(path).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    int found = 1;
    if (type == 2) {
        BYTE data[200];
        DWORD size = sizeof data, valueType = 0;
        found = ::RegQueryValueExW(key, valueName.c_str(), nullptr, &valueType, data, &size) == ERROR_SUCCESS;
    }
    ::RegCloseKey(key);
    return found;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const std::vector<std::wstring> arguments = velmora::bench::Arguments();
    std::string bytes;
    if (arguments.size() < 2 || !velmora::bench::ReadWholeFile(arguments[1], bytes))
        return 2;
    std::wstring text;
    std::vector<Section> sections;
    std::unordered_map<std::wstring_view, std::size_t> byName;
    for (std::wstring_view line : velmora::bench::Utf16Lines(bytes, text)) {
        line = Trim(line);
        if (line.size() > 2 && line.front() == L'[' && line.back() == L']') {
            byName.emplace(line.substr(1, line.size() - 2), sections.size());
            sections.emplace_back();
        } else if (const std::size_t equals = line.find(L'=');
                   equals != std::wstring_view::npos && !sections.empty()) {
            sections.back().pairs.emplace_back(Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)));
        }
    }
    const auto list = byName.find(L"PREREQUISITES");
    if (list == byName.end())
        return 3;
    int found = 0;
    for (const auto& entry : sections[list->second].pairs) {
        const auto section = byName.find(entry.first);
        if (section == byName.end())
            continue;
        for (int k = 1;; ++k) {
            const std::wstring number = std::to_wstring(k);
            const std::wstring_view type = sections[section->second].Find(L"SearchType" + number);
            if (type.empty())
                break;
            found += Search(type == L"2" ? 2 : 5, sections[section->second].Find(L"SearchString" + number));
        }
    }
    return found > 0 ? 0 : 1;
}
