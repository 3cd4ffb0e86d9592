// SYNC TO SOFTWARE through the real record, worker and port against
// tavik-sim on a paced 57600-baud line: the wall time from the push until
// the worker has verified the last echo, beside the line's own time for the
// same bytes and beside the minimal client doing the same round trips on
// the same simulator in the same run (the program's own share). Then the
// same push behind the simulator's USB-bridge model, with the low-latency
// request honoured (1 ms) and refused (16 ms), and the message thread's
// largest stall while a push runs: with the record alone, and with the
// program's window up (needs a display, e.g. under xvfb-run).
#include "ProgramBench.h"

#include "app/MainAppWindow.h"
#include "control/Connection.h"
#include "panels/OutputGraphPanel.h"
#include "ui/TavikLookAndFeel.h"
#include "ui/UiContext.h"

#include <cstdlib>

namespace
{
constexpr int pushMessages = 273; // 264 commands; each of the 9 delays is two messages

struct Push
{
    double seconds = -1.0;
    double stall = 0.0;
};

Push pushOnce (bench::Program& program, const std::string& port)
{
    juce::String error;
    if (!program.port.open (port, error))
    {
        std::fprintf (stderr, "port: %s\n", error.toRawUTF8());
        return {};
    }
    std::atomic<bench::Clock::rep> reached{ 0 };
    bench::StallWatch watch;
    watch.begin();
    const auto start = bench::Clock::now();
    program.syncToSoftware();
    program.worker.enqueue (std::make_unique<bench::Marker> (reached));
    const auto end = bench::waitForMarker (reached);
    Push push;
    push.stall = watch.end();
    program.port.close (false);
    if (end)
        push.seconds = bench::seconds (*end - start);
    // Let the status codes go, so they do not pile up between runs.
    juce::MessageManager::getInstance()->runDispatchLoopUntil (20);
    return push;
}

// The same pushes with the program's window and every panel listening, as
// SYNC TO SOFTWARE runs in the program: the progress bar runs, and the whole
// window, the graph drawing all six outputs, is painted during each push (as
// when it is uncovered). The message thread's largest stall over the runs,
// or a negative value when a push did not finish.
double windowedStall (const std::string& port, int runs)
{
    TavikLookAndFeel lookAndFeel;
    juce::LookAndFeel::setDefaultLookAndFeel (&lookAndFeel);
    double stall = 0.0;
    {
        juce::TemporaryFile settingsFile;
        juce::PropertiesFile settings (settingsFile.getFile(), juce::PropertiesFile::Options());
        settings.setValue (OutputGraphPanel::settingsKey, OutputGraphPanel::allOutputs);
        bench::Program program;
        bench::shapeOutputs (program.state.outputEQState); // the port is closed: nothing is sent yet
        Connection connection (program.port, program.worker, program.state, settings, program.ask, program.status,
                               program.progress, nullptr);
        MainAppWindow window (
            UiContext{ settings, program.state, program.status, connection, program.ask, program.progress });
        juce::MessageManager::getInstance()->runDispatchLoopUntil (1000); // shown, painted, the queue drained

        for (int run = 0; run < runs && stall >= 0.0; ++run)
        {
            juce::String error;
            if (!program.port.open (port, error))
            {
                stall = -1.0;
                break;
            }
            std::atomic<bench::Clock::rep> reached{ 0 };
            bench::StallWatch watch;
            watch.begin();
            window.repaint();
            connection.syncToSoftware();
            program.worker.enqueue (std::make_unique<bench::Marker> (reached));
            const bool finished = bench::waitForMarker (reached).has_value();
            stall = finished ? std::max (stall, watch.end()) : -1.0;
            program.port.close (false);
            juce::MessageManager::getInstance()->runDispatchLoopUntil (200); // the bar goes, the window settles
        }
    }
    juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
    return stall;
}

std::size_t linesIn (const juce::File& file)
{
    juce::StringArray lines;
    file.readLines (lines);
    lines.removeEmptyStrings();
    return (std::size_t) lines.size();
}
} // namespace

