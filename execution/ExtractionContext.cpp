#include "execution/ExtractionContext.h"

#include "execution/pure/PackageFiles.h"
#include "platform/pure/PathRules.h"

namespace velmora::execution {

void ExtractionContext::SetChainerPath(std::wstring_view path) {
    chainerPath_ = path;
    if (chainerPath_.empty()) {
        wchar_t buffer[MAX_PATH] = {};
        DWORD length = ::GetModuleFileNameW(nullptr, buffer, MAX_PATH);
        // A path cut at the buffer's end would name another file; better none.
        if (length > 0 && length < MAX_PATH)
            chainerPath_.assign(buffer, length);
    }
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
