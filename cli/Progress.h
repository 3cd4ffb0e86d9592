#pragma once

#include <juce_core/juce_core.h>

// Progress of a long transfer on the console: a bar redrawn in place on a
// terminal, a plain line at every tenth otherwise (for logs and scripts).
class Progress
{
public:
    // what: "push", "firmware"...; unit: what total counts ("commands", "bytes").
    Progress (juce::String what, juce::String unit, int total, bool onTerminal);

    // Shows done of total; repeated values draw nothing new.
    void update (int done);
    // Ends the bar's line (the terminal's next output starts afresh).
    void finish();

    // The bar itself: "[#####-----]  50%", width characters between the brackets.
    static juce::String bar (double fraction, int width);
    // "1:05 left" from the time so far and the fraction done; empty until
    // there is something to go by.
    static juce::String timeLeft (double elapsedSeconds, double fraction);

private:
    juce::String what, unit;
    int total;
    bool terminal;
    int shownTenth = -1;
    int shownDone = -1;
    bool drawn = false;
    juce::uint32 started = juce::Time::getMillisecondCounter();
};
