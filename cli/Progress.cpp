#include "cli/Progress.h"

#include <cmath>
#include <iostream>

Progress::Progress (juce::String whatToShow, juce::String unitName, int totalCount, bool onTerminal)
    : what (std::move (whatToShow))
    , unit (std::move (unitName))
    , total (std::max (1, totalCount))
    , terminal (onTerminal)
{
}

juce::String Progress::bar (double fraction, int width)
{
    const double f = juce::jlimit (0.0, 1.0, std::isnan (fraction) ? 0.0 : fraction);
    const int filled = (int) std::floor (f * width);
    return "[" + juce::String::repeatedString ("#", filled) + juce::String::repeatedString ("-", width - filled) +
           "] " + juce::String ((int) std::floor (f * 100.0)).paddedLeft (' ', 3) + "%";
}

juce::String Progress::timeLeft (double elapsedSeconds, double fraction)
{
    if (!(fraction > 0.0) || !(elapsedSeconds > 0.5) || fraction >= 1.0)
        return {};
    const auto seconds = (long long) std::ceil (elapsedSeconds * (1.0 - fraction) / fraction);
    return juce::String (seconds / 60) + ":" + juce::String (seconds % 60).paddedLeft ('0', 2) + " left";
}

void Progress::update (int done)
{
    done = juce::jlimit (0, total, done);
    const double fraction = (double) done / total;
    const double elapsed = (juce::Time::getMillisecondCounter() - started) / 1000.0;
    const auto left = timeLeft (elapsed, fraction);
    const auto counts = juce::String (done) + "/" + juce::String (total) + " " + unit;

    if (terminal)
    {
        if (done == shownDone && done != total)
            return;
        shownDone = done;
        drawn = true;
        // Padded, so a shorter line wipes the end of a longer one.
        const auto line = what + " " + bar (fraction, 30) + " " + counts + (left.isEmpty() ? "" : ", " + left);
        std::cerr << "\r" << line.paddedRight (' ', 78).toStdString() << std::flush;
        return;
    }
    const int tenth = (int) std::floor (fraction * 10.0);
    if (tenth == shownTenth)
        return;
    shownTenth = tenth;
    std::cerr << what.toStdString() << ": " << tenth * 10 << "% (" << counts.toStdString() << ")"
              << (left.isEmpty() ? "" : ", " + left.toStdString()) << std::endl;
}

void Progress::finish()
{
    if (terminal && drawn)
        std::cerr << std::endl;
    drawn = false;
}
