// The file and folder searches, and the file version they compare. Both take the search string as the
// configuration wrote it and a resolver for its property references (already bound to the prerequisite's
// 64-bit switch). With the switch on, WOW64 file-system redirection is off for the file operations of the
// search, so a 32-bit chainer sees the 64-bit system folder; references are resolved just before.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "detection/pure/Version.h"

namespace velmora::detection {

using PropertyResolver = std::function<std::wstring(std::wstring_view text)>;

// The file version of the file's version resource (0.0.0.0 when it has none or cannot be read). On
// Windows 10 and later a file under the Windows folder is read through a temporary copy ("shim_clone"),
// because the system answers for the original with the version a compatibility shim wants to show.
VersionNumber ReadFileVersion(std::wstring_view path, bool windows10OrLater);

struct FileSearchRequest {
    std::wstring searchString;
    std::wstring verMin;
    std::wstring verMax;
    bool use64BitSwitch = false;
    bool windows10OrLater = false;
};

// Type 0: collects the normalised version of every matching file it looks at, until one is within the
// bounds. A bare file name is looked for in the root of every fixed drive; "?n" searches n folder levels
// below. The caller decides found from the collected values.
void CollectFileVersions(const FileSearchRequest& request, const PropertyResolver& resolve,
                         std::vector<std::wstring>& values);

// Type 14: collects the names of the folder's subfolders that read as versions within the bounds.
void CollectFolderNameVersions(const FileSearchRequest& request, const PropertyResolver& resolve,
                               std::vector<std::wstring>& values);

} // namespace velmora::detection
