#pragma once

// What listening sockets may ask of the system. One implementation per
// system (SocketOptionsPosix.cpp, SocketOptionsWin32.cpp); the build picks it.
namespace SocketOptions
{
// True where SO_REUSEADDR only lets a port be listened on again while old
// connections wait out their close; false where it would let two programs
// share the port.
bool reuseAddress() noexcept;
} // namespace SocketOptions
