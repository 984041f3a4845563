// Folders the program keeps what it will launch in, where other accounts may have been first: the download
// folder of an elevated or system run lies in the temporary folder, which for a system run is
// C:\Windows\Temp. What is made here is made with an access list of its own; what is found is used only
// when it passes the test of platform/pure/FolderTrust.h on what Windows reports for it.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/pure/FolderTrust.h"

namespace velmora::platform {

// The running account's SID as text ("S-1-5-21-..."); empty when the process token cannot be read.
std::wstring RunningAccountSid();

// The owner and access list of the file or folder at the path, read from the object itself, not through a
// link at its end. ERROR_SUCCESS or the error that kept them from being read.
[[nodiscard]] DWORD ReadSecurityFacts(std::wstring_view path, SecurityFacts& facts);

// Creates a new folder (never one that exists) whose access list admits only the running account, the
// Administrators and local system, for it and for everything it will hold, and inherits nothing from the
// folder above. ERROR_SUCCESS or the error of CreateDirectoryW (ERROR_ALREADY_EXISTS when the name is
// taken).
[[nodiscard]] DWORD CreateProtectedFolder(std::wstring_view path);

// A plain file (platform/pure/FileTrust.h) whose owner and access list are trusted: one that no other
// account can have left there or changed since.
bool IsTrustedFile(std::wstring_view path);

// What the program found for a folder it means to keep files in.
struct FolderInspection {
    enum class State {
        Trusted,    // every folder on the way exists and is trusted: use it
        Missing,    // what exists on the way is trusted; the rest is to be made (CreateProtectedFolder)
        Linked,     // a folder on the way is a link (junction, symbolic link, mount point)
        Untrusted,  // a folder on the way is another account's, or others may change what is in it
        NotAFolder, // something on the way is a file
    };
    State state = State::Trusted;
    std::wstring component; // the folder the state is about (Missing: the first missing one)
    TrustVerdict verdict = TrustVerdict::Trusted; // Untrusted: why
};

// Inspects every folder below the anchor down to the folder itself, outermost first, and stops at the
// first that is missing, a link or not trusted. Folders above the anchor are not looked at.
FolderInspection InspectFoldersBelow(std::wstring_view folder, std::wstring_view anchor);

// Makes the folder and every missing one below the anchor with CreateProtectedFolder, outermost first,
// appending each one made to created. A folder someone else makes meanwhile ends it with
// ERROR_ALREADY_EXISTS: it was not there when the way was inspected.
[[nodiscard]] DWORD CreateProtectedFoldersBelow(std::wstring_view folder, std::wstring_view anchor,
                                                std::vector<std::wstring>& created);

} // namespace velmora::platform
