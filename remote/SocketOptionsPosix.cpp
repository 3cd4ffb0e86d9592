#include "remote/SocketOptions.h"

namespace SocketOptions
{
bool reuseAddress() noexcept
{
    return true;
}
} // namespace SocketOptions
