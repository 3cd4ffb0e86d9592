#include "device/TimerResolution.h"

#include <windows.h>

#include <timeapi.h>

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
