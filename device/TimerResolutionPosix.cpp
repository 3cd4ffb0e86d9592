#include "device/TimerResolution.h"

#include <chrono>
#include <thread>

#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace
{
// Even without slack a timed wake comes some tens of microseconds late on a
// busy machine; this last stretch of a pause is waited for awake.
constexpr auto awakeStretch = std::chrono::microseconds (80);
} // namespace

// A 1 ms sleep would otherwise end up to the thread's timer slack late: 5 %
// on every firmware byte. The slack belongs to the thread, so only the one
// that made this object is affected.
ScopedTimerResolution::ScopedTimerResolution()
{
#ifdef __linux__
    const int slack = ::prctl (PR_GET_TIMERSLACK, 0UL, 0UL, 0UL, 0UL);
    if (slack > 0)
    {
        previousSlackNs = (unsigned long) slack;
        raised = ::prctl (PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL) == 0;
    }
#endif
}

ScopedTimerResolution::~ScopedTimerResolution()
{
#ifdef __linux__
    if (raised)
        ::prctl (PR_SET_TIMERSLACK, previousSlackNs, 0UL, 0UL, 0UL);
#endif
}

void ScopedTimerResolution::pause (int ms) const
{
    using Clock = std::chrono::steady_clock;
    const auto length = std::chrono::milliseconds (ms);
    const auto end = Clock::now() + length;
    if (length > awakeStretch)
        std::this_thread::sleep_for (length - awakeStretch);
    while (Clock::now() < end)
        std::this_thread::yield();
}
