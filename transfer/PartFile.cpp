#include "transfer/PartFile.h"

#include <aclapi.h>

#include "platform/FileSystem.h"
#include "platform/Logger.h"
#include "platform/pure/PathRules.h"

namespace velmora::transfer {

using platform::UniqueFile;
using platform::UniqueKernelHandle;

namespace {

// A partial file that an elevated or system run may leave for a later run of another account to continue,
// without letting every account rewrite what is about to be launched: local system and the creating
// account get full control, everyone else reads.
DWORD PartFileAcl(platform::UniqueLocalMem<ACL>& acl) {
    BYTE system[SECURITY_MAX_SID_SIZE];
    BYTE everyone[SECURITY_MAX_SID_SIZE];
    DWORD systemSize = sizeof system;
    DWORD everyoneSize = sizeof everyone;
    if (!::CreateWellKnownSid(WinLocalSystemSid, nullptr, system, &systemSize) ||
        !::CreateWellKnownSid(WinWorldSid, nullptr, everyone, &everyoneSize))
        return ::GetLastError();

    HANDLE tokenHandle = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &tokenHandle))
        return ::GetLastError();
    UniqueKernelHandle token(tokenHandle);
    BYTE userBuffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD userSize = 0;
    if (!::GetTokenInformation(token.get(), TokenUser, userBuffer, sizeof userBuffer, &userSize))
        return ::GetLastError();
    PSID user = reinterpret_cast<TOKEN_USER*>(userBuffer)->User.Sid;

    EXPLICIT_ACCESS_W access[3]{};
    const PSID sids[3] = {system, user, everyone};
    const DWORD rights[3] = {GENERIC_ALL, GENERIC_ALL, GENERIC_READ | GENERIC_EXECUTE};
    for (int i = 0; i < 3; ++i) {
        access[i].grfAccessPermissions = rights[i];
        access[i].grfAccessMode = SET_ACCESS;
        access[i].grfInheritance = NO_INHERITANCE;
        access[i].Trustee.TrusteeForm = TRUSTEE_IS_SID;
        access[i].Trustee.TrusteeType = i == 2 ? TRUSTEE_IS_WELL_KNOWN_GROUP : TRUSTEE_IS_USER;
        access[i].Trustee.ptstrName = static_cast<LPWSTR>(sids[i]);
    }
    return ::SetEntriesInAclW(3, access, nullptr, acl.put());
}

} // namespace

UniqueFile CreatePartFile(const std::wstring& path, bool withAcl) {
    const std::wstring longPath = platform::ToLongPath(path);
    platform::UniqueLocalMem<ACL> acl;
    SECURITY_DESCRIPTOR descriptor;
    SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
    const bool secured = withAcl && PartFileAcl(acl) == ERROR_SUCCESS &&
                         ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
                         ::SetSecurityDescriptorDacl(&descriptor, TRUE, acl.get(), FALSE);
    // Whatever has the name goes first, and only a new file is made: an existing name may be a link or a
    // second name of another file, planted so that the transfer truncates and writes that file. Deleting
    // a link removes the link. A name planted again in between makes the creation fail; it is tried twice.
    UniqueFile file;
    for (int attempt = 0; attempt < 2 && !file; ++attempt) {
        const DWORD deleteError = platform::DeleteFileLong(path) ? ERROR_SUCCESS : ::GetLastError();
        file.reset(::CreateFileW(longPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                 secured ? &attributes : nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        // A file that could not be deleted (in use, read-only) is the failure to tell.
        if (!file && ::GetLastError() == ERROR_FILE_EXISTS && deleteError != ERROR_FILE_NOT_FOUND &&
            deleteError != ERROR_SUCCESS)
            ::SetLastError(deleteError);
    }
    return file;
}

std::uint64_t ExistingFileSize(const std::wstring& path) {
    UniqueFile file = platform::OpenPlainFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (!file && ::GetLastError() == ERROR_CANT_ACCESS_FILE && platform::LogEnabled())
        platform::LogLine(L"The partial file " + path +
                          L" is a link or has another name; it is not continued but made anew.");
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0)
        return 0;
    return static_cast<std::uint64_t>(size.QuadPart);
}

UniqueFile OpenPartFileToAppend(const std::wstring& path) {
    return platform::OpenPlainFile(path, GENERIC_READ | GENERIC_WRITE, 0);
}

DWORD ProbeFile(const std::wstring& path, std::uint64_t& size) {
    if (path.empty())
        return ERROR_PATH_NOT_FOUND;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(platform::ToLongPath(path).c_str(), GetFileExInfoStandard, &data))
        return ::GetLastError();
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return ERROR_FILE_NOT_FOUND;
    size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return ERROR_SUCCESS;
}

DWORD PromotePartFile(const std::wstring& partPath, const std::wstring& targetPath) {
    const std::wstring part = platform::ToLongPath(partPath);
    const std::wstring target = platform::ToLongPath(targetPath);
    platform::DeleteFileLong(targetPath);
    if (::MoveFileW(part.c_str(), target.c_str()))
        return ERROR_SUCCESS;
    // Only to a new name: one planted in between could be a link that takes the copy elsewhere.
    if (::CopyFileW(part.c_str(), target.c_str(), TRUE)) {
        platform::DeleteFileLong(partPath);
        return ERROR_SUCCESS;
    }
    return ::GetLastError();
}

} // namespace velmora::transfer
