#include "device/TimerResolution.h"

// Sleeps are already as fine as a millisecond here.
ScopedTimerResolution::ScopedTimerResolution() = default;
ScopedTimerResolution::~ScopedTimerResolution() = default;
