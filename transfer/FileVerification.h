// The one check of a prerequisite's file against what the kit expects of it (transfer/pure/FileChecks.h):
// its size, MD5, SHA256 and Authenticode signer, all that are given, in that order. Every place that accepts
// a file calls it: a download found in place, the end of a transfer, a file URL and a kit's setup file right
// before its launch, and chainer-layout.
//
// How it works: the file is opened for reading and shared with readers only, and held so until the
// VerifiedFile goes: no one can rewrite, rename or delete it meanwhile, so a file launched under its
// protection is the file that was checked. The digests a transfer computed while it wrote the file (known)
// stand for the file's and it is not read for them; otherwise it is read once for all digests asked for.
// The signature is checked on the open handle by WinVerifyTrust (WINTRUST_ACTION_GENERIC_VERIFY_V2, no UI,
// revocation as the system's policy has it, no network retrieval), and the signer's leaf certificate is
// compared with the SignerThumbprint list. wintrust, crypt32 and bcrypt (SHA-256, through CNG) come from the
// system folder (platform/SystemLibrary.h).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/UniqueHandle.h"
#include "transfer/pure/FileChecks.h"
#include "transfer/pure/FileVerdict.h"
#include "transfer/pure/MismatchTriage.h"

namespace velmora::transfer {

// What the check found.
struct FileVerification {
    FileVerdict verdict = FileVerdict::Unreadable;
    // Unreadable: the system's error. A signature verdict: WinVerifyTrust's answer. Otherwise 0.
    std::uint32_t error = 0;
    std::uint64_t size = 0;     // the file's size when it was opened
    FileDigests digests;        // those the checks needed, computed or known
    std::wstring signerSubject; // the signer's name, when a signature was read
    std::string signerSha1;     // the signer's certificate's SHA-1 thumbprint, lowercase
    bool Accepted() const { return verdict == FileVerdict::Accepted; }
};

// Checks an open file (read access, at any position) against the checks. `path` names it for
// WinVerifyTrust, which reads through the handle. Known digests stand for the file's.
FileVerification VerifyOpenFile(HANDLE file, std::wstring_view path, const FileChecks& checks,
                                const FileDigests& known = {});

struct VerifyOptions {
    // Open the file without following a link, and accept only a plain file (platform/pure/FileTrust.h):
    // a second name would let someone change it after the check, a link would be opened instead of it.
    bool plainOnly = false;
    // Digests a transfer computed while it wrote the file.
    FileDigests known;
};

// A file opened, checked and held until the object goes.
class VerifiedFile {
public:
    VerifiedFile(std::wstring_view path, const FileChecks& checks, const VerifyOptions& options = {});

    bool Accepted() const { return result_.Accepted(); }
    const FileVerification& Result() const { return result_; }
    // The error that kept the file from being opened (missing, in use, or not to be read); 0 when opened.
    std::uint32_t OpenError() const { return openError_; }
    // False when plainOnly refused the file; nothing else was looked at then.
    bool Plain() const { return plain_; }
    const std::wstring& Path() const { return path_; }
    // What was received, for the triage line of a rejection: the size, the digests the checks name (SHA-256
    // when they name none), read now when they were not computed, and the first bytes. The server's part is
    // left for the caller to fill in.
    ReceivedFile Received() const;

private:
    std::wstring path_;
    FileChecks checks_;
    platform::UniqueFile file_;
    FileVerification result_;
    std::uint32_t openError_ = 0;
    bool plain_ = true;
};

} // namespace velmora::transfer
