// tavik-sim: a Tavik processor on a pseudo-terminal, for the program, its
// tests and anyone trying the program without the hardware.

#include "engine/SimulatedProcessor.h"

#include <TavikVersion.h>

#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <pthread.h>
#include <string>

using namespace taviksim;

namespace
{
const char* const usage = R"(Usage: tavik-sim [options]

Simulates a Tavik processor on a pseudo-terminal. The first line on standard
output is the path of its serial port; it then serves until SIGINT or SIGTERM.
The port is also announced for the program's port chooser, in the user's own
folder $XDG_RUNTIME_DIR/tavik-sim-ports/<pid> (without that variable,
/tmp/tavik-sim-ports-<uid>/<pid>). Irregular bytes from the line are logged
on standard error.

Identification:
  --version TEXT         answer 0x91 with TEXT (default "1.2c"); \xHH gives any
                         byte, e.g. "\x00.2c"; other lengths than 4 are sent as is
  --no-version           do not answer 0x91 at all
  --version              as the last argument, without TEXT: print this
                         program's version ("tavik-sim X.Y") and exit

Line timing:
  --pace                 pace both directions at the line rate, 10 bits a byte
  --baud N               line rate for --pace (default 57600)
  --process-us N         processing time between a message and its answer (default 0)
  --bridge-latency MS    hold answers back like a USB bridge's latency timer:
                         released when MS have passed or the buffer is full (default 0: off)
  --bridge-buffer N      bridge buffer size in bytes (default 62)
  --idle-reset MS        give up a half-received message or upload after MS of
                         quiet on the line (default 2000; 0: never)

Faults (repeatable; messages are numbered from 1 in the order received,
stray bytes included, as in the transcript):
  --drop N               handle message N but send no answer
  --corrupt N            alter the first byte of the answer to message N
  --delay N:MS           send the answer to message N MS milliseconds late
  --cut N:K              send only the first K bytes of the answer to message N
  --silent-from N        send no answers from message N on (still listens and stores)
  --hang-up-after BYTES  close the port once BYTES bytes have been received

Memory and records:
  --memory FILE          start from the memory in FILE (the JSON written by --dump)
  --print-memory         print the power-on memory as JSON and exit
  --dump FILE            write the memory as JSON to FILE on exit and on SIGUSR1
                         (without --dump, SIGUSR1 prints it on standard error)
  --firmware-out FILE    write the last uploaded firmware image (raw bytes) to FILE
                         on exit and on SIGUSR1
  --transcript FILE      write every message received to FILE, one line each:
                         number, time, bytes in hex, meaning, answer
  --verbose              also log every message on standard error
  --no-announce          do not announce the port for the port chooser
  --help                 show this text
)";

bool parseCount (const std::string& text, unsigned long long low, unsigned long long high, unsigned long long& out)
{
    if (text.empty() || text[0] == '-' || text[0] == '+')
        return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long value = std::strtoull (text.c_str(), &end, 10);
    if (errno != 0 || end == nullptr || *end != '\0' || value < low || value > high)
        return false;
    out = value;
    return true;
}

bool unescape (const std::string& text, std::string& out)
{
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] != '\\')
        {
            out += text[i];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '\\')
        {
            out += '\\';
            ++i;
            continue;
        }
        if (i + 3 < text.size() && text[i + 1] == 'x' && std::isxdigit ((unsigned char) text[i + 2]) &&
            std::isxdigit ((unsigned char) text[i + 3]))
        {
            out += (char) std::strtol (text.substr (i + 2, 2).c_str(), nullptr, 16);
            i += 3;
            continue;
        }
        return false;
    }
    return true;
}

struct Settings
{
    SimulatorOptions sim;
    std::string memoryFile;
    std::string dumpFile;
    std::string firmwareFile;
    bool printMemory = false;
};

int fail (const std::string& message)
{
    std::fprintf (stderr, "tavik-sim: %s\nTry 'tavik-sim --help'.\n", message.c_str());
    return 2;
}

