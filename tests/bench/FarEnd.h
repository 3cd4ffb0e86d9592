#pragma once

#include "BenchSupport.h"

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace bench
{
// The far end of a line: a raw pseudo-terminal that notes the moment each
// message's first byte reaches it and echoes the message at once.
class FarEnd
{
public:
    explicit FarEnd (int edits)
        : firstByteAt ((std::size_t) edits)
    {
        master = ::posix_openpt (O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master < 0 || ::grantpt (master) != 0 || ::unlockpt (master) != 0)
            return;
        path = ::ptsname (master);
        keepOpen = ::open (path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios t{};
        if (keepOpen >= 0 && ::tcgetattr (keepOpen, &t) == 0)
        {
            ::cfmakeraw (&t);
            ::tcsetattr (keepOpen, TCSANOW, &t);
        }
        echoing = std::thread ([this] { run(); });
    }
    ~FarEnd()
    {
        stop = true;
        if (echoing.joinable())
            echoing.join();
        ::close (keepOpen);
        ::close (master);
    }

    std::string path;
    std::vector<bench::Clock::time_point> firstByteAt;
    std::atomic<int> messages{ 0 };

private:
    int master = -1;
    int keepOpen = -1;
    std::atomic<bool> stop{ false };
    std::thread echoing;

    void run()
    {
        bench::Message m{};
        std::size_t got = 0;
        while (!stop)
        {
            pollfd p{ master, POLLIN, 0 };
            if (::poll (&p, 1, 100) <= 0)
                continue;
            const ssize_t n = ::read (master, m.data() + got, m.size() - got);
            if (n <= 0)
                continue;
            if (got == 0 && (std::size_t) messages.load() < firstByteAt.size())
                firstByteAt[(std::size_t) messages.load()] = bench::Clock::now();
            got += (std::size_t) n;
            if (got == m.size())
            {
                [[maybe_unused]] const auto written = ::write (master, m.data(), m.size());
                got = 0;
                ++messages;
            }
        }
    }
};
} // namespace bench
