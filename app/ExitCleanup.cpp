#include "app/ExitCleanup.h"

#include <windows.h>

#include "config/pure/CleanupLists.h"
#include "platform/FileSystem.h"
#include "platform/Logger.h"
#include "platform/pure/PathRules.h"
#include "platform/UniqueHandle.h"

namespace velmora::app {

namespace {

bool ListFolderEntries(const std::wstring& folder, std::vector<config::FolderEntry>& entries) {
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
        {
            // The folders on the way stay held while the file is deleted: none can turn into a link to
            // elsewhere between the check and the deletion.
            std::vector<platform::UniqueFile> held;
            std::wstring link;
            const DWORD error = platform::HoldFoldersBelow(file, cleanupFolders, false, held, link);
            if (error == ERROR_CANT_ACCESS_FILE) {
                platform::LogLine(L"Not cleaned up: " + file + L" passes through the link " + link + L".");
                continue;
            }
            if (error != ERROR_SUCCESS)
                continue; // a folder on the way is gone, and the file with it
            (void)platform::DeleteFileLong(file);
        }
        // A folder that is not empty stays, and so does every folder above it; the walk ends at a link.
        for (const std::wstring& folder :
             config::FoldersBelow(platform::ParentFolder(file), cleanupFolders)) {
            if (platform::IsReparsePointAt(folder) || !platform::RemoveFolderLong(folder))
                break;
        }
    }
}

void KeepOccupiedFolders(execution::CleanupScriptRunner& runner, std::wstring_view cleanupFolders) {
    const std::vector<std::wstring> listed = runner.Paths();
    const std::vector<std::wstring> handedOver = config::ScriptPathsToHandOver(listed, &ListFolderEntries);
    for (const std::wstring& path : listed) {
        // A script that removes a folder with its contents could follow a link into whatever it leads to.
        std::vector<platform::UniqueFile> held;
        std::wstring link;
        const bool behindLink =
            platform::HoldFoldersBelow(path, cleanupFolders, false, held, link) == ERROR_CANT_ACCESS_FILE;
        if (!behindLink && platform::IsInsideFolder(path, cleanupFolders) && platform::IsReparsePointAt(path))
            link = path;
        if (!link.empty()) {
            platform::LogLine(L"Not cleaned up: " + path + L" passes through the link " + link + L".");
            runner.RemovePath(path);
        } else if (!platform::HoldsPath(handedOver, path)) {
            runner.RemovePath(path);
        }
    }
}

} // namespace velmora::app
