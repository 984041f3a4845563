// Turns fuzz input into wide text the way the chainer sees a file: UTF-16LE code units, two bytes each.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace velmora::fuzz {

inline std::wstring Utf16Units(const std::uint8_t* data, std::size_t size) {
    std::wstring text;
    text.reserve(size / 2);
    for (std::size_t i = 0; i + 1 < size; i += 2)
        text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    return text;
}

} // namespace velmora::fuzz
