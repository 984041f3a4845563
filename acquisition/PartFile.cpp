#include "acquisition/PartFile.h"

#include <aclapi.h>

#include "platform/FileSystem.h"
#include "platform/pure/PathRules.h"

namespace velmora::acquisition {

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
    if (withAcl) {
        platform::UniqueLocalMem<ACL> acl;
        SECURITY_DESCRIPTOR descriptor;
        if (PartFileAcl(acl) == ERROR_SUCCESS &&
            ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
            ::SetSecurityDescriptorDacl(&descriptor, TRUE, acl.get(), FALSE)) {
            SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
            return UniqueFile(::CreateFileW(longPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, &attributes,
                                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        }
    }
    return UniqueFile(::CreateFileW(longPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
}

std::uint64_t ExistingFileSize(const std::wstring& path) {
    UniqueFile file(::CreateFileW(platform::ToLongPath(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0)
        return 0;
    return static_cast<std::uint64_t>(size.QuadPart);
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
    if (::CopyFileW(part.c_str(), target.c_str(), FALSE)) {
        platform::DeleteFileLong(partPath);
        return ERROR_SUCCESS;
    }
    return ::GetLastError();
}

} // namespace velmora::acquisition
