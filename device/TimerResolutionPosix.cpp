#include "device/TimerResolution.h"

#ifdef __linux__
#include <sys/prctl.h>
#endif

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