int main (int argc, char** argv)
{
    const int runs = argc > 1 ? std::max (1, std::atoi (argv[1])) : 5;
    // The framework installs its X error handler only for an application, as
    // the program is; without it a window's first harmless X error ends this process.
    juce::JUCEApplicationBase::createInstance = []() -> juce::JUCEApplicationBase* { return nullptr; };
    juce::ScopedJuceInitialiser_GUI juce;
    const double line = bench::lineSeconds (8.0 * pushMessages);
    const auto transcript = juce::File::createTempFile (".transcript");

    std::printf ("SYNC TO SOFTWARE, %d messages and their echoes, tavik-sim --pace, 57600 baud 8N1, %d runs\n",
                 pushMessages, runs);
    double programTotal = 0.0;
    double clientTotal = 0.0;
    double stall = 0.0;
    {
        bench::SimProcess sim ({ "--pace", "--transcript", transcript.getFullPathName().toStdString() });
        if (!sim.ok())
        {
            std::fprintf (stderr, "tavik-sim did not start\n");
            return 1;
        }
        bench::Program program;
        const auto messages = bench::parameterMessages (pushMessages);
        bench::MinimalClient (sim.path()).roundTrips (bench::parameterMessages (5)); // sets up the terminal
        for (int run = 0; run < runs; ++run)
        {
            // Taken in turns, so whatever else the machine does falls on both alike.
            double client = -1.0;
            Push push;
            for (int turn = 0; turn < 2; ++turn)
            {
                if ((turn + run) % 2 == 0)
                    client = bench::MinimalClient (sim.path()).roundTrips (messages);
                else
                    push = pushOnce (program, sim.path());
            }
            if (client < 0 || push.seconds < 0)
            {
                std::fprintf (stderr, "run %d: an echo was missing or the worker stalled\n", run + 1);
                return 1;
            }
            std::printf ("run %d: program %.4f s, minimal client %.4f s\n", run + 1, push.seconds, client);
            programTotal += push.seconds;
            clientTotal += client;
            stall = std::max (stall, push.stall);
        }
    }
    const std::size_t received = linesIn (transcript);
    const std::size_t expected = 5 + (std::size_t) runs * 2 * pushMessages;
    transcript.deleteFile();
    std::printf ("messages the simulator received: %zu of %zu\n", received, expected);
    bench::printFigure ("SYNC TO SOFTWARE until the last echo is verified (mean)", programTotal / runs, line);
    bench::printFigure ("  against the minimal client's same round trips", programTotal / runs, clientTotal / runs);
    bench::printFigure ("minimal client, the same round trips (mean)", clientTotal / runs, line);
    bench::printFigure ("message thread's largest stall during a push", stall, 0.020, "ms", 1000.0);
    if (std::getenv ("DISPLAY") == nullptr)
        std::printf ("no display: the stall with the window up is not measured (run under xvfb-run)\n");
    else
    {
        bench::SimProcess sim ({ "--pace" });
        const double windowed = sim.ok() ? windowedStall (sim.path(), runs) : -1.0;
        if (windowed < 0)
        {
            std::fprintf (stderr, "a push with the window up did not finish\n");
            return 1;
        }
        bench::printFigure ("  the same with the window up and painting (graph: six outputs)", windowed, 0.020, "ms",
                            1000.0);
    }

    for (const int latency : { 1, 16 })
    {
        bench::SimProcess sim ({ "--pace", "--bridge-latency", std::to_string (latency) });
        bench::Program program;
        const Push push = sim.ok() ? pushOnce (program, sim.path()) : Push{};
        if (push.seconds < 0)
        {
            std::fprintf (stderr, "the push behind a %d ms bridge did not finish\n", latency);
            return 1;
        }
        const std::string what = "push behind a USB bridge, latency timer " + std::to_string (latency) + " ms" +
                                 (latency == 1 ? " (request honoured)" : " (request refused)");
        bench::printFigure (what.c_str(), push.seconds, line);
    }
    return 0;
}
