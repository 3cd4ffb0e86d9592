#include "remote/SocketOptions.h"

namespace SocketOptions
{
// Windows lets a second socket take a port bound with SO_REUSEADDR.
bool reuseAddress() noexcept
{
    return false;
}
} // namespace SocketOptions
