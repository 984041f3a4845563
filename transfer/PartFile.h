// The files around a transfer: the partial file it writes, the source of a local copy, and the target the
// finished partial file becomes. Paths of any length (the long-path prefix is added where needed).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/UniqueHandle.h"

namespace velmora::transfer {

// A new, empty partial file open for reading and writing, shared with no one; whatever had its name before
// is deleted, never opened (a link is removed, not followed). With `withAcl` it gets an access list of its
// own: full control for local system and the creating account, reading for everyone else (when that list
// cannot be built, the folder's inherited protection applies).
platform::UniqueFile CreatePartFile(const std::wstring& path, bool withAcl);

// The size of an existing partial file that a transfer may continue; 0 when there is none, it cannot be
// opened, or it is no plain file (platform/pure/FileTrust.h: a link or a file with a second name, which the
// transfer would otherwise write through), which is logged.
std::uint64_t ExistingFileSize(const std::wstring& path);

// An existing partial file opened for appending, shared with no one, when it is a plain file; otherwise
// invalid, with ERROR_CANT_ACCESS_FILE for a file that is not plain.
platform::UniqueFile OpenPartFileToAppend(const std::wstring& path);

// The size of the file a local copy reads; the error when it is missing, unreachable or a folder.
[[nodiscard]] DWORD ProbeFile(const std::wstring& path, std::uint64_t& size);

// Replaces the target with the finished partial file: the target's name is deleted (a link there is
// removed, not followed), then the partial file renamed, or copied to a new file and deleted when renaming
// fails.
[[nodiscard]] DWORD PromotePartFile(const std::wstring& partPath, const std::wstring& targetPath);

} // namespace velmora::transfer
