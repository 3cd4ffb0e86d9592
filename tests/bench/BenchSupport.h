#pragma once

// What the benchmarks share: a tavik-sim process to measure against, the
// minimal client that sets the yardstick, and the way figures are printed.

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace bench
{
using Clock = std::chrono::steady_clock;
constexpr double baud = 57600.0;
constexpr double bitsPerByte = 10.0; // 8N1: start bit, 8 data bits, stop bit

inline double lineSeconds (double bytes)
{
    return bytes * bitsPerByte / baud;
}

inline double seconds (Clock::duration d)
{
    return std::chrono::duration<double> (d).count();
}

// One figure beside its limit; the ratio is what the goal is stated in.
inline void printFigure (const char* what, double measured, double limit, const char* unit = "s", double scale = 1.0)
{
    std::printf ("%-66s %10.4f %s  limit %10.4f %s  ratio %.3f\n", what, measured * scale, unit, limit * scale, unit,
                 measured / limit);
}

inline double percentile (std::vector<double> values, double p)
{
    if (values.empty())
        return 0.0;
    std::sort (values.begin(), values.end());
    const auto index = (std::size_t) std::min<double> ((double) values.size() - 1, p * (double) values.size());
    return values[index];
}

// The built tavik-sim, started with the given options; it announces nothing.
class SimProcess
{
public:
    explicit SimProcess (std::vector<std::string> options)
    {
        int out[2];
        if (::pipe (out) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init (&actions);
        posix_spawn_file_actions_adddup2 (&actions, out[1], 1);
        posix_spawn_file_actions_addclose (&actions, out[0]);
        // Its log would cost it time on the line's clock; nothing here needs it.
        posix_spawn_file_actions_addopen (&actions, 2, "/dev/null", O_WRONLY, 0);
        // TAVIK_SIM names another simulator build to measure against.
        const char* chosen = std::getenv ("TAVIK_SIM");
        const std::string program = chosen != nullptr && *chosen != '\0' ? chosen : TAVIK_SIM_PATH;
        std::vector<std::string> words{ program, "--no-announce" };
        words.insert (words.end(), options.begin(), options.end());
        std::vector<char*> argv;
        for (auto& w : words)
            argv.push_back (w.data());
        argv.push_back (nullptr);
        if (::posix_spawn (&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
            pid = -1;
        posix_spawn_file_actions_destroy (&actions);
        ::close (out[1]);
        // The first line is the port.
        char c = 0;
        while (pid > 0 && ::read (out[0], &c, 1) == 1 && c != '\n')
            port += c;
        ::close (out[0]);
    }

    ~SimProcess()
    {
        if (pid > 0)
        {
            ::kill (pid, SIGTERM);
            int status = 0;
            ::waitpid (pid, &status, 0);
        }
    }

    SimProcess (const SimProcess&) = delete;
    SimProcess& operator= (const SimProcess&) = delete;

    bool ok() const { return pid > 0 && port.rfind ("/dev/", 0) == 0; }
    const std::string& path() const { return port; }

private:
    pid_t pid = -1;
    std::string port;
};

using Message = std::array<std::uint8_t, 4>;

// The least a host can do: a raw pseudo-terminal, one message written, its
// echo read back, the next message. Its time is the simulator's share plus
// what the system adds to any host; a program is judged against it.
class MinimalClient
{
public:
    explicit MinimalClient (const std::string& path)
        : fd (::open (path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC))
    {
        termios modes{};
        if (fd >= 0 && ::tcgetattr (fd, &modes) == 0)
        {
            ::cfmakeraw (&modes);
            ::tcsetattr (fd, TCSANOW, &modes);
        }
    }
    ~MinimalClient()
    {
        if (fd >= 0)
            ::close (fd);
    }
    MinimalClient (const MinimalClient&) = delete;
    MinimalClient& operator= (const MinimalClient&) = delete;

    // Seconds for every message and its echo, one after the other; negative
    // when an echo is missing or wrong. each, if given, gets every round trip;
    // idleUs is slept between them, uncounted.
    double roundTrips (const std::vector<Message>& messages, std::vector<double>* each = nullptr, long idleUs = 0) const
    {
        if (fd < 0)
            return -1.0;
        const auto start = Clock::now();
        for (const Message& m : messages)
        {
            const auto sent = Clock::now();
            if (::write (fd, m.data(), m.size()) != (ssize_t) m.size())
                return -1.0;
            Message echo{};
            std::size_t got = 0;
            while (got < echo.size())
            {
                pollfd p{ fd, POLLIN, 0 };
                if (::poll (&p, 1, 2000) <= 0)
                    return -1.0;
                const ssize_t n = ::read (fd, echo.data() + got, echo.size() - got);
                if (n > 0)
                    got += (std::size_t) n;
                else if (n == 0 || (errno != EAGAIN && errno != EINTR))
                    return -1.0;
            }
            if (echo != m)
                return -1.0;
            if (each != nullptr)
                each->push_back (seconds (Clock::now() - sent));
            if (idleUs > 0)
            {
                const timespec idle{ 0, idleUs * 1000 };
                ::nanosleep (&idle, nullptr);
            }
        }
        return seconds (Clock::now() - start);
    }

    // Seconds for a firmware upload's share: 0x9F, then count bytes, each
    // written, its echo read and a 1 ms pause kept as exactly as this
    // thread's timers allow. Negative when an echo is missing or wrong.
    double uploadShare (int count) const
    {
        ::prctl (PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
        if (!exchange (0x9F))
            return -1.0;
        const auto start = Clock::now();
        for (int i = 0; i < count; ++i)
        {
            if (!exchange ((std::uint8_t) (i * 31)))
                return -1.0;
            const timespec pause{ 0, 1000000 };
            ::nanosleep (&pause, nullptr);
        }
        return seconds (Clock::now() - start);
    }

private:
    int fd;

    bool exchange (std::uint8_t byte) const
    {
        std::uint8_t echo = 0;
        if (::write (fd, &byte, 1) != 1)
            return false;
        for (;;)
        {
            pollfd p{ fd, POLLIN, 0 };
            if (::poll (&p, 1, 2000) <= 0)
                return false;
            const ssize_t n = ::read (fd, &echo, 1);
            if (n == 1)
                return echo == byte;
            if (n == 0 || (errno != EAGAIN && errno != EINTR))
                return false;
        }
    }
};

// count gain messages to the nine channels, each a different value, as a push sends them.
inline std::vector<Message> parameterMessages (int count)
{
    constexpr std::uint8_t channels[] = { 0xA0, 0xA1, 0xA2, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9 };
    std::vector<Message> messages;
    for (int i = 0; i < count; ++i)
        messages.push_back ({ channels[i % 9], 0x00, 0x00, (std::uint8_t) (i % 49) });
    return messages;
}
} // namespace bench
