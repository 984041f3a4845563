// File and folder operations every subsystem shares. Failures come back as Windows error codes or false,
// never as exceptions. Paths of 260 characters or more get the long-path prefix where the call needs it.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/UniqueHandle.h"
#include "platform/pure/PathRules.h"

namespace velmora::platform {

// 87 for an empty path, 3 for a relative path or one shorter than two characters, else 0 or the error of
// FindFirstFileW. Outputs the last-write time and the low 32 bits of the size.
[[nodiscard]] DWORD FileInfo(std::wstring_view path, FILETIME* lastWriteTime, DWORD* sizeLow);
bool Exists(std::wstring_view path);

bool DeleteFileLong(std::wstring_view path);
bool RemoveFolderLong(std::wstring_view path);

// Whether an open file is a plain file (platform/pure/FileTrust.h), asked of the handle: the answer is about
// the file that was opened, whatever its name leads to now. Open it with FILE_FLAG_OPEN_REPARSE_POINT, or a
// link is followed and the file it leads to is looked at instead. False when the system cannot tell.
bool IsPlainOpenFile(HANDLE file);

// Opens an existing file without following a link at its end and keeps it only when it is plain. Fails
// with the error of CreateFileW, or with ERROR_CANT_ACCESS_FILE when the file is no plain file.
UniqueFile OpenPlainFile(std::wstring_view path, DWORD access, DWORD share);

// True when the path names an existing plain file; false when it names none, or something else.
bool IsPlainFileAt(std::wstring_view path);

// Opens an existing folder that is no link, without delete sharing: while the handle lives, no one can
// remove or rename it, so a file then opened by its path lies in this very folder. Fails with the error of
// CreateFileW, or with ERROR_CANT_ACCESS_FILE when the folder is a reparse point or no folder.
UniqueFile HoldPlainFolder(std::wstring_view path);

// Holds every folder a path passes through below the anchor, outermost first (HoldPlainFolder), down to
// the path's own folder, and the path itself when includePath is set: while the holds live, none of them
// can be removed, renamed or replaced by a link, so the path leads where it led when it was checked.
// ERROR_CANT_ACCESS_FILE with the folder in `link` when one of them is a link (or no folder); another
// error when one cannot be opened (it is missing, say). A path not below the anchor holds nothing.
[[nodiscard]] DWORD HoldFoldersBelow(std::wstring_view path, std::wstring_view anchor, bool includePath,
                                     std::vector<UniqueFile>& held, std::wstring& link);

// Writes the bytes to a new file at the path: whatever had the name is deleted first (a link is removed,
// not followed), and the file is created only if the name is free then. ERROR_SUCCESS or the error.
[[nodiscard]] DWORD WriteNewFile(std::wstring_view path, std::string_view bytes);

// True when the path names a reparse point (a junction, a symbolic link, a mount point).
bool IsReparsePointAt(std::wstring_view path);

// Deletes everything inside the folder (read-only entries too); the folder itself stays. Errors are skipped.
// Junctions and directory links are removed as links: what they point to is never entered.
void DeleteContents(std::wstring_view folder);

// Creates every missing folder of the path; with includeLast false the last component is a file name and is
// not created. Folders made are appended to created, in order. Returns the last error seen, 183 read as 0.
[[nodiscard]] DWORD CreateFolderTree(std::wstring_view path, bool includeLast,
                                     std::vector<std::wstring>* created);

} // namespace velmora::platform
