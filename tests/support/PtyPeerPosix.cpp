#include "support/PtyPeer.h"

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

PtyPeer::PtyPeer()
{
    master = posix_openpt (O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt (master) != 0 || unlockpt (master) != 0)
        return;
    slavePath = ptsname (master);
    keepOpen = ::open (slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios t{};
    if (keepOpen >= 0 && tcgetattr (keepOpen, &t) == 0)
    {
        cfmakeraw (&t);
        tcsetattr (keepOpen, TCSANOW, &t);
    }
}

PtyPeer::~PtyPeer()
{
    if (keepOpen >= 0)
        ::close (keepOpen);
    if (master >= 0)
        ::close (master);
}

std::vector<std::uint8_t> PtyPeer::read (std::size_t count, int timeoutMs)
{
    std::vector<std::uint8_t> got;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds (timeoutMs);
    while (got.size() < count)
    {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds> (end - std::chrono::steady_clock::now()).count();
        if (left <= 0)
            break;
        pollfd p{ master, POLLIN, 0 };
        if (::poll (&p, 1, (int) left) <= 0)
            continue;
        std::uint8_t buffer[256];
        const auto n = ::read (master, buffer, std::min (sizeof (buffer), count - got.size()));
        if (n <= 0)
            break;
        got.insert (got.end(), buffer, buffer + n);
    }
    return got;
}

void PtyPeer::write (const std::vector<std::uint8_t>& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size())
    {
        const auto n = ::write (master, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            return;
        done += (std::size_t) n;
    }
}
