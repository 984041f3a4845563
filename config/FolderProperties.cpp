#include "config/FolderProperties.h"

#include <windows.h>
#include <shlobj.h>

#include <mutex>

#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/GrowBuffer.h"
#include "platform/Registry.h"
#include "platform/SystemLibrary.h"
#include "platform/TempFiles.h"
#include "platform/UniqueHandle.h"

namespace velmora::config {

namespace {

// Win32 takes names as zero-terminated strings; a name with a zero inside would silently name another.
bool HasEmbeddedZero(std::wstring_view text) {
    return text.find(L'\0') != std::wstring_view::npos;
}

std::wstring FromBuffer(const wchar_t* buffer) {
    return platform::WithTrailingBackslash(buffer);
}

bool SystemFolder(bool use64BitView, std::wstring& folder) {
    wchar_t buffer[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, use64BitView ? CSIDL_SYSTEM : CSIDL_SYSTEMX86, nullptr,
                                  SHGFP_TYPE_CURRENT, buffer)))
        return false;
    folder = FromBuffer(buffer);
    return !folder.empty();
}

bool System32Folder(std::wstring& folder) {
    wchar_t buffer[MAX_PATH] = {};
    UINT length = ::GetSystemDirectoryW(buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    folder = FromBuffer(buffer);
    return true;
}

bool WindowsFolder(std::wstring& folder) {
    wchar_t buffer[MAX_PATH] = {};
    UINT length = ::GetWindowsDirectoryW(buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    folder = FromBuffer(buffer);
    return true;
}

const std::wstring& SetupExeDir() {
    static std::once_flag once;
    static std::wstring folder;
    std::call_once(once, [] {
        std::wstring path;
        if (platform::ModuleFileName(nullptr, path) != ERROR_SUCCESS)
            return;
        std::size_t slash = path.rfind(L'\\');
        if (slash != std::wstring::npos)
            folder = path.substr(0, slash + 1);
    });
    return folder;
}

bool ShellFolderFromItemList(int csidl, std::wstring& folder) {
    LPITEMIDLIST items = nullptr;
    if (FAILED(::SHGetSpecialFolderLocation(nullptr, csidl, &items)) || items == nullptr)
        return false;
    wchar_t buffer[MAX_PATH] = {};
    BOOL found = ::SHGetPathFromIDListW(items, buffer);
    IMalloc* allocator = nullptr;
    if (SUCCEEDED(::SHGetMalloc(&allocator)) && allocator != nullptr) {
        allocator->Free(items);
        allocator->Release();
    }
    if (!found || buffer[0] == L'\0')
        return false;
    folder = FromBuffer(buffer);
    return true;
}

using ShFolderGetPathFn = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPWSTR);

// The older shell library, loaded once and kept for the process.
ShFolderGetPathFn ShFolderGetPath() {
    static std::once_flag once;
    static ShFolderGetPathFn function = nullptr;
    std::call_once(once, [] {
        static platform::UniqueModule library = platform::LoadSystemLibrary(L"shfolder.dll");
        platform::FindFunction(library.get(), "SHGetFolderPathW", function);
    });
    return function;
}

bool ShellFolder(int csidl, std::wstring& folder) {
    if (ShellFolderFromItemList(csidl, folder))
        return true;
    ShFolderGetPathFn getPath = ShFolderGetPath();
    if (getPath == nullptr)
        return false;
    wchar_t buffer[MAX_PATH] = {};
    if (FAILED(getPath(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer)) || buffer[0] == L'\0')
        return false;
    folder = FromBuffer(buffer);
    return true;
}

class Machine final : public PropertySource {
public:
    bool FolderProperty(std::wstring_view name, bool use64BitView, std::wstring& folder) const override {
        return ResolveFolderProperty(name, use64BitView, folder);
    }

    std::wstring EnvironmentValue(std::wstring_view name) const override {
        std::wstring value;
        if (HasEmbeddedZero(name) || !platform::GetEnv(name, value))
            value.clear();
        return value;
    }

    std::wstring RegistryValue(std::wstring_view path, bool use64BitView) const override {
        if (HasEmbeddedZero(path))
            return {};
        platform::RegistryValuePath split = platform::SplitRegistryValuePath(path);
        HKEY root = platform::RegistryRootKey(split.root);
        if (root == nullptr)
            return {};
        platform::UniqueHkey key;
        const REGSAM access = KEY_QUERY_VALUE | (use64BitView ? KEY_WOW64_64KEY : 0);
        if (::RegOpenKeyExW(root, std::wstring(split.keyPath).c_str(), 0, access, key.put()) != ERROR_SUCCESS)
            return {};
        std::wstring text;
        if (platform::ReadRegistryValueText(key.get(), split.valueName, text) != ERROR_SUCCESS)
            text.clear();
        return text;
    }

    std::wstring TempFolder() const override { return platform::TempFolder(); }
};

} // namespace

bool ResolveFolderProperty(std::wstring_view name, bool use64BitView, std::wstring& folder) {
    FolderPropertyRule rule;
    if (!FindFolderPropertyRule(name, rule))
        return false;
    std::wstring found;
    bool known = false;
    switch (rule.kind) {
    case FolderPropertyKind::ProgramFiles64:
        // Set only on 64-bit Windows; elsewhere the name means the one Program Files folder. An empty
        // value is no folder either.
        known = platform::GetEnv(L"ProgramW6432", found) && !found.empty();
        if (known)
            found = platform::WithTrailingBackslash(found);
        else
            known = ShellFolder(rule.csidl, found);
        break;
    case FolderPropertyKind::System:
        known = SystemFolder(use64BitView, found);
        break;
    case FolderPropertyKind::System32:
        known = System32Folder(found);
        break;
    case FolderPropertyKind::Windows:
        known = WindowsFolder(found);
        break;
    case FolderPropertyKind::WindowsVolume:
        known = WindowsFolder(found);
        if (known)
            found = found.substr(0, 3);
        break;
    case FolderPropertyKind::Temp:
        found = platform::TempFolder();
        known = !found.empty();
        break;
    case FolderPropertyKind::SetupExeDir:
        found = SetupExeDir();
        known = !found.empty();
        break;
    case FolderPropertyKind::Shell:
        known = ShellFolder(rule.csidl, found);
        break;
    }
    if (known)
        folder = std::move(found);
    return known;
}

std::wstring ResolveProperties(std::wstring_view text, bool use64BitView) {
    return ResolveProperties(text, use64BitView, MachineProperties());
}

const PropertySource& MachineProperties() {
    static const Machine machine;
    return machine;
}

} // namespace velmora::config
