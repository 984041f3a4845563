#include "platform/SecureFolder.h"

#include <aclapi.h>
#include <sddl.h>

#include "platform/FileSystem.h"
#include "platform/UniqueHandle.h"
#include "platform/pure/FileTrust.h"
#include "platform/pure/PathRules.h"

namespace velmora::platform {

namespace {

std::wstring SidText(PSID sid) {
    UniqueLocalMem<wchar_t> text;
    if (sid == nullptr || !::ConvertSidToStringSidW(sid, text.put()))
        return {};
    return text.get();
}

// The token's user, copied into the buffer; null when it cannot be read.
PSID RunningAccount(BYTE (&buffer)[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE]) {
    HANDLE tokenHandle = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &tokenHandle))
        return nullptr;
    UniqueKernelHandle token(tokenHandle);
    DWORD size = 0;
    if (!::GetTokenInformation(token.get(), TokenUser, buffer, sizeof buffer, &size))
        return nullptr;
    return reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid;
}

// Opened to read its security, without following a link at its end and without keeping others out.
UniqueFile OpenToInspect(std::wstring_view path) {
    return UniqueFile(::CreateFileW(ToLongPath(path).c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                    nullptr));
}

DWORD ReadFactsOf(HANDLE object, SecurityFacts& facts) {
    facts = {};
    PSID owner = nullptr;
    PACL dacl = nullptr;
    UniqueLocalMem<void> descriptor;
    const DWORD error =
        ::GetSecurityInfo(object, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                          &owner, nullptr, &dacl, nullptr, descriptor.put());
    if (error != ERROR_SUCCESS)
        return error;
    facts.ownerSid = SidText(owner);
    facts.hasAccessList = dacl != nullptr;
    ACL_SIZE_INFORMATION size{};
    if (dacl == nullptr || !::GetAclInformation(dacl, &size, sizeof size, AclSizeInformation))
        return ERROR_SUCCESS;
    for (DWORD i = 0; i < size.AceCount; ++i) {
        void* ace = nullptr;
        if (!::GetAce(dacl, i, &ace))
            continue;
        const auto* header = static_cast<const ACE_HEADER*>(ace);
        AccessEntry entry;
        entry.inheritOnly = (header->AceFlags & INHERIT_ONLY_ACE) != 0;
        switch (header->AceType) {
        case ACCESS_ALLOWED_ACE_TYPE:
        case ACCESS_DENIED_ACE_TYPE: {
            // Both kinds share one layout: header, mask, SID.
            auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
            entry.allow = header->AceType == ACCESS_ALLOWED_ACE_TYPE;
            entry.mask = allowed->Mask;
            entry.sid = SidText(&allowed->SidStart);
            break;
        }
        default:
            // An entry of a kind not read here may grant anything to anyone: it counts as another
            // account's full control.
            entry.allow = true;
            entry.mask = GENERIC_ALL;
            break;
        }
        facts.entries.push_back(std::move(entry));
    }
    return ERROR_SUCCESS;
}

} // namespace

std::wstring RunningAccountSid() {
    BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    return SidText(RunningAccount(buffer));
}

DWORD ReadSecurityFacts(std::wstring_view path, SecurityFacts& facts) {
    UniqueFile object = OpenToInspect(path);
    if (!object)
        return ::GetLastError();
    return ReadFactsOf(object.get(), facts);
}

