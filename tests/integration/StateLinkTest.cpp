// The record's operations through the real worker, a pseudo-terminal and the
// simulated processor: what each edit, push and preset load puts in the
// processor's memory, and in which order.
#include "common/EqTables.h"
#include "control/EditHistory.h"
#include "device/Protocol.h"
#include "device/SyncToHardwareCommand.h"
#include "engine/SimulatedProcessor.h"
#include "state/ParamSpace.h"
#include "state/StatePreset.h"
#include "support/StateHarness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace
{
using namespace std::chrono_literals;
using taviksim::Fault;
using taviksim::FaultKind;

struct StateLink : ::testing::Test
{
    std::unique_ptr<taviksim::SimulatedProcessor> sim;
    StateHarness h;
    std::uint64_t counted = 0; // messages already accounted for

    void SetUp() override
    {
        taviksim::SimulatorOptions options;
        options.logProblems = false;
        sim = std::make_unique<taviksim::SimulatedProcessor> (options);
        ASSERT_TRUE (sim->start()) << sim->error();
        juce::String error;
        ASSERT_TRUE (h.port.open (sim->slavePath(), error)) << error;
    }

    void TearDown() override
    {
        h.worker.stopThread (10000);
        h.port.close (false);
    }

    // Waits until count more messages have reached the processor and the queue is empty.
    bool received (std::uint64_t count, std::chrono::milliseconds timeout = 5000ms)
    {
        counted += count;
        if (!sim->waitForMessages (counted, timeout))
            return false;
        for (int i = 0; i < 200 && h.worker.getPendingCount() > 0; ++i)
            std::this_thread::sleep_for (5ms);
        return h.worker.getPendingCount() == 0 && sim->messageCount() == counted;
    }

    std::vector<taviksim::Message> lastMessages (std::size_t count)
    {
        auto all = sim->transcript();
        return { all.end() - std::ptrdiff_t (std::min (count, all.size())), all.end() };
    }
};

// (selector, address) of a parameter message, as an independent reading of the transcript.
using Target = std::pair<int, int>;
Target targetOf (const taviksim::Message& m)
{
    return { m.bytes.size() > 0 ? m.bytes[0] : -1, m.bytes.size() > 2 ? m.bytes[2] : -1 };
}
} // namespace

