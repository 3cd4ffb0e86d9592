#include "device/TimerResolution.h"

#include <gtest/gtest.h>

#include <chrono>

// The processor needs the whole pause after each firmware byte: however the
// system's timers are tuned, a pause never ends early.
TEST (TimerResolution, PausesNeverEndEarly)
{
    using Clock = std::chrono::steady_clock;
    const ScopedTimerResolution fine;
    for (const int ms : { 1, 1, 1, 2, 0 })
        for (int i = 0; i < 20; ++i)
        {
            const auto start = Clock::now();
            fine.pause (ms);
            ASSERT_GE (Clock::now() - start, std::chrono::milliseconds (ms)) << ms << " ms, pause " << i;
        }
}
