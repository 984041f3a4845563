// The extraction context that ChainerApp owns: it turns the short names of package files in the
// configuration (a prerequisite's SetupFile, the program of a run-a-program search) into full paths beside
// the chainer or in the configured extraction folder. The chainer's kits carry their files unpacked next to
// it, so the context only resolves names and never writes a file; no check is made that the
// file is there: a missing one shows up when it is started.
//
// What a run creates for the context is registered with it and removed when the context is destroyed, the
// last step of the chainer's exit: best effort, silent, and nothing that fails is lost from the lists.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/UniqueHandle.h"

namespace velmora::execution {

class ExtractionContext {
public:
    ExtractionContext() = default;
    // Deletes what was registered for deletion at destruction, then runs Cleanup. Never throws.
    ~ExtractionContext();
    ExtractionContext(const ExtractionContext&) = delete;
    ExtractionContext& operator=(const ExtractionContext&) = delete;

    // What LocateSetupFile returns: the file needs no extraction before its launch.
    static constexpr int kNothingToExtract = -1;

    // The chainer's full path; an empty text makes the context ask the system for the process's own path
    // (left empty when that fails).
    void SetChainerPath(std::wstring_view path);
    // The configured extraction folder, already resolved; empty when the configuration names none.
    void SetExtractionFolder(std::wstring_view folder) { extractionFolder_ = folder; }
    void SetEnabled(bool enabled) { enabled_ = enabled; }

    const std::wstring& ChainerPath() const { return chainerPath_; }
    // The chainer's folder with a trailing backslash (empty when the path is).
    const std::wstring& ChainerFolder() const { return chainerFolder_; }
    const std::wstring& ExtractionFolder() const { return extractionFolder_; }

    // A drive or network path stays as it is; any other name lies in the base folder (the extraction
    // folder, else the chainer's folder). Returns kNothingToExtract.
    [[nodiscard]] int LocateSetupFile(std::wstring_view name, std::wstring& path) const;
    // Always base folder + name, even for an absolute name. Returns ERROR_SUCCESS.
    [[nodiscard]] DWORD LocateProgramFile(std::wstring_view name, std::wstring& path) const;

    // Files and folders the run created, in creation order, for Cleanup.
    void RegisterFile(std::wstring_view path) { files_.emplace_back(path); }
    void RegisterFolder(std::wstring_view path) { folders_.emplace_back(path); }
    // A file deleted when the context is destroyed, whatever its state.
    void DeleteAtDestruction(std::wstring_view path) { filesAtDestruction_.emplace_back(path); }
    const std::vector<std::wstring>& Files() const { return files_; }
    const std::vector<std::wstring>& Folders() const { return folders_; }

    // When enabled and not done: deletes the registered files and removes the registered folders, the last
    // created first. Nothing that lies behind a link (below the base folder, or below where the registered
    // folders begin) is deleted: it stays registered, and the log says so. What fails stays registered
    // (folders again in creation order); done once both lists are empty.
    void Cleanup();
    bool Done() const { return done_; }

private:
    std::wstring BaseFolder() const;
    std::wstring AnchorOf(const std::wstring& path) const;
    bool ReachableWithoutLinks(const std::wstring& path, std::vector<platform::UniqueFile>& held) const;

    std::wstring chainerPath_;
    std::wstring chainerFolder_;
    std::wstring extractionFolder_;
    bool enabled_ = false;
    std::vector<std::wstring> files_;
    std::vector<std::wstring> folders_;
    std::vector<std::wstring> filesAtDestruction_;
    bool done_ = false;
};

} // namespace velmora::execution
