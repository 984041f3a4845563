// Digests of a prerequisite's file: MD5 (transfer/pure/Md5.h, written out) and SHA-256 (the system's CNG,
// bcrypt.dll from the system folder), computed over bytes as a transfer writes them or read from an open
// file. Whether a file is accepted is transfer/FileVerification.h's to say.
#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "transfer/pure/FileChecks.h"
#include "transfer/pure/Md5.h"

namespace velmora::transfer {

// The digests asked for, over the bytes fed in order.
class DigestComputer {
public:
    explicit DigestComputer(DigestKinds kinds = {});
    ~DigestComputer();
    DigestComputer(DigestComputer&&) noexcept;
    DigestComputer& operator=(DigestComputer&&) noexcept;

    DigestKinds Kinds() const { return kinds_; }
    void Update(const void* data, std::size_t size);
    // The texts of the digests asked for, and starts over. SHA-256 stays empty when the system could not
    // compute it (a file checked against it is then rejected).
    FileDigests Finish();

private:
    class Sha256;
    DigestKinds kinds_;
    Md5 md5_;
    std::unique_ptr<Sha256> sha256_;
};

// Reads an open file from its first byte up to the size it has now and digests it. False when its size
// cannot be read, it is empty, or it cannot be read to that size: the digest of part of a file would only
// be a mismatch reported as a result.
bool DigestOpenFile(HANDLE file, DigestKinds kinds, FileDigests& digests);

// The 32-character lowercase MD5 text of a file. False as DigestOpenFile, or when it cannot be opened.
bool FileDigestText(std::wstring_view path, std::string& text);

// The SHA-1 and SHA-256 of bytes in memory through CNG, as lowercase text; empty when the system cannot.
std::string Sha1Text(const void* data, std::size_t size);
std::string Sha256Text(const void* data, std::size_t size);

} // namespace velmora::transfer
