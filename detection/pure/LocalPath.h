// Where a download lands: the download folder, the prerequisite's subfolder and a file name taken from the
// configuration or from the URL.
#pragma once

#include <string>
#include <string_view>

namespace velmora::detection {

// The file name a URL stands for: the last path segment before a query or a second "://", at most 41
// characters long, never holding \ / : * ? " < > |, nor anything of the URL's user information. Empty when
// the URL gives none.
std::wstring FileNameFromUrl(std::wstring_view url);

// A Source that names a file in place ("file:///C:/kits/a.exe", "FILE://\\server\share\a.exe"): it begins
// with "file:///" or "file://" in any case and text follows. Such a prerequisite counts as present without a
// download and is launched where it lies.
bool IsFileUrlSource(std::wstring_view source);

// downloadFolder + "\" + subfolder + "\" + file name. `folder` is "subfolder?file name" or just a subfolder
// (the name then comes from the URL).
std::wstring LocalPathFor(std::wstring_view downloadFolder, std::wstring_view url, std::wstring_view folder);

} // namespace velmora::detection
