// The decimal texts of the interboot store: signed 32-bit numbers written without leading zeros and read
// back with an optional "-" and the digits up to the first other character.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora::config {

std::string FormatDecimal(std::int32_t number);

struct DecimalParse {
    std::int32_t value = 0;
    bool wholeText = false; // every character was consumed
};

// Wraps like 32-bit arithmetic on overflow, so any text gives a number.
DecimalParse ParseDecimal(std::string_view text);

} // namespace velmora::config
