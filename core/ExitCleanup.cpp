#include "core/ExitCleanup.h"

#include <windows.h>

#include "core/pure/CleanupLists.h"
#include "platform/FileSystem.h"
#include "platform/pure/PathRules.h"
#include "platform/UniqueHandle.h"

namespace velmora::core {

namespace {

bool ListFolderEntries(const std::wstring& folder, std::vector<FolderEntry>& entries) {
    WIN32_FIND_DATAW data{};
    platform::UniqueFind find(::FindFirstFileW(
        platform::ToLongPath(platform::WithTrailingBackslash(folder) + L"*").c_str(), &data));
    if (!find)
        return false;
    do {
        const std::wstring_view name = data.cFileName;
        if (name != L"." && name != L"..")
            entries.push_back({data.cFileName, data.cAlternateFileName});
    } while (::FindNextFileW(find.get(), &data));
    return true;
}

} // namespace

void DeleteCleanupFiles(const std::vector<std::wstring>& files, std::wstring_view cleanupFolders) {
    for (const std::wstring& file : files) {
        (void)platform::DeleteFileLong(file);
        // A folder that is not empty stays, and so does every folder above it.
        for (const std::wstring& folder : FoldersBelow(platform::ParentFolder(file), cleanupFolders)) {
            if (!platform::RemoveFolderLong(folder))
                break;
        }
    }
}

void KeepOccupiedFolders(execution::CleanupScriptRunner& runner) {
    const std::vector<std::wstring> listed = runner.Paths();
    const std::vector<std::wstring> handedOver = ScriptPathsToHandOver(listed, &ListFolderEntries);
    for (const std::wstring& path : listed) {
        if (!platform::HoldsPath(handedOver, path))
            runner.RemovePath(path);
    }
}

} // namespace velmora::core
