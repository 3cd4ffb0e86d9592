#pragma once

// An input EQ panel on the real record, with the device played by the
// simulated processor on a pseudo-terminal: what the panel sends is read
// where it lands.
#include "app/Connection.h"
#include "app/Settings.h"
#include "app/TavikLookAndFeel.h"
#include "engine/SimulatedProcessor.h"
#include "panels/Input2EQPanel.h"
#include "support/StateHarness.h"

#include <gtest/gtest.h>

#include <chrono>

namespace input2eq
{
using Bytes = std::vector<std::uint8_t>;

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

    // What reached the processor since the last call: a marker edit queued
    // behind everything else tells when all of it has arrived.
    std::vector<Bytes> sentBeforeMarker()
    {
        using namespace std::chrono_literals;
        h.outputs().setChannelGain (5, -1.0); // output 6's gain: nothing in these tests sends it
        const auto isMarker = [] (const taviksim::Message& m)
        { return m.bytes.size() == 4 && m.bytes[0] == 0xA9 && m.bytes[2] == 0x00; };
        auto transcript = sim->transcript();
        while (transcript.size() <= seen || !isMarker (transcript.back()))
        {
            if (!sim->waitForMessages (transcript.size() + 1, 5000ms))
            {
                ADD_FAILURE() << "the marker never arrived";
                return {};
            }
            transcript = sim->transcript();
        }
        std::vector<Bytes> sent;
        for (auto i = seen; i + 1 < transcript.size(); ++i)
            sent.push_back (transcript[i].bytes);
        seen = transcript.size();
        return sent;
    }
};
} // namespace input2eq
