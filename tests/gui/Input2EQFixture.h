#pragma once

// An input EQ panel on the real record, with the device played by the
// simulated processor on a pseudo-terminal: what the panel sends is read
// where it lands.
#include "TranscriptMarker.h"
#include "app/Settings.h"
#include "control/Connection.h"
#include "engine/SimulatedProcessor.h"
#include "panels/Input2EQPanel.h"
#include "support/StateHarness.h"
#include "ui/TavikLookAndFeel.h"

#include <gtest/gtest.h>

#include <chrono>

namespace input2eq
{

inline void pump (int ms = 20)
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil (ms);
}

template <typename Condition>
bool pumpUntil (Condition condition)
{
    for (int i = 0; i < 500 && !condition(); ++i)
        pump (10);
    return condition();
}

// Input commands: selector 0xA0 + input, then the parameter's block address.
inline Bytes inputCommand (int input, int address, int code)
{
    return { std::uint8_t (0xA0 + input), 0x00, std::uint8_t (address), std::uint8_t (code) };
}

struct PanelOnSimulator : ::testing::Test
{
    TavikLookAndFeel lookAndFeel;
    std::unique_ptr<taviksim::SimulatedProcessor> sim;
    StateHarness h;
    juce::TemporaryFile settingsFile;
    juce::PropertiesFile settings{ settingsFile.getFile(), Settings::options() };
    std::unique_ptr<Connection> connection;
    std::size_t seen = 0;

    void SetUp() override
    {
        juce::LookAndFeel::setDefaultLookAndFeel (&lookAndFeel);
        taviksim::SimulatorOptions options;
        options.logProblems = false;
        sim = std::make_unique<taviksim::SimulatedProcessor> (options);
        ASSERT_TRUE (sim->start()) << sim->error();
        juce::String error;
        ASSERT_TRUE (h.port.open (sim->slavePath(), error)) << error;
        connection =
            std::make_unique<Connection> (h.port, h.worker, h.state, settings, h.ask, h.status, h.progress, nullptr);
    }

    void TearDown() override
    {
        h.worker.stopThread (10000);
        h.port.close (false);
        connection.reset();
        juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
    }

    UiContext context() { return UiContext{ settings, h.state, h.status, *connection, h.ask, h.progress }; }

    // What the processor received since the last call (output 6's gain, which
    // nothing in these tests sends, marks the end).
    std::vector<Bytes> sentBeforeMarker()
    {
        return ::sentBeforeMarker (
            *sim, seen, [this] { h.outputs().setChannelGain (5, -1.0); }, 0xA9);
    }
};
} // namespace input2eq
