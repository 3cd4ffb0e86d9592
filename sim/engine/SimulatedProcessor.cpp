#include "engine/SimulatedProcessor.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif
#include <termios.h>
#include <unistd.h>

namespace taviksim
{

namespace
{
constexpr auto longestWait = std::chrono::milliseconds (200);
constexpr std::size_t readChunk = 4096;
// A timed wake on a busy virtual machine comes tens of microseconds late
// even with no timer slack: bytes due to the host are waited for awake over
// this last stretch, so they leave on time and never before.
constexpr auto spinLead = std::chrono::microseconds (100);

void keepTimersExact()
{
#ifdef __linux__
    ::prctl (PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
}

bool setFlag (int fd, int getCommand, int setCommand, int flag)
{
    const int flags = ::fcntl (fd, getCommand);
    return flags >= 0 && ::fcntl (fd, setCommand, flags | flag) == 0;
}

void closeFd (int& fd)
{
    if (fd >= 0)
        ::close (fd);
    fd = -1;
}
} // namespace

SimulatedProcessor::SimulatedProcessor (SimulatorOptions simulatorOptions)
    : options (std::move (simulatorOptions))
    , engine (options.engine)
{
    for (const Fault& fault : options.faults)
        engine.addFault (fault);
}

SimulatedProcessor::~SimulatedProcessor()
{
    stop();
}

bool SimulatedProcessor::openTerminal()
{
    masterFd = ::posix_openpt (O_RDWR | O_NOCTTY);
    if (masterFd < 0)
    {
        failure = std::string ("cannot open a pseudo-terminal: ") + std::strerror (errno);
        return false;
    }
    char name[128] = {};
    if (!setFlag (masterFd, F_GETFD, F_SETFD, FD_CLOEXEC) || ::grantpt (masterFd) != 0 || ::unlockpt (masterFd) != 0 ||
        ::ptsname_r (masterFd, name, sizeof name) != 0)
    {
        failure = std::string ("cannot prepare the pseudo-terminal: ") + std::strerror (errno);
        return false;
    }
    slave = name;
    slaveFd = ::open (name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slaveFd < 0)
    {
        failure = "cannot open " + slave + ": " + std::strerror (errno);
        return false;
    }
    // A fresh pty echoes and translates CR/LF; a serial line does neither,
    // and the program may only set its own modes after bytes have arrived.
    termios modes{};
    if (::tcgetattr (slaveFd, &modes) != 0)
    {
        failure = "cannot read the modes of " + slave + ": " + std::strerror (errno);
        return false;
    }
    ::cfmakeraw (&modes);
    modes.c_cflag |= CLOCAL | CREAD;
    ::cfsetispeed (&modes, B57600);
    ::cfsetospeed (&modes, B57600);
    if (::tcsetattr (slaveFd, TCSANOW, &modes) != 0)
    {
        failure = "cannot set raw mode on " + slave + ": " + std::strerror (errno);
        return false;
    }
    if (!setFlag (masterFd, F_GETFL, F_SETFL, O_NONBLOCK))
    {
        failure = std::string ("cannot make the pseudo-terminal non-blocking: ") + std::strerror (errno);
        return false;
    }
    return true;
}

void SimulatedProcessor::closeTerminal()
{
    closeFd (masterFd);
    closeFd (slaveFd);
}

bool SimulatedProcessor::start()
{
    if (worker.joinable() || masterFd >= 0)
    {
        failure = "already started";
        return false;
    }
    int wake[2];
    if (!openTerminal() || ::pipe (wake) != 0)
    {
        if (failure.empty())
            failure = std::string ("cannot create a pipe: ") + std::strerror (errno);
        closeTerminal();
        return false;
    }
    wakeRead = wake[0];
    wakeWrite = wake[1];
    setFlag (wakeRead, F_GETFD, F_SETFD, FD_CLOEXEC);
    setFlag (wakeWrite, F_GETFD, F_SETFD, FD_CLOEXEC);
    if (!options.transcriptPath.empty())
    {
        transcriptFile = std::fopen (options.transcriptPath.c_str(), "w");
        if (transcriptFile == nullptr)
        {
            failure = "cannot write the transcript " + options.transcriptPath + ": " + std::strerror (errno);
            stop();
            return false;
        }
    }
    if (options.announce)
    {
        announcement = std::make_unique<PortAnnouncement>();
        std::string why;
        if (!announcement->publish (slave, why))
            report ("warning: " + why + " (the program will not list this port by itself)");
    }
    serving = true;
    worker = std::thread ([this] { run(); });
    return true;
}

void SimulatedProcessor::stop()
{
    if (worker.joinable())
    {
        const char wake = 1;
        [[maybe_unused]] const auto ignored = ::write (wakeWrite, &wake, 1);
        worker.join();
    }
    serving = false;
    closeTerminal();
    closeFd (wakeRead);
    closeFd (wakeWrite);
    if (transcriptFile != nullptr)
        std::fclose (transcriptFile);
    transcriptFile = nullptr;
    announcement.reset();
}

void SimulatedProcessor::report (const std::string& text) const
{
    if (options.log)
        options.log (text);
    else
        std::fprintf (stderr, "tavik-sim: %s\n", text.c_str());
}

void SimulatedProcessor::record (std::vector<Message>& completed, LineModel& line, Clock::time_point arrival,
                                 Clock::time_point started)
{
    for (Message& m : completed)
    {
        m.atMs = std::chrono::duration<double, std::milli> (arrival - started).count();
        line.send (m.answer, arrival, std::chrono::milliseconds (m.answerDelayMs));
        if (transcriptFile != nullptr)
            std::fprintf (transcriptFile, "%s\n", m.describe().c_str());
        if (options.logEverything || (options.logProblems && m.irregular))
            report (m.describe());
        entries.push_back (std::move (m));
        ++totalMessages;
    }
    while (entries.size() > options.transcriptLimit)
        entries.pop_front();
    if (!completed.empty())
    {
        if (transcriptFile != nullptr)
            std::fflush (transcriptFile);
        messagesArrived.notify_all();
    }
    completed.clear();
}

void SimulatedProcessor::run()
{
    struct Incoming
    {
        std::uint8_t byte;
        Clock::time_point at;
    };
    keepTimersExact();
    LineModel line (options.line);
    const Clock::time_point started = Clock::now();
    const auto idleReset = std::chrono::milliseconds (options.idleResetMs);
    std::deque<Incoming> incoming;
    auto incomingDue = Clock::time_point::max(); // when a queued byte next finishes something
    std::vector<std::uint8_t> queued;
    std::vector<std::uint8_t> outgoing;
    std::vector<Message> completed;
    Clock::time_point lastActivity = started;
    bool waitingForMore = false; // a message or an upload is half done
    bool hangUp = false;

    for (;;)
    {
        Clock::time_point now = Clock::now();
        Clock::time_point next = now + longestWait;
        next = std::min (next, incomingDue);
        // Only bytes for the host need an exact wake; the unit's side is
        // stamped with line times, so a late wake there changes nothing.
        const auto lineDue = line.nextEvent();
        const bool exact = lineDue && *lineDue <= next;
        if (exact)
            next = *lineDue;
        // Quiet only counts while nothing is owed: a delayed answer is not the host going away.
        const bool quietMatters =
            waitingForMore && idleReset.count() > 0 && incoming.empty() && line.empty() && outgoing.empty();
        if (quietMatters)
            next = std::min (next, lastActivity + idleReset);
        const auto wait = std::max (Clock::duration::zero(), next - (exact ? spinLead : Clock::duration::zero()) - now);
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds> (wait);
        const timespec timeout{ (time_t) seconds.count(),
                                (long) std::chrono::duration_cast<std::chrono::nanoseconds> (wait - seconds).count() };
        pollfd fds[2] = { { masterFd, (short) (POLLIN | (outgoing.empty() ? 0 : POLLOUT)), 0 },
                          { wakeRead, POLLIN, 0 } };
        if (::ppoll (fds, 2, &timeout, nullptr) < 0 && errno != EINTR)
        {
            report (std::string ("poll failed: ") + std::strerror (errno));
            break;
        }
        if (fds[1].revents != 0)
            break;

        if ((fds[0].revents & (POLLIN | POLLERR | POLLHUP)) != 0)
        {
            std::uint8_t buffer[readChunk];
            for (;;)
            {
                const ssize_t got = ::read (masterFd, buffer, sizeof buffer);
                if (got > 0)
                {
                    // The host wrote these before the read returned, perhaps
                    // long before, but no earlier moment is known for sure;
                    // one taken before the read could precede the write.
                    const Clock::time_point readAt = Clock::now();
                    for (ssize_t i = 0; i < got; ++i)
                        incoming.push_back ({ buffer[i], line.arrival (readAt) });
                    lastActivity = readAt;
                    continue;
                }
                if (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                {
                    report ("reading the line failed: " + std::string (std::strerror (errno)));
                    hangUp = true;
                }
                break;
            }
        }
        now = Clock::now();

        {
            std::lock_guard<std::mutex> guard (lock);
            while (!hangUp && !incoming.empty() && incoming.front().at <= now)
            {
                const Incoming in = incoming.front();
                incoming.pop_front();
                engine.receive (in.byte, completed);
                record (completed, line, in.at, started);
                hangUp = engine.hungUp();
            }
            if (!hangUp && quietMatters && incoming.empty() && now - lastActivity >= idleReset)
            {
                engine.lineIdle (completed);
                record (completed, line, now, started);
            }
            waitingForMore = engine.midMessage() || engine.inFirmwareUpload();
            incomingDue = Clock::time_point::max();
            if (!incoming.empty())
            {
                queued.clear();
                for (const Incoming& in : incoming)
                    queued.push_back (in.byte);
                const std::size_t first = std::min (engine.bytesBeforeNextEntry (queued), incoming.size() - 1);
                incomingDue = incoming[first].at;
            }
        }
        if (hangUp)
        {
            report ("hanging up the line after " + std::to_string (engine.bytesReceived()) + " bytes");
            break;
        }

        // An answer goes out whole at its end: a host woken for its first
        // bytes would only wait again for the rest.
        if (lineDue && now >= *lineDue)
        {
            const std::vector<std::uint8_t> due = line.takeDue (now);
            outgoing.insert (outgoing.end(), due.begin(), due.end());
        }
        if (!outgoing.empty())
        {
            const ssize_t sent = ::write (masterFd, outgoing.data(), outgoing.size());
            if (sent > 0)
            {
                outgoing.erase (outgoing.begin(), outgoing.begin() + sent);
                lastActivity = now;
            }
            else if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            {
                report ("writing the line failed: " + std::string (std::strerror (errno)));
                hangUp = true;
                break;
            }
        }
    }

    if (hangUp)
    {
        // Like an unplugged unit: the port goes away under the program.
        // The flags go first so whoever sees the hangup also sees them.
        lineHungUp = true;
        serving = false;
        closeTerminal();
        if (announcement)
            announcement->withdraw();
    }
    serving = false;
    messagesArrived.notify_all();
}

Memory SimulatedProcessor::memory() const
{
    std::lock_guard<std::mutex> guard (lock);
    return engine.memory();
}

std::vector<Message> SimulatedProcessor::transcript() const
{
    std::lock_guard<std::mutex> guard (lock);
    return { entries.begin(), entries.end() };
}

std::uint64_t SimulatedProcessor::messageCount() const
{
    std::lock_guard<std::mutex> guard (lock);
    return totalMessages;
}

std::string SimulatedProcessor::memoryJson() const
{
    return memoryToJson (memory());
}

void SimulatedProcessor::addFault (const Fault& fault)
{
    std::lock_guard<std::mutex> guard (lock);
    engine.addFault (fault);
}

void SimulatedProcessor::clearFaults()
{
    std::lock_guard<std::mutex> guard (lock);
    engine.clearFaults();
}

bool SimulatedProcessor::waitForMessages (std::uint64_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock<std::mutex> guard (lock);
    return messagesArrived.wait_for (guard, timeout, [&] { return totalMessages >= count; });
}

} // namespace taviksim