TEST_F (StateLink, EveryKindOfSetterLandsAtItsAddressWithItsCode)
{
    auto& in = h.inputs();
    auto& out = h.outputs();
    struct Case
    {
        const char* what;
        std::function<void()> edit;
        int messages;
        int block; // 0..2 inputs, 3..8 outputs
        int address;
        int code;
        const char* named; // the same edit by name: the same bytes go out again
    };
    const Case cases[] = {
        { "input gain -3.5", [&] { in.setChannelGain (1, -3.5); }, 1, 1, 0x00, 31, "input.B.gain=-3.5" },
        { "input gain -60", [&] { in.setChannelGain (2, -60); }, 1, 2, 0x00, 144, "input.C.gain=-60" },
        { "input band gain 12.5", [&] { in.setBandGain (0, 2, 12.5); }, 1, 0, 0x0A, 48, "input.A.band.3.gain=12" },
        { "input band frequency", [&] { in.setBandFrequency (2, 5, 800); }, 1, 2, 0x12, 47, "input.C.band.6.freq=800" },
        { "input bandwidth 3", [&] { in.setBandWidth (1, 0, 3.0); }, 1, 1, 0x05, 17, "input.B.band.1.bw=3" },
        { "input delay", [&] { in.setDelaySteps (0, 6000); }, 2, 0, 0x02, 0x80, "input.A.delay=126" },
        { "input name", [&] { in.setChannelName (2, "Vox", true); }, 8, 2, 0x18, 'V', "input.C.name=Vox" },
        { "output gain +12", [&] { out.setChannelGain (5, 12); }, 1, 8, 0x00, 0, "output.6.gain=12" },
        { "output band frequency", [&] { out.setBandFrequency (0, 3, 20000); }, 1, 3, 0x0C, 89,
          "output.1.band.4.freq=20k" },
        { "output bandwidth 0.5", [&] { out.setBandWidth (2, 1, 0.5); }, 1, 5, 0x08, 12, "output.3.band.2.bw=0.5" },
        { "output bandwidth 3", [&] { out.setBandWidth (2, 0, 3.0); }, 1, 5, 0x05, 75, "output.3.band.1.bw=3" },
        { "low cut frequency", [&] { out.setCutFrequency (1, 0, 100); }, 1, 4, 0x11, 20, "output.2.lowcut.freq=100" },
        { "high cut frequency", [&] { out.setCutFrequency (1, 1, 1000); }, 1, 4, 0x0F, 50,
          "output.2.highcut.freq=1000" },
        { "high cut BES 12", [&] { out.setCutFilter (3, 1, 2, 1); }, 1, 6, 0x10, taviksim::cutFilterReadBackCode (6),
          "output.4.highcut.type=bes output.4.highcut.slope=12" },
        { "low cut L-R 48", [&] { out.setCutFilter (3, 0, 3, 4); }, 1, 6, 0x12, taviksim::cutFilterReadBackCode (10),
          "output.4.lowcut.slope=48 output.4.lowcut.type=lr" },
        { "low cut OFF", [&] { out.setCutFilter (3, 0, 0, 2); }, 1, 6, 0x12, taviksim::cutFilterReadBackCode (0),
          "output.4.lowcut.type=off output.4.lowcut.slope=18" },
        { "phase", [&] { out.setPhase (4, 5); }, 1, 7, 0x14, 1, "output.5.phase=inverted" },
        { "limiter -2.5", [&] { out.setLimiterThreshold (0, -2.5f); }, 1, 3, 0x13, 30, "output.1.limiter=-2" },
        { "limiter 25", [&] { out.setLimiterThreshold (0, 25); }, 1, 3, 0x13, 8, "output.1.limiter=25" },
        { "output delay", [&] { out.setDelaySteps (5, 300); }, 2, 8, 0x01, 1, "output.6.delay=6.3" },
        { "route", [&] { h.state.routerState.setRoute (2, 1, true); }, 1, 5, 0x15, 2, "output.3.route.B=on" },
        { "second route", [&] { h.state.routerState.setRoute (2, 2, true); }, 1, 5, 0x15, 6, "output.3.route.C=on" },
        { "route off", [&] { h.state.routerState.setRoute (2, 1, false); }, 1, 5, 0x15, 4, "output.3.route.B=off" },
        { "an output's routes together", [&] { h.state.routerState.setRoutes (2, 0x03, 0x04); }, 1, 5, 0x15, 3,
          "output.3.route.C=off output.3.route.A=on output.3.route.B=on" },
    };
    const auto bytesOf = [] (const std::vector<taviksim::Message>& messages)
    {
        std::vector<std::vector<std::uint8_t>> bytes;
        for (const auto& m : messages)
            bytes.push_back (m.bytes);
        return bytes;
    };
    for (const auto& c : cases)
    {
        c.edit();
        ASSERT_TRUE (received (std::uint64_t (c.messages))) << c.what;
        EXPECT_EQ (sim->memory().blocks[size_t (c.block)][size_t (c.address)], c.code) << c.what;

        const auto bySetter = bytesOf (lastMessages (size_t (c.messages)));
        std::vector<std::pair<Param, ParamValue>> values;
        for (const auto& assignment : juce::StringArray::fromTokens (c.named, " ", {}))
        {
            const auto param = Param::fromString (assignment.upToFirstOccurrenceOf ("=", false, false));
            ASSERT_TRUE (param.has_value()) << c.named;
            const auto value = ParamSpace::parse (*param, assignment.fromFirstOccurrenceOf ("=", false, false));
            ASSERT_TRUE (value.has_value()) << c.named;
            values.push_back ({ *param, *value });
        }
        ASSERT_TRUE (ParamSpace::write (h.state, values)) << c.named;
        ASSERT_TRUE (received (std::uint64_t (c.messages))) << c.named;
        EXPECT_EQ (bytesOf (lastMessages (size_t (c.messages))), bySetter) << c.named;
    }
    // Whatever a refused setter would have sent never arrives.
    out.setCutFilter (3, 0, 2, 0);
    in.setBandGain (3, 0, 1);
    out.setPhase (6, 1);
    in.setChannelGain (0, 1); // a marker that must be the very next message
    ASSERT_TRUE (received (1));
    EXPECT_EQ (targetOf (lastMessages (1)[0]), Target (0xA0, 0x00));
}

