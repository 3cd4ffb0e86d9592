// Undo of a whole-state LOAD through the real record, edit history, worker
// and port against tavik-sim on a paced 57600-baud line: the wall time from
// the undo until the worker has verified the last echo, beside the line's own
// time for the messages the undo sent (each 4 bytes out and 4 back; the line
// needs no pause between them). The LOAD changes every parameter, so its undo
// sends the most an undo can.
// Usage: tavik_undo_benchmark [RUNS (5)]
#include "ProgramBench.h"

#include "control/EditHistory.h"
#include "state/ParamSpace.h"
#include "state/StatePreset.h"

#include <cstdlib>

namespace
{
// A text for every kind of parameter that no parameter holds at the start.
const char* otherValue (Param::Kind kind)
{
    switch (kind)
    {
        case Param::Kind::gain:
        case Param::Kind::bandGain:
            return "-4.5";
        case Param::Kind::bandFrequency:
        case Param::Kind::cutFrequency:
            return "2k";
        case Param::Kind::bandWidth:
            return "0.5";
        case Param::Kind::delay:
            return "3.2";
        case Param::Kind::name:
            return "X";
        case Param::Kind::cutType:
            return "but";
        case Param::Kind::cutSlope:
            return "24";
        case Param::Kind::phase:
            return "inverted";
        case Param::Kind::limiter:
            return "-6";
        case Param::Kind::route:
        case Param::Kind::mute:
            return "on";
    }
    return "";
}

// Seconds from the call until the worker is through with what it queued; negative when it never is.
template <typename Gesture>
double timed (bench::Program& program, Gesture gesture)
{
    std::atomic<bench::Clock::rep> reached{ 0 };
    const auto start = bench::Clock::now();
    gesture();
    program.worker.enqueue (std::make_unique<bench::Marker> (reached));
    const auto end = bench::waitForMarker (reached);
    juce::MessageManager::getInstance()->runDispatchLoopUntil (20); // the last line reaches the transcript
    return end ? bench::seconds (*end - start) : -1.0;
}

// The messages in the simulator's transcript, and the commands among them (a delay is two messages).
struct Count
{
    int messages = 0, commands = 0;
};

Count countIn (const juce::File& transcript)
{
    juce::StringArray lines;
    transcript.readLines (lines);
    lines.removeEmptyStrings();
    Count count;
    for (const auto& line : lines)
    {
        ++count.messages;
        count.commands += line.contains ("delay low byte") ? 0 : 1;
    }
    return count;
}
} // namespace

int main (int argc, char** argv)
{
    const int runs = argc > 1 ? std::max (1, std::atoi (argv[1])) : 5;
    juce::ScopedJuceInitialiser_GUI juce;
    const auto transcript = juce::File::createTempFile (".transcript");
    bench::SimProcess sim ({ "--pace", "--transcript", transcript.getFullPathName().toStdString() });
    bench::Program program;
    juce::String error;
    if (!sim.ok())
    {
        std::fprintf (stderr, "tavik-sim did not start\n");
        return 1;
    }

    // The preset, made while the port is closed: nothing is sent.
    const auto start = statePresetElement (program.state);
    const auto before = ParamSpace::readAll (program.state);
    for (const auto& p : Param::all())
    {
        juce::String why;
        const auto value = ParamSpace::parse (p, otherValue (p.kind), &why);
        if (!value)
        {
            std::fprintf (stderr, "%s\n", why.toRawUTF8());
            return 1;
        }
        ParamSpace::write (program.state, p, *value);
    }
    const auto other = statePresetElement (program.state);
    const auto after = ParamSpace::readAll (program.state);
    int changed = 0;
    for (std::size_t i = 0; i < before.size(); ++i)
        changed += sameValue (before[i], after[i]) ? 0 : 1;
    applyStatePreset (program.state, *start);

    if (!program.port.open (sim.path(), error))
    {
        std::fprintf (stderr, "port: %s\n", error.toRawUTF8());
        return 1;
    }
    // The processor first holds the record, as after SYNC TO SOFTWARE.
    if (timed (program, [&] { program.syncToSoftware(); }) < 0)
    {
        std::fprintf (stderr, "SYNC TO SOFTWARE did not finish\n");
        return 1;
    }
    EditHistory history (program.state, program.ask, [&] { return program.port.isConnected(); });

    std::printf ("undo of a whole-state LOAD that changed %d of %zu parameters, tavik-sim --pace, 57600 baud 8N1, "
                 "%d runs\n",
                 changed, before.size(), runs);
    double total = 0.0;
    Count loaded, undone;
    for (int run = 0; run < runs; ++run)
    {
        const auto first = countIn (transcript);
        const double load = timed (program, [&] { applyStatePreset (program.state, *other); });
        const auto mark = countIn (transcript);
        const double undo = timed (program, [&] { history.undo(); });
        const auto now = countIn (transcript);
        loaded = { mark.messages - first.messages, mark.commands - first.commands };
        undone = { now.messages - mark.messages, now.commands - mark.commands };
        if (load < 0 || undo < 0 || undone.messages == 0)
        {
            std::fprintf (stderr, "run %d: the LOAD or its undo did not reach the processor\n", run + 1);
            return 1;
        }
        std::printf ("run %d: LOAD %.4f s, its undo %.4f s\n", run + 1, load, undo);
        total += undo;
    }
    transcript.deleteFile();
    std::printf ("the LOAD sent %d commands (%d messages: a delay is two), its undo %d commands (%d messages)\n",
                 loaded.commands, loaded.messages, undone.commands, undone.messages);
    bench::printFigure ("undo of LOAD until the last echo is verified (mean)", total / runs,
                        bench::lineSeconds (8.0 * undone.messages));
    return 0;
}
