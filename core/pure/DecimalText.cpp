#include "core/pure/DecimalText.h"

namespace velmora::core {

std::string FormatDecimal(std::int32_t number) {
    return std::to_string(number);
}

DecimalParse ParseDecimal(std::string_view text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && text[i] == '-') {
        negative = true;
        ++i;
    }
    std::uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
    if (negative)
        value = 0u - value;
    return DecimalParse{static_cast<std::int32_t>(value), i == text.size()};
}

} // namespace velmora::core
