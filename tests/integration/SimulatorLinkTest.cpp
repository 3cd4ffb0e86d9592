// The serial link and the protocol against the simulated processor.
#include "device/Commands.h"
#include "device/Protocol.h"
#include "device/SerialPort.h"
#include "engine/SimulatedProcessor.h"

#include <gtest/gtest.h>

namespace
{
using taviksim::Fault;
using taviksim::FaultKind;

std::unique_ptr<taviksim::SimulatedProcessor> startSimulator (taviksim::SimulatorOptions options = {})
{
    options.logProblems = false;
    auto sim = std::make_unique<taviksim::SimulatedProcessor> (options);
    EXPECT_TRUE (sim->start()) << sim->error();
    return sim;
}

Protocol::Message bytesOf (const HardwareCommand& command)
{
    return *dynamic_cast<const Input2EQBandGainChange&> (command).bytes();
}
} // namespace

TEST (SimulatorLink, IdentifySetsTheVersionTheProcessorReports)
{
    struct Case
    {
        bool answers;
        const char* text;
        int expected;
    };
    for (auto c : { Case{ true, "1.2c", 1002002 }, Case{ true, "1.0a", 1000000 }, Case{ false, "", 0 },
                    Case{ true, "0.9z", 9025 } })
    {
        taviksim::SimulatorOptions options;
        options.engine.answerVersion = c.answers;
        options.engine.versionText = c.text;
        auto sim = startSimulator (options);
        SerialPort port;
        juce::String error;
        ASSERT_TRUE (port.open (sim->slavePath(), error)) << error;
        EXPECT_TRUE (port.identify()) << c.text; // a missing version answer is no failure
        EXPECT_EQ (port.getFirmwareVersion(), c.expected) << c.text;
        EXPECT_EQ (port.getFirmwareVersion() > 999999, c.expected >= 1000000);
    }
}

TEST (SimulatorLink, CommandsLandInTheProcessorsMemory)
{
    auto sim = startSimulator();
    SerialPort port;
    juce::String error;
    ASSERT_TRUE (port.open (sim->slavePath(), error)) << error;
    WorkerContext context{ port, nullptr };

    Input2EQBandGainChange (1, 2, 6.0).execute (context);
    OutputEQBandQChange (5, 3, 0.5).execute (context);
    DelayChange (0, 5760).execute (context);
    OutputMuteChange (2, 0.0, 0x04).execute (context);
    ASSERT_TRUE (sim->waitForMessages (5, std::chrono::milliseconds (2000)));

    const auto memory = sim->memory();
    EXPECT_EQ (memory.input (1)[0x04 + 3 * 2], 36);  // 2 (6 + 12)
    EXPECT_EQ (memory.output (5)[0x05 + 3 * 3], 12); // 12.5 rounds to even
    EXPECT_EQ (memory.output (0)[0x01], 0x16);
    EXPECT_EQ (memory.output (0)[0x02], 0x80);
    EXPECT_EQ (memory.mute, 0x04);
}

// One late echo costs its own command and at most the next: the one after
// that is verified again.
TEST (SimulatorLink, ResynchronisesAfterALateEcho)
{
    auto sim = startSimulator();
    SerialPort port;
    juce::String error;
    ASSERT_TRUE (port.open (sim->slavePath(), error)) << error;

    sim->addFault (Fault{ FaultKind::DelayAnswer, sim->messageCount() + 1, 400 });
    const Input2EQBandGainChange a (0, 0, 1.0), b (0, 1, 2.0), c (0, 2, 3.0), d (0, 3, 4.0);
    EXPECT_EQ (port.sendAndVerify (bytesOf (a).data(), 4, nullptr, 150), 0);
    port.sendAndVerify (bytesOf (b).data(), 4, nullptr, 1000);
    EXPECT_EQ (port.sendAndVerify (bytesOf (c).data(), 4, nullptr, 1000), 4);
    EXPECT_EQ (port.sendAndVerify (bytesOf (d).data(), 4, nullptr, 1000), 4);
}

TEST (SimulatorLink, DroppedAndCorruptedAnswersFailOnlyTheirCommand)
{
    auto sim = startSimulator();
    SerialPort port;
    juce::String error;
    ASSERT_TRUE (port.open (sim->slavePath(), error)) << error;

    const auto first = sim->messageCount() + 1;
    sim->addFault (Fault{ FaultKind::DropAnswer, first, 0 });
    sim->addFault (Fault{ FaultKind::CorruptAnswer, first + 1, 0 });
    const Input2EQBandGainChange a (0, 0, 1.0), b (0, 1, 2.0), c (0, 2, 3.0);
    EXPECT_EQ (port.sendAndVerify (bytesOf (a).data(), 4, nullptr, 200), 0);
    EXPECT_EQ (port.sendAndVerify (bytesOf (b).data(), 4, nullptr, 1000), 0);
    EXPECT_EQ (port.sendAndVerify (bytesOf (c).data(), 4, nullptr, 1000), 4);
}

TEST (SimulatorLink, AHungUpLineFailsTransfersWithoutClosingTheRecord)
{
    auto sim = startSimulator();
    SerialPort port;
    juce::String error;
    ASSERT_TRUE (port.open (sim->slavePath(), error)) << error;

    sim->addFault (Fault{ FaultKind::HangUpAfter, 4, 0 });
    const Input2EQBandGainChange a (0, 0, 1.0);
    port.sendAndVerify (bytesOf (a).data(), 4, nullptr, 500);
    EXPECT_EQ (port.sendAndVerify (bytesOf (a).data(), 4, nullptr, 500), 0);
    EXPECT_TRUE (port.isConnected()); // only the user disconnects
    port.close (true);
    EXPECT_FALSE (port.isConnected());
}
