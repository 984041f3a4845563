// What a kit expects of a prerequisite's file, and the pure half of checking it: which checks a source
// gets, how a SHA256 value and a SignerThumbprint list are read and compared. The checking itself (opening,
// hashing, WinVerifyTrust) is transfer/FileVerification.h; every place that accepts a file goes through it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/pure/Configuration.h"

namespace velmora::transfer {

// Which digests someone has to compute.
struct DigestKinds {
    bool md5 = false;
    bool sha256 = false;
    bool Any() const { return md5 || sha256; }
};

// Lowercase hexadecimal digest texts; empty when not computed.
struct FileDigests {
    std::string md5;    // 32 digits
    std::string sha256; // 64 digits
};

// The checks of one file. An empty value (0 for the size) is not checked; all given checks must pass.
struct FileChecks {
    std::uint64_t size = 0; // ExactSize
    std::wstring md5;       // MD5 as written
    std::wstring sha256;    // SHA256 as written
    std::wstring signers;   // SignerThumbprint as written

    DigestKinds Digests() const { return {!md5.empty(), !sha256.empty()}; }
    bool HasSigner() const { return !signers.empty(); }
    // A digest or a signer: the file is then the kit's whoever left it, so it may be taken from anywhere.
    bool PinsContent() const { return Digests().Any() || HasSigner(); }
    bool Any() const { return size != 0 || PinsContent(); }
};

// The checks a prerequisite's file gets. A download or file URL gets all its keys; a SetupFile of the kit
// only its SignerThumbprint (ExactSize and the digests describe a download); a site none.
FileChecks ChecksOf(const config::PrerequisiteRecord& prerequisite);

// A SHA256 value matches when it is the 64 hexadecimal digits of the computed text, letter case ignored.
// Anything else (fewer or more digits, other characters, a digest that could not be computed) never matches.
bool Sha256Matches(std::wstring_view expected, std::string_view computed);

// A SignerThumbprint value read: the thumbprints it names, each 40 (SHA-1) or 64 (SHA-256) lowercase
// hexadecimal digits, and the items that are neither, as written. Items are separated by semicolons; blanks
// inside an item, the colons openssl puts between bytes and the invisible marks a copy from the certificate
// dialog brings along are ignored, as is letter case. Empty items are skipped.
struct Thumbprints {
    std::vector<std::string> sha1;
    std::vector<std::string> sha256;
    std::vector<std::wstring> malformed;
    bool Empty() const { return sha1.empty() && sha256.empty(); }
};
Thumbprints ParseThumbprints(std::wstring_view text);

// Whether the signer's certificate, given by its SHA-1 and SHA-256 thumbprints (lowercase hexadecimal), is
// one the list names. A malformed item matches nothing.
bool SignerMatches(const Thumbprints& pinned, std::string_view sha1, std::string_view sha256);

// Lowercase hexadecimal text of bytes, two digits per byte.
std::string HexText(const unsigned char* bytes, std::size_t count);

} // namespace velmora::transfer
