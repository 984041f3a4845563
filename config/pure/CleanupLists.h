// What the exit cleanup removes, decided as data: the files the chainer deletes itself, the folders it may
// remove once they are empty, and the paths it hands to the package's cleanup script. No Windows header:
// the file system is asked through the callbacks.
//
// CleanupFolders bounds all of it: a listed file, an emptied folder or a folder handed to the script must lie
// below it, on whole path components after "." and ".." are resolved. CleanupFolders itself and what lies
// above it are never touched, and with no CleanupFolders no folder is touched at all.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "config/pure/Configuration.h"

namespace velmora::config {

struct CleanupLists {
    std::vector<std::wstring> files; // deleted by the chainer at exit, in this order
    std::vector<std::wstring>
        scriptPaths; // for the script: the script, the chainer, its folders deepest first
};

using FileExists = std::function<bool(const std::wstring& path)>;

// The lists for a chainer at exePath with its configuration at iniPath. A CleanupFiles entry is kept (in its
// resolved form) when it lies below CleanupFolders and exists; the configuration file is always deleted. The
// script gets CleanupScript (when set), the chainer, and the chainer's folders up to, not including,
// CleanupFolders.
CleanupLists BuildCleanupLists(const ChainerSettings& settings, std::wstring_view exePath,
                               std::wstring_view iniPath, const FileExists& exists);

// The folders from folder upward that lie below cleanupFolders, deepest first.
std::vector<std::wstring> FoldersBelow(std::wstring_view folder, std::wstring_view cleanupFolders);

// One entry of a folder as the file system lists it.
struct FolderEntry {
    std::wstring name;
    std::wstring shortName; // the 8.3 alias, empty when there is none
};
// False when the path is no folder that can be listed (a file, a missing path); otherwise the entries
// without "." and "..".
using ListFolder = std::function<bool(const std::wstring& folder, std::vector<FolderEntry>& entries)>;

// The script paths that may really be handed over: a folder stays only when everything in it is handed over
// too, and a folder dropped takes every listed folder above it along, so a script that removes folders with
// their contents never removes what the chainer left in place (its log, say). Files always stay.
std::vector<std::wstring> ScriptPathsToHandOver(const std::vector<std::wstring>& paths,
                                                const ListFolder& listFolder);

} // namespace velmora::config
