#include "platform/pure/RegistryPath.h"

namespace velmora::platform {

namespace {

// Root names are ASCII; folding only ASCII letters keeps the answer the same under every locale.
bool EqualsAsciiNoCase(std::wstring_view text, std::wstring_view name) {
    if (text.size() != name.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        wchar_t a = text[i];
        wchar_t b = name[i];
        if (a >= L'a' && a <= L'z')
            a = static_cast<wchar_t>(a - L'a' + L'A');
        if (b >= L'a' && b <= L'z')
            b = static_cast<wchar_t>(b - L'a' + L'A');
        if (a != b)
            return false;
    }
    return true;
}

} // namespace

RegistryRoot ParseRegistryRoot(std::wstring_view path) {
    std::size_t slash = path.find(L'\\');
    if (slash == std::wstring_view::npos)
        return RegistryRoot::None;
    std::wstring_view root = path.substr(0, slash);
    if (EqualsAsciiNoCase(root, L"HKLM") || EqualsAsciiNoCase(root, L"HKEY_LOCAL_MACHINE"))
        return RegistryRoot::LocalMachine;
    if (EqualsAsciiNoCase(root, L"HKCU") || EqualsAsciiNoCase(root, L"HKEY_CURRENT_USER"))
        return RegistryRoot::CurrentUser;
    if (EqualsAsciiNoCase(root, L"HKCR") || EqualsAsciiNoCase(root, L"HKEY_CLASSES_ROOT"))
        return RegistryRoot::ClassesRoot;
    if (EqualsAsciiNoCase(root, L"HKCC") || EqualsAsciiNoCase(root, L"HKEY_CURRENT_CONFIG"))
        return RegistryRoot::CurrentConfig;
    return RegistryRoot::Users;
}

std::wstring_view RegistryKeyPath(std::wstring_view path) {
    std::size_t slash = path.find(L'\\');
    if (slash == std::wstring_view::npos)
        return {};
    return path.substr(slash + 1);
}

RegistryValuePath SplitRegistryValuePath(std::wstring_view path) {
    RegistryValuePath result;
    result.root = ParseRegistryRoot(path);
    if (result.root == RegistryRoot::None)
        return result;
    std::size_t first = path.find(L'\\');
    std::size_t last = path.rfind(L'\\');
    if (last > first)
        result.keyPath = path.substr(first + 1, last - first - 1);
    result.valueName = path.substr(last + 1);
    return result;
}

bool RegistryDataToText(std::uint32_t type, const std::uint8_t* data, std::size_t size, std::wstring& text) {
    text.clear();
    if (data == nullptr)
        size = 0;
    if (type == kRegSz || type == kRegExpandSz || type == kRegMultiSz) {
        std::size_t units = size / 2;
        while (units > 0 && data[2 * (units - 1)] == 0 && data[2 * (units - 1) + 1] == 0)
            --units;
        text.reserve(units);
        for (std::size_t i = 0; i < units; ++i)
            text.push_back(static_cast<wchar_t>(data[2 * i] | (data[2 * i + 1] << 8)));
        return true;
    }
    if (type == kRegDword && size == 4) {
        std::uint32_t value =
            static_cast<std::uint32_t>(data[0]) | (static_cast<std::uint32_t>(data[1]) << 8) |
            (static_cast<std::uint32_t>(data[2]) << 16) | (static_cast<std::uint32_t>(data[3]) << 24);
        text = std::to_wstring(value);
        return true;
    }
    return false;
}

} // namespace velmora::platform