TEST_F (StateLink, FileValuesOutsideTheEditorsRangesReachTheDeviceLimited)
{
    const auto channel = juce::XmlDocument::parse (
        "<c gain='1e300'><Band_0 gain='-99' freq='5' Q='0'/><Band_1 gain='nan' freq='1e300' Q='1e300'/></c>");
    h.outputs().readChannel (1, *channel, false);
    ASSERT_TRUE (received (1 + 3 + 3));
    const auto block = sim->memory().output (1);
    EXPECT_EQ (block[0x00], 0);  // gain
    EXPECT_EQ (block[0x03], 0);  // 5 Hz -> 20 Hz
    EXPECT_EQ (block[0x04], 0);  // -99 dB -> -12
    EXPECT_EQ (block[0x05], 1);  // no bandwidth -> the narrowest
    EXPECT_EQ (block[0x06], 89); // 1e300 Hz -> 20000
    EXPECT_EQ (block[0x07], 24); // nan kept the current 0 dB
    EXPECT_EQ (block[0x08], 75);
}

TEST_F (StateLink, NamesAreSentAsEightCharactersPaddedWithSpaces)
{
    h.inputs().setChannelName (0, "KICK", true);
    h.outputs().setChannelName (5, "Sub Left Long", true);
    h.outputs().setChannelName (2, "Na~me", false); // stored only
    ASSERT_TRUE (received (16));
    const auto memory = sim->memory();
    EXPECT_EQ (memory.inputName (0), "KICK    ");
    EXPECT_EQ (memory.outputName (5), "Sub Left");
    EXPECT_EQ (memory.outputName (2), "OUTPUT 3");
    const auto messages = lastMessages (16);
    for (int p = 0; p < 8; ++p)
    {
        EXPECT_EQ (targetOf (messages[size_t (p)]), Target (0xA0, 0x18 + p));
        EXPECT_EQ (targetOf (messages[size_t (8 + p)]), Target (0xA9, 0x18 + p));
    }
}

TEST_F (StateLink, MuteCommandsCarryTheGainOrTheMutedMarker)
{
    auto& mutes = h.state.muteState;
    h.outputs().setChannelGain (2, -3.5);
    mutes.setOutputMute (0, true);
    mutes.setOutputMute (5, true);
    ASSERT_TRUE (received (3));

    mutes.setOutputMute (2, true);
    ASSERT_TRUE (received (1));
    auto memory = sim->memory();
    EXPECT_EQ (memory.mute, 0x25);
    EXPECT_EQ (memory.muteValues[2], Protocol::mutedValue);
    EXPECT_EQ (lastMessages (1)[0].bytes, (std::vector<std::uint8_t>{ 0xB6, 0x00, 0x25, 0xFF }));

    mutes.setOutputMute (2, false);
    ASSERT_TRUE (received (1));
    EXPECT_EQ (lastMessages (1)[0].bytes, (std::vector<std::uint8_t>{ 0xB6, 0x00, 0x21, 31 }));

    h.outputs().setChannelGain (4, 12);
    mutes.sendMutesToDevice();
    ASSERT_TRUE (received (7));
    memory = sim->memory();
    const std::uint8_t expected[] = { 0xFF, 24, 31, 24, 0, 0xFF };
    for (int o = 0; o < 6; ++o)
        EXPECT_EQ (memory.muteValues[size_t (o)], expected[o]) << o;
}

