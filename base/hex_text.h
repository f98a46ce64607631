#pragma once
// Lower-case hexadecimal digits of a number, the one formatter of the records and names we write.

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string>

// At least `width` digits, zeros in front.
inline std::string hexText(uint64_t value, size_t width = 1)
{
    char digits[16];
    const auto result = std::to_chars(digits, digits + sizeof digits, value, 16);
    std::string text(digits, result.ptr);
    if (text.size() < width) text.insert(0, width - text.size(), '0');
    return text;
}
