#include "device/SerialPlatform.h"

#include "common/Utf8.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <string>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace
{
constexpr int waitStepMs = 100;

// An announcement holds one path; anything longer is not one.
constexpr ssize_t largestAnnouncementBytes = 512;

// Where this user's simulators announce their pseudo-terminals: one file per
// simulator, named after its pid, holding the port's path. The user's own
// folder, as the simulator makes it (sim/engine/PortAnnouncement.cpp).
std::string simulatorAnnouncements()
{
    const char* runtime = std::getenv ("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/')
        return std::string (runtime) + "/tavik-sim-ports";
    return "/tmp/tavik-sim-ports-" + std::to_string (::geteuid());
}

class Deadline
{
public:
    explicit Deadline (int timeoutMs)
        : end (std::chrono::steady_clock::now() + std::chrono::milliseconds (std::max (0, timeoutMs)))
    {
    }

    int nextWaitMs() const
    {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds> (end - std::chrono::steady_clock::now()).count();
        return (int) std::clamp<long long> (left, 0, waitStepMs);
    }

    bool passed() const { return std::chrono::steady_clock::now() >= end; }

private:
    std::chrono::steady_clock::time_point end;
};

// The device's descriptor, held exclusively: a flock against every other
// program that asks for one (root too), TIOCEXCL against the ones that do not
// (except root). Linux keeps that flag while anyone, such as the far end of a
// pseudo-terminal, still has the terminal open, so it is cleared on the way
// out; otherwise the port stays barred to ordinary users after we let go.
class ExclusiveDevice
{
public:
    explicit ExclusiveDevice (int openedFd)
        : fd (openedFd)
    {
    }

    ~ExclusiveDevice()
    {
        if (barred)
            ::ioctl (fd, TIOCNXCL);
        ::close (fd); // also drops the flock
    }

    bool claim()
    {
        if (::flock (fd, LOCK_EX | LOCK_NB) != 0)
            return false;
        barred = ::ioctl (fd, TIOCEXCL) == 0;
        return barred;
    }

    const int fd;

private:
    bool barred = false;

    JUCE_DECLARE_NON_COPYABLE (ExclusiveDevice)
};

class PosixPort final : public SerialPlatformPort
{
public:
    PosixPort (std::unique_ptr<ExclusiveDevice> claimed, int wakeRead, int wakeWrite)
        : device (std::move (claimed))
        , fd (device->fd)
        , wakeIn (wakeRead)
        , wakeOut (wakeWrite)
    {
    }

    ~PosixPort() override
    {
        ::close (wakeIn);
        ::close (wakeOut);
    }

    int write (const std::uint8_t* bytes, int count, int timeoutMs, const StopCheck& shouldStop) override
    {
        return transfer (POLLOUT, count, timeoutMs, shouldStop,
                         [&] (int done) { return ::write (fd, bytes + done, (size_t) (count - done)); });
    }

    int read (std::uint8_t* buffer, int count, int timeoutMs, const StopCheck& shouldStop) override
    {
        return transfer (POLLIN, count, timeoutMs, shouldStop,
                         [&] (int done) { return ::read (fd, buffer + done, (size_t) (count - done)); });
    }

    void discardInput() override { ::tcflush (fd, TCIFLUSH); }

    void resume() override
    {
        char drained[16];
        while (::read (wakeIn, drained, sizeof drained) > 0)
        {
        }
        interrupted = false;
    }

    bool checkLine() override
    {
        pollfd line{ fd, 0, 0 };
        if (!isLost() && ::poll (&line, 1, 0) > 0 && (line.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0)
            markLost();
        return isLost();
    }

    // Final: the pipe stays readable, so every later wait wakes at once too
    // and sees the flag, however late its thread gets to run.
    void interrupt() override
    {
        interrupted = true;
        const char wake = 1;
        [[maybe_unused]] auto ignored = ::write (wakeOut, &wake, 1);
    }

private:
    // A failed read or write: the errors of a terminal whose far end went
    // away (a pseudo-terminal's master closed, an adapter unplugged) mean
    // the line is gone for good.
    void noteFailure (int error)
    {
        if (error == EIO || error == ENXIO || error == ENODEV)
            markLost();
    }

    // Waits in steps of at most 100 ms, moving bytes whenever the device is
    // ready; gives up on the deadline, on a stop request, on an interrupt or
    // on an error.
    template <typename Move>
    int transfer (short events, int count, int timeoutMs, const StopCheck& shouldStop, Move&& move)
    {
        if (isLost())
            return 0;
        const Deadline deadline (timeoutMs);
        int done = 0;

        // The output buffer is nearly always free: a write goes straight out
        // and waits only if the driver cannot take it, saving a poll per message.
        if (events == POLLOUT && !interrupted)
        {
            const auto moved = move (done);
            if (moved > 0)
                done += (int) moved;
            else if (moved == 0)
                return done;
            else if (errno != EAGAIN && errno != EINTR)
            {
                noteFailure (errno);
                return done;
            }
            if (done == count)
                return done;
        }

        while (!interrupted)
        {
            pollfd fds[2] = { { fd, events, 0 }, { wakeIn, POLLIN, 0 } };
            const int ready = ::poll (fds, 2, deadline.nextWaitMs());
            if (ready < 0 && errno != EINTR)
                return done;
            if (interrupted)
                break;

            // Hung up (a gone terminal reports itself readable too, with
            // nothing to read): nothing will come or go any more.
            if (ready > 0 && (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0)
            {
                markLost();
                return done;
            }
            if (ready > 0 && (fds[0].revents & events) != 0)
            {
                const auto moved = move (done);
                if (moved > 0)
                    done += (int) moved;
                else if (moved == 0)
                    return done; // nothing after all: a short count
                else if (errno != EAGAIN && errno != EINTR)
                {
                    noteFailure (errno);
                    return done; // failed: a short count
                }
                if (done == count)
                    return done;
            }

            if (shouldStop() || deadline.passed())
                return 0;
        }
        return 0;
    }

    const std::unique_ptr<ExclusiveDevice> device;
    const int fd;
    const int wakeIn, wakeOut;
    std::atomic<bool> interrupted{ false };
};

speed_t lineSpeed()
{
    return B57600;
}

// USB-serial bridges hold received bytes for their latency timer; ask the
// driver for its shortest one. Pseudo-terminals refuse, which is fine.
void requestLowLatency (int fd)
{
    serial_struct serial{};
    if (::ioctl (fd, TIOCGSERIAL, &serial) == 0)
    {
        serial.flags |= static_cast<int> (ASYNC_LOW_LATENCY);
        ::ioctl (fd, TIOCSSERIAL, &serial);
    }
}

// The port of a running simulator of this user, from its announcement in
// the folder: a regular file of the user, named after a live process, never
// followed through a link nor waited on (a FIFO would block for ever), and
// never read further than one path.
bool isLiveSimulator (int folder, const std::string& name, juce::String& path)
{
    if (name.empty() || name.size() > 9 || name[0] == '0' ||
        !std::all_of (name.begin(), name.end(), [] (char c) { return c >= '0' && c <= '9'; }))
        return false;
    if (::kill (std::stoi (name), 0) != 0)
        return false;

    const int fd = ::openat (folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char text[largestAnnouncementBytes + 1];
    ssize_t length = 0;
    struct stat info
    {
    };
    if (::fstat (fd, &info) == 0 && S_ISREG (info.st_mode) && info.st_uid == ::geteuid())
    {
        while (length < (ssize_t) sizeof (text))
        {
            const auto got = ::read (fd, text + length, sizeof (text) - (size_t) length);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                length = 0;
            if (got <= 0)
                break;
            length += got;
        }
    }
    ::close (fd);
    if (length <= 0 || length > largestAnnouncementBytes || !isWellFormedUtf8 (text, (size_t) length))
        return false;
    path = juce::String::fromUTF8 (text, (int) length).trim();
    return path.startsWith ("/dev/") && juce::File (path).exists();
}

// Every announced port, in the order of the pids' names, from a folder that
// is this user's alone (else from none).
void addAnnouncedSimulators (juce::StringArray& names)
{
    const int folder =
        ::open (simulatorAnnouncements().c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (folder < 0)
        return;
    struct stat info
    {
    };
    DIR* listing = nullptr;
    if (::fstat (folder, &info) == 0 && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0)
        listing = ::fdopendir (folder);
    if (listing == nullptr)
    {
        ::close (folder);
        return;
    }
    std::vector<std::string> entries;
    while (const auto* entry = ::readdir (listing))
        entries.emplace_back (entry->d_name);
    std::sort (entries.begin(), entries.end());
    for (const auto& name : entries)
    {
        juce::String path;
        if (isLiveSimulator (folder, name, path))
            names.addIfNotAlreadyThere (path);
    }
    ::closedir (listing); // and the folder with it
}

// An on-board UART node exists whether or not the hardware does; the kernel
// reports type 0 (unknown) for the ones that are not there.
bool isPresentOnBoardPort (const juce::String& deviceName)
{
    const juce::File typeFile ("/sys/class/tty/" + deviceName + "/type");
    return typeFile.existsAsFile() && typeFile.loadFileAsString().trim().getIntValue() != 0;
}
} // namespace

std::unique_ptr<SerialPlatformPort> SerialPlatform::open (const juce::String& portName, juce::String& error)
{
    const int fd = ::open (portName.toRawUTF8(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
    {
        error = "Unable to open serial port";
        return nullptr;
    }

    // From here on every way out releases the claim with the descriptor.
    auto device = std::make_unique<ExclusiveDevice> (fd);
    if (!device->claim())
    {
        error = "Unable to open serial port";
        return nullptr;
    }

    termios settings{};
    if (::tcgetattr (fd, &settings) != 0)
    {
        error = "Unable to build serial port configuration.";
        return nullptr;
    }

    ::cfmakeraw (&settings);
    settings.c_cflag &= ~(tcflag_t) (PARENB | CSTOPB | CSIZE | CRTSCTS);
    settings.c_cflag |= CS8 | CREAD | CLOCAL;
    settings.c_iflag &= ~(tcflag_t) (IXON | IXOFF | IXANY);
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    if (::cfsetispeed (&settings, lineSpeed()) != 0 || ::cfsetospeed (&settings, lineSpeed()) != 0 ||
        ::tcsetattr (fd, TCSANOW, &settings) != 0)
    {
        error = "Unable to configure serial port.";
        return nullptr;
    }

    requestLowLatency (fd);

    int wake[2];
    if (::pipe2 (wake, O_CLOEXEC | O_NONBLOCK) != 0)
    {
        error = "Unable to create serial port events";
        return nullptr;
    }

    return std::make_unique<PosixPort> (std::move (device), wake[0], wake[1]);
}

bool SerialPlatform::listPorts (juce::StringArray& names)
{
    const juce::File dev ("/dev");
    for (auto* pattern : { "ttyUSB*", "ttyACM*" })
    {
        auto found = dev.findChildFiles (juce::File::findFiles, false, pattern);
        found.sort();
        for (auto& f : found)
            names.add (f.getFullPathName());
    }

    auto onBoard = dev.findChildFiles (juce::File::findFiles, false, "ttyS*");
    onBoard.sort();
    for (auto& f : onBoard)
        if (isPresentOnBoardPort (f.getFileName()))
            names.add (f.getFullPathName());

    addAnnouncedSimulators (names);
    return true;
}
