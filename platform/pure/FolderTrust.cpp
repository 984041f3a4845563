#include "platform/pure/FolderTrust.h"

#include "platform/pure/PathRules.h"
#include "platform/pure/TextCompare.h"

namespace velmora::platform {

namespace {

// Rights that let an account change a folder's contents, the folder itself or who may: FILE_WRITE_DATA
// (add a file), FILE_APPEND_DATA (add a folder), FILE_WRITE_EA, FILE_DELETE_CHILD, FILE_WRITE_ATTRIBUTES,
// DELETE, WRITE_DAC, WRITE_OWNER, GENERIC_WRITE, GENERIC_ALL and MAXIMUM_ALLOWED.
constexpr std::uint32_t kWriteRights =
    0x2 | 0x4 | 0x10 | 0x40 | 0x100 | 0x10000 | 0x40000 | 0x80000 | 0x40000000 | 0x10000000 | 0x02000000;

constexpr std::wstring_view kLocalSystem = L"S-1-5-18";
constexpr std::wstring_view kAdministrators = L"S-1-5-32-544";
constexpr std::wstring_view kCreatorOwner = L"S-1-3-0";
constexpr std::wstring_view kTrustedInstaller =
    L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

} // namespace

Trustee ClassifyTrustee(std::wstring_view sid, std::wstring_view runningAccountSid) {
    // SID texts are written in upper case by Windows; "s-1-5-18" is the same SID.
    if (!runningAccountSid.empty() && EqualsNoCase(sid, runningAccountSid))
        return Trustee::RunningAccount;
    if (EqualsNoCase(sid, kLocalSystem))
        return Trustee::LocalSystem;
    if (EqualsNoCase(sid, kAdministrators))
        return Trustee::Administrators;
    if (EqualsNoCase(sid, kTrustedInstaller))
        return Trustee::TrustedInstaller;
    if (EqualsNoCase(sid, kCreatorOwner))
        return Trustee::CreatorOwner;
    return Trustee::Other;
}

bool IsTrustedOwner(Trustee owner) {
    return owner == Trustee::RunningAccount || owner == Trustee::Administrators ||
           owner == Trustee::LocalSystem || owner == Trustee::TrustedInstaller;
}

TrustVerdict JudgeSecurity(const SecurityFacts& facts, std::wstring_view runningAccountSid) {
    if (facts.ownerSid.empty())
        return TrustVerdict::UnknownOwner;
    if (!IsTrustedOwner(ClassifyTrustee(facts.ownerSid, runningAccountSid)))
        return TrustVerdict::ForeignOwner;
    if (!facts.hasAccessList)
        return TrustVerdict::OthersMayWrite;
    for (const AccessEntry& entry : facts.entries) {
        if (!entry.allow || (entry.mask & kWriteRights) == 0)
            continue;
        const Trustee who = ClassifyTrustee(entry.sid, runningAccountSid);
        // An entry for whoever creates something applies to the running account's own objects.
        if (!IsTrustedOwner(who) && who != Trustee::CreatorOwner)
            return TrustVerdict::OthersMayWrite;
    }
    return TrustVerdict::Trusted;
}

bool TakesSystemTemporaryFolder(std::wstring_view runningAccountSid, bool systemOffersTempPath2) {
    return systemOffersTempPath2 && ClassifyTrustee(runningAccountSid, L"") == Trustee::LocalSystem;
}

std::vector<std::wstring> FoldersBelowAnchor(std::wstring_view path, std::wstring_view anchor) {
    std::vector<std::wstring> folders;
    // Each step is shorter than the one before, so the walk ends at the latest at the root.
    for (std::wstring current(path); !current.empty() && IsInsideFolder(current, anchor);
         current = ParentFolder(current)) {
        while (!current.empty() && current.back() == L'\\')
            current.pop_back();
        if (current.empty() || !IsInsideFolder(current, anchor))
            break;
        folders.insert(folders.begin(), current);
    }
    return folders;
}

} // namespace velmora::platform
