// A PropertySource with fixed answers, for tests of the pure resolution and configuration rules.
#pragma once

#include <map>
#include <string>

#include "config/pure/PropertyResolution.h"

namespace velmora::test {

class FakeProperties : public config::PropertySource {
public:
    std::map<std::wstring, std::wstring> folders{{L"TempFolder", L"T:\\tmp\\"},
                                                 {L"WindowsFolder", L"C:\\win\\"}};
    std::map<std::wstring, std::wstring> folders64{{L"SystemFolder", L"C:\\win\\system32\\"}};
    std::map<std::wstring, std::wstring> environment{{L"SystemRoot", L"C:\\win"}};
    std::map<std::wstring, std::wstring> registry{{L"HKLM\\Software\\V\\Path", L"D:\\App"}};
    std::map<std::wstring, std::wstring> registry64;
    std::wstring temp = L"T:\\tmp\\";
    mutable int lookups = 0;

    bool FolderProperty(std::wstring_view name, bool use64BitView, std::wstring& folder) const override {
        ++lookups;
        const auto& table = use64BitView ? folders64 : folders;
        auto found = table.find(std::wstring(name));
        if (found == table.end())
            return false;
        folder = found->second;
        return true;
    }
    std::wstring EnvironmentValue(std::wstring_view name) const override {
        ++lookups;
        auto found = environment.find(std::wstring(name));
        return found == environment.end() ? std::wstring() : found->second;
    }
    std::wstring RegistryValue(std::wstring_view path, bool use64BitView) const override {
        ++lookups;
        const auto& table = use64BitView ? registry64 : registry;
        auto found = table.find(std::wstring(path));
        return found == table.end() ? std::wstring() : found->second;
    }
    std::wstring TempFolder() const override { return temp; }
};

} // namespace velmora::test
