#include "engine/SimulatedProcessor.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace taviksim;
using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

namespace
{
// The host side, written the way any serial program would open a port.
class Port
{
public:
    explicit Port (const std::string& path)
        : fd (::open (path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
        termios modes{};
        if (fd >= 0 && ::tcgetattr (fd, &modes) == 0)
        {
            ::cfmakeraw (&modes);
            ::tcsetattr (fd, TCSANOW, &modes);
        }
    }
    ~Port()
    {
        if (fd >= 0)
            ::close (fd);
    }
    bool isOpen() const { return fd >= 0; }

    void write (const Bytes& bytes) const
    {
        ASSERT_EQ (::write (fd, bytes.data(), bytes.size()), (ssize_t) bytes.size());
    }

    // Reads up to count bytes, giving up after timeout; stops early on a hangup.
    Bytes read (std::size_t count, std::chrono::milliseconds timeout = 3000ms, bool* hungUp = nullptr) const
    {
        Bytes got;
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (got.size() < count)
        {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds> (end - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                break;
            pollfd p{ fd, POLLIN, 0 };
            if (::poll (&p, 1, (int) left.count()) <= 0)
                continue;
            std::uint8_t buffer[256];
            const ssize_t n = ::read (fd, buffer, std::min (sizeof buffer, count - got.size()));
            if (n > 0)
                got.insert (got.end(), buffer, buffer + n);
            else if (n == 0 || (errno != EAGAIN && errno != EINTR))
            {
                if (hungUp != nullptr)
                    *hungUp = true;
                break;
            }
        }
        return got;
    }

    Bytes ask (const Bytes& bytes, std::size_t answerLength, std::chrono::milliseconds timeout = 3000ms) const
    {
        write (bytes);
        return read (answerLength, timeout);
    }

private:
    int fd;
};

SimulatorOptions quietOptions()
{
    SimulatorOptions options;
    options.log = [] (const std::string&) {};
    return options;
}
} // namespace

TEST (SimulatedProcessor, AnswersOnARealPseudoTerminal)
{
    SimulatedProcessor sim (quietOptions());
    ASSERT_TRUE (sim.start()) << sim.error();
    Port port (sim.slavePath());
    ASSERT_TRUE (port.isOpen());

    EXPECT_EQ (port.ask ({ 0x90 }, 5), (Bytes{ 'T', 'a', 'v', 'i', 'k' }));
    EXPECT_EQ (port.ask ({ 0x91 }, 4), (Bytes{ '1', '.', '2', 'c' }));
    // CR, LF and control bytes pass untouched both ways: the pty is raw from the start.
    const Bytes name{ 0xA4, 0x00, 0x18, 0x0D };
    EXPECT_EQ (port.ask (name, 4), name);
    const Bytes linefeed{ 0xA4, 0x00, 0x19, 0x0A };
    EXPECT_EQ (port.ask (linefeed, 4), linefeed);
    const Bytes answer = port.ask ({ 0xD4, 0x00, 0x00, 0x00 }, 36);
    ASSERT_EQ (answer.size(), 36u);
    EXPECT_EQ (answer[4 + 0x18], 0x0D);
    EXPECT_EQ (answer[4 + 0x19], 0x0A);

    ASSERT_TRUE (sim.waitForMessages (5, 2000ms));
    EXPECT_EQ (sim.memory().output (0)[0x18], 0x0D);
    const auto transcript = sim.transcript();
    ASSERT_EQ (transcript.size(), 5u);
    EXPECT_EQ (transcript[0].kind, MessageKind::Identify);
    EXPECT_EQ (transcript[2].bytes, name);
    EXPECT_EQ (sim.messageCount(), 5u);
}

TEST (SimulatedProcessor, SurvivesThePortBeingClosedAndReopened)
{
    SimulatedProcessor sim (quietOptions());
    ASSERT_TRUE (sim.start()) << sim.error();
    {
        Port first (sim.slavePath());
        EXPECT_EQ (first.ask ({ 0x90 }, 5).size(), 5u);
        first.write ({ 0x99 });
        ASSERT_TRUE (sim.waitForMessages (2, 2000ms));
    }
    Port second (sim.slavePath());
    ASSERT_TRUE (second.isOpen());
    EXPECT_EQ (second.ask ({ 0x90 }, 5), (Bytes{ 'T', 'a', 'v', 'i', 'k' }));
    EXPECT_TRUE (sim.running());
    EXPECT_EQ (sim.memory().goodbyes, 1);
}

TEST (SimulatedProcessor, FaultsSetWhileRunningReachTheLine)
{
    SimulatedProcessor sim (quietOptions());
    ASSERT_TRUE (sim.start()) << sim.error();
    Port port (sim.slavePath());
    EXPECT_EQ (port.ask ({ 0x90 }, 5).size(), 5u);

    sim.addFault ({ FaultKind::DropAnswer, sim.messageCount() + 1, 0 });
    EXPECT_TRUE (port.ask ({ 0xA5, 0x00, 0x00, 0x20 }, 4, 300ms).empty());
    sim.clearFaults();
    EXPECT_EQ (port.ask ({ 0x98 }, 2), (Bytes{ 0x98, 0x00 }));
    EXPECT_EQ (sim.memory().output (1)[0], 0x20); // the dropped command was still applied
}

TEST (SimulatedProcessor, HangingUpTakesThePortAway)
{
    SimulatorOptions options = quietOptions();
    options.faults.push_back ({ FaultKind::HangUpAfter, 3, 0 });
    SimulatedProcessor sim (options);
    ASSERT_TRUE (sim.start()) << sim.error();
    Port port (sim.slavePath());
    EXPECT_EQ (port.ask ({ 0x90 }, 5).size(), 5u);
    port.write ({ 0x90, 0x90 });
    bool hungUp = false;
    EXPECT_TRUE (port.read (5, 3000ms, &hungUp).empty());
    EXPECT_TRUE (hungUp);
    EXPECT_TRUE (sim.hungUp());
    EXPECT_FALSE (sim.running());
}

TEST (SimulatedProcessor, NoByteArrivesBeforeItsLineTime)
{
    // Every byte of an answer is read, alone, as soon as it can be: the n-th
    // byte back may come no sooner than the bytes that had to cross the line
    // before it, 10 bits each at 57600 baud, counted from before the write.
    SimulatorOptions options = quietOptions();
    options.line.pace = true;
    SimulatedProcessor sim (options);
    ASSERT_TRUE (sim.start()) << sim.error();
    Port port (sim.slavePath());
    const auto byteTime = std::chrono::nanoseconds (1000000000LL * 10 / 57600);
    int checked = 0;
    const auto check = [&] (const Bytes& out, std::size_t answerLength, int bytesBeforeAnswer)
    {
        const auto start = std::chrono::steady_clock::now();
        port.write (out);
        for (std::size_t n = 1; n <= answerLength; ++n)
        {
            ASSERT_EQ (port.read (1).size(), 1u);
            const auto earliest = start + (bytesBeforeAnswer + (int) n) * byteTime;
            if (std::chrono::steady_clock::now() < earliest)
                ADD_FAILURE() << "byte " << n << " of the answer to " << (int) out[0] << " came early";
        }
        ++checked;
    };
    for (int round = 0; round < 20; ++round)
    {
        check ({ 0xA4, 0x00, 0x00, 0x07 }, 4, 4);                         // an edit and its echo
        check ({ 0x90 }, 5, 1);                                           // identify
        check ({ 0xD4, 0x00, 0x00, 0x00 }, 36, 4);                        // a read-back
        check ({ 0xA4, 0x00, 0x00, 0x01, 0xA5, 0x00, 0x00, 0x02 }, 8, 4); // two edits at once
    }
    check ({ 0x9F }, 1, 1);
    for (int i = 0; i < 20; ++i)
        check ({ (std::uint8_t) i }, 1, 1); // upload bytes, each echoed
    EXPECT_EQ (checked, 101);
    EXPECT_EQ (sim.memory().output (1)[0], 0x02);
}

TEST (SimulatedProcessor, BridgeLatencyHoldsAnswersBack)
{
    SimulatorOptions options = quietOptions();
    options.line.bridgeLatency = 40ms;
    SimulatedProcessor sim (options);
    ASSERT_TRUE (sim.start()) << sim.error();
    Port port (sim.slavePath());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ (port.ask ({ 0x90 }, 5).size(), 5u);
    EXPECT_GE (std::chrono::steady_clock::now() - start, 40ms);
}

// In the user's own folder, which no other user can plant a port in: the
// runtime folder's, else one in /tmp named after the user; never in one that
// others may enter.
TEST (SimulatedProcessor, AnnouncesItsPortWhileRunningInAFolderOfTheUsersAlone)
{
    const std::string runtime = ::testing::TempDir() + "tavik-sim-runtime-" + std::to_string (::getpid());
    ASSERT_EQ (::mkdir (runtime.c_str(), 0700), 0);
    ASSERT_EQ (::mkdir ((runtime + "/open").c_str(), 0700), 0);
    ASSERT_EQ (::mkdir ((runtime + "/open/tavik-sim-ports").c_str(), 0700), 0);
    ASSERT_EQ (::chmod ((runtime + "/open/tavik-sim-ports").c_str(), 0755), 0);
    const char* before = std::getenv ("XDG_RUNTIME_DIR");
    const std::string kept = before != nullptr ? before : "";
    const struct
    {
        std::string runtime, folder; // runtime empty: no XDG_RUNTIME_DIR
        bool announced;
    } cases[] = {
        { runtime, runtime + "/tavik-sim-ports", true },
        { "", "/tmp/tavik-sim-ports-" + std::to_string (::geteuid()), true },
        { runtime + "/open", runtime + "/open/tavik-sim-ports", false },
    };
    for (const auto& c : cases)
    {
        c.runtime.empty() ? ::unsetenv ("XDG_RUNTIME_DIR") : ::setenv ("XDG_RUNTIME_DIR", c.runtime.c_str(), 1);
        std::vector<std::string> logged;
        SimulatorOptions options;
        options.log = [&] (const std::string& line) { logged.push_back (line); };
        options.announce = true;
        const std::string file = c.folder + "/" + std::to_string (::getpid());
        {
            SimulatedProcessor sim (options);
            ASSERT_TRUE (sim.start()) << sim.error();
            std::ifstream in (file);
            std::string line;
            EXPECT_EQ (bool (std::getline (in, line)), c.announced) << file;
            EXPECT_EQ (line, c.announced ? sim.slavePath() : "");
            EXPECT_EQ (logged.size(), c.announced ? 0u : 1u); // why not, as a warning
            struct stat folder
            {
            };
            ASSERT_EQ (::lstat (c.folder.c_str(), &folder), 0);
            EXPECT_EQ (folder.st_mode & 07777, c.announced ? 0700u : 0755u);
            EXPECT_EQ (folder.st_uid, ::geteuid());
        }
        EXPECT_NE (::access (file.c_str(), F_OK), 0);
    }
    before != nullptr ? ::setenv ("XDG_RUNTIME_DIR", kept.c_str(), 1) : ::unsetenv ("XDG_RUNTIME_DIR");
    std::filesystem::remove_all (runtime);
}

TEST (SimulatedProcessor, WritesATranscriptLinePerMessage)
{
    SimulatorOptions options = quietOptions();
    options.transcriptPath = "/tmp/tavik-sim-test-transcript-" + std::to_string (::getpid()) + ".txt";
    std::vector<std::string> logged;
    {
        std::mutex m;
        options.log = [&] (const std::string& line)
        {
            std::lock_guard<std::mutex> g (m);
            logged.push_back (line);
        };
        SimulatedProcessor sim (options);
        ASSERT_TRUE (sim.start()) << sim.error();
        Port port (sim.slavePath());
        port.write ({ 0x90, 0x33, 0xA6, 0x00, 0x15, 0x05 });
        ASSERT_TRUE (sim.waitForMessages (3, 2000ms));
        sim.stop();
    }
    std::ifstream in (options.transcriptPath);
    std::vector<std::string> lines;
    for (std::string line; std::getline (in, line);)
        lines.push_back (line);
    std::remove (options.transcriptPath.c_str());
    ASSERT_EQ (lines.size(), 3u);
    EXPECT_NE (lines[0].find ("identify"), std::string::npos);
    EXPECT_NE (lines[1].find ("33"), std::string::npos);
    EXPECT_NE (lines[2].find ("A6 00 15 05"), std::string::npos);
    EXPECT_NE (lines[2].find ("input routing"), std::string::npos);
    // Only the stray byte was worth a log line.
    ASSERT_EQ (logged.size(), 1u);
    EXPECT_NE (logged[0].find ("33"), std::string::npos);
}

TEST (SimulatedProcessor, QuietLineDropsHalfMessagesButWaitsForDelayedAnswers)
{
    SimulatorOptions options = quietOptions();
    options.idleResetMs = 100;
    SimulatedProcessor sim (options);
    ASSERT_TRUE (sim.start()) << sim.error();
    Port port (sim.slavePath());

    port.write ({ 0xA4, 0x00 }); // the rest never comes
    std::this_thread::sleep_for (300ms);
    EXPECT_EQ (port.ask ({ 0x90 }, 5), (Bytes{ 'T', 'a', 'v', 'i', 'k' }));
    auto transcript = sim.transcript();
    ASSERT_EQ (transcript.size(), 2u);
    EXPECT_EQ (transcript[0].kind, MessageKind::Garbage);
    EXPECT_EQ (transcript[0].bytes, (Bytes{ 0xA4, 0x00 }));

    // An upload whose echo is held back longer than the quiet limit goes on.
    EXPECT_EQ (port.ask ({ 0x9F }, 1), Bytes{ 0x9F });
    sim.addFault ({ FaultKind::DelayAnswer, sim.messageCount() + 1, 400 });
    EXPECT_EQ (port.ask ({ 0x55 }, 1), Bytes{ 0x55 });
    EXPECT_EQ (port.ask ({ 0x90 }, 1), Bytes{ 0x90 }); // still data, not an identify
    const Memory memory = sim.memory();
    EXPECT_EQ (memory.firmware, (Bytes{ 0x55, 0x90 }));
}
