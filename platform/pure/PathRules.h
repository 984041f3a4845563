// Path and name rules shared by every subsystem: the long-path prefix, splitting, roots and normalisation.
// Pure text operations: no file-system access, no Windows header, so they build and are fuzzed natively.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::platform {

inline constexpr std::wstring_view kLongPrefix = L"\\\\?\\";
inline constexpr std::wstring_view kLongUncPrefix = L"\\\\?\\UNC\\";

// Paths longer than this get the long-path prefix (248 characters and up).
inline constexpr std::size_t kLongPathThreshold = 247;

// Two leading backslashes, or a colon as the second character.
bool IsAbsolutePath(std::wstring_view path);

// Network path as the shell sees it: "\\server..." or "\\?\UNC\...", but not "\\?\C:...".
bool IsUncPath(std::wstring_view path);

bool HasLongPrefix(std::wstring_view path);
std::wstring StripLongPrefix(std::wstring_view path);

// Adds "\\?\" (or "\\?\UNC\" for network paths) to absolute paths of 248 characters or more.
std::wstring ToLongPath(std::wstring_view path);

// The path DeleteFileW and RemoveDirectoryW are given: unchanged below 260 characters, else with the
// long-path prefix. Long network paths take the "\\?\UNC\" form ("\\?\" before "\\server" names no
// file), and relative paths stay as they are (the prefix turns off the resolution they need).
std::wstring DeletePathFor(std::wstring_view path);

// Text before the last backslash (without it); empty when there is none.
std::wstring ParentFolder(std::wstring_view path);

// Text after the last backslash, or the whole path.
std::wstring FileName(std::wstring_view path);

struct SplitPathResult {
    std::wstring root; // prefix (if any) and drive or \\server\share, no trailing backslash
    std::vector<std::wstring> components; // folders and the final name, in order; empty ones dropped
};

// Splits a path into its root and components. "\\?\UNC\" and "\\?\" stay at the front of the root.
SplitPathResult SplitPath(std::wstring_view path);

// Drive root ("C:\") or network share ("\\server\share"), after removing "\\?\".
std::wstring PathRoot(std::wstring_view path);

// Cuts a trailing run of spaces and dots.
std::wstring TrimTrailingSpacesAndDots(std::wstring_view text);

// Replaces every "/" with "\" and returns how many were replaced.
std::size_t SlashesToBackslashes(std::wstring& text);

// Splits and joins again, trimming trailing spaces and dots of every component. A component that follows
// "]" (a folder property such as [TempFolder], which ends in its own backslash) gets no backslash before it.
std::wstring NormalizePath(std::wstring_view path);

// Appends a backslash unless the text is empty or already ends with one.
std::wstring WithTrailingBackslash(std::wstring_view path);

// The absolute path as Windows resolves it before it reaches a file system: the long-path prefix removed
// ("\\?\UNC\" read as "\\"), "/" read as "\", "." and ".." components resolved, trailing spaces and dots
// of each component cut. A root alone keeps its backslash ("C:\"). Empty for a relative or drive-relative
// path ("C:x"), a ".." above the root, or a component made of dots and spaces only.
std::wstring ResolvedPath(std::wstring_view path);

// True when path lies below folder: both resolved as above, the same root, the folder's components equal to
// the path's first ones, and at least one component more. Letters are compared without regard to ASCII case.
// Whole components only: D:\T\Setup\x is not below D:\T\S; what does not resolve is below nothing.
bool IsInsideFolder(std::wstring_view path, std::wstring_view folder);

// True when the list holds the path in any ASCII letter case.
bool HoldsPath(const std::vector<std::wstring>& list, std::wstring_view path);

} // namespace velmora::platform
