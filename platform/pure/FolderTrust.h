// Whether a folder (or a file) that the program finds already there may be trusted with what it is about to
// keep in it: the download folder of an elevated or system run, and the files found in it.
//
// The default download folder lies in the temporary folder, which for a system run is C:\Windows\Temp:
// any local account can create a folder there first, fill it, or make it (or a folder on the way) a link
// to elsewhere. A folder is trusted only when its owner is the running account, the Administrators or
// local system (or TrustedInstaller), and no other account may change what is in it: no entry of its
// access list lets anyone else write, delete, change the list or take ownership, neither for the folder
// nor for what it will hold. Pure: the platform reads the owner and the access list and asks here, so the
// decision is tested as a table over what Windows reports.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::platform {

// Who an account (a SID in its text form, "S-1-5-18") is to the running account.
enum class Trustee {
    RunningAccount,
    Administrators,
    LocalSystem,
    TrustedInstaller,
    CreatorOwner, // stands for whoever creates an object below: the running account, for what it makes
    Other,
};
Trustee ClassifyTrustee(std::wstring_view sid, std::wstring_view runningAccountSid);
bool IsTrustedOwner(Trustee owner);

// One entry of an access list as Windows reports it.
struct AccessEntry {
    bool allow = true;
    std::wstring sid;
    std::uint32_t mask = 0;
    bool inheritOnly = false; // applies only to what is created below
};

struct SecurityFacts {
    std::wstring ownerSid;     // empty when the owner could not be read
    bool hasAccessList = true; // false: no access list at all, which lets everyone do everything
    std::vector<AccessEntry> entries;
};

enum class TrustVerdict {
    Trusted,
    UnknownOwner,   // no owner could be read
    ForeignOwner,   // another account owns it
    OthersMayWrite, // another account may change what is in it
};

// The verdict on a folder or file from its owner and access list. Deny entries are not weighed: an allow
// entry for another account is enough to refuse, whatever comes before it.
TrustVerdict JudgeSecurity(const SecurityFacts& facts, std::wstring_view runningAccountSid);

// Whether the temporary folder comes from GetTempPath2W rather than GetTempPathW: for the local system
// account, where the system offers it (Windows 11, and 10 since its 2022 updates). It gives the system
// C:\Windows\SystemTemp, which only the system and administrators may write; GetTempPathW gives it
// C:\Windows\Temp, where every account may create files and folders. Everyone else keeps GetTempPathW.
bool TakesSystemTemporaryFolder(std::wstring_view runningAccountSid, bool systemOffersTempPath2);

// The folders a path passes through below an anchor, outermost first, the path itself last: D:\T\a\b below
// D:\T gives D:\T\a and D:\T\a\b. Empty when the path does not lie below the anchor. Text as given (the
// anchor's own spelling of the shared part is kept).
std::vector<std::wstring> FoldersBelowAnchor(std::wstring_view path, std::wstring_view anchor);

} // namespace velmora::platform
