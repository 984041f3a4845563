// Access lists for folders that every account on the machine must be able to write to.
#pragma once

#include <windows.h>

#include <string>

#include "platform/UniqueHandle.h"

namespace velmora::platform {

// An access list with one entry: Everyone, full control, not inherited. ERROR_SUCCESS or the error of the
// system call that failed.
[[nodiscard]] DWORD EveryoneFullControlAcl(UniqueLocalMem<ACL>& acl);

// Creates the folder with that access list as its only protection. False when the list cannot be made or
// the folder cannot be created (it exists already, or its parent is missing).
bool CreateFolderOpenToEveryone(const std::wstring& folder);

} // namespace velmora::platform
