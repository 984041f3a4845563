// Decimal numbers read from text the way the chainer's inputs are read: leniently, never failing.
//
// The signed reading is the one of the C library's number parsers on a 32-bit system: an optional lead
// (blanks, a sign), then decimal digits up to the first other character, in 32-bit arithmetic that wraps,
// so any text gives a number and a text without digits gives 0. Each input names its own lead. The
// unsigned reading is strict instead: sizes and offsets in protocol texts, where a text without digits or
// one too large is no number at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace velmora::platform {

// What a signed decimal text may hold before its digits.
enum class NumberLead {
    Minus,           // an optional "-"
    SpacesMinusPlus, // spaces (U+0020 only), an optional "-", then an optional "+"
    BlanksAndSign,   // C white space, then one optional "-" or "+"
};

struct WrappingNumber {
    std::int32_t value = 0;
    std::size_t end = 0; // where reading stopped: the text's size when every character was read
};

WrappingNumber ParseWrappingInt32(std::wstring_view text, NumberLead lead);
WrappingNumber ParseWrappingInt32(std::string_view text, NumberLead lead);

// The same reading in 64-bit arithmetic, as an unsigned number: a negative text gives its two's complement
// (a size no file has), and a text of more digits than 64 bits hold wraps.
struct WrappingSize {
    std::uint64_t value = 0;
    std::size_t end = 0;
};
WrappingSize ParseWrappingSize(std::wstring_view text, NumberLead lead);

// The decimal digits from `at` up to the first other character; `at` moves past them. Nothing when there is
// no digit there, or when the number does not fit in 64 bits.
std::optional<std::uint64_t> ParseUnsigned64(std::wstring_view text, std::size_t& at);

} // namespace velmora::platform
