#include "platform/FileSystem.h"

#include <mutex>

#include "platform/SecureFolder.h"
#include "platform/UniqueHandle.h"
#include "platform/pure/FileTrust.h"
#include "platform/pure/FolderTrust.h"

namespace velmora::platform {

namespace {

void ClearReadOnly(const std::wstring& path, DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_READONLY)
        ::SetFileAttributesW(ToLongPath(path).c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
}

} // namespace

DWORD FileInfo(std::wstring_view path, FILETIME* lastWriteTime, DWORD* sizeLow) {
    if (path.empty())
        return ERROR_INVALID_PARAMETER;
    if (path.size() < 2 || !IsAbsolutePath(path))
        return ERROR_PATH_NOT_FOUND;
    WIN32_FIND_DATAW data{};
    UniqueFind find(::FindFirstFileW(ToLongPath(path).c_str(), &data));
    if (!find)
        return ::GetLastError();
    if (lastWriteTime != nullptr)
        *lastWriteTime = data.ftLastWriteTime;
    if (sizeLow != nullptr)
        *sizeLow = data.nFileSizeLow;
    return ERROR_SUCCESS;
}

bool Exists(std::wstring_view path) {
    return FileInfo(path, nullptr, nullptr) == ERROR_SUCCESS;
}

bool DeleteFileLong(std::wstring_view path) {
    return ::DeleteFileW(DeletePathFor(path).c_str()) == TRUE;
}

bool RemoveFolderLong(std::wstring_view path) {
    return ::RemoveDirectoryW(DeletePathFor(path).c_str()) == TRUE;
}

bool IsPlainOpenFile(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION information{};
    return ::GetFileInformationByHandle(file, &information) &&
           ClassifyFoundFile(information.dwFileAttributes, information.nNumberOfLinks) ==
               FoundFileKind::Plain;
}

UniqueFile OpenPlainFile(std::wstring_view path, DWORD access, DWORD share) {
    UniqueFile file(::CreateFileW(ToLongPath(path).c_str(), access, share, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (file && !IsPlainOpenFile(file.get())) {
        file.reset();
        ::SetLastError(ERROR_CANT_ACCESS_FILE);
    }
    return file;
}

bool IsPlainFileAt(std::wstring_view path) {
    return static_cast<bool>(
        OpenPlainFile(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE));
}

UniqueFile HoldPlainFolder(std::wstring_view path) {
    const std::wstring name = ToLongPath(path);
    UniqueFile folder(::CreateFileW(name.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!folder)
        return folder;
    BY_HANDLE_FILE_INFORMATION information{};
    // OS quirk (Wine 8): a folder that is a Linux link shows the reparse attribute only when asked by path.
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (!::GetFileInformationByHandle(folder.get(), &information) ||
        ClassifyFoundFile(information.dwFileAttributes, 1) != FoundFileKind::Folder ||
        attributes == INVALID_FILE_ATTRIBUTES || ClassifyFoundFile(attributes, 1) != FoundFileKind::Folder) {
        folder.reset();
        ::SetLastError(ERROR_CANT_ACCESS_FILE);
    }
    return folder;
}

DWORD HoldFoldersBelow(std::wstring_view path, std::wstring_view anchor, bool includePath,
                       std::vector<UniqueFile>& held, std::wstring& link) {
    std::vector<std::wstring> folders = FoldersBelowAnchor(path, anchor);
    if (!includePath && !folders.empty())
        folders.pop_back();
    for (const std::wstring& folder : folders) {
        UniqueFile hold = HoldPlainFolder(folder);
        if (!hold) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_CANT_ACCESS_FILE)
                link = folder;
            return error;
        }
        held.push_back(std::move(hold));
    }
    return ERROR_SUCCESS;
}

DWORD WriteNewFile(std::wstring_view path, std::string_view bytes) {
    (void)DeleteFileLong(path);
    UniqueFile file(::CreateFileW(ToLongPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file)
        return ::GetLastError();
    DWORD written = 0;
    if (!::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
        return ::GetLastError();
    return written == bytes.size() ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}

bool IsReparsePointAt(std::wstring_view path) {
    const DWORD attributes = ::GetFileAttributesW(ToLongPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

void DeleteContents(std::wstring_view folder) {
    std::wstring base = WithTrailingBackslash(folder);
    WIN32_FIND_DATAW data{};
    UniqueFind find(::FindFirstFileW(ToLongPath(base + L"*").c_str(), &data));
    if (!find)
        return;
    do {
        std::wstring_view name = data.cFileName;
        if (name == L"." || name == L"..")
            continue;
        std::wstring child = base + data.cFileName;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            // A junction or directory link leads out of the folder: the link goes, what it points to stays.
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                DeleteContents(child);
            ClearReadOnly(child, data.dwFileAttributes);
            RemoveFolderLong(child);
        } else {
            ClearReadOnly(child, data.dwFileAttributes);
            DeleteFileLong(child);
        }
    } while (::FindNextFileW(find.get(), &data));
}

DWORD CreateFolderTree(std::wstring_view path, bool includeLast, std::vector<std::wstring>* created) {
    if (Exists(path))
        return ERROR_SUCCESS;
    SplitPathResult split = SplitPath(path);
    std::size_t count = split.components.size();
    // A path that ends in a backslash names no file: its last component is a folder to create as well.
    // (Empty components from doubled backslashes are dropped by the split, this one with them.)
    const bool namesFolder = !path.empty() && path.back() == L'\\';
    if (!includeLast && count > 0 && !namesFolder)
        --count;
    const bool network = IsUncPath(path);

    DWORD lastError = ERROR_SUCCESS;
    std::wstring built = split.root;
    for (std::size_t i = 0; i < count; ++i) {
        std::wstring parent = built;
        built += L'\\';
        built += split.components[i];
        if (::CreateDirectoryW(ToLongPath(built).c_str(), nullptr)) {
            lastError = ERROR_SUCCESS;
            if (created != nullptr)
                created->push_back(built);
            continue;
        }
        lastError = ::GetLastError();
        if (lastError == ERROR_ALREADY_EXISTS || network)
            continue;
        // Leave no empty parent behind that an earlier pass of this loop may have made.
        if (i > 0)
            RemoveFolderLong(parent);
        break;
    }
    return lastError == ERROR_ALREADY_EXISTS ? ERROR_SUCCESS : lastError;
}

std::wstring TempFolder() {
    // Looked up at run time: older systems lack it. The answer cannot change during a run.
    using GetTempPath2Fn = DWORD(WINAPI*)(DWORD, LPWSTR);
    static const GetTempPath2Fn getTempPath2 = [] {
        auto function = reinterpret_cast<GetTempPath2Fn>(
            reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "GetTempPath2W")));
        return TakesSystemTemporaryFolder(RunningAccountSid(), function != nullptr) ? function : nullptr;
    }();
    wchar_t buffer[MAX_PATH + 1] = {};
    DWORD length =
        getTempPath2 != nullptr ? getTempPath2(MAX_PATH + 1, buffer) : ::GetTempPathW(MAX_PATH + 1, buffer);
    std::wstring folder;
    if (length != 0 && length <= MAX_PATH)
        folder.assign(buffer, length);
    return WithTrailingBackslash(folder);
}

std::wstring TempFileName(std::wstring_view extension) {
    wchar_t name[MAX_PATH] = {};
    if (::GetTempFileNameW(TempFolder().c_str(), L"QZ_", 0, name) == 0)
        return {};
    ::DeleteFileW(name);
    std::wstring result = name;
    if (!extension.empty()) {
        std::size_t dot = result.rfind(L'.');
        if (dot != std::wstring::npos)
            result.erase(dot);
        result += extension;
    }
    return result;
}

namespace {

const std::wstring& ProcessTempPath() {
    static std::once_flag once;
    static std::wstring path;
    std::call_once(once, [] { path = TempFolder(); });
    return path;
}

std::wstring TempFileWithExtensionAttempt(std::wstring_view prefix, std::wstring_view extension, int depth) {
    wchar_t created[MAX_PATH] = {};
    std::wstring prefixText(prefix);
    if (::GetTempFileNameW(ProcessTempPath().c_str(), prefixText.c_str(), 0, created) == 0)
        return {};
    if (!extension.empty() && extension.front() == L'.')
        extension.remove_prefix(1);
    if (extension.empty())
        return created;

    std::wstring renamed = created;
    std::size_t slash = renamed.rfind(L'\\');
    std::size_t dot = renamed.rfind(L'.');
    if (dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash))
        renamed.erase(dot + 1);
    else
        renamed += L'.';
    renamed += extension;
    renamed = ToLongPath(renamed);
    if (::MoveFileW(created, renamed.c_str()))
        return renamed;

    // The name with the new extension is taken: try a fresh number. Bounded so a folder that refuses
    // every rename cannot recurse forever.
    std::wstring retry =
        depth < 64 ? TempFileWithExtensionAttempt(prefix, extension, depth + 1) : std::wstring();
    ::DeleteFileW(created);
    return retry;
}

} // namespace

std::wstring TempFileWithExtension(std::wstring_view prefix, std::wstring_view extension) {
    return TempFileWithExtensionAttempt(prefix, extension, 0);
}

bool GetEnv(std::wstring_view name, std::wstring& value) {
    value.clear();
    std::wstring key(name);
    DWORD needed = ::GetEnvironmentVariableW(key.c_str(), nullptr, 0);
    if (needed == 0)
        return false;
    for (int attempt = 0; attempt < 4; ++attempt) {
        value.assign(needed, L'\0');
        DWORD written = ::GetEnvironmentVariableW(key.c_str(), value.data(), needed);
        if (written == 0) {
            bool set = ::GetLastError() != ERROR_ENVVAR_NOT_FOUND;
            value.clear();
            return set;
        }
        if (written < needed) {
            value.resize(written);
            return true;
        }
        needed = written; // grew between the two calls
    }
    value.clear();
    return false;
}

bool WaitPumping(HANDLE handle) {
    return WaitPumpingAny(&handle, 1) == 0;
}

int WaitPumpingAny(const HANDLE* handles, DWORD count) {
    for (;;) {
        const DWORD result =
            ::MsgWaitForMultipleObjectsEx(count, handles, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (result < WAIT_OBJECT_0 + count)
            return static_cast<int>(result - WAIT_OBJECT_0);
        if (result != WAIT_OBJECT_0 + count)
            return -1;
        MSG message;
        if (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
}

namespace {

using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, BOOL*);
using Wow64DisableFn = BOOL(WINAPI*)(PVOID*);
using Wow64RevertFn = BOOL(WINAPI*)(PVOID);

// Looked up at run time: Windows XP before SP2 has none of these.
template <typename Fn> Fn Kernel32Function(const char* name) {
    return reinterpret_cast<Fn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), name)));
}

} // namespace

bool RunsUnderWow64() {
    // Asked once: the answer cannot change, and file searches create a redirection scope per folder.
    static const bool wow64 = [] {
        auto isWow64 = Kernel32Function<IsWow64ProcessFn>("IsWow64Process");
        BOOL value = FALSE;
        return isWow64 != nullptr && isWow64(::GetCurrentProcess(), &value) && value == TRUE;
    }();
    return wow64;
}

Wow64RedirectionScope::Wow64RedirectionScope() {
    if (!RunsUnderWow64())
        return;
    auto disable = Kernel32Function<Wow64DisableFn>("Wow64DisableWow64FsRedirection");
    if (disable != nullptr && disable(&oldValue_))
        disabled_ = true;
}

Wow64RedirectionScope::~Wow64RedirectionScope() {
    if (!disabled_)
        return;
    auto revert = Kernel32Function<Wow64RevertFn>("Wow64RevertWow64FsRedirection");
    if (revert != nullptr)
        revert(oldValue_);
}

} // namespace velmora::platform
