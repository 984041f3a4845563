// Fixtures shared by the Wine test programs: a private temporary folder and a private HKCU key per test.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace velmora::test {

// A fresh folder under the temporary folder, removed with everything in it at the end.
class ScopedFolder {
public:
    ScopedFolder();
    ~ScopedFolder();
    ScopedFolder(const ScopedFolder&) = delete;
    ScopedFolder& operator=(const ScopedFolder&) = delete;

    const std::wstring& Path() const { return path_; }
    // Path + "\" + relative.
    std::wstring Child(std::wstring_view relative) const;

private:
    std::wstring path_;
};

// A fresh key under HKCU\Software\VelmoraTests, deleted with its subkeys at the end.
class ScopedRegistryKey {
public:
    ScopedRegistryKey();
    ~ScopedRegistryKey();
    ScopedRegistryKey(const ScopedRegistryKey&) = delete;
    ScopedRegistryKey& operator=(const ScopedRegistryKey&) = delete;

    // Relative to HKEY_CURRENT_USER.
    const std::wstring& SubKey() const { return subKey_; }
    HKEY Handle() const { return key_; }

private:
    std::wstring subKey_;
    HKEY key_ = nullptr;
};

void WriteFileBytes(const std::wstring& path, std::string_view bytes);
std::string ReadFileBytes(const std::wstring& path);
// UTF-16LE bytes of the text, with a byte-order mark in front when asked.
std::string Utf16Bytes(std::wstring_view text, bool withBom);
// Text of the program's own folder (no trailing backslash), where helper programs are built.
std::wstring TestBinaryFolder();

} // namespace velmora::test