TEST_F (StateLink, DelaySendsTheHighByteFirstAndTheLowByteOnlyAfterItsEcho)
{
    h.inputs().setDelaySteps (2, 0x1234 % 5760);
    ASSERT_TRUE (received (2));
    auto messages = lastMessages (2);
    EXPECT_EQ (targetOf (messages[0]), Target (0xA2, 0x01));
    EXPECT_EQ (targetOf (messages[1]), Target (0xA2, 0x02));
    EXPECT_EQ (sim->memory().input (2)[1] * 256 + sim->memory().input (2)[2], 0x1234 % 5760);

    struct Case
    {
        FaultKind fault;
        std::chrono::milliseconds wait;
    };
    for (auto c : { Case{ FaultKind::CorruptAnswer, 2000ms }, Case{ FaultKind::DropAnswer, 15000ms } })
    {
        const auto before = sim->memory().output (1);
        sim->addFault (Fault{ c.fault, counted + 1, 0 });
        h.outputs().setDelaySteps (1, 0x0203);
        ASSERT_TRUE (received (1, c.wait)) << taviksim::faultName (c.fault);
        h.outputs().setPhase (1, 1); // whatever comes next is the next command, not the low byte
        ASSERT_TRUE (received (1, c.wait));
        messages = lastMessages (2);
        EXPECT_EQ (targetOf (messages[0]), Target (0xA5, 0x01));
        EXPECT_EQ (targetOf (messages[1]), Target (0xA5, 0x14));
        EXPECT_EQ (sim->memory().output (1)[1], 0x02);
        EXPECT_EQ (sim->memory().output (1)[2], before[2]);
        sim->clearFaults();
    }
}

namespace
{
// Values the device codes carry without loss, so a read-back must give them back.
void fillWithDeviceValues (DeviceState& s)
{
    auto& in = s.input2EQState;
    for (int c = 0; c < 3; ++c)
    {
        in.setChannelGain (c, -10.5 + c);
        for (int b = 0; b < 6; ++b)
        {
            in.setBandGain (c, b, -12 + 0.5 * (c * 6 + b));
            in.setBandFrequency (c, b, EQFrequencyTable[size_t (3 + 17 * c + 2 * b)]);
            in.setBandWidth (c, b, (1 + 3 * c + b) * 0.04);
        }
        in.setDelaySteps (c, 5760 - 321 * c);
        in.setChannelName (c, "Input " + juce::String (c) + "x", false); // 8 characters: no padding
    }
    auto& out = s.outputEQState;
    const int pairs[][2] = { { 1, 0 }, { 1, 4 }, { 2, 1 }, { 2, 3 }, { 3, 1 }, { 3, 4 } };
    for (int o = 0; o < 6; ++o)
    {
        out.setChannelGain (o, -o * 9.5);
        for (int b = 0; b < 4; ++b)
        {
            out.setBandGain (o, b, 11.5 - o - b);
            out.setBandFrequency (o, b, EQFrequencyTable[size_t (30 + 9 * o + b)]);
            out.setBandWidth (o, b, (70 - o * 11 - b) * 0.04);
        }
        out.setCutFrequency (o, 0, EQFrequencyTable[size_t (o)]);
        out.setCutFrequency (o, 1, EQFrequencyTable[size_t (89 - o)]);
        out.setCutFilter (o, 0, pairs[o][0], pairs[o][1]);
        out.setCutFilter (o, 1, pairs[5 - o][0], pairs[5 - o][1]);
        out.setPhase (o, o % 2);
        out.setLimiterThreshold (o, float (-20 + 8 * o));
        out.setDelaySteps (o, 17 * o * o);
        out.setChannelName (o, "Output#" + juce::String (o), false);
        s.routerState.setRoute (o, o % 3, true);
        s.routerState.setRoute (o, 2, o > 3);
    }
    s.muteState.setOutputMute (1, true);
    s.muteState.setOutputMute (3, true);
}

juce::String wholeStateText (DeviceState& state)
{
    juce::XmlElement root ("Orveth_Tavik_state");
    state.input2EQState.writeSection (root);
    state.outputEQState.writeSection (root);
    state.routerState.writeRouterSection (root);
    state.muteState.writeMuteSection (root);
    return root.toString();
}

// The order of a whole push, written out from the command lists of the two sections.
std::vector<Target> expectedPushOrder()
{
    std::vector<Target> order;
    for (int c = 0; c < 3; ++c)
    {
        order.emplace_back (0xA0 + c, 0x00);
        for (int b = 0; b < 6; ++b)
            for (int address : { 0x04, 0x03, 0x05 }) // gain, frequency, bandwidth
                order.emplace_back (0xA0 + c, address + 3 * b);
        order.emplace_back (0xA0 + c, 0x01);
        order.emplace_back (0xA0 + c, 0x02);
        for (int p = 0; p < 8; ++p)
            order.emplace_back (0xA0 + c, 0x18 + p);
    }
    for (int o = 0; o < 6; ++o)
    {
        const int selector = 0xA4 + o;
        order.emplace_back (selector, 0x00);
        for (int b = 0; b < 4; ++b)
            for (int address : { 0x04, 0x03, 0x05 })
                order.emplace_back (selector, address + 3 * b);
        for (int address : { 0x11, 0x12, 0x0F, 0x10, 0x14, 0x13, 0x01, 0x02 })
            order.emplace_back (selector, address);
        for (int p = 0; p < 8; ++p)
            order.emplace_back (selector, 0x18 + p);
    }
    for (int o = 0; o < 6; ++o)
        order.emplace_back (0xA4 + o, 0x15);
    return order;
}
} // namespace

