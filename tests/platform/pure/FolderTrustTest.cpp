#include "platform/pure/FolderTrust.h"

#include <gtest/gtest.h>

using namespace velmora::platform;

namespace {

const std::wstring kMe = L"S-1-5-21-1-2-3-1001";
const std::wstring kSomeoneElse = L"S-1-5-21-1-2-3-1002";
const std::wstring kUsers = L"S-1-5-32-545";
const std::wstring kEveryone = L"S-1-1-0";
const std::wstring kSystem = L"S-1-5-18";
const std::wstring kAdministrators = L"S-1-5-32-544";
const std::wstring kCreatorOwner = L"S-1-3-0";
const std::wstring kTrustedInstaller = L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

constexpr std::uint32_t kFullControl = 0x1F01FF;
constexpr std::uint32_t kReadExecute = 0x1200A9;

} // namespace

TEST(FolderTrust_IsTrustedOwner, TheRunningAccountAdministratorsAndTheSystemOnly) {
    const struct {
        std::wstring sid;
        Trustee trustee;
        bool trusted;
    } cases[] = {
        {kMe, Trustee::RunningAccount, true},
        {L"s-1-5-21-1-2-3-1001", Trustee::RunningAccount, true},
        {kAdministrators, Trustee::Administrators, true},
        {kSystem, Trustee::LocalSystem, true},
        {kTrustedInstaller, Trustee::TrustedInstaller, true},
        {kCreatorOwner, Trustee::CreatorOwner, false},
        {kSomeoneElse, Trustee::Other, false},
        {kUsers, Trustee::Other, false},
        {kEveryone, Trustee::Other, false},
        {L"S-1-5-11", Trustee::Other, false}, // Authenticated Users
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ClassifyTrustee(c.sid, kMe), c.trustee) << c.sid;
        EXPECT_EQ(IsTrustedOwner(ClassifyTrustee(c.sid, kMe)), c.trusted) << c.sid;
    }
}

TEST(FolderTrust_JudgeSecurity, OwnerAndEveryEntryThatLetsAnotherAccountWrite) {
    const AccessEntry meFull{true, kMe, kFullControl, false};
    const AccessEntry systemFull{true, kSystem, kFullControl, false};
    const AccessEntry adminsFull{true, kAdministrators, kFullControl, false};
    const struct {
        const char* name;
        SecurityFacts facts;
        TrustVerdict verdict;
    } cases[] = {
        {"made by this run", {kMe, true, {meFull, systemFull, adminsFull}}, TrustVerdict::Trusted},
        {"owned by the administrators",
         {kAdministrators, true, {adminsFull, systemFull}},
         TrustVerdict::Trusted},
        {"others only read",
         {kSystem, true, {systemFull, {true, kUsers, kReadExecute, false}}},
         TrustVerdict::Trusted},
        {"creator owner may write",
         {kMe, true, {meFull, {true, kCreatorOwner, kFullControl, true}}},
         TrustVerdict::Trusted},
        {"a deny entry for others",
         {kMe, true, {meFull, {false, kEveryone, kFullControl, false}}},
         TrustVerdict::Trusted},
        {"owner unknown", {L"", true, {meFull}}, TrustVerdict::UnknownOwner},
        {"another account owns it", {kSomeoneElse, true, {meFull}}, TrustVerdict::ForeignOwner},
        {"creator owner as owner", {kCreatorOwner, true, {meFull}}, TrustVerdict::ForeignOwner},
        {"no access list", {kMe, false, {}}, TrustVerdict::OthersMayWrite},
        {"everyone may write (a world-writable folder)",
         {kMe, true, {meFull, {true, kEveryone, 0x12019F, false}}},
         TrustVerdict::OthersMayWrite},
        {"users may add files (C:\\Windows\\Temp)",
         {kSystem, true, {systemFull, {true, kUsers, 0x2, false}}},
         TrustVerdict::OthersMayWrite},
        {"users may add folders",
         {kSystem, true, {systemFull, {true, kUsers, 0x4, false}}},
         TrustVerdict::OthersMayWrite},
        {"another account may delete",
         {kMe, true, {meFull, {true, kSomeoneElse, 0x10000, false}}},
         TrustVerdict::OthersMayWrite},
        {"another account may change the list",
         {kMe, true, {meFull, {true, kSomeoneElse, 0x40000, false}}},
         TrustVerdict::OthersMayWrite},
        {"another account may take it",
         {kMe, true, {meFull, {true, kSomeoneElse, 0x80000, false}}},
         TrustVerdict::OthersMayWrite},
        {"generic write for users",
         {kMe, true, {meFull, {true, kUsers, 0x40000000, false}}},
         TrustVerdict::OthersMayWrite},
        {"generic all for everyone",
         {kMe, true, {meFull, {true, kEveryone, 0x10000000, false}}},
         TrustVerdict::OthersMayWrite},
        // What the folder will hold counts too: another account could change the downloads put there.
        {"others may write what is created below",
         {kMe, true, {meFull, {true, kUsers, kFullControl, true}}},
         TrustVerdict::OthersMayWrite},
        {"an allow after a deny",
         {kMe, true, {{false, kUsers, kFullControl, false}, {true, kUsers, 0x2, false}}},
         TrustVerdict::OthersMayWrite},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JudgeSecurity(c.facts, kMe), c.verdict) << c.name;
}

TEST(FolderTrust_FoldersBelowAnchor, EveryFolderOnTheWayOutermostFirst) {
    const struct {
        std::wstring_view path;
        std::wstring_view anchor;
        std::vector<std::wstring> folders;
    } cases[] = {
        {L"C:\\Windows\\Temp\\{code}\\", L"C:\\Windows\\Temp\\", {L"C:\\Windows\\Temp\\{code}"}},
        {L"C:\\Windows\\Temp\\a\\b",
         L"C:\\Windows\\Temp",
         {L"C:\\Windows\\Temp\\a", L"C:\\Windows\\Temp\\a\\b"}},
        {L"c:\\windows\\temp\\a", L"C:\\Windows\\Temp\\", {L"c:\\windows\\temp\\a"}},
        {L"C:\\Windows\\Temp\\", L"C:\\Windows\\Temp\\", {}},
        {L"C:\\Windows\\Temp2\\a", L"C:\\Windows\\Temp\\", {}},
        {L"D:\\Kit\\dl", L"C:\\Windows\\Temp\\", {}},
        {L"", L"C:\\Windows\\Temp\\", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FoldersBelowAnchor(c.path, c.anchor), c.folders) << std::wstring(c.path);
}

TEST(FolderTrust_TakesSystemTemporaryFolder, OnlyTheSystemAccountWhereWindowsOffersIt) {
    EXPECT_TRUE(TakesSystemTemporaryFolder(kSystem, true));
    EXPECT_FALSE(TakesSystemTemporaryFolder(kSystem, false));
    EXPECT_FALSE(TakesSystemTemporaryFolder(kMe, true));
    EXPECT_FALSE(TakesSystemTemporaryFolder(kAdministrators, true));
    EXPECT_FALSE(TakesSystemTemporaryFolder(L"", true));
}