DWORD CreateProtectedFolder(std::wstring_view path) {
    BYTE userBuffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    BYTE system[SECURITY_MAX_SID_SIZE];
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD systemSize = sizeof system;
    DWORD administratorsSize = sizeof administrators;
    const PSID user = RunningAccount(userBuffer);
    if (user == nullptr || !::CreateWellKnownSid(WinLocalSystemSid, nullptr, system, &systemSize) ||
        !::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &administratorsSize))
        return ::GetLastError() != ERROR_SUCCESS ? ::GetLastError() : ERROR_ACCESS_DENIED;

    EXPLICIT_ACCESS_W access[3]{};
    const PSID sids[3] = {user, administrators, system};
    for (int i = 0; i < 3; ++i) {
        access[i].grfAccessPermissions = GENERIC_ALL;
        access[i].grfAccessMode = SET_ACCESS;
        access[i].grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
        access[i].Trustee.TrusteeForm = TRUSTEE_IS_SID;
        access[i].Trustee.TrusteeType = i == 1 ? TRUSTEE_IS_WELL_KNOWN_GROUP : TRUSTEE_IS_USER;
        access[i].Trustee.ptstrName = static_cast<LPWSTR>(sids[i]);
    }
    UniqueLocalMem<ACL> acl;
    DWORD error = ::SetEntriesInAclW(3, access, nullptr, acl.put());
    if (error != ERROR_SUCCESS)
        return error;
    // Protected: nothing of the folder above (C:\Windows\Temp lets every account add files) is inherited.
    SECURITY_DESCRIPTOR descriptor;
    if (!::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !::SetSecurityDescriptorDacl(&descriptor, TRUE, acl.get(), FALSE) ||
        !::SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED))
        return ::GetLastError();
    SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
    if (!::CreateDirectoryW(ToLongPath(path).c_str(), &attributes))
        return ::GetLastError();
    return ERROR_SUCCESS;
}

bool IsTrustedFile(std::wstring_view path) {
    UniqueFile file = OpenToInspect(path);
    SecurityFacts facts;
    return file && IsPlainOpenFile(file.get()) && ReadFactsOf(file.get(), facts) == ERROR_SUCCESS &&
           JudgeSecurity(facts, RunningAccountSid()) == TrustVerdict::Trusted;
}

FolderInspection InspectFoldersBelow(std::wstring_view folder, std::wstring_view anchor) {
    const std::wstring running = RunningAccountSid();
    FolderInspection inspection;
    for (const std::wstring& component : FoldersBelowAnchor(folder, anchor)) {
        inspection.component = component;
        // OS quirk (Wine 8): a folder that is a Linux link shows the reparse attribute only when asked by
        // path, not through a handle.
        const DWORD attributes = ::GetFileAttributesW(ToLongPath(component).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
                inspection.state = FolderInspection::State::Missing;
                return inspection;
            }
            inspection.state = FolderInspection::State::Untrusted;
            inspection.verdict = TrustVerdict::UnknownOwner;
            return inspection;
        }
        const FoundFileKind kind = ClassifyFoundFile(attributes, 1);
        if (kind == FoundFileKind::ReparsePoint) {
            inspection.state = FolderInspection::State::Linked;
            return inspection;
        }
        if (kind != FoundFileKind::Folder) {
            inspection.state = FolderInspection::State::NotAFolder;
            return inspection;
        }
        SecurityFacts facts;
        const TrustVerdict verdict = ReadSecurityFacts(component, facts) == ERROR_SUCCESS
                                         ? JudgeSecurity(facts, running)
                                         : TrustVerdict::UnknownOwner;
        if (verdict != TrustVerdict::Trusted) {
            inspection.state = FolderInspection::State::Untrusted;
            inspection.verdict = verdict;
            return inspection;
        }
    }
    inspection.state = FolderInspection::State::Trusted;
    return inspection;
}

DWORD CreateProtectedFoldersBelow(std::wstring_view folder, std::wstring_view anchor,
                                  std::vector<std::wstring>& created) {
    bool making = false;
    for (const std::wstring& component : FoldersBelowAnchor(folder, anchor)) {
        // Above the first missing folder everything was inspected; below it everything is made now.
        if (!making && ::GetFileAttributesW(ToLongPath(component).c_str()) != INVALID_FILE_ATTRIBUTES)
            continue;
        making = true;
        const DWORD error = CreateProtectedFolder(component);
        if (error != ERROR_SUCCESS)
            return error;
        created.push_back(component);
    }
    return ERROR_SUCCESS;
}

} // namespace velmora::platform