TEST_F (StateLink, AWholePushReproducesTheRecordInTheProcessor)
{
    // Filled while the port is closed, so only the push reaches the processor.
    StateHarness source;
    fillWithDeviceValues (source.state);
    auto& s = source.state;
    juce::String error;
    h.port.close (false);
    ASSERT_TRUE (source.port.open (sim->slavePath(), error)) << error;

    s.input2EQState.sendAllToDevice();
    s.outputEQState.sendAllToDevice();
    s.routerState.sendRouterToDevice();
    s.muteState.sendMutesToDevice();
    ASSERT_TRUE (sim->waitForMessages (273, 20000ms)) << sim->messageCount();

    const auto transcript = sim->transcript();
    ASSERT_EQ (transcript.size(), 273u);
    const auto order = expectedPushOrder();
    for (size_t i = 0; i < order.size(); ++i)
        EXPECT_EQ (targetOf (transcript[i]), order[i]) << "message " << i;
    for (int o = 0; o < 6; ++o)
        EXPECT_EQ (transcript[size_t (267 + o)].bytes[0], 0xB4 + o);

    // Read the processor's memory back into a fresh record: it must equal the source.
    StateHarness copy;
    const auto memory = sim->memory();
    for (int c = 0; c < 3; ++c)
        copy.inputs().applyReadBack (c, memory.input (c));
    for (int o = 0; o < 6; ++o)
    {
        copy.outputs().applyReadBack (o, memory.output (o));
        copy.state.routerState.applyReadBack (o, memory.routing (o));
    }
    copy.state.muteState.applyReadBack (memory.mute);
    EXPECT_EQ (wholeStateText (copy.state), wholeStateText (s));
    EXPECT_EQ (memory.muteValues[1], 0xFF);
    EXPECT_EQ (memory.muteValues[2], Protocol::gainCode (-19));
    source.worker.stopThread (10000);
}

