#include "device/TimerResolution.h"

#include <windows.h>

#include <timeapi.h>

#include <algorithm>

namespace
{
constexpr UINT finestPeriodMs = 1;
}

ScopedTimerResolution::ScopedTimerResolution()
    : raised (timeBeginPeriod (finestPeriodMs) == TIMERR_NOERROR)
{
}

ScopedTimerResolution::~ScopedTimerResolution()
{
    // Every successful begin must be matched, or the system keeps the fine period.
    if (raised)
        timeEndPeriod (finestPeriodMs);
}

void ScopedTimerResolution::pause (int ms) const
{
    // With the 1 ms period a sleep ends on the next tick after its time.
    Sleep ((DWORD) std::max (0, ms));
}
