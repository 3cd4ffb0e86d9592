// Wall time of identify plus 100 echoed commands against the simulator,
// without and with line pacing, beside what the line itself allows.
#include "device/Commands.h"
#include "device/SerialPort.h"
#include "engine/SimulatedProcessor.h"

#include <juce_events/juce_events.h>

#include <chrono>
#include <cstdio>

namespace
{
constexpr int commandCount = 100;
constexpr double bitsPerByte = 10.0; // 8N1
constexpr double baud = 57600.0;

double run (bool paced, int& verified)
{
    taviksim::SimulatorOptions options;
    options.line.pace = paced;
    options.logProblems = false;
    taviksim::SimulatedProcessor sim (options);
    if (!sim.start())
    {
        std::fprintf (stderr, "simulator: %s\n", sim.error().c_str());
        return -1;
    }

    SerialPort port;
    juce::String error;
    if (!port.open (sim.slavePath(), error))
    {
        std::fprintf (stderr, "%s\n", error.toRawUTF8());
        return -1;
    }

    const auto start = std::chrono::steady_clock::now();
    const bool identified = port.identify();
    verified = 0;
    for (int i = 0; i < commandCount; ++i)
    {
        const Input2EQBandGainChange command (i % 3, i % 6, (i % 49) * 0.5 - 12.0);
        const auto bytes = command.bytes();
        if (bytes && port.sendAndVerify (bytes->data(), 4, nullptr, 10000) == 4)
            ++verified;
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    port.close (false);
    return identified ? took.count() : -1;
}
} // namespace

int main()
{
    juce::ScopedJuceInitialiser_GUI juce;
    // identify: 0x90, "Tavik", 0x91, a 4-byte version; each command 4 out and 4 back
    const double lineLimit = (1 + 5 + 1 + 4 + commandCount * 8) * bitsPerByte / baud;

    for (bool paced : { false, true })
    {
        int verified = 0;
        const double seconds = run (paced, verified);
        std::printf ("identify + %d echoed commands, %s: %.3f s (%d verified); line limit %.3f s\n", commandCount,
                     paced ? "line pacing on " : "line pacing off", seconds, verified, lineLimit);
    }
    return 0;
}
