// A private key under HKLM\Software\VelmoraTests in one registry view, for the tests of the 64-bit view.
#pragma once

#include <windows.h>

#include <string>

namespace velmora::test {

// A key under HKLM\Software\VelmoraTests in one registry view, deleted with everything below it.
class ScopedMachineKey {
public:
    ScopedMachineKey(const std::wstring& name, REGSAM view) : name_(name), view_(view) {
        ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, (L"Software\\VelmoraTests\\" + name).c_str(), 0, nullptr, 0,
                          KEY_ALL_ACCESS | view, nullptr, &key_, nullptr);
    }
    ~ScopedMachineKey() {
        if (key_ != nullptr)
            ::RegCloseKey(key_);
        HKEY parent = nullptr;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\VelmoraTests", 0, KEY_ALL_ACCESS | view_,
                            &parent) == ERROR_SUCCESS) {
            ::RegDeleteTreeW(parent, name_.c_str());
            ::RegCloseKey(parent);
        }
        // Fails, as it should, while other tests still have keys there.
        ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, L"Software\\VelmoraTests", view_, 0);
    }
    HKEY Handle() const { return key_; }
    std::wstring Path() const { return L"HKLM\\Software\\VelmoraTests\\" + name_; }

private:
    std::wstring name_;
    REGSAM view_;
    HKEY key_ = nullptr;
};

inline std::wstring UniqueName(const wchar_t* stem) {
    return stem + std::to_wstring(::GetCurrentProcessId()) + L"_" + std::to_wstring(::GetTickCount());
}

} // namespace velmora::test
