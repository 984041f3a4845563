// What checking a file found, as data: the verdict of the checks (transfer/pure/FileChecks.h) and what
// WinVerifyTrust's answer means. The checks run in a fixed order (size, MD5, SHA256, signature) and the
// first that fails is the verdict.
#pragma once

#include <cstdint>
#include <string>

namespace velmora::transfer {

enum class FileVerdict {
    Accepted,
    Unreadable,          // the file could not be opened or read to its end
    WrongSize,           // ExactSize
    WrongMd5,            // MD5
    WrongSha256,         // SHA256
    NotSigned,           // SignerThumbprint: no Authenticode signature
    SignatureBroken,     // the file was changed after it was signed
    OtherSigner,         // a valid signature, by a certificate the list does not name
    ChainNotTrusted,     // the signer's certificate chain is not trusted by this machine
    SignatureNotChecked, // WinVerifyTrust could not tell (any other answer)
};

// What a WinVerifyTrust answer (WINTRUST_ACTION_GENERIC_VERIFY_V2) says about a file's signature.
enum class TrustAnswer {
    Valid,           // 0
    NotSigned,       // TRUST_E_NOSIGNATURE, TRUST_E_SUBJECT_FORM_UNKNOWN
    Broken,          // TRUST_E_BAD_DIGEST, CRYPT_E_HASH_VALUE, TRUST_E_MALFORMED_SIGNATURE
    ChainNotTrusted, // the CERT_E_ codes, revocation, explicit distrust, policy
    Unknown,         // anything else: the check could not be made
};
TrustAnswer ClassifyTrustAnswer(std::int32_t result);

// The verdict of the signature check from WinVerifyTrust's answer and the signer found. A signer that is
// not pinned is named as such even when its chain is not trusted either: that is the decisive fault.
// signerFound: the signer's certificate could be read; signerPinned: it is one the list names.
FileVerdict SignatureVerdict(std::int32_t trustResult, bool signerFound, bool signerPinned);

// The name of the check a verdict failed, as the configuration names it ("ExactSize", "MD5", "SHA256",
// "SignerThumbprint"); empty for Accepted and Unreadable.
std::wstring FailedKey(FileVerdict verdict);

// Whether the verdict is one of the signature's.
bool IsSignatureVerdict(FileVerdict verdict);

} // namespace velmora::transfer
