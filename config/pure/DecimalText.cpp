#include "config/pure/DecimalText.h"

#include "platform/pure/DecimalNumbers.h"

namespace velmora::config {

std::string FormatDecimal(std::int32_t number) {
    return std::to_string(number);
}

DecimalParse ParseDecimal(std::string_view text) {
    const platform::WrappingNumber number = platform::ParseWrappingInt32(text, platform::NumberLead::Minus);
    return DecimalParse{number.value, number.end == text.size()};
}

} // namespace velmora::config
