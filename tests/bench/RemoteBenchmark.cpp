// The remote control over loopback: (1) a page's edit to the first byte of
// its message at the far end of the line, with the worker idle; (2) an edit
// in the window to the moment a page has received it; (3) a whole-state LOAD
// sent to tavik-sim on a paced 57600-baud line with 8 pages connected and
// with none, taken in turns (the pages' share must stay within 2 %).
// Usage: tavik_remote_benchmark [EDITS (300)] [LOAD PAIRS (4)]
#include "FarEnd.h"
#include "ProgramBench.h"

#include "remote/RemoteControl.h"
#include "state/StatePreset.h"
#include "support/WebSocketPage.h"

#include <cstdlib>
#include <memory>
#include <thread>

namespace
{
struct Remote
{
    explicit Remote (DeviceState& state)
        : control (state, [] { return true; })
    {
        juce::String why;
        if (!control.start ("127.0.0.1", 0, why))
            std::fprintf (stderr, "remote: %s\n", why.toRawUTF8());
        const auto url = control.getUrl();
        port = url.fromLastOccurrenceOf (":", false, false).getIntValue();
        token = url.fromFirstOccurrenceOf ("token=", false, false);
    }

    // A page that has had its state (the message thread reads it for it).
    std::unique_ptr<WebSocketPage> page()
    {
        auto p = std::make_unique<WebSocketPage> (port, token);
        std::atomic<bool> arrived{ false };
        std::thread reader ([&] { arrived = !p->receiveWith ("\"type\":\"state\"").empty(); });
        for (int i = 0; i < 500 && !arrived; ++i)
            juce::MessageManager::getInstance()->runDispatchLoopUntil (5);
        reader.join();
        return p;
    }

    RemoteControl control;
    int port = 0;
    juce::String token;
};

double loadOnce (bench::Program& program, const juce::XmlElement& preset)
{
    std::atomic<bench::Clock::rep> reached{ 0 };
    const auto start = bench::Clock::now();
    applyStatePreset (program.state, preset);
    program.worker.enqueue (std::make_unique<bench::Marker> (reached));
    const auto end = bench::waitForMarker (reached);
    juce::MessageManager::getInstance()->runDispatchLoopUntil (20);
    return end ? bench::seconds (*end - start) : -1.0;
}

// A preset that differs from the power-on values in every gain, band gain, delay, route and mute.
std::unique_ptr<juce::XmlElement> changedPreset (DeviceState& state)
{
    for (const auto& p : Param::all())
    {
        const char* text = p.kind == Param::Kind::gain || p.kind == Param::Kind::bandGain ? "-4.5"
                           : p.kind == Param::Kind::delay                                 ? "3.2"
                           : p.kind == Param::Kind::route                                 ? "on"
                           : p.kind == Param::Kind::mute                                  ? "on"
                                                                                          : nullptr;
        if (text != nullptr)
            ParamSpace::write (state, p, *ParamSpace::parse (p, text));
    }
    return statePresetElement (state);
}
} // namespace

