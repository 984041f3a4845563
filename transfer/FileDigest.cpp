#include "transfer/FileDigest.h"

#include <bcrypt.h>

#include <vector>

#include "platform/FileSystem.h"
#include "platform/pure/PathRules.h"
#include "platform/UniqueHandle.h"

namespace velmora::transfer {

namespace {

constexpr DWORD kDigestBlock = 65536;

bool Succeeded(NTSTATUS status) {
    return status >= 0;
}

// One provider per algorithm for the whole process, opened on first use: opening one costs far more than
// a hash (and under Wine it loads the provider's Unix side). Never closed; the process's end takes it.
BCRYPT_ALG_HANDLE Provider(const wchar_t* algorithm) {
    BCRYPT_ALG_HANDLE provider = nullptr;
    if (!Succeeded(::BCryptOpenAlgorithmProvider(&provider, algorithm, nullptr, 0)))
        return nullptr;
    return provider;
}

BCRYPT_ALG_HANDLE Sha256Provider() {
    static const BCRYPT_ALG_HANDLE provider = Provider(BCRYPT_SHA256_ALGORITHM);
    return provider;
}

BCRYPT_ALG_HANDLE Sha1Provider() {
    static const BCRYPT_ALG_HANDLE provider = Provider(BCRYPT_SHA1_ALGORITHM);
    return provider;
}

// A hash of one provider. Windows Vista wants the hash object's memory from the caller.
class CngHash {
public:
    explicit CngHash(BCRYPT_ALG_HANDLE provider) {
        DWORD objectSize = 0;
        DWORD written = 0;
        if (provider == nullptr ||
            !Succeeded(::BCryptGetProperty(provider, BCRYPT_OBJECT_LENGTH,
                                           reinterpret_cast<PUCHAR>(&objectSize), sizeof objectSize, &written,
                                           0)) ||
            !Succeeded(::BCryptGetProperty(provider, BCRYPT_HASH_LENGTH, reinterpret_cast<PUCHAR>(&length_),
                                           sizeof length_, &written, 0)))
            return;
        object_.resize(objectSize);
        if (!Succeeded(::BCryptCreateHash(provider, hash_.put(), object_.data(), objectSize, nullptr, 0, 0)))
            hash_.reset();
    }
    void Update(const void* data, std::size_t size) {
        const auto* bytes = static_cast<const UCHAR*>(data);
        // CNG takes 32-bit lengths.
        while (hash_ && size > 0) {
            const ULONG part = size > 0x40000000u ? 0x40000000u : static_cast<ULONG>(size);
            if (!Succeeded(::BCryptHashData(hash_.get(), const_cast<PUCHAR>(bytes), part, 0)))
                hash_.reset();
            bytes += part;
            size -= part;
        }
    }
    std::string Finish() {
        std::vector<UCHAR> digest(length_);
        if (!hash_ || length_ == 0 || !Succeeded(::BCryptFinishHash(hash_.get(), digest.data(), length_, 0)))
            return {};
        hash_.reset();
        return HexText(digest.data(), digest.size());
    }

private:
    std::vector<UCHAR> object_; // before hash_: the hash is destroyed first
    platform::UniqueBCryptHash hash_;
    DWORD length_ = 0;
};

std::string HashText(BCRYPT_ALG_HANDLE provider, const void* data, std::size_t size) {
    CngHash hash(provider);
    hash.Update(data, size);
    return hash.Finish();
}

platform::UniqueFile OpenForReading(std::wstring_view path) {
    // Shared for writing too: a file another process still holds open can be digested all the same.
    return platform::UniqueFile(::CreateFileW(platform::ToLongPath(path).c_str(), GENERIC_READ,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

} // namespace

class DigestComputer::Sha256 {
public:
    Sha256() : hash_(Sha256Provider()) {}
    CngHash hash_;
};

DigestComputer::DigestComputer(DigestKinds kinds) : kinds_(kinds) {
    if (kinds_.sha256)
        sha256_ = std::make_unique<Sha256>();
}

DigestComputer::~DigestComputer() = default;
DigestComputer::DigestComputer(DigestComputer&&) noexcept = default;
DigestComputer& DigestComputer::operator=(DigestComputer&&) noexcept = default;

void DigestComputer::Update(const void* data, std::size_t size) {
    if (kinds_.md5)
        md5_.Update(data, size);
    if (sha256_)
        sha256_->hash_.Update(data, size);
}

FileDigests DigestComputer::Finish() {
    FileDigests digests;
    if (kinds_.md5)
        digests.md5 = DigestText(md5_.Finish());
    if (sha256_) {
        digests.sha256 = sha256_->hash_.Finish();
        sha256_ = std::make_unique<Sha256>();
    }
    return digests;
}

bool DigestOpenFile(HANDLE file, DigestKinds kinds, FileDigests& digests) {
    digests = {};
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file, &size) || size.QuadPart <= 0)
        return false;
    LARGE_INTEGER start{};
    if (!::SetFilePointerEx(file, start, nullptr, FILE_BEGIN))
        return false;
    // Bytes that arrive after the size was taken are not digested.
    std::vector<unsigned char> buffer(kDigestBlock);
    DigestComputer computer(kinds);
    std::uint64_t remaining = static_cast<std::uint64_t>(size.QuadPart);
    while (remaining > 0) {
        const DWORD want = remaining < kDigestBlock ? static_cast<DWORD>(remaining) : kDigestBlock;
        DWORD read = 0;
        if (!::ReadFile(file, buffer.data(), want, &read, nullptr) || read == 0)
            return false;
        computer.Update(buffer.data(), read);
        remaining -= read;
    }
    digests = computer.Finish();
    return true;
}

bool FileDigestText(std::wstring_view path, std::string& text) {
    text.clear();
    platform::UniqueFile file = OpenForReading(path);
    FileDigests digests;
    if (!file || !DigestOpenFile(file.get(), {true, false}, digests))
        return false;
    text = digests.md5;
    return true;
}

std::string Sha1Text(const void* data, std::size_t size) {
    return HashText(Sha1Provider(), data, size);
}

std::string Sha256Text(const void* data, std::size_t size) {
    return HashText(Sha256Provider(), data, size);
}

} // namespace velmora::transfer
