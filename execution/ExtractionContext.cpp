#include "execution/ExtractionContext.h"

#include <algorithm>

#include "execution/pure/PackageFiles.h"
#include "platform/FileSystem.h"
#include "platform/GrowBuffer.h"
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

void ExtractionContext::Cleanup() {
    if (!enabled_ || done_)
        return;
    std::vector<std::wstring> filesLeft;
    for (const std::wstring& path : files_) {
        if (!platform::DeleteFileLong(path))
            filesLeft.push_back(path);
    }
    std::vector<std::wstring> foldersLeft;
    for (auto folder = folders_.rbegin(); folder != folders_.rend(); ++folder) {
        if (!platform::RemoveFolderLong(*folder))
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
