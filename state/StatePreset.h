#pragma once

#include <functional>

class DeviceState;

inline constexpr const char* statePresetTag = "Orveth_Tavik_state";
inline constexpr const char* statePresetExtension = "TavikPreset";

// SAVE of the top panel: every section into one file; nothing is sent.
void saveStatePreset (DeviceState& state);

// LOAD of the top panel: stores every section found, queues its commands,
// then refreshPanels (shows the values without sending) and notifies.
// False when nothing was loaded; the record, panels and device are untouched then.
bool loadStatePreset (DeviceState& state, const std::function<void()>& refreshPanels);
