#include "panels/RecordWatch.h"

RecordWatch::RecordWatch (DeviceState& deviceState, std::function<bool (const Param&)> touchesShown, Show showParam)
    : state (deviceState)
    , touches (std::move (touchesShown))
    , show (std::move (showParam))
    , oncePerChange (false)
{
    state.addListener (this);
}

RecordWatch::RecordWatch (DeviceState& deviceState, std::function<bool (const Param&)> touchesShown,
                          std::function<void()> showAll)
    : state (deviceState)
    , touches (std::move (touchesShown))
    , show ([showAll = std::move (showAll)] (const Param&) { showAll(); })
    , oncePerChange (true)
{
    state.addListener (this);
}

RecordWatch::~RecordWatch()
{
    state.removeListener (this);
}

void RecordWatch::recordChanged (const DeviceState::RecordChange& change)
{
    for (const auto& p : change.params)
    {
        if (!touches (p.param))
            continue;
        show (p.param);
        if (oncePerChange)
            return;
    }
}
