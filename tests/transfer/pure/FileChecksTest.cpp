#include "transfer/pure/FileChecks.h"

#include <gtest/gtest.h>

#include <cwctype>

using namespace velmora::transfer;
using velmora::config::PrerequisiteRecord;
using velmora::config::SourceKey;

namespace {

const std::string kSha1 = "bbf497aa700b93186ea6c3920008afb9983a6218";
const std::string kSha256 = "2a9fc5457d3533e61b3d13aa68e062e00e451eee070b4a6a57bcec189e7d2af2";

PrerequisiteRecord Record(SourceKey kind) {
    PrerequisiteRecord record;
    record.SourceKind = kind;
    record.ExactSize = 5;
    record.MD5 = L"m";
    record.SHA256 = L"s";
    record.SignerThumbprint = L"t";
    return record;
}

} // namespace

TEST(FileChecks_ChecksOf, DownloadsGetEveryKeyKitFilesTheSignerSitesNothing) {
    const FileChecks download = ChecksOf(Record(SourceKey::Url));
    EXPECT_EQ(download.size, 5u);
    EXPECT_EQ(download.md5, L"m");
    EXPECT_EQ(download.sha256, L"s");
    EXPECT_EQ(download.signers, L"t");

    const FileChecks kit = ChecksOf(Record(SourceKey::SetupFile));
    EXPECT_EQ(kit.size, 0u);
    EXPECT_TRUE(kit.md5.empty());
    EXPECT_TRUE(kit.sha256.empty());
    EXPECT_EQ(kit.signers, L"t");

    EXPECT_FALSE(ChecksOf(Record(SourceKey::OpenSite)).Any());
}

TEST(FileChecks_ChecksOf, OnlyADigestOrASignerPinsTheContent) {
    FileChecks checks;
    checks.size = 10;
    EXPECT_TRUE(checks.Any());
    EXPECT_FALSE(checks.PinsContent());
    checks.signers = L"x";
    EXPECT_TRUE(checks.PinsContent());
    EXPECT_FALSE(checks.Digests().Any());
}

TEST(FileChecks_Sha256Matches, SixtyFourDigitsInAnyCaseAndNothingElse) {
    const std::wstring lower(kSha256.begin(), kSha256.end());
    std::wstring upper = lower;
    for (wchar_t& c : upper)
        c = static_cast<wchar_t>(std::towupper(c));
    struct Case {
        std::wstring expected;
        bool matches;
    } cases[] = {
        {lower, true},
        {upper, true},
        {lower + L"0", false},               // a 65th digit
        {lower.substr(0, 63), false},        // one short
        {L" " + lower.substr(1), false},     // a blank for a digit
        {lower.substr(0, 63) + L"g", false}, // not hexadecimal
        {L"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Sha256Matches(c.expected, kSha256), c.matches)
            << std::string(c.expected.begin(), c.expected.end());
    EXPECT_FALSE(Sha256Matches(lower, "")); // not computed
}

TEST(FileChecks_ParseThumbprints, ItemsAsAuthorsCopyThem) {
    struct Case {
        std::wstring text;
        std::size_t sha1;
        std::size_t sha256;
        std::size_t malformed;
    } cases[] = {
        {L"BBF497AA700B93186EA6C3920008AFB9983A6218", 1, 0, 0},
        {L"bb f4 97 aa 70 0b 93 18 6e a6 c3 92 00 08 af b9 98 3a 62 18", 1, 0, 0}, // the certificate dialog
        {L"\u200Ebbf497aa700b93186ea6c3920008afb9983a6218", 1, 0, 0},              // with its invisible mark
        {L"BB:F4:97:AA:70:0B:93:18:6E:A6:C3:92:00:08:AF:B9:98:3A:62:18", 1, 0, 0}, // openssl -fingerprint
        {L"bbf497aa700b93186ea6c3920008afb9983a6218; "
         L"2A9FC5457D3533E61B3D13AA68E062E00E451EEE070B4A6A57BCEC189E7D2AF2",
         1, 1, 0},
        {L"bbf497aa700b93186ea6c3920008afb9983a6218;;", 1, 0, 0}, // empty items skipped
        {L"bbf497aa700b93186ea6c3920008afb9983a621", 0, 0, 1},    // 39 digits
        {L"zbf497aa700b93186ea6c3920008afb9983a6218", 0, 0, 1},   // not hexadecimal
        {L"", 0, 0, 0},
    };
    for (const Case& c : cases) {
        const Thumbprints parsed = ParseThumbprints(c.text);
        EXPECT_EQ(parsed.sha1.size(), c.sha1) << std::string(c.text.begin(), c.text.end());
        EXPECT_EQ(parsed.sha256.size(), c.sha256);
        EXPECT_EQ(parsed.malformed.size(), c.malformed);
    }
    EXPECT_EQ(ParseThumbprints(L" BB F4 97 AA 70 0B 93 18 6E A6 C3 92 00 08 AF B9 98 3A 62 18 ").sha1.at(0),
              kSha1);
}

TEST(FileChecks_SignerMatches, EitherThumbprintOfTheSignerNamedInTheList) {
    const Thumbprints sha1Only = ParseThumbprints(std::wstring(kSha1.begin(), kSha1.end()));
    const Thumbprints sha256Only =
        ParseThumbprints(std::wstring(kSha256.begin(), kSha256.end()) + L";garbage");
    EXPECT_TRUE(SignerMatches(sha1Only, kSha1, kSha256));
    EXPECT_TRUE(SignerMatches(sha256Only, kSha1, kSha256));
    EXPECT_FALSE(SignerMatches(sha1Only, "5227fc2900cd76d68575a8580ba86337b7dd288c", "00"));
    EXPECT_FALSE(SignerMatches(ParseThumbprints(L"garbage"), kSha1, kSha256));
    EXPECT_FALSE(SignerMatches(sha1Only, "", ""));
}