TEST_F (StateLink, LoadingAPresetResendsEveryValueOfEveryElementFound)
{
    const auto folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                            .getNonexistentChildFile ("tavik-link-presets", "", false);
    ASSERT_TRUE (folder.createDirectory());
    const auto file = folder.getChildFile ("partial.TavikPreset");
    ASSERT_TRUE (file.replaceWithText (
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<Orveth_Tavik_state>\n"
        " <Orveth_Tavik_output_mute_state output_mask=\"0\"/>\n"
        " <Orveth_Tavik_input2_EQ_state>\n"
        "  <Input2_EQ_channel_01 gain=\"-2\"><Band_3 gain=\"3\" Q=\"0.2\"/></Input2_EQ_channel_01>\n"
        " </Orveth_Tavik_input2_EQ_state>\n"
        " <Orveth_Tavik_output_EQ_state>\n"
        "  <Output_EQ_channel_02 gain=\"-6\"/>\n"
        " </Orveth_Tavik_output_EQ_state>\n"
        "</Orveth_Tavik_state>\n"));
    h.inputs().setBandFrequency (1, 3, 1000);
    h.state.muteState.setOutputMute (2, true);
    ASSERT_TRUE (received (2));

    StateHarness loader (folder);
    juce::String error;
    h.port.close (false);
    ASSERT_TRUE (loader.port.open (sim->slavePath(), error)) << error;
    loader.inputs().setBandFrequency (1, 3, 1000);
    ASSERT_TRUE (received (1));
    loader.ask.fileAnswers.push_back (file);
    bool refreshed = false;
    ASSERT_TRUE (loadStatePreset (loader.state, [&] { refreshed = true; }));
    EXPECT_TRUE (refreshed);
    // Input B: gain and band 3 (its missing frequency re-sent); output 3: gain; six mutes; no routing.
    ASSERT_TRUE (sim->waitForMessages (counted + 4 + 1 + 6, 5000ms));
    std::this_thread::sleep_for (100ms);
    const auto messages = lastMessages (11);
    ASSERT_EQ (sim->messageCount(), counted + 11);
    const std::vector<Target> expected = { { 0xA1, 0x00 }, { 0xA1, 0x0D }, { 0xA1, 0x0C }, { 0xA1, 0x0E },
                                           { 0xA6, 0x00 }, { 0xB4, 0x00 }, { 0xB5, 0x00 }, { 0xB6, 0x00 },
                                           { 0xB7, 0x00 }, { 0xB8, 0x00 }, { 0xB9, 0x00 } };
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ (targetOf (messages[i]), expected[i]) << i;
    const auto memory = sim->memory();
    EXPECT_EQ (memory.input (1)[0x0C], 50); // 1000 Hz kept and sent again
    EXPECT_EQ (memory.mute, 0);
    EXPECT_EQ (memory.muteValues[2], Protocol::gainCode (-6)); // the gain just loaded
    loader.worker.stopThread (10000);
    loader.port.close (false);
    folder.deleteRecursively();
}

