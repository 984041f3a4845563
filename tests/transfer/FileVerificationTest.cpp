#include "transfer/FileVerification.h"

#include <gtest/gtest.h>

#include <string>

#include "support/TestSupport.h"

using namespace velmora::transfer;
using velmora::test::ReadFileBytes;
using velmora::test::ScopedFolder;
using velmora::test::TestBinaryFolder;
using velmora::test::WriteFileBytes;

namespace {

const char kAbcMd5[] = "900150983cd24fb0d6963f7d28e17f72";
const char kAbcSha256[] = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

FileChecks Checks(std::uint64_t size, const std::string& md5, const std::string& sha256 = {},
                  const std::string& signers = {}) {
    return {size, Wide(md5), Wide(sha256), Wide(signers)};
}

} // namespace

TEST(FileVerification_VerifiedFile, SizeAndDigestsTable) {
    ScopedFolder folder;
    const std::wstring abc = folder.Child(L"abc.bin");
    const std::wstring empty = folder.Child(L"empty.bin");
    const std::wstring missing = folder.Child(L"missing.bin");
    WriteFileBytes(abc, "abc");
    WriteFileBytes(empty, "");
    struct Case {
        const std::wstring* path;
        FileChecks checks;
        FileVerdict verdict;
    } cases[] = {
        {&abc, Checks(0, ""), FileVerdict::Accepted},
        {&abc, Checks(3, ""), FileVerdict::Accepted},
        {&abc, Checks(4, ""), FileVerdict::WrongSize},
        {&missing, Checks(0, ""), FileVerdict::Unreadable},
        {&abc, Checks(3, "900150983CD24FB0D6963F7D28E17F72"), FileVerdict::Accepted},
        {&abc, Checks(0, "900150983cd24fb0d6963f7d28e17f72ff"), FileVerdict::Accepted}, // MD5's 33rd digit
        {&abc, Checks(0, "900150983cd24fb0d6963f7d28e17f7"), FileVerdict::WrongMd5},
        {&abc, Checks(0, "", "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD"),
         FileVerdict::Accepted},
        {&abc, Checks(0, kAbcMd5, kAbcSha256), FileVerdict::Accepted},
        {&abc, Checks(0, kAbcMd5, std::string(64, '0')), FileVerdict::WrongSha256}, // both must match
        {&abc, Checks(0, std::string(32, '0'), kAbcSha256), FileVerdict::WrongMd5},
        {&abc, Checks(0, "", std::string(kAbcSha256) + "0"), FileVerdict::WrongSha256},
        {&empty, Checks(0, "d41d8cd98f00b204e9800998ecf8427e"), FileVerdict::WrongMd5}, // never an empty file
    };
    for (const Case& c : cases) {
        const VerifiedFile file(*c.path, c.checks);
        EXPECT_EQ(file.Result().verdict, c.verdict)
            << testing::PrintToString(*c.path) << " " << testing::PrintToString(c.checks.md5) << " "
            << testing::PrintToString(c.checks.sha256);
    }
}

// Digests a transfer computed while it wrote the file stand for the file's: it is not read for them.
TEST(FileVerification_VerifiedFile, KnownDigestsStandForTheFile) {
    ScopedFolder folder;
    const std::wstring path = folder.Child(L"abc.bin");
    WriteFileBytes(path, "abc");
    EXPECT_TRUE(VerifiedFile(path, Checks(0, "", kAbcSha256), {false, {"", kAbcSha256}}).Accepted());
    EXPECT_EQ(VerifiedFile(path, Checks(0, kAbcMd5), {false, {std::string(32, '1'), ""}}).Result().verdict,
              FileVerdict::WrongMd5);
}

// The held file is the checked file: it can be read by others, but not changed, renamed or deleted.
TEST(FileVerification_VerifiedFile, HeldUntilItGoes) {
    ScopedFolder folder;
    const std::wstring path = folder.Child(L"abc.bin");
    WriteFileBytes(path, "abc");
    {
        const VerifiedFile file(path, Checks(3, kAbcMd5));
        ASSERT_TRUE(file.Accepted());
        EXPECT_EQ(ReadFileBytes(path), "abc");
        EXPECT_FALSE(::DeleteFileW(path.c_str()));
        EXPECT_FALSE(::MoveFileW(path.c_str(), folder.Child(L"moved.bin").c_str()));
    }
    EXPECT_TRUE(::DeleteFileW(path.c_str()));
}

// What a rejection tells about the file received: its digests (read now when the check did not need
// them) and its start.
TEST(FileVerification_VerifiedFile, ReceivedForTheTriageLine) {
    ScopedFolder folder;
    const std::wstring path = folder.Child(L"page.exe");
    WriteFileBytes(path, "<html>");
    const VerifiedFile file(path, Checks(10, kAbcMd5));
    ASSERT_EQ(file.Result().verdict, FileVerdict::WrongSize);
    const ReceivedFile received = file.Received();
    EXPECT_EQ(received.size, 6u);
    EXPECT_EQ(received.digests.md5, "166248a6129a1e4370d20adc2d4c23f3"); // of "<html>"
    EXPECT_EQ(received.head, "<html>");
}

// Real signatures made at build time (tests/helpers/sign-test-files.sh), checked by the system's
// WinVerifyTrust. Wine 8 does not judge the chain, so the test certificates pass it there.
TEST(FileVerification_VerifiedFile, SignerTable) {
    const std::wstring bin = TestBinaryFolder();
    const std::string pinned = ReadFileBytes(bin + L"\\test_publisher.sha1");
    const std::string pinned256 = ReadFileBytes(bin + L"\\test_publisher.sha256");
    const std::string other = ReadFileBytes(bin + L"\\other_publisher.sha1");
    ASSERT_EQ(pinned.size(), 40u);
    struct Case {
        const wchar_t* file;
        std::string signers;
        FileVerdict verdict;
    } cases[] = {
        {L"signed_exit_with.exe", pinned, FileVerdict::Accepted},
        {L"signed_exit_with.exe", other + ";" + pinned256, FileVerdict::Accepted}, // a rollover list
        {L"signed_exit_with.exe", other, FileVerdict::OtherSigner},
        {L"other_signed_exit_with.exe", pinned, FileVerdict::OtherSigner},
        {L"tampered_exit_with.exe", pinned, FileVerdict::SignatureBroken},
        {L"exit_with.exe", pinned, FileVerdict::NotSigned},
    };
    for (const Case& c : cases) {
        const VerifiedFile file(bin + L"\\" + c.file, Checks(0, "", "", c.signers));
        EXPECT_EQ(file.Result().verdict, c.verdict)
            << testing::PrintToString(std::wstring(c.file)) << " " << c.signers;
    }
    const VerifiedFile foreign(bin + L"\\other_signed_exit_with.exe", Checks(0, "", "", pinned));
    EXPECT_EQ(foreign.Result().signerSubject, L"Velmora Other Publisher");
    EXPECT_EQ(foreign.Result().signerSha1, other);
}
