// Where the package files named in the configuration lie: beside the chainer, or in the configured
// extraction folder. Pure path text: no file is looked at, no Windows header.
#pragma once

#include <string>
#include <string_view>

namespace velmora::execution {

// The extraction folder when it is not empty, else the chainer's folder; with a trailing backslash.
std::wstring PackageBaseFolder(std::wstring_view extractionFolder, std::wstring_view chainerPath);

// A setup file: an absolute name (drive or network path) stays as it is, anything else is put in the base
// folder.
std::wstring SetupFilePath(std::wstring_view baseFolder, std::wstring_view name);

// A search program always lies in the base folder, whatever its name looks like.
std::wstring ProgramFilePath(std::wstring_view baseFolder, std::wstring_view name);

} // namespace velmora::execution
