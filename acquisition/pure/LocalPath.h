// Where a download lands: the download folder, the prerequisite's subfolder and a file name taken from the
// configuration or from the URL.
#pragma once

#include <string>
#include <string_view>

namespace velmora::acquisition {

// The file name a URL stands for: the last path segment before a query or a second "://", at most 41
// characters long, never holding \ / : * ? " < > |. Empty when the URL gives none.
std::wstring FileNameFromUrl(std::wstring_view url);

// downloadFolder + "\" + subfolder + "\" + file name. `folder` is "subfolder?file name" or just a subfolder
// (the name then comes from the URL).
std::wstring LocalPathFor(std::wstring_view downloadFolder, std::wstring_view url, std::wstring_view folder);

} // namespace velmora::acquisition
