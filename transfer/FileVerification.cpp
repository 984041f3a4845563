#include "transfer/FileVerification.h"

#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <vector>

#include "platform/FileSystem.h"
#include "platform/pure/PathRules.h"
#include "transfer/FileDigest.h"

namespace velmora::transfer {

namespace {

platform::UniqueFile OpenHeld(std::wstring_view path, bool plainOnly) {
    return platform::UniqueFile(::CreateFileW(
        platform::ToLongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
        FILE_FLAG_SEQUENTIAL_SCAN | (plainOnly ? FILE_FLAG_OPEN_REPARSE_POINT : 0), nullptr));
}

bool DigestsMatch(const FileChecks& checks, const FileDigests& digests, FileVerdict& verdict) {
    if (!checks.md5.empty() && !DigestMatches(checks.md5, digests.md5)) {
        verdict = FileVerdict::WrongMd5;
        return false;
    }
    if (!checks.sha256.empty() && !Sha256Matches(checks.sha256, digests.sha256)) {
        verdict = FileVerdict::WrongSha256;
        return false;
    }
    return true;
}

// The verification state WinVerifyTrust keeps between its verify and close actions: closed with the same
// data it was opened with, which is why it is no handle kind of its own.
class TrustState {
public:
    TrustState(HANDLE file, std::wstring_view path) : path_(path) {
        info_.cbStruct = sizeof info_;
        info_.pcwszFilePath = path_.c_str();
        info_.hFile = file;
        data_.cbStruct = sizeof data_;
        data_.dwUIChoice = WTD_UI_NONE;
        // Revocation as the system's policy has it, and nothing fetched from the network for it: a kit may
        // run on a machine without one, which the policy allows by default.
        data_.fdwRevocationChecks = WTD_REVOKE_NONE;
        data_.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;
        data_.dwUnionChoice = WTD_CHOICE_FILE;
        data_.pFile = &info_;
        data_.dwStateAction = WTD_STATEACTION_VERIFY;
        result_ = ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action_, &data_);
    }
    ~TrustState() {
        data_.dwStateAction = WTD_STATEACTION_CLOSE;
        ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action_, &data_);
    }
    TrustState(const TrustState&) = delete;
    TrustState& operator=(const TrustState&) = delete;

    LONG Result() const { return result_; }
    // The signer's (leaf) certificate of the primary signature; null when none was read.
    PCCERT_CONTEXT Signer() const {
        CRYPT_PROVIDER_DATA* provider = ::WTHelperProvDataFromStateData(data_.hWVTStateData);
        CRYPT_PROVIDER_SGNR* signer =
            provider != nullptr ? ::WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0) : nullptr;
        CRYPT_PROVIDER_CERT* certificate =
            signer != nullptr ? ::WTHelperGetProvCertFromChain(signer, 0) : nullptr;
        return certificate != nullptr ? certificate->pCert : nullptr;
    }

private:
    std::wstring path_;
    GUID action_ = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    WINTRUST_FILE_INFO info_{};
    WINTRUST_DATA data_{};
    LONG result_ = 0;
};

std::wstring SubjectOf(PCCERT_CONTEXT certificate) {
    wchar_t name[256] = {};
    ::CertGetNameStringW(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name, ARRAYSIZE(name));
    return name;
}

void CheckSignature(HANDLE file, std::wstring_view path, const FileChecks& checks, FileVerification& result) {
    const TrustState trust(file, path);
    result.error = static_cast<std::uint32_t>(trust.Result());
    bool pinned = false;
    const PCCERT_CONTEXT signer = trust.Signer();
    if (signer != nullptr) {
        // The thumbprints are the hashes of the certificate's encoding; Wine 8 has no SHA-256 property.
        result.signerSubject = SubjectOf(signer);
        result.signerSha1 = Sha1Text(signer->pbCertEncoded, signer->cbCertEncoded);
        const std::string sha256 = Sha256Text(signer->pbCertEncoded, signer->cbCertEncoded);
        pinned = SignerMatches(ParseThumbprints(checks.signers), result.signerSha1, sha256);
    }
    result.verdict = SignatureVerdict(trust.Result(), signer != nullptr, pinned);
    if (result.verdict == FileVerdict::Accepted)
        result.error = 0;
}

} // namespace

FileVerification VerifyOpenFile(HANDLE file, std::wstring_view path, const FileChecks& checks,
                                const FileDigests& known) {
    FileVerification result;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file, &size)) {
        result.error = ::GetLastError();
        return result;
    }
    result.size = static_cast<std::uint64_t>(size.QuadPart);
    if (checks.size != 0 && result.size != checks.size) {
        result.verdict = FileVerdict::WrongSize;
        return result;
    }
    const DigestKinds kinds = checks.Digests();
    if (kinds.Any()) {
        const bool knownAll = (!kinds.md5 || !known.md5.empty()) && (!kinds.sha256 || !known.sha256.empty());
        if (knownAll) {
            result.digests = known;
        } else if (!DigestOpenFile(file, kinds, result.digests)) {
            // An empty or unreadable file has no digest to match.
            result.error = ::GetLastError();
            result.verdict = result.size == 0 ? (kinds.md5 ? FileVerdict::WrongMd5 : FileVerdict::WrongSha256)
                                              : FileVerdict::Unreadable;
            return result;
        }
        if (!DigestsMatch(checks, result.digests, result.verdict))
            return result;
    }
    if (checks.HasSigner()) {
        CheckSignature(file, path, checks, result);
        return result;
    }
    result.verdict = FileVerdict::Accepted;
    return result;
}

VerifiedFile::VerifiedFile(std::wstring_view path, const FileChecks& checks, const VerifyOptions& options)
    : path_(path), checks_(checks), file_(OpenHeld(path, options.plainOnly)) {
    if (!file_) {
        openError_ = ::GetLastError();
        result_.error = openError_;
        return;
    }
    plain_ = !options.plainOnly || platform::IsPlainOpenFile(file_.get());
    if (plain_)
        result_ = VerifyOpenFile(file_.get(), path_, checks_, options.known);
}

ReceivedFile VerifiedFile::Received() const {
    ReceivedFile received;
    received.size = result_.size;
    received.digests = result_.digests;
    if (!file_)
        return received;
    DigestKinds kinds = checks_.Digests();
    if (!kinds.Any())
        kinds.sha256 = true;
    const bool missing =
        (kinds.md5 && received.digests.md5.empty()) || (kinds.sha256 && received.digests.sha256.empty());
    if (missing)
        (void)DigestOpenFile(file_.get(), kinds, received.digests);
    LARGE_INTEGER start{};
    char head[kTriageHeadBytes];
    DWORD read = 0;
    if (::SetFilePointerEx(file_.get(), start, nullptr, FILE_BEGIN) &&
        ::ReadFile(file_.get(), head, sizeof head, &read, nullptr))
        received.head.assign(head, read);
    return received;
}

} // namespace velmora::transfer
