// The yardstick: the minimal client's round trip against tavik-sim, paced
// and unpaced, beside the line's own time for the same bytes. The paced
// ratio is how much the simulator (and the system's pseudo-terminals) add to
// every figure the other benchmarks measure.
#include "BenchSupport.h"

#include <cstdlib>

int main (int argc, char** argv)
{
    const int trips = argc > 1 ? std::max (1, std::atoi (argv[1])) : 200;
    const auto messages = bench::parameterMessages (trips);
    const double line = bench::lineSeconds (8.0 * trips);

    std::printf ("minimal client, %d round trips of 4 bytes and their echo, 57600 baud 8N1\n", trips);
    for (const bool paced : { false, true })
    {
        bench::SimProcess sim (paced ? std::vector<std::string>{ "--pace" } : std::vector<std::string>{});
        if (!sim.ok())
        {
            std::fprintf (stderr, "tavik-sim did not start\n");
            return 1;
        }
        bench::MinimalClient client (sim.path());
        client.roundTrips (bench::parameterMessages (5)); // the first exchange also sets up the terminal
        std::vector<double> each;
        const double took = client.roundTrips (messages, &each);
        if (took < 0)
        {
            std::fprintf (stderr, "an echo was missing or wrong\n");
            return 1;
        }
        bench::printFigure (paced ? "round trip, tavik-sim --pace" : "round trip, tavik-sim unpaced (not a limit)",
                            took / trips, line / trips, "ms", 1000.0);
        if (!paced)
        {
            // After a pause, as between the exchanges of a paced line, the
            // system's pseudo-terminal wake-ups cost more than back to back:
            // the floor under every paced figure.
            std::vector<double> idle;
            client.roundTrips (messages, &idle, 1000);
            bench::printFigure ("  median round trip after 1 ms idle (not a limit)", bench::percentile (idle, 0.5),
                                line / trips, "ms", 1000.0);
        }
        else
        {
            bench::printFigure ("  its median", bench::percentile (each, 0.5), line / trips, "ms", 1000.0);
            bench::printFigure ("  its fastest tenth (p10)", bench::percentile (each, 0.1), line / trips, "ms", 1000.0);
        }
    }
    return 0;
}
