#include "transfer/pure/FileVerdict.h"

namespace velmora::transfer {

namespace {

// The codes, as the SDK's headers define them; this file includes none of them.
constexpr std::uint32_t kTrustNoSignature = 0x800B0100;        // TRUST_E_NOSIGNATURE
constexpr std::uint32_t kTrustSubjectFormUnknown = 0x800B0003; // TRUST_E_SUBJECT_FORM_UNKNOWN
constexpr std::uint32_t kTrustBadDigest = 0x80096010;          // TRUST_E_BAD_DIGEST
constexpr std::uint32_t kTrustMalformedSignature = 0x80096011; // TRUST_E_MALFORMED_SIGNATURE
constexpr std::uint32_t kCryptHashValue = 0x80091007;          // CRYPT_E_HASH_VALUE
constexpr std::uint32_t kCertFirst = 0x800B0101;               // CERT_E_EXPIRED ...
constexpr std::uint32_t kCertLast = 0x800B0114;                // ... CERT_E_INVALID_NAME
constexpr std::uint32_t kChainCodes[] = {
    0x800B0004, // TRUST_E_SUBJECT_NOT_TRUSTED
    0x80096004, // TRUST_E_CERT_SIGNATURE
    0x80096005, // TRUST_E_TIME_STAMP
    0x80096019, // TRUST_E_BASIC_CONSTRAINTS
    0x8009601E, // TRUST_E_FINANCIAL_CRITERIA
    0x80092010, // CRYPT_E_REVOKED
    0x80092012, // CRYPT_E_NO_REVOCATION_CHECK
    0x80092013, // CRYPT_E_REVOCATION_OFFLINE
    0x80092026, // CRYPT_E_SECURITY_SETTINGS
};

} // namespace

TrustAnswer ClassifyTrustAnswer(std::int32_t result) {
    const auto code = static_cast<std::uint32_t>(result);
    if (code == 0)
        return TrustAnswer::Valid;
    if (code == kTrustNoSignature || code == kTrustSubjectFormUnknown)
        return TrustAnswer::NotSigned;
    if (code == kTrustBadDigest || code == kTrustMalformedSignature || code == kCryptHashValue)
        return TrustAnswer::Broken;
    if (code >= kCertFirst && code <= kCertLast)
        return TrustAnswer::ChainNotTrusted;
    for (std::uint32_t chain : kChainCodes) {
        if (code == chain)
            return TrustAnswer::ChainNotTrusted;
    }
    return TrustAnswer::Unknown;
}

FileVerdict SignatureVerdict(std::int32_t trustResult, bool signerFound, bool signerPinned) {
    switch (ClassifyTrustAnswer(trustResult)) {
    case TrustAnswer::Valid:
        if (!signerFound)
            return FileVerdict::SignatureNotChecked;
        return signerPinned ? FileVerdict::Accepted : FileVerdict::OtherSigner;
    case TrustAnswer::NotSigned:
        return FileVerdict::NotSigned;
    case TrustAnswer::Broken:
        return FileVerdict::SignatureBroken;
    case TrustAnswer::ChainNotTrusted:
        return signerFound && !signerPinned ? FileVerdict::OtherSigner : FileVerdict::ChainNotTrusted;
    case TrustAnswer::Unknown:
        break;
    }
    return FileVerdict::SignatureNotChecked;
}

std::wstring FailedKey(FileVerdict verdict) {
    switch (verdict) {
    case FileVerdict::WrongSize:
        return L"ExactSize";
    case FileVerdict::WrongMd5:
        return L"MD5";
    case FileVerdict::WrongSha256:
        return L"SHA256";
    case FileVerdict::Accepted:
    case FileVerdict::Unreadable:
        return {};
    default:
        return L"SignerThumbprint";
    }
}

bool IsSignatureVerdict(FileVerdict verdict) {
    return verdict >= FileVerdict::NotSigned;
}

} // namespace velmora::transfer
