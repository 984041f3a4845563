#include "execution/ExtractionContext.h"

#include <algorithm>

#include "execution/pure/PackageFiles.h"
#include "platform/FileSystem.h"
#include "platform/GrowBuffer.h"
#include "platform/Logger.h"
#include "platform/pure/PathRules.h"

namespace velmora::execution {

ExtractionContext::~ExtractionContext() {
    try {
        for (const std::wstring& path : filesAtDestruction_)
            (void)platform::DeleteFileLong(path);
        Cleanup();
    } catch (...) {
        // The chainer's exit cleanup is best effort; destruction may run while an exception unwinds.
    }
}

// The folder above which nothing is looked at: the base folder when the path lies in it, else the folder
// above the outermost registered folder that holds it (the run made those; a link in their place was put
// there by someone else). Empty: the path lies in none of them.
std::wstring ExtractionContext::AnchorOf(const std::wstring& path) const {
    const std::wstring base = BaseFolder();
    std::wstring anchor = !base.empty() && platform::IsInsideFolder(path, base) ? base : std::wstring();
    for (const std::wstring& folder : folders_) {
        const std::wstring above = platform::ParentFolder(folder);
        if ((folder == path || platform::IsInsideFolder(path, folder)) &&
            (anchor.empty() || platform::IsInsideFolder(anchor, above)))
            anchor = above;
    }
    return anchor;
}

// False (and logged) when the path lies behind a link below its anchor.
bool ExtractionContext::ReachableWithoutLinks(const std::wstring& path,
                                              std::vector<platform::UniqueFile>& held) const {
    const std::wstring anchor = AnchorOf(path);
    std::wstring link;
    if (anchor.empty() ||
        platform::HoldFoldersBelow(path, anchor, false, held, link) != ERROR_CANT_ACCESS_FILE)
        return true;
    platform::LogLine(L"Not cleaned up: " + path + L" passes through the link " + link + L".");
    return false;
}

void ExtractionContext::Cleanup() {
    if (!enabled_ || done_)
        return;
    std::vector<std::wstring> filesLeft;
    for (const std::wstring& path : files_) {
        std::vector<platform::UniqueFile> held;
        if (!ReachableWithoutLinks(path, held) || !platform::DeleteFileLong(path))
            filesLeft.push_back(path);
    }
    std::vector<std::wstring> foldersLeft;
    for (auto folder = folders_.rbegin(); folder != folders_.rend(); ++folder) {
        bool removed = false;
        {
            std::vector<platform::UniqueFile> held;
            removed = ReachableWithoutLinks(*folder, held) && !platform::IsReparsePointAt(*folder);
            held.clear();
            removed = removed && platform::RemoveFolderLong(*folder);
        }
        if (!removed)
            foldersLeft.push_back(*folder);
    }
    std::reverse(foldersLeft.begin(), foldersLeft.end());
    files_ = std::move(filesLeft);
    folders_ = std::move(foldersLeft);
    done_ = files_.empty() && folders_.empty();
}

void ExtractionContext::SetChainerPath(std::wstring_view path) {
    chainerPath_ = path;
    // A path that cannot be read stays empty: better none than one cut short, which would name another file.
    if (chainerPath_.empty() && platform::ModuleFileName(nullptr, chainerPath_) != ERROR_SUCCESS)
        chainerPath_.clear();
    chainerFolder_ = platform::WithTrailingBackslash(platform::ParentFolder(chainerPath_));
}

std::wstring ExtractionContext::BaseFolder() const {
    return PackageBaseFolder(extractionFolder_, chainerPath_);
}

int ExtractionContext::LocateSetupFile(std::wstring_view name, std::wstring& path) const {
    path = SetupFilePath(BaseFolder(), name);
    return kNothingToExtract;
}

DWORD ExtractionContext::LocateProgramFile(std::wstring_view name, std::wstring& path) const {
    path = ProgramFilePath(BaseFolder(), name);
    return ERROR_SUCCESS;
}

} // namespace velmora::execution
