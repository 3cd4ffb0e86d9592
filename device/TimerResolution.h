#pragma once

// Asks the system for 1 ms timer resolution while it exists, so that short
// sleeps last about what they ask for (TimerResolutionWin32.cpp); a
// no-op where sleeps are already that fine (TimerResolutionPosix.cpp).
class ScopedTimerResolution
{
public:
    ScopedTimerResolution();
    ~ScopedTimerResolution();

    ScopedTimerResolution (const ScopedTimerResolution&) = delete;
    ScopedTimerResolution& operator= (const ScopedTimerResolution&) = delete;

private:
    bool raised = false;
};
