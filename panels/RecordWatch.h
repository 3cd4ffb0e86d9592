#pragma once

#include "state/DeviceState.h"

#include <functional>

// How a panel follows the record: show runs for each parameter the panel
// shows (touches tells which) in every change the record announces, whatever
// made the change: a control, a read-back, a preset, the clipboard, undo or a
// remote client. show only shows; it must not change the record, which is
// still announcing.
class RecordWatch final : private DeviceState::Listener
{
public:
    using Show = std::function<void (const Param&)>;
    RecordWatch (DeviceState& state, std::function<bool (const Param&)> touches, Show show);
    // For a panel that shows all it shows at once: once per change that touches it.
    RecordWatch (DeviceState& state, std::function<bool (const Param&)> touches, std::function<void()> showAll);
    ~RecordWatch() override;

private:
    void recordChanged (const DeviceState::RecordChange& change) override;

    DeviceState& state;
    const std::function<bool (const Param&)> touches;
    const Show show;
    const bool oncePerChange;

    JUCE_DECLARE_NON_COPYABLE (RecordWatch)
};