int main (int argc, char** argv)
{
    const int edits = argc > 1 ? std::max (10, std::atoi (argv[1])) : 300;
    const int loads = argc > 2 ? std::max (1, std::atoi (argv[2])) : 4;
    juce::ScopedJuceInitialiser_GUI juce;

    std::vector<double> pageToWire, windowToPage;
    {
        bench::FarEnd far (edits + 1);
        bench::Program program;
        juce::String error;
        if (far.path.empty() || !program.port.open (far.path, error))
        {
            std::fprintf (stderr, "no line to measure on %s\n", error.toRawUTF8());
            return 1;
        }
        Remote remote (program.state);
        auto page = remote.page();
        auto other = remote.page();
        program.state.outputEQState.setBandGain (0, 0, 1.0); // the first message also sets up the terminal
        for (int edit = 0; edit <= edits; ++edit)
        {
            while (far.messages.load() < edit + 1)
                juce::MessageManager::getInstance()->runDispatchLoopUntil (1);
            std::this_thread::sleep_for (std::chrono::milliseconds (2));
            if (edit == edits)
                break;
            const auto start = bench::Clock::now();
            page->send (std::string (R"({"type":"set","param":"output.1.band.1.gain","value":")") +
                        (edit % 2 == 0 ? "-2" : "2") + "\"}");
            while (far.messages.load() < edit + 2)
                juce::MessageManager::getInstance()->runDispatchLoopUntil (1);
            pageToWire.push_back (bench::seconds (far.firstByteAt[(std::size_t) edit + 1] - start));
        }
        // The window's edits, without the line: the worker's queue is not measured here.
        program.port.close (false);
        for (int edit = 0; edit < edits; ++edit)
        {
            const auto gain = edit % 2 == 0 ? "-6" : "6";
            const auto start = bench::Clock::now();
            program.state.outputEQState.setBandGain (1, 2, edit % 2 == 0 ? -6.0 : 6.0);
            const auto shown = other->receiveWith (std::string ("\"output.2.band.3.gain\":\"") + gain + "\"");
            if (shown.empty())
            {
                std::fprintf (stderr, "the page did not get window edit %d\n", edit);
                return 1;
            }
            windowToPage.push_back (bench::seconds (bench::Clock::now() - start));
        }
    }
    std::printf ("remote control over loopback, %d edits each way\n", edits);
    bench::printFigure ("page edit to wire, median", bench::percentile (pageToWire, 0.5), 0.005, "ms", 1000.0);
    bench::printFigure ("page edit to wire, 99th percentile", bench::percentile (pageToWire, 0.99), 0.020, "ms",
                        1000.0);
    bench::printFigure ("window edit to page, median", bench::percentile (windowToPage, 0.5), 0.100, "ms", 1000.0);
    bench::printFigure ("window edit to page, 99th percentile", bench::percentile (windowToPage, 0.99), 0.100, "ms",
                        1000.0);

    bench::SimProcess sim ({ "--pace" });
    bench::Program program;
    juce::String error;
    if (!sim.ok() || !program.port.open (sim.path(), error))
    {
        std::fprintf (stderr, "tavik-sim did not start %s\n", error.toRawUTF8());
        return 1;
    }
    const auto plain = statePresetElement (program.state);
    const auto changed = changedPreset (program.state);
    loadOnce (program, *plain); // sets up the terminal, back to power-on values
    Remote remote (program.state);
    std::vector<std::unique_ptr<WebSocketPage>> pages;
    std::vector<std::thread> readers;
    std::atomic<int> received{ 0 };
    std::vector<double> without, with;
    for (int run = 0; run < loads; ++run)
    {
        for (int turn = 0; turn < 2; ++turn)
        {
            const bool eight = (turn + run) % 2 == 1;
            if (eight && pages.empty())
                for (int i = 0; i < 8; ++i)
                {
                    pages.push_back (remote.page());
                    readers.emplace_back (
                        [&received, p = pages.back().get()]
                        {
                            while (!p->receive().empty())
                                ++received;
                        });
                }
            if (!eight && !pages.empty())
            {
                remote.control.stop(); // every page is let go of: the readers end
                for (auto& t : readers)
                    t.join();
                readers.clear();
                pages.clear();
                juce::String why;
                remote.control.start ("127.0.0.1", remote.port, why);
                remote.token = remote.control.getUrl().fromFirstOccurrenceOf ("token=", false, false);
            }
            // Each LOAD changes every value back or forth: one announcement of them all.
            const double first = loadOnce (program, *changed), second = loadOnce (program, *plain);
            if (first < 0 || second < 0)
            {
                std::fprintf (stderr, "a LOAD did not finish\n");
                return 1;
            }
            (eight ? with : without).push_back ((first + second) / 2);
            std::printf ("run %d, %s: %.4f s\n", run + 1, eight ? "8 pages" : "no page", (first + second) / 2);
        }
    }
    remote.control.stop();
    for (auto& t : readers)
        t.join();
    std::printf ("whole-state LOAD to tavik-sim --pace, %d of each, messages the pages received: %d\n", 2 * loads,
                 received.load());
    // Medians: the machine's other work comes in bursts longer than a LOAD.
    const double none = bench::percentile (without, 0.5), eight = bench::percentile (with, 0.5);
    bench::printFigure ("LOAD, no page (median)", none, 1.0);
    bench::printFigure ("LOAD, 8 pages (median)", eight, 1.0);
    bench::printFigure ("  8 pages against none (medians)", eight / none, 1.02, "x");
    // The fastest of each: what the pages cost where nothing else got in the way.
    const double fastestNone = bench::percentile (without, 0.0), fastestEight = bench::percentile (with, 0.0);
    bench::printFigure ("  8 pages against none (fastest of each)", fastestEight / fastestNone, 1.02, "x");
    return 0;
}
