// The files around a transfer: the partial file it writes, the source of a local copy, and the target the
// finished partial file becomes. Paths of any length (the long-path prefix is added where needed).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/UniqueHandle.h"

namespace velmora::acquisition {

// A new, empty partial file open for reading and writing, shared with no one. With `withAcl` it gets an
// access list of its own: full control for local system and the creating account, reading for everyone
// else (when that list cannot be built, the folder's inherited protection applies).
platform::UniqueFile CreatePartFile(const std::wstring& path, bool withAcl);

// The size of an existing file; 0 when there is none or it cannot be opened.
std::uint64_t ExistingFileSize(const std::wstring& path);

// The size of the file a local copy reads; the error when it is missing, unreachable or a folder.
DWORD ProbeFile(const std::wstring& path, std::uint64_t& size);

// Replaces the target with the finished partial file: renamed, or copied and deleted when renaming fails.
DWORD PromotePartFile(const std::wstring& partPath, const std::wstring& targetPath);

} // namespace velmora::acquisition
