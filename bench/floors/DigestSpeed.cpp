// Digests a file and prints the digest. MD5: the chainer's (as a downloaded prerequisite is checked) or
// CryptoAPI's, measured against md5sum. SHA-256: the chainer's, through the system's CNG, or a plain portable
// implementation written here, the candidate the chainer would take if it were faster, measured against
// sha256sum.
// Usage: digest_speed chainer|cryptoapi|chainer-sha256|own-sha256 <file>
#include <windows.h>
#include <wincrypt.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "FloorArgs.h"
#include "platform/UniqueHandle.h"
#include "transfer/FileDigest.h"

namespace {

// FIPS 180-4's SHA-256, written plainly: what an own implementation of the chainer's would be.
class PortableSha256 {
public:
    void Update(const std::uint8_t* data, std::size_t size) {
        total_ += size;
        while (size > 0) {
            const std::size_t take = std::min(size, sizeof block_ - used_);
            std::memcpy(block_ + used_, data, take);
            used_ += take;
            data += take;
            size -= take;
            if (used_ == sizeof block_) {
                Transform(block_);
                used_ = 0;
            }
        }
    }
    std::string Finish() {
        const std::uint64_t bits = total_ * 8;
        const std::uint8_t one = 0x80;
        Update(&one, 1);
        const std::uint8_t zero = 0;
        while (used_ != 56)
            Update(&zero, 1);
        std::uint8_t length[8];
        for (int i = 0; i < 8; ++i)
            length[i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
        Update(length, 8);
        std::string text;
        for (std::uint32_t word : state_) {
            char hex[9];
            std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(word));
            text += hex;
        }
        return text;
    }

private:
    static std::uint32_t Rotate(std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }
    void Transform(const std::uint8_t* p) {
        static constexpr std::uint32_t k[64] = {
            0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
            0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
            0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
            0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
            0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
            0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
            0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
            0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};
        std::uint32_t w[64];
        for (int i = 0; i < 16; ++i)
            w[i] = (std::uint32_t(p[4 * i]) << 24) | (std::uint32_t(p[4 * i + 1]) << 16) |
                   (std::uint32_t(p[4 * i + 2]) << 8) | p[4 * i + 3];
        for (int i = 16; i < 64; ++i)
            w[i] = w[i - 16] + (Rotate(w[i - 15], 7) ^ Rotate(w[i - 15], 18) ^ (w[i - 15] >> 3)) + w[i - 7] +
                   (Rotate(w[i - 2], 17) ^ Rotate(w[i - 2], 19) ^ (w[i - 2] >> 10));
        std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3], e = state_[4],
                      f = state_[5], g = state_[6], h = state_[7];
        for (int i = 0; i < 64; ++i) {
            const std::uint32_t t1 =
                h + (Rotate(e, 6) ^ Rotate(e, 11) ^ Rotate(e, 25)) + ((e & f) ^ (~e & g)) + k[i] + w[i];
            const std::uint32_t t2 =
                (Rotate(a, 2) ^ Rotate(a, 13) ^ Rotate(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
            h = g;
            g = f;
            f = e;
            e = d + t1;
            d = c;
            c = b;
            b = a;
            a = t1 + t2;
        }
        const std::uint32_t add[8] = {a, b, c, d, e, f, g, h};
        for (int i = 0; i < 8; ++i)
            state_[i] += add[i];
    }

    std::array<std::uint32_t, 8> state_{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                        0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    std::uint8_t block_[64] = {};
    std::size_t used_ = 0;
    std::uint64_t total_ = 0;
};

velmora::platform::UniqueFile OpenSequential(const std::wstring& path) {
    return velmora::platform::UniqueFile(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                       OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

bool Sha256Digest(const std::wstring& path, bool own, std::string& text) {
    const velmora::platform::UniqueFile file = OpenSequential(path);
    if (!file)
        return false;
    if (!own) {
        velmora::transfer::FileDigests digests;
        if (!velmora::transfer::DigestOpenFile(file.get(), {false, true}, digests))
            return false;
        text = digests.sha256;
        return !text.empty();
    }
    PortableSha256 sha256;
    std::vector<std::uint8_t> buffer(65536);
    DWORD read = 0;
    while (::ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr) &&
           read > 0)
        sha256.Update(buffer.data(), read);
    text = sha256.Finish();
    return true;
}

bool CryptoApiDigest(const std::wstring& path, std::string& text) {
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    if (!::CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
        return false;
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    bool ok = file != INVALID_HANDLE_VALUE && ::CryptCreateHash(provider, CALG_MD5, 0, 0, &hash);
    std::vector<BYTE> buffer(65536);
    DWORD read = 0;
    while (ok && ::ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr) &&
           read > 0)
        ok = ::CryptHashData(hash, buffer.data(), read, 0) != 0;
    BYTE digest[16];
    DWORD size = sizeof digest;
    ok = ok && ::CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0);
    for (DWORD i = 0; ok && i < size; ++i) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", digest[i]);
        text += hex;
    }
    if (hash != 0)
        ::CryptDestroyHash(hash);
    if (file != INVALID_HANDLE_VALUE)
        ::CloseHandle(file);
    ::CryptReleaseContext(provider, 0);
    return ok;
}

} // namespace

int main() {
    const std::vector<std::wstring> arguments = velmora::bench::Arguments();
    if (arguments.size() < 3)
        return 2;
    std::string text;
    const std::wstring& mode = arguments[1];
    const bool ok = mode == L"cryptoapi"        ? CryptoApiDigest(arguments[2], text)
                    : mode == L"chainer-sha256" ? Sha256Digest(arguments[2], false, text)
                    : mode == L"own-sha256"     ? Sha256Digest(arguments[2], true, text)
                                                : velmora::transfer::FileDigestText(arguments[2], text);
    if (!ok)
        return 1;
    std::printf("%s\n", text.c_str());
    return 0;
}
