#pragma once

// Asks the system for fine timers on the calling thread while it exists, so
// that short sleeps last about what they ask for: 1 ms resolution instead of
// a whole scheduler tick (TimerResolutionWin32.cpp), no timer slack instead
// of the usual 50 µs (TimerResolutionPosix.cpp).
class ScopedTimerResolution
{
public:
    ScopedTimerResolution();
    ~ScopedTimerResolution();

    // Sleeps at least ms milliseconds on the calling thread, and as little
    // longer as this system allows.
    void pause (int ms) const;

    ScopedTimerResolution (const ScopedTimerResolution&) = delete;
    ScopedTimerResolution& operator= (const ScopedTimerResolution&) = delete;

private:
    bool raised = false;
    unsigned long previousSlackNs = 0; // restored on the way out where there is a slack
};
