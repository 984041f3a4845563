#include "support/TestSupport.h"

#include <atomic>
#include <cstdio>

#include "platform/FileSystem.h"
#include "platform/GrowBuffer.h"
#include "platform/TempFiles.h"

namespace velmora::test {

namespace {

std::wstring UniqueName() {
    static std::atomic<unsigned> counter{0};
    wchar_t name[64];
    std::swprintf(name, 64, L"vt%lu_%u_%lu", ::GetCurrentProcessId(), counter++, ::GetTickCount());
    return name;
}

} // namespace

ScopedFolder::ScopedFolder() {
    path_ = platform::TempFolder() + UniqueName();
    ::CreateDirectoryW(path_.c_str(), nullptr);
}

ScopedFolder::~ScopedFolder() {
    platform::DeleteContents(path_);
    platform::RemoveFolderLong(path_);
}

std::wstring ScopedFolder::Child(std::wstring_view relative) const {
    return path_ + L"\\" + std::wstring(relative);
}

ScopedRegistryKey::ScopedRegistryKey() {
    subKey_ = L"Software\\VelmoraTests\\" + UniqueName();
    ::RegCreateKeyExW(HKEY_CURRENT_USER, subKey_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                      nullptr);
}

ScopedRegistryKey::~ScopedRegistryKey() {
    if (key_ != nullptr)
        ::RegCloseKey(key_);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, subKey_.c_str());
}

void WriteFileBytes(const std::wstring& path, std::string_view bytes) {
    HANDLE file =
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
}

std::string ReadFileBytes(const std::wstring& path) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    ::CloseHandle(file);
    return bytes;
}

std::string Utf16Bytes(std::wstring_view text, bool withBom) {
    std::string bytes;
    if (withBom)
        bytes += "\xFF\xFE";
    for (wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>((c >> 8) & 0xFF);
    }
    return bytes;
}

std::wstring TestBinaryFolder() {
    std::wstring path;
    // A test program whose own path cannot be read finds no helper beside it, and says so.
    (void)platform::ModuleFileName(nullptr, path);
    return platform::ParentFolder(path);
}

} // namespace velmora::test
