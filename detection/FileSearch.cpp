#include "detection/FileSearch.h"

#include <shlobj.h>
#include <windows.h>

#include <optional>

#include "detection/pure/SearchRules.h"
#include "platform/Bitness.h"
#include "platform/FileSystem.h"
#include "platform/UniqueHandle.h"

namespace velmora::detection {

namespace {

bool IsDotEntry(const wchar_t* name) {
    return (name[0] == L'.' && name[1] == L'\0') || (name[0] == L'.' && name[1] == L'.' && name[2] == L'\0');
}

bool IsSubfolder(const WIN32_FIND_DATAW& data) {
    return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !IsDotEntry(data.cFileName);
}

// Asked once: the answer does not change while the chainer runs.
const std::wstring& WindowsFolder() {
    static const std::wstring folder = [] {
        wchar_t buffer[MAX_PATH] = {};
        if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_WINDOWS, nullptr, SHGFP_TYPE_CURRENT, buffer)))
            return std::wstring();
        return std::wstring(buffer);
    }();
    return folder;
}

// OS quirk (Windows, any version): with WOW64 redirection off, loading a DLL finds the 64-bit one and
// fails. Everything that may load a DLL (property references reach the shell, the Windows folder comes
// from the shell) is therefore asked before redirection goes off; only the file operations run without it.
void SwitchToNativeView(std::optional<platform::Wow64RedirectionScope>& scope, bool use64BitSwitch) {
    (void)WindowsFolder();
    if (use64BitSwitch)
        scope.emplace();
}

VersionNumber ReadVersionResource(const std::wstring& path) {
    VersionNumber version;
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0)
        return version;
    std::vector<BYTE> block(size);
    if (!::GetFileVersionInfoW(path.c_str(), 0, size, block.data()))
        return version;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
        fixed == nullptr || length < sizeof(VS_FIXEDFILEINFO))
        return version;
    version.parts = {static_cast<std::int32_t>(HIWORD(fixed->dwFileVersionMS)),
                     static_cast<std::int32_t>(LOWORD(fixed->dwFileVersionMS)),
                     static_cast<std::int32_t>(HIWORD(fixed->dwFileVersionLS)),
                     static_cast<std::int32_t>(LOWORD(fixed->dwFileVersionLS))};
    version.count = 4;
    return version;
}

// A new empty file for the copy, or nothing when the temporary folder gives no name.
std::optional<std::wstring> ShimCloneFile() {
    wchar_t folder[MAX_PATH + 1] = {};
    DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH)
        return std::nullopt;
    wchar_t name[MAX_PATH] = {};
    if (::GetTempFileNameW(folder, L"shim_clone", 0, name) == 0)
        return std::nullopt;
    return std::wstring(name);
}

// The fixed drives' root folders ("C:\"), in drive order.
std::vector<std::wstring> FixedDriveRoots() {
    // Four characters per drive ("C:\" and a zero) for all 26 letters, and the list's final zero.
    wchar_t buffer[26 * 4 + 1] = {};
    DWORD length = ::GetLogicalDriveStringsW(static_cast<DWORD>(std::size(buffer)), buffer);
    std::vector<std::wstring> roots;
    if (length == 0 || length >= std::size(buffer))
        return roots;
    for (const wchar_t* drive = buffer; *drive != L'\0'; drive += ::wcslen(drive) + 1)
        if (::GetDriveTypeW(drive) == DRIVE_FIXED)
            roots.emplace_back(drive);
    return roots;
}

class FileVersionSearch {
public:
    FileVersionSearch(const FileSearchRequest& request, std::vector<std::wstring>& values)
        : request_(request), values_(values) {}

