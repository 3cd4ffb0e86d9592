#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

// Reads the number out of a "PortName" value as the device registry stores it:
// UTF-16LE text, not necessarily terminated. Only names of the form COM<digits>
// (any case, digits up to the first non-digit) give a number; anything else,
// and a number too large for an int, gives nothing. Never reads past
// byteCount; a trailing odd byte is ignored.
std::optional<int> comPortNumber (const std::uint8_t* data, std::size_t byteCount);
