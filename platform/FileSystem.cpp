#include "platform/FileSystem.h"

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

} // namespace velmora::platform
