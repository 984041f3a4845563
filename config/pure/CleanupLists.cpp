#include "config/pure/CleanupLists.h"

#include <algorithm>
#include <optional>

#include "platform/pure/PathRules.h"

namespace velmora::config {

namespace {

constexpr wchar_t kFileSeparator = L'\u0001';

void AddOnce(std::vector<std::wstring>& list, std::wstring_view path) {
    if (!path.empty() && !platform::HoldsPath(list, path))
        list.emplace_back(path);
}

// Everything in the folder is handed over too, under its long or its short name.
bool AllHandedOver(const std::wstring& folder, const std::vector<FolderEntry>& entries,
                   const std::vector<std::wstring>& kept) {
    const std::wstring base = platform::WithTrailingBackslash(folder);
    return std::all_of(entries.begin(), entries.end(), [&](const FolderEntry& entry) {
        return platform::HoldsPath(kept, base + entry.name) ||
               (!entry.shortName.empty() && platform::HoldsPath(kept, base + entry.shortName));
    });
}

} // namespace

std::vector<std::wstring> FoldersBelow(std::wstring_view folder, std::wstring_view cleanupFolders) {
    std::vector<std::wstring> folders;
    // Each step is shorter than the one before, so the walk ends at the latest at the root.
    for (std::wstring current(folder); platform::IsInsideFolder(current, cleanupFolders);
         current = platform::ParentFolder(current))
        folders.push_back(current);
    return folders;
}

CleanupLists BuildCleanupLists(const ChainerSettings& settings, std::wstring_view exePath,
                               std::wstring_view iniPath, const FileExists& exists) {
    CleanupLists lists;
    // The script runs from a temporary copy, so it may delete its own file.
    AddOnce(lists.scriptPaths, settings.CleanupScript);

    std::wstring_view files = settings.CleanupFiles;
    while (!files.empty()) {
        const std::size_t end = files.find(kFileSeparator);
        const std::wstring_view piece = files.substr(0, end);
        files = end == std::wstring_view::npos ? std::wstring_view() : files.substr(end + 1);
        // The resolved form is what was checked, so it is what gets deleted.
        const std::wstring resolved = platform::ResolvedPath(piece);
        if (!resolved.empty() && platform::IsInsideFolder(resolved, settings.CleanupFolders) &&
            exists(resolved))
            lists.files.push_back(resolved);
    }
    lists.files.emplace_back(iniPath);

    AddOnce(lists.scriptPaths, exePath);
    for (const std::wstring& folder : FoldersBelow(platform::ParentFolder(exePath), settings.CleanupFolders))
        AddOnce(lists.scriptPaths, folder);
    return lists;
}

std::vector<std::wstring> ScriptPathsToHandOver(const std::vector<std::wstring>& paths,
                                                const ListFolder& listFolder) {
    std::vector<std::wstring> kept = paths;
    std::vector<std::optional<std::vector<FolderEntry>>> contents;
    for (const std::wstring& path : kept) {
        std::vector<FolderEntry> entries;
        contents.push_back(listFolder(path, entries) ? std::optional(std::move(entries)) : std::nullopt);
    }

    // Dropping a folder can leave the one above it holding something no longer handed over; go on until
    // nothing changes. The lists are a handful of paths long.
    for (bool changed = true; changed;) {
        changed = false;
        for (std::size_t i = 0; i < kept.size(); ++i) {
            if (!contents[i] || AllHandedOver(kept[i], *contents[i], kept))
                continue;
            const std::wstring dropped = kept[i];
            for (std::size_t j = kept.size(); j-- > 0;) {
                if (kept[j] == dropped || platform::IsInsideFolder(dropped, kept[j])) {
                    kept.erase(kept.begin() + static_cast<std::ptrdiff_t>(j));
                    contents.erase(contents.begin() + static_cast<std::ptrdiff_t>(j));
                }
            }
            changed = true;
            break;
        }
    }
    return kept;
}

} // namespace velmora::config
