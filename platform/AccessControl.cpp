#include "platform/AccessControl.h"

#include <aclapi.h>

#include "platform/pure/PathRules.h"

namespace velmora::platform {

// OS quirk (localised Windows since XP): "Everyone" has a translated account name there ("Jeder",
// "Tout le monde"), so the entry is made from the well-known SID rather than looked up by name.
DWORD EveryoneFullControlAcl(UniqueLocalMem<ACL>& acl) {
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof sid;
    if (!::CreateWellKnownSid(WinWorldSid, nullptr, sid, &sidSize))
        return ::GetLastError();
    EXPLICIT_ACCESS_W access{};
    access.grfAccessPermissions = GENERIC_ALL;
    access.grfAccessMode = SET_ACCESS;
    access.grfInheritance = NO_INHERITANCE;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    access.Trustee.ptstrName = reinterpret_cast<LPWSTR>(sid);
    return ::SetEntriesInAclW(1, &access, nullptr, acl.put());
}

bool CreateFolderOpenToEveryone(const std::wstring& folder) {
    UniqueLocalMem<ACL> acl;
    if (EveryoneFullControlAcl(acl) != ERROR_SUCCESS)
        return false;
    SECURITY_DESCRIPTOR descriptor;
    if (!::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !::SetSecurityDescriptorDacl(&descriptor, TRUE, acl.get(), FALSE))
        return false;
    SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
    return ::CreateDirectoryW(ToLongPath(folder).c_str(), &attributes) == TRUE;
}

} // namespace velmora::platform
