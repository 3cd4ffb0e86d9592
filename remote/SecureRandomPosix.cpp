#include "remote/SecureRandom.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace SecureRandom
{
bool fill (unsigned char* bytes, std::size_t count)
{
    const int fd = ::open ("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    std::size_t got = 0;
    while (got < count)
    {
        const ssize_t n = ::read (fd, bytes + got, count - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += (std::size_t) n;
    }
    ::close (fd);
    return got == count;
}
} // namespace SecureRandom