// Returns -1 to go on, or an exit status.
int parseArguments (int argc, char** argv, Settings& settings)
{
    settings.sim.announce = true;
    constexpr unsigned long long maxMs = 3600000ULL;
    constexpr unsigned long long maxNumber = 1ULL << 62;
    for (int i = 1; i < argc; ++i)
    {
        const std::string option = argv[i];
        auto value = [&] (std::string& out)
        {
            if (i + 1 >= argc)
                return false;
            out = argv[++i];
            return true;
        };
        std::string text;
        unsigned long long n = 0;
        const auto bad = [&] (const char* what) { return fail (option + " needs " + what); };

        if (option == "--help" || option == "-h")
        {
            std::fputs (usage, stdout);
            return 0;
        }
        else if (option == "--version" && i + 1 == argc)
        {
            // Nothing follows, so no firmware text is meant: the usual
            // "--version" of a command, which used to be an error here.
            std::puts ("tavik-sim " TAVIK_VERSION_STRING);
            return 0;
        }
        else if (option == "--version")
        {
            if (!value (text) || !unescape (text, settings.sim.engine.versionText))
                return bad ("a text (\\xHH for any byte)");
            settings.sim.engine.answerVersion = true;
        }
        else if (option == "--no-version")
            settings.sim.engine.answerVersion = false;
        else if (option == "--pace")
            settings.sim.line.pace = true;
        else if (option == "--baud")
        {
            if (!value (text) || !parseCount (text, 50, 4000000, n))
                return bad ("a rate from 50 to 4000000");
            settings.sim.line.baud = (int) n;
        }
        else if (option == "--process-us")
        {
            if (!value (text) || !parseCount (text, 0, maxMs * 1000, n))
                return bad ("microseconds (up to an hour)");
            settings.sim.line.processing = std::chrono::microseconds ((long long) n);
        }
        else if (option == "--bridge-latency")
        {
            if (!value (text) || !parseCount (text, 0, 10000, n))
                return bad ("milliseconds from 0 to 10000");
            settings.sim.line.bridgeLatency = std::chrono::milliseconds ((long long) n);
        }
        else if (option == "--bridge-buffer")
        {
            if (!value (text) || !parseCount (text, 1, 65536, n))
                return bad ("a size from 1 to 65536 bytes");
            settings.sim.line.bridgeBuffer = (std::size_t) n;
        }
        else if (option == "--idle-reset")
        {
            if (!value (text) || !parseCount (text, 0, maxMs, n))
                return bad ("milliseconds (0 for never)");
            settings.sim.idleResetMs = (int) n;
        }
        else if (option == "--drop" || option == "--corrupt" || option == "--silent-from" ||
                 option == "--hang-up-after")
        {
            if (!value (text) || !parseCount (text, 1, maxNumber, n))
                return bad ("a number from 1");
            Fault fault;
            fault.at = n;
            fault.kind = option == "--drop"          ? FaultKind::DropAnswer
                         : option == "--corrupt"     ? FaultKind::CorruptAnswer
                         : option == "--silent-from" ? FaultKind::SilentFrom
                                                     : FaultKind::HangUpAfter;
            settings.sim.faults.push_back (fault);
        }
        else if (option == "--delay")
        {
            unsigned long long ms = 0;
            const auto colon = value (text) ? text.find (':') : std::string::npos;
            if (colon == std::string::npos || !parseCount (text.substr (0, colon), 1, maxNumber, n) ||
                !parseCount (text.substr (colon + 1), 0, maxMs, ms))
                return bad ("MESSAGE:MILLISECONDS, e.g. 5:1500");
            settings.sim.faults.push_back ({ FaultKind::DelayAnswer, n, (int) ms });
        }
        else if (option == "--cut")
        {
            unsigned long long keep = 0;
            const auto colon = value (text) ? text.find (':') : std::string::npos;
            if (colon == std::string::npos || !parseCount (text.substr (0, colon), 1, maxNumber, n) ||
                !parseCount (text.substr (colon + 1), 0, maxNumber, keep))
                return bad ("MESSAGE:BYTES, e.g. 11:1");
            settings.sim.faults.push_back ({ FaultKind::ShortAnswer, n, 0, (std::size_t) keep });
        }
        else if (option == "--memory")
        {
            if (!value (settings.memoryFile))
                return bad ("a file");
        }
        else if (option == "--print-memory")
            settings.printMemory = true;
        else if (option == "--dump")
        {
            if (!value (settings.dumpFile))
                return bad ("a file");
        }
        else if (option == "--firmware-out")
        {
            if (!value (settings.firmwareFile))
                return bad ("a file");
        }
        else if (option == "--transcript")
        {
            if (!value (settings.sim.transcriptPath))
                return bad ("a file");
        }
        else if (option == "--verbose")
            settings.sim.logEverything = true;
        else if (option == "--no-announce")
            settings.sim.announce = false;
        else
            return fail ("unknown option " + option);
    }
    return -1;
}

void writeRecords (const SimulatedProcessor& sim, const Settings& settings)
{
    const Memory memory = sim.memory();
    std::string error;
    if (settings.dumpFile.empty())
        std::fputs (memoryToJson (memory).c_str(), stderr);
    else if (!writeFileAtomically (settings.dumpFile, memoryToJson (memory), error))
        std::fprintf (stderr, "tavik-sim: %s\n", error.c_str());
    if (!settings.firmwareFile.empty() &&
        !writeFileAtomically (settings.firmwareFile, std::string (memory.firmware.begin(), memory.firmware.end()),
                              error))
        std::fprintf (stderr, "tavik-sim: %s\n", error.c_str());
}
} // namespace

int main (int argc, char** argv)
{
    Settings settings;
    const int status = parseArguments (argc, argv, settings);
    if (status >= 0)
        return status;
    if (!settings.memoryFile.empty())
    {
        std::string error;
        if (!loadMemoryFile (settings.memoryFile, settings.sim.engine.initialMemory, error))
            return fail (error);
    }
    if (settings.printMemory)
    {
        std::fputs (memoryToJson (settings.sim.engine.initialMemory).c_str(), stdout);
        return 0;
    }

    // Signals are taken synchronously by this thread only, never by the line's thread.
    sigset_t signals;
    sigemptyset (&signals);
    for (const int s : { SIGINT, SIGTERM, SIGUSR1, SIGHUP })
        sigaddset (&signals, s);
    pthread_sigmask (SIG_BLOCK, &signals, nullptr);
    std::signal (SIGPIPE, SIG_IGN);

    SimulatedProcessor sim (settings.sim);
    if (!sim.start())
    {
        std::fprintf (stderr, "tavik-sim: %s\n", sim.error().c_str());
        return 1;
    }
    std::printf ("%s\n", sim.slavePath().c_str());
    std::fflush (stdout);

    const timespec poll{ 0, 200 * 1000 * 1000 };
    for (;;)
    {
        const int signal = sigtimedwait (&signals, nullptr, &poll);
        if (signal == SIGUSR1)
            writeRecords (sim, settings);
        else if (signal == SIGINT || signal == SIGTERM || signal == SIGHUP)
            break;
        else if (!sim.running())
            break; // hung up on purpose, or the line failed
    }
    sim.stop();
    if (!settings.dumpFile.empty() || !settings.firmwareFile.empty())
        writeRecords (sim, settings);
    return sim.hungUp() ? 3 : 0;
}
