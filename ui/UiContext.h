#pragma once

#include <atomic>

namespace juce
{
class ActionBroadcaster;
class PropertiesFile;
} // namespace juce

class AskUser;
class Connection;
class DeviceState;
class EditHistory;

// What the window and its panels are given by the application object. The
// panels reach the device only through the connection and the record.
struct UiContext
{
    juce::PropertiesFile& settings;
    DeviceState& state;
    juce::ActionBroadcaster& status;
    Connection& connection;
    AskUser& ask;
    std::atomic<double>& progress;
    EditHistory* history = nullptr; // undo and redo; none where a test needs none
};
