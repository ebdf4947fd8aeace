// Numbers as the readers' messages show them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// 1234567 -> "1,234,567": sizes and counts of many digits stay readable.
inline std::string groupedDigits(std::uint64_t value) {
    std::string digits = std::to_string(value);
    for (auto i = static_cast<std::ptrdiff_t>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<std::size_t>(i), 1, ',');
    return digits;
}