TEST_F (StateLink, UndoAndRedoSendTheValuesTheyRestoreAndNothingElse)
{
    EditHistory history (h.state, h.ask, [this] { return h.port.isConnected(); });
    const auto memoryNow = [this] { return sim->memory(); };
    // Waits for the queue to drain; the messages that arrived since the last call.
    const auto settle = [this]
    {
        // Quiet once nothing waits and nothing has arrived for a while (the
        // last command may still be on the line when the queue empties).
        auto now = sim->messageCount();
        for (int quiet = 0, i = 0; quiet < 6 && i < 400; ++i)
        {
            std::this_thread::sleep_for (50ms);
            const auto later = sim->messageCount();
            quiet = later == now && h.worker.getPendingCount() == 0 ? quiet + 1 : 0;
            now = later;
        }
        const auto arrived = now - counted;
        counted = now;
        return arrived;
    };
    // The processor first holds the whole record, so its memory can be compared.
    h.outputs().setChannelGain (0, -5.0);
    h.inputs().sendAllToDevice();
    h.outputs().sendAllToDevice();
    h.state.routerState.sendRouterToDevice();
    h.state.muteState.sendMutesToDevice();
    ASSERT_TRUE (sim->waitForMessages (274, 20000ms));
    settle();

    struct Case
    {
        const char* what;
        std::function<void()> edit;
        std::uint64_t messages; // each way
    };
    const Case cases[] = {
        { "one value", [&] { h.inputs().setBandGain (1, 2, -4.0); }, 1 },
        { "a cut type with its slope fallback",
          [&] { ParamSpace::write (h.state, *Param::fromString ("output.1.highcut.type"), 2); }, 1 },
        { "a phone's slider moving", // one step, though it writes many times
          [&]
          {
              for (const double gain : { -1.0, -2.0, -3.0 })
              {
                  const DeviceState::Edit edit (h.state, DeviceState::ChangeSource::remote);
                  ParamSpace::write (h.state, *Param::fromString ("output.2.band.1.gain"), gain);
              }
          },
          1 },
        { "a name", [&] { h.outputs().setChannelName (3, "Sub", true); }, 8 },
        { "FLAT",
          [&]
          {
              const DeviceState::Edit edit (h.state, DeviceState::ChangeSource::flat);
              for (int band = 0; band < 6; ++band)
                  h.inputs().setBandGain (2, band, band == 0 ? -1.0 : 0.0);
          },
          1 },
        { "PASTE",
          [&]
          {
              h.outputs().copyChannelToClipboard (0);
              h.outputs().pasteChannelFromClipboard (4);
          },
          2 }, // output 1's gain and high cut
    };
    for (const auto& c : cases)
    {
        const auto before = memoryNow();
        const auto recordBefore = wholeStateText (h.state);
        c.edit();
        settle();
        const auto after = memoryNow();
        const auto recordAfter = wholeStateText (h.state);
        ASSERT_NE (after.blocks, before.blocks) << c.what;

        ASSERT_TRUE (history.undo()) << c.what;
        EXPECT_EQ (settle(), c.messages) << c.what;
        EXPECT_EQ (memoryNow().blocks, before.blocks) << c.what;
        EXPECT_EQ (wholeStateText (h.state), recordBefore) << c.what;
        ASSERT_TRUE (history.redo()) << c.what;
        EXPECT_EQ (settle(), c.messages) << c.what;
        EXPECT_EQ (memoryNow().blocks, after.blocks) << c.what;
        EXPECT_EQ (wholeStateText (h.state), recordAfter) << c.what;
    }
    EXPECT_EQ (history.undoText(), "Undo PASTE output 5");

    // A whole-state load sends everything; its undo only what differs, in the push order.
    StateHarness other;
    fillWithDeviceValues (other.state);
    other.inputs().setChannelGain (0, h.inputs().getChannelGain (0));
    const auto before = memoryNow();
    applyStatePreset (h.state, *statePresetElement (other.state));
    EXPECT_EQ (settle(), 273u);
    ASSERT_TRUE (history.undo());
    const auto undoMessages = settle();
    EXPECT_GT (undoMessages, 0u);
    EXPECT_LT (undoMessages, 273u);
    EXPECT_EQ (memoryNow().blocks, before.blocks);
    EXPECT_EQ (memoryNow().mute, before.mute);
    const auto order = expectedPushOrder();
    const auto transcript = sim->transcript();
    size_t next = 0;
    for (auto i = transcript.size() - undoMessages; i < transcript.size(); ++i)
    {
        if ((transcript[i].bytes[0] & 0xF0) == 0xB0)
            next = order.size(); // mutes come last
        else
            while (next < order.size() && order[next] != targetOf (transcript[i]))
                ++next;
        ASSERT_LE (next, order.size()) << "message " << i << " out of the push order";
    }

    // A read-back is undone only after the user agreed to send the processor's values over.
    ReadBackBuffer read;
    const auto memory = memoryNow();
    for (size_t b = 0; b < read.blocks.size(); ++b)
        read.blocks[b] = memory.blocks[b];
    for (int o = 0; o < 6; ++o)
        read.routing[size_t (o)] = memory.routing (o);
    read.mute = memory.mute;
    h.state.applyReadBack (read); // the processor's own forms: padded names, the slope an OFF cut keeps
    read.blocks[1][0] = 10;       // then input B's gain as the processor holds it: +7 dB
    h.state.applyReadBack (read);
    h.ask.okCancelAnswers.push_back (false);
    EXPECT_FALSE (history.undo());
    EXPECT_EQ (h.inputs().getChannelGain (1), 7.0);
    h.ask.okCancelAnswers.push_back (true);
    EXPECT_TRUE (history.undo());
    EXPECT_EQ (settle(), 1u);
    EXPECT_TRUE (h.ask.asked.back().message.contains ("This sends 1 setting to the processor."));
    EXPECT_EQ (h.inputs().getChannelGain (1), 0.0);

    // Asked as well when it is reached after other steps were undone.
    ASSERT_TRUE (history.redo());
    h.inputs().setBandGain (0, 0, -2.0);
    ASSERT_TRUE (history.undo()); // the band gain: no question
    settle();
    const auto asked = h.ask.asked.size();
    h.ask.okCancelAnswers.push_back (false);
    EXPECT_FALSE (history.undo());
    EXPECT_EQ (h.ask.asked.size(), asked + 1);
    EXPECT_EQ (h.inputs().getChannelGain (1), 7.0);
}
