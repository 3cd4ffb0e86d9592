#pragma once

#include <cstddef>

// Bytes from the operating system's cryptographic random source, for the
// remote control's secret token. One implementation per system
// (SecureRandomPosix.cpp, SecureRandomWin32.cpp); the build picks it.
namespace SecureRandom
{
// False when the source could not give every byte asked for.
bool fill (unsigned char* bytes, std::size_t count);
} // namespace SecureRandom
