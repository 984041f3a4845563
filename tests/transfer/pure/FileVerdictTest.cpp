#include "transfer/pure/FileVerdict.h"

#include <gtest/gtest.h>

using namespace velmora::transfer;

// "Chain not trusted" cannot be shown under Wine, whose WinVerifyTrust does not judge the chain: the
// decision is this table over WinVerifyTrust's answers and the signer found.
TEST(FileVerdict_SignatureVerdict, WinVerifyTrustAnswerAndSigner) {
    struct Case {
        std::uint32_t answer;
        bool signerFound;
        bool signerPinned;
        FileVerdict verdict;
    } cases[] = {
        {0, true, true, FileVerdict::Accepted},
        {0, true, false, FileVerdict::OtherSigner},
        {0, false, false, FileVerdict::SignatureNotChecked},      // valid, yet no signer to compare
        {0x800B0100, false, false, FileVerdict::NotSigned},       // TRUST_E_NOSIGNATURE
        {0x800B0003, false, false, FileVerdict::NotSigned},       // TRUST_E_SUBJECT_FORM_UNKNOWN
        {0x80096010, false, false, FileVerdict::SignatureBroken}, // TRUST_E_BAD_DIGEST
        {0x80096010, true, true, FileVerdict::SignatureBroken},
        {0x80096011, false, false, FileVerdict::SignatureBroken},     // TRUST_E_MALFORMED_SIGNATURE
        {0x800B0109, true, true, FileVerdict::ChainNotTrusted},       // CERT_E_UNTRUSTEDROOT
        {0x800B010A, true, true, FileVerdict::ChainNotTrusted},       // CERT_E_CHAINING
        {0x800B0101, true, true, FileVerdict::ChainNotTrusted},       // CERT_E_EXPIRED
        {0x800B010C, true, true, FileVerdict::ChainNotTrusted},       // CERT_E_REVOKED
        {0x800B0111, false, false, FileVerdict::ChainNotTrusted},     // TRUST_E_EXPLICIT_DISTRUST
        {0x80092013, true, true, FileVerdict::ChainNotTrusted},       // CRYPT_E_REVOCATION_OFFLINE
        {0x800B0109, true, false, FileVerdict::OtherSigner},          // not pinned outweighs the chain
        {0x80070005, false, false, FileVerdict::SignatureNotChecked}, // E_ACCESSDENIED
        {0x800B0001, false, false, FileVerdict::SignatureNotChecked}, // TRUST_E_PROVIDER_UNKNOWN
    };
    for (const Case& c : cases)
        EXPECT_EQ(SignatureVerdict(static_cast<std::int32_t>(c.answer), c.signerFound, c.signerPinned),
                  c.verdict)
            << std::hex << c.answer << " " << c.signerFound << c.signerPinned;
}

TEST(FileVerdict_FailedKey, NamesTheKeyOfTheCheck) {
    EXPECT_EQ(FailedKey(FileVerdict::WrongSize), L"ExactSize");
    EXPECT_EQ(FailedKey(FileVerdict::WrongMd5), L"MD5");
    EXPECT_EQ(FailedKey(FileVerdict::WrongSha256), L"SHA256");
    EXPECT_EQ(FailedKey(FileVerdict::ChainNotTrusted), L"SignerThumbprint");
    EXPECT_EQ(FailedKey(FileVerdict::Accepted), L"");
    EXPECT_TRUE(IsSignatureVerdict(FileVerdict::NotSigned));
    EXPECT_FALSE(IsSignatureVerdict(FileVerdict::WrongSha256));
}
