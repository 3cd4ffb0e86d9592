// Edit to wire: from a setter call on the message thread, with the worker
// idle, to the first byte of its message read at the far end of the line,
// over 1000 edits. The far end here is a raw pseudo-terminal that notes the
// moment each message's first byte reaches it and echoes the message at
// once: the simulator stamps bytes with line times, not with when they came.
#include "FarEnd.h"
#include "ProgramBench.h"

#include <cstdlib>
#include <thread>

int main (int argc, char** argv)
{
    const int edits = argc > 1 ? std::max (10, std::atoi (argv[1])) : 1000;
    juce::ScopedJuceInitialiser_GUI juce;
    bench::FarEnd far (edits + 1);
    bench::Program program;
    juce::String error;
    if (far.path.empty() || !program.port.open (far.path, error))
    {
        std::fprintf (stderr, "no line to measure on %s\n", error.toRawUTF8());
        return 1;
    }
    auto& inputs = program.state.input2EQState;
    inputs.setBandGain (0, 0, 1.0); // the first message also sets up the terminal
    std::vector<double> delays;
    for (int edit = 0; edit <= edits; ++edit)
    {
        // Idle: the last echo verified and the worker back waiting.
        while (far.messages.load() < edit + 1)
            juce::MessageManager::getInstance()->runDispatchLoopUntil (1);
        std::this_thread::sleep_for (std::chrono::milliseconds (2));
        if (edit == edits)
            break;
        const auto start = bench::Clock::now();
        inputs.setBandGain (0, 0, edit % 2 == 0 ? -2.0 : 2.0);
        while (far.messages.load() < edit + 2)
            std::this_thread::sleep_for (std::chrono::microseconds (200));
        delays.push_back (bench::seconds (far.firstByteAt[(std::size_t) edit + 1] - start));
    }
    std::printf ("edit to wire, %d edits with the queue idle\n", edits);
    bench::printFigure ("edit to wire, median", bench::percentile (delays, 0.5), 0.001, "ms", 1000.0);
    bench::printFigure ("edit to wire, 99th percentile", bench::percentile (delays, 0.99), 0.005, "ms", 1000.0);
    bench::printFigure ("edit to wire, worst", bench::percentile (delays, 1.0), 0.005, "ms", 1000.0);
    return 0;
}
