#include "device/ComPortName.h"

#include <limits>

namespace
{
constexpr std::size_t prefixLength = 3; // "COM"

bool isDigit (char16_t c)
{
    return c >= u'0' && c <= u'9';
}

char16_t toUpperAscii (char16_t c)
{
    return (c >= u'a' && c <= u'z') ? (char16_t) (c - u'a' + u'A') : c;
}
} // namespace

std::optional<int> comPortNumber (const std::uint8_t* data, std::size_t byteCount)
{
    if (data == nullptr)
        return std::nullopt;

    // The registry may hand back the text with or without its terminator; a
    // terminator is no digit, so the number ends there or at the last whole unit.
    const std::size_t length = byteCount / 2;
    const auto unitAt = [data] (std::size_t i) { return (char16_t) (data[2 * i] | (data[2 * i + 1] << 8)); };

    if (length <= prefixLength || !isDigit (unitAt (prefixLength)))
        return std::nullopt;

    const char16_t prefix[] = { u'C', u'O', u'M' };
    for (std::size_t i = 0; i < prefixLength; ++i)
        if (toUpperAscii (unitAt (i)) != prefix[i])
            return std::nullopt;

    constexpr int maxNumber = std::numeric_limits<int>::max();
    int number = 0;
    for (std::size_t i = prefixLength; i < length && isDigit (unitAt (i)); ++i)
    {
        const int digit = unitAt (i) - u'0';
        if (number > (maxNumber - digit) / 10)
            return std::nullopt;
        number = number * 10 + digit;
    }
    return number;
}
