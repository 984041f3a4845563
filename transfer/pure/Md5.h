// The MD5 message digest of RFC 1321, and the digest text a configuration's MD5 value is compared with.
// Written out rather than taken from CryptoAPI: it digests as fast (tools/bench.sh measures both against
// md5sum), acquiring a provider costs 30 to 60 ms per process, and this also builds natively, so it runs
// under the sanitizers and the fuzzer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace velmora::transfer {

using Md5Digest = std::array<std::uint8_t, 16>;

class Md5 {
public:
    Md5();
    void Update(const void* data, std::size_t size);
    // Pads, returns the digest and starts over, so the object can digest the next message.
    Md5Digest Finish();

private:
    void Transform(const std::uint8_t* block);

    std::array<std::uint32_t, 4> state_;
    std::uint64_t length_ = 0; // bytes fed so far
    std::array<std::uint8_t, 64> pending_{};
};

Md5Digest Md5Of(std::string_view bytes);

// 32 lowercase hexadecimal digits, two per byte, high nibble first.
std::string DigestText(const Md5Digest& digest);

// The expected text (as the configuration gives it) matches the computed digest text when its first 32
// characters equal the computed ones, "A" to "F" read as "a" to "f". Characters after the 32nd are not
// looked at; a shorter expected text never matches, and neither does a computed text that is not 32
// characters long (a digest that could not be computed).
bool DigestMatches(std::wstring_view expected, std::string_view computed);

} // namespace velmora::transfer
