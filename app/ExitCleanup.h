// The half of the exit cleanup that the chainer does itself, on the real file system: deleting files,
// removing the folders that leaves empty, and keeping from the cleanup script every folder that still holds
// something it was not handed. Best effort and silent: failures leave things where they are.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "execution/CleanupScriptRunner.h"

namespace velmora::app {

// Deletes each file, then removes the folders above it that are empty now, up to (not including)
// cleanupFolders; with no cleanupFolders no folder is removed. Links are never followed: a file whose way
// below cleanupFolders passes through a junction or symbolic link is not deleted (and logged), and the
// removal of folders stops at one.
void DeleteCleanupFiles(const std::vector<std::wstring>& files, std::wstring_view cleanupFolders);

// Removes from the runner's paths each folder that holds anything not handed over as well, and the listed
// folders above it; and every path below cleanupFolders that is, or lies behind, a link (logged).
void KeepOccupiedFolders(execution::CleanupScriptRunner& runner, std::wstring_view cleanupFolders);

} // namespace velmora::app
