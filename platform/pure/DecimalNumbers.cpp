#include "platform/pure/DecimalNumbers.h"

#include <utility>

namespace velmora::platform {

namespace {

template <typename Char> bool IsDecimalDigit(Char c) {
    return c >= Char('0') && c <= Char('9');
}

template <typename Char> bool IsCBlank(Char c) {
    return c == Char(' ') || c == Char('\t') || c == Char('\n') || c == Char('\v') || c == Char('\f') ||
           c == Char('\r');
}

template <typename Unsigned, typename Char>
std::pair<Unsigned, std::size_t> ParseWrapping(std::basic_string_view<Char> text, NumberLead lead) {
    std::size_t i = 0;
    bool negative = false;
    switch (lead) {
    case NumberLead::Minus:
        if (i < text.size() && text[i] == Char('-')) {
            negative = true;
            ++i;
        }
        break;
    case NumberLead::SpacesMinusPlus:
        while (i < text.size() && text[i] == Char(' '))
            ++i;
        if (i < text.size() && text[i] == Char('-')) {
            negative = true;
            ++i;
        }
        if (i < text.size() && text[i] == Char('+'))
            ++i;
        break;
    case NumberLead::BlanksAndSign:
        while (i < text.size() && IsCBlank(text[i]))
            ++i;
        if (i < text.size() && (text[i] == Char('-') || text[i] == Char('+'))) {
            negative = text[i] == Char('-');
            ++i;
        }
        break;
    }
    // Unsigned arithmetic wraps by definition; the result is the two's-complement reading of the bits.
    Unsigned value = 0;
    for (; i < text.size() && IsDecimalDigit(text[i]); ++i)
        value = static_cast<Unsigned>(value * 10u + static_cast<Unsigned>(text[i] - Char('0')));
    if (negative)
        value = static_cast<Unsigned>(Unsigned(0) - value);
    return {value, i};
}

template <typename Char> WrappingNumber ParseWrapping32(std::basic_string_view<Char> text, NumberLead lead) {
    const auto [value, end] = ParseWrapping<std::uint32_t>(text, lead);
    return WrappingNumber{static_cast<std::int32_t>(value), end};
}

} // namespace

WrappingNumber ParseWrappingInt32(std::wstring_view text, NumberLead lead) {
    return ParseWrapping32(text, lead);
}

WrappingNumber ParseWrappingInt32(std::string_view text, NumberLead lead) {
    return ParseWrapping32(text, lead);
}

WrappingSize ParseWrappingSize(std::wstring_view text, NumberLead lead) {
    const auto [value, end] = ParseWrapping<std::uint64_t>(text, lead);
    return WrappingSize{value, end};
}

std::optional<std::uint64_t> ParseUnsigned64(std::wstring_view text, std::size_t& at) {
    std::uint64_t value = 0;
    const std::size_t start = at;
    for (; at < text.size() && IsDecimalDigit(text[at]); ++at) {
        const auto digit = static_cast<std::uint64_t>(text[at] - L'0');
        if (value > (UINT64_MAX - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    if (at == start)
        return std::nullopt;
    return value;
}

} // namespace velmora::platform