    // Looks for the name in the folder and, depth levels deep, in its subfolders. True at the first file
    // whose version is within the bounds.
    bool SearchFolder(const std::wstring& folder, const std::wstring& name, int depth) {
        WIN32_FIND_DATAW data{};
        if (platform::UniqueFind(::FindFirstFileW((folder + name).c_str(), &data))) {
            const VersionNumber read = HasWildcard(name)
                                           ? VersionNumber{}
                                           : ReadFileVersion(folder + name, request_.windows10OrLater);
            // The four 16-bit parts always read back unchanged, so normalising is formatting.
            std::wstring normalised = FormatVersion(read);
            const VersionNumber version = ParsedVersion(normalised);
            values_.push_back(std::move(normalised));
            if (IsVersionInRange(request_.verMin, request_.verMax, version))
                return true;
        }
        if (depth <= 0)
            return false;

        platform::UniqueFind listing(::FindFirstFileW((folder + L"*").c_str(), &data));
        if (!listing)
            return false;
        // Every entry is examined, the first one too: a drive's root folder has no "." entry to lead the
        // listing, and its first entry may be the folder that holds the file.
        do {
            if (IsSubfolder(data) && SearchFolder(folder + data.cFileName + L"\\", name, depth - 1))
                return true;
        } while (::FindNextFileW(listing.get(), &data));
        return false;
    }

private:
    const FileSearchRequest& request_;
    std::vector<std::wstring>& values_;
};

} // namespace

VersionNumber ReadFileVersion(std::wstring_view path, bool windows10OrLater) {
    const std::wstring file(path);
    if (!ReadsVersionThroughCopy(file, WindowsFolder(), windows10OrLater))
        return ReadVersionResource(file);

    const std::optional<std::wstring> copy = ShimCloneFile();
    if (!copy)
        return ReadVersionResource(file);
    bool copied = false;
    {
        // The file may be one that only the 64-bit system folder holds.
        platform::Wow64RedirectionScope nativeView;
        copied = ::CopyFileW(file.c_str(), copy->c_str(), FALSE) == TRUE;
    }
    const VersionNumber version = ReadVersionResource(copied ? *copy : file);
    // GetTempFileNameW made the file even when the copy failed.
    ::DeleteFileW(copy->c_str());
    return version;
}

void CollectFileVersions(const FileSearchRequest& request, const PropertyResolver& resolve,
                         std::vector<std::wstring>& values) {
    const std::wstring path = SplitFileSearchString(request.searchString).path;
    std::vector<std::wstring> candidates;
    if (IsBareFileName(path)) {
        for (const std::wstring& root : FixedDriveRoots())
            candidates.push_back(root + request.searchString);
    } else {
        candidates.push_back(request.searchString);
    }
    struct Place {
        std::wstring folder;
        std::wstring name;
        int depth = 0;
    };
    std::vector<Place> places;
    for (const std::wstring& candidate : candidates) {
        const FileSearchString split = SplitFileSearchString(candidate);
        Place place;
        SplitAtLastBackslash(resolve(split.path), place.folder, place.name);
        place.depth = split.depth;
        places.push_back(std::move(place));
    }

    std::optional<platform::Wow64RedirectionScope> nativeView;
    SwitchToNativeView(nativeView, request.use64BitSwitch);
    FileVersionSearch search(request, values);
    for (const Place& place : places)
        if (search.SearchFolder(place.folder, place.name, place.depth))
            return;
}

void CollectFolderNameVersions(const FileSearchRequest& request, const PropertyResolver& resolve,
                               std::vector<std::wstring>& values) {
    std::wstring folder = resolve(request.searchString);
    if (folder.empty() || folder.back() != L'\\')
        folder += L'\\';
    std::optional<platform::Wow64RedirectionScope> nativeView;
    SwitchToNativeView(nativeView, request.use64BitSwitch);
    WIN32_FIND_DATAW data{};
    platform::UniqueFind listing(::FindFirstFileW((folder + L"*").c_str(), &data));
    if (!listing)
        return;
    do {
        if (IsSubfolder(data) &&
            IsVersionInRange(request.verMin, request.verMax, ParsedVersion(data.cFileName)))
            values.emplace_back(data.cFileName);
    } while (::FindNextFileW(listing.get(), &data));
}

} // namespace velmora::detection
