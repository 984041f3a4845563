// Digests a file with the chainer's MD5 (as a downloaded prerequisite is checked) or with CryptoAPI's, and
// prints the digest: the two candidates measured against md5sum on the same file.
// Usage: digest_speed chainer|cryptoapi <file>
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <string>
#include <vector>

#include "FloorArgs.h"
#include "transfer/FileDigest.h"

namespace {

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
    const bool ok = arguments[1] == L"cryptoapi" ? CryptoApiDigest(arguments[2], text)
                                                 : velmora::acquisition::FileDigestText(arguments[2], text);
    if (!ok)
        return 1;
    std::printf("%s\n", text.c_str());
    return 0;
}
