#pragma once

#include <juce_core/juce_core.h>

#include <functional>
#include <memory>

class DeviceState;

inline constexpr const char* statePresetTag = "Orveth_Tavik_state";
inline constexpr const char* statePresetExtension = "TavikPreset";

// SAVE of the top panel: every section into one file; nothing is sent.
void saveStatePreset (DeviceState& state);

// LOAD of the top panel: stores every section found, queues its commands,
// then refreshPanels (shows the values without sending) and notifies.
// False when nothing was loaded; the record, panels and device are untouched then.
bool loadStatePreset (DeviceState& state, const std::function<void()>& refreshPanels);

// The two halves that do not involve the user: the element SAVE writes, and
// what LOAD does with a whole-state element (stores every section found in
// it and queues its commands, in the order the processor needs them).
std::unique_ptr<juce::XmlElement> statePresetElement (const DeviceState& state);
void applyStatePreset (DeviceState& state, const juce::XmlElement& root);
