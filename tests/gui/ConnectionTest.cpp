// Connecting, both whole-state transfers and the firmware upload, driven
// through the real Connection, worker and record against simulated
// processors on pseudo-terminals; the scripted user picks the port.
#include "control/Connection.h"
#include "common/EqTables.h"
#include "common/Status.h"
#include "device/Protocol.h"
#include "engine/SimulatedProcessor.h"
#include "panels/TopPanel.h"
#include "support/StateHarness.h"
#include "ui/TavikLookAndFeel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <thread>

namespace
{
using namespace std::chrono_literals;
using taviksim::Fault;
using taviksim::FaultKind;

constexpr std::uint64_t identifyMessages = 2; // 0x90 and 0x91 open every connection
constexpr std::uint64_t readBackMessages = 11;
constexpr std::uint64_t pushMessages = 273;

void pump (int ms = 10)
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil (ms);
}

template <typename Condition>
bool pumpUntil (Condition condition, int timeoutMs = 20000)
{
    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;
    while (!condition() && juce::Time::getMillisecondCounter() < end)
        pump();
    return condition();
}

bool contains (const std::vector<int>& codes, int code)
{
    return std::find (codes.begin(), codes.end(), code) != codes.end();
}

// Device codes that a read-back and a push carry without loss, none of them
// the power-on value, and a few that decode outside the tables.
taviksim::Memory deviceMemory()
{
    auto m = taviksim::Memory::powerOn();
    const auto setName = [] (taviksim::Block& block, const char* name)
    {
        for (int i = 0; i < 8; ++i)
            block[size_t (0x18 + i)] = std::uint8_t (name[i]);
    };
    const char* const inputNames[] = { "Kick #1A", "Snare  z", "Vox!(3)_" };
    for (int c = 0; c < 3; ++c)
    {
        auto& b = m.input (c);
        b[0x00] = std::uint8_t (10 + 7 * c);
        const int delay = 1000 * c + 123;
        b[0x01] = std::uint8_t (delay >> 8);
        b[0x02] = std::uint8_t (delay & 0xFF);
        for (int band = 0; band < 6; ++band)
        {
            const int n = 6 * c + band;
            b[size_t (0x03 + 3 * band)] = std::uint8_t ((5 + 13 * c + 11 * band) % 89);
            b[size_t (0x04 + 3 * band)] = std::uint8_t ((2 * n + 1) % 49);
            b[size_t (0x05 + 3 * band)] = std::uint8_t (1 + (n + 3) % 17);
        }
        setName (b, inputNames[c]);
    }
    const char* const outputNames[] = { "Sub L   ", "Sub R   ", "Mid-L   ", "Mid-R   ", "Top@L 5 ", "Top@R 6 " };
    for (int o = 0; o < 6; ++o)
    {
        auto& b = m.output (o);
        b[0x00] = std::uint8_t (100 + 7 * o);
        const int delay = 17 * o * o + 5;
        b[0x01] = std::uint8_t (delay >> 8);
        b[0x02] = std::uint8_t (delay & 0xFF);
        for (int band = 0; band < 4; ++band)
        {
            const int n = 4 * o + band;
            b[size_t (0x03 + 3 * band)] = std::uint8_t (40 + 9 * o + band);
            b[size_t (0x04 + 3 * band)] = std::uint8_t ((3 * n + 2) % 49);
            b[size_t (0x05 + 3 * band)] = std::uint8_t (1 + (3 * n + 20) % 75);
        }
        b[0x0F] = std::uint8_t (89 - 3 * o);
        b[0x10] = taviksim::cutFilterReadBackCode (std::uint8_t (o + 1));
        b[0x11] = std::uint8_t (2 + o);
        b[0x12] = taviksim::cutFilterReadBackCode (std::uint8_t (10 - o));
        b[0x13] = std::uint8_t (8 + 7 * o);
        b[0x14] = std::uint8_t (o % 2);
        b[0x15] = std::uint8_t ((3 * o + 1) & 7);
        setName (b, outputNames[o]);
    }
    m.mute = 0x25;

    // Codes beyond the tables: frequencies of 0 Hz, bandwidths of 0 octaves.
    m.input (2)[0x03 + 3 * 5] = 95;
    m.input (2)[0x05 + 3 * 5] = 0;
    m.output (5)[0x03 + 3 * 3] = 91;
    m.output (5)[0x05 + 3 * 3] = 0;
    m.output (4)[0x11] = 200;
    return m;
}

// What a push of the record read back from deviceMemory() leaves in a
// processor: the same, with the codes beyond the tables brought into range.
taviksim::Memory pushedMemory()
{
    auto m = deviceMemory();
    m.input (2)[0x03 + 3 * 5] = 0; // 20 Hz
    m.input (2)[0x05 + 3 * 5] = 1; // the narrowest bandwidth
    m.output (5)[0x03 + 3 * 3] = 0;
    m.output (5)[0x05 + 3 * 3] = 1;
    m.output (4)[0x11] = 0;
    return m;
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

juce::String firmwareDocument (const std::vector<std::uint8_t>& bytes)
{
    std::string code;
    static const char digits[] = "0123456789ABCDEF";
    for (size_t i = 0; i < bytes.size(); ++i)
        code.append ({ digits[bytes[i] >> 4], digits[bytes[i] & 0xF], i % 16 == 15 ? '\n' : ' ' });
    return "<Orveth_Corporation><Tavik_Firmware><Version>2.0a</Version><Code>\n" + juce::String (code) +
           "</Code></Tavik_Firmware></Orveth_Corporation>";
}

std::vector<std::uint8_t> firmwareBytes()
{
    std::vector<std::uint8_t> bytes (65536);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = std::uint8_t ((i * 13) ^ (i >> 9));
    return bytes;
}

struct ConnectionFlow : ::testing::Test
{
    juce::TemporaryFile settingsFile{ ".properties" };
    juce::PropertiesFile settings{ settingsFile.getFile(), juce::PropertiesFile::Options() };
    SerialPort port;
    juce::ActionBroadcaster status;
    std::atomic<double> progress{ 0.0 };
    ScriptedAskUser ask;
    HwThread worker{ port, status, progress, 0 }; // firmware bytes without the 1 ms pause
    DeviceState state{ worker, status, ask };
    juce::StringArray titles;
    Connection connection{ port, worker, state,    settings,
                           ask,  status, progress, [this] (const juce::String& title) { titles.add (title); } };
    StatusRecorder recorder{ status };
    juce::TemporaryFile firmwareFile{ ".TavikFirmware" };

    void TearDown() override
    {
        worker.stopThread (10000);
        port.close (false);
        pump();
    }

    static std::unique_ptr<taviksim::SimulatedProcessor>
    startProcessor (const std::function<void (taviksim::SimulatorOptions&)>& adjust = {})
    {
        taviksim::SimulatorOptions options;
        options.logProblems = false;
        options.announce = true; // so the port chooser offers it
        if (adjust)
            adjust (options);
        auto sim = std::make_unique<taviksim::SimulatedProcessor> (options);
        return sim->start() ? std::move (sim) : nullptr;
    }

    static std::unique_ptr<taviksim::SimulatedProcessor> processorWith (const taviksim::Memory& memory)
    {
        return startProcessor ([&] (taviksim::SimulatorOptions& o) { o.engine.initialMemory = memory; });
    }

    bool connectTo (const taviksim::SimulatedProcessor& sim)
    {
        ask.listAnswers.push_back (sim.slavePath());
        return connection.connectToDevice();
    }

    // Pumps until the worker has reported the queue empty after the given codes.
    bool finished (std::vector<int>& codes)
    {
        return pumpUntil (
            [&]
            {
                auto more = recorder.drain (5);
                codes.insert (codes.end(), more.begin(), more.end());
                return !codes.empty() && codes.back() == StatusIdle && worker.getPendingCount() == 0;
            });
    }
};
} // namespace

TEST_F (ConnectionFlow, ConnectsOnlyWhereATavikAnswersAndRemembersThatPort)
{
    const juce::String connectedPrefix = "Tavik Serial Control - Connected via ";
    const juce::String disconnected = "Tavik Serial Control - Disconnected";

    auto good = startProcessor();
    ASSERT_NE (good, nullptr);
    settings.setValue ("Serial port", "/dev/tavik-port-that-is-gone");
    ASSERT_TRUE (connectTo (*good));
    EXPECT_TRUE (connection.isConnected());
    EXPECT_EQ (connection.getFirmwareVersion(), 1002002); // "1.2c"
    EXPECT_EQ (titles.joinIntoString ("|"), connectedPrefix + good->slavePath());
    EXPECT_EQ (settings.getValue ("Serial port"), juce::String (good->slavePath()));
    EXPECT_TRUE (ask.messages().isEmpty());

    connection.disconnectFromDevice (true);
    EXPECT_FALSE (connection.isConnected());
    EXPECT_EQ (titles[titles.size() - 1], disconnected);
    ASSERT_TRUE (good->waitForMessages (identifyMessages + 1, 2000ms));
    EXPECT_EQ (good->memory().goodbyes, 1);
    EXPECT_EQ (settings.getValue ("Serial port"), juce::String (good->slavePath()));

    // A processor that never tells its version is still a Tavik, of version 0.
    auto quiet = startProcessor ([] (taviksim::SimulatorOptions& o) { o.engine.answerVersion = false; });
    ASSERT_TRUE (connectTo (*quiet));
    EXPECT_EQ (connection.getFirmwareVersion(), 0);
    connection.disconnectFromDevice (false);
    EXPECT_EQ (quiet->memory().goodbyes, 0);

    // Another name, or no answer at all (after the identification's time-out):
    // not a Tavik; the port is closed and forgotten, the title stays.
    auto impostor = startProcessor (
        [] (taviksim::SimulatorOptions& o) {
            o.faults.push_back (Fault{ FaultKind::CorruptAnswer, 1, 0 });
        });
    auto silent = startProcessor (
        [] (taviksim::SimulatorOptions& o) {
            o.faults.push_back (Fault{ FaultKind::SilentFrom, 1, 0 });
        });
    for (auto* sim : { impostor.get(), silent.get() })
    {
        const int titleCount = titles.size();
        ask.asked.clear();
        settings.setValue ("Serial port", juce::String (sim->slavePath()));
        EXPECT_FALSE (connectTo (*sim));
        EXPECT_FALSE (connection.isConnected());
        EXPECT_EQ (ask.messages(), juce::StringArray ("Tavik not detected"));
        EXPECT_EQ (ask.asked.back().title, "Tavik");
        EXPECT_FALSE (settings.containsKey ("Serial port"));
        EXPECT_EQ (titles.size(), titleCount);
        EXPECT_EQ (sim->memory().goodbyes, 0);
    }

    // A port that cannot be opened, or no choice at all: the remembered port stays.
    settings.setValue ("Serial port", juce::String (good->slavePath()));
    ask.asked.clear();
    ask.listAnswers = { "/dev/tavik-no-such-port", "" };
    EXPECT_FALSE (connection.connectToDevice());
    ASSERT_EQ (ask.messages().size(), 1);
    EXPECT_NE (ask.messages()[0], "Tavik not detected");
    EXPECT_FALSE (connection.connectToDevice());
    EXPECT_EQ (ask.messages().size(), 1);
    EXPECT_EQ (settings.getValue ("Serial port"), juce::String (good->slavePath()));
}

TEST_F (ConnectionFlow, SyncToHardwareThenSyncToSoftwareCarriesTheWholeState)
{
    auto source = processorWith (deviceMemory());
    ASSERT_NE (source, nullptr);
    ASSERT_TRUE (connectTo (*source));
    connection.syncToHardware();
    std::vector<int> codes;
    ASSERT_TRUE (finished (codes));
    // The buttons stay disabled until the read-back has been applied.
    EXPECT_EQ (codes, (std::vector<int>{ StatusBusy, StatusReadBackDone, StatusIdle }));

    // A few values worked out by hand from the codes.
    auto& in = state.input2EQState;
    auto& out = state.outputEQState;
    EXPECT_EQ (in.getChannelGain (1), 12 - 17 * 0.5);
    EXPECT_EQ (in.getDelaySteps (2), 2123);
    EXPECT_EQ (in.getBandFrequency (0, 1), 75.0); // code 16
    EXPECT_EQ (in.getChannelName (1), "Snare  z");
    EXPECT_EQ (out.getLimiterThreshold (3), -1.0f); // code 29
    EXPECT_EQ (out.getCutType (0, 0), 3);           // command code 10: L-R 48
    EXPECT_EQ (out.getCutTapsIndex (0, 0), 4);
    EXPECT_EQ (state.routerState.getInputMask (4), 5);
    EXPECT_EQ (state.muteState.getMask(), 0x25);
    // Beyond the tables: stored as read, but every use sees a value in range.
    EXPECT_EQ (in.getBandFrequency (2, 5), 0.0);
    EXPECT_EQ (in.getBandWidth (2, 5), 0.0);
    EXPECT_EQ (out.getBandFrequency (5, 3), 0.0);
    EXPECT_EQ (out.getDerivedQ (5, 3), OutputEQState::derivedQ (minimumEQBandwidth));
    EXPECT_TRUE (std::isfinite (out.getDerivedQ (5, 3)));

    connection.disconnectFromDevice (true);
    // Two echoes come back altered: the values land, but the push cannot know.
    auto target = startProcessor (
        [] (taviksim::SimulatorOptions& o)
        {
            for (const std::uint64_t message : { identifyMessages + 1, identifyMessages + 40 })
                o.faults.push_back (Fault{ FaultKind::CorruptAnswer, message, 0 });
        });
    ASSERT_NE (target, nullptr);
    ASSERT_TRUE (connectTo (*target));
    connection.syncToSoftware();
    codes.clear();
    ASSERT_TRUE (finished (codes));
    EXPECT_TRUE (contains (codes, StatusBusy));
    ASSERT_TRUE (target->waitForMessages (identifyMessages + pushMessages, 5000ms));
    EXPECT_TRUE (pumpUntil ([&] { return !ask.messages().isEmpty(); }, 2000));
    EXPECT_EQ (ask.messages(), juce::StringArray (Connection::pushFailedMessage (2, 264)));

    const auto expected = pushedMemory();
    const auto pushed = target->memory();
    for (size_t b = 0; b < expected.blocks.size(); ++b)
        for (size_t i = 0; i < expected.blocks[b].size(); ++i)
            EXPECT_EQ (pushed.blocks[b][i], expected.blocks[b][i]) << "block " << b << " byte " << i;
    EXPECT_EQ (pushed.mute, 0x25);
    for (int o = 0; o < 6; ++o)
        EXPECT_EQ (pushed.muteValues[size_t (o)], (0x25 >> o) & 1 ? 0xFF : 100 + 7 * o) << o;
}

TEST_F (ConnectionFlow, AReadBackWithoutItsMuteAnswerChangesNothing)
{
    auto sim = startProcessor (
        [] (taviksim::SimulatorOptions& o)
        {
            o.engine.initialMemory = deviceMemory();
            o.faults.push_back (Fault{ FaultKind::DropAnswer, identifyMessages + 11, 0 });
        });
    ASSERT_NE (sim, nullptr);
    ASSERT_TRUE (connectTo (*sim));
    const auto before = wholeStateText (state);
    connection.syncToHardware();
    std::vector<int> codes;
    ASSERT_TRUE (finished (codes));
    EXPECT_EQ (codes, (std::vector<int>{ StatusBusy, StatusIdle }));
    EXPECT_EQ (sim->messageCount(), identifyMessages + readBackMessages);
    EXPECT_EQ (wholeStateText (state), before);
    EXPECT_EQ (ask.messages(), juce::StringArray (Connection::readBackUnansweredMessage));
}

TEST_F (ConnectionFlow, AnEditDuringTheReadBackKeepsTheRecordAsEdited)
{
    auto sim = startProcessor (
        [] (taviksim::SimulatorOptions& o)
        {
            o.engine.initialMemory = deviceMemory();
            o.faults.push_back (Fault{ FaultKind::DelayAnswer, identifyMessages + 4, 500 });
        });
    ASSERT_NE (sim, nullptr);
    ASSERT_TRUE (connectTo (*sim));
    connection.syncToHardware();
    ASSERT_TRUE (sim->waitForMessages (identifyMessages + 4, 5000ms));
    state.input2EQState.setChannelGain (0, -5.0);
    EXPECT_TRUE (connection.hasWaitingCommands());
    const auto edited = wholeStateText (state);

    std::vector<int> codes;
    ASSERT_TRUE (finished (codes));
    EXPECT_FALSE (contains (codes, StatusReadBackDone));
    EXPECT_EQ (wholeStateText (state), edited);
    EXPECT_EQ (ask.messages(), juce::StringArray (Connection::readBackEditedMessage));
    EXPECT_FALSE (connection.hasWaitingCommands());
    ASSERT_TRUE (sim->waitForMessages (identifyMessages + readBackMessages + 1, 5000ms));
    EXPECT_EQ (sim->memory().input (0)[0], Protocol::gainCode (-5.0));
}

TEST_F (ConnectionFlow, QuittingWhileTheReadBackWaitsForTheRecordEndsAtOnceAndAppliesNothing)
{
    auto sim = processorWith (deviceMemory());
    ASSERT_NE (sim, nullptr);
    ASSERT_TRUE (connectTo (*sim));
    const auto before = wholeStateText (state);
    connection.syncToHardware();

    // This thread does not run its messages meanwhile: the worker has read
    // everything and waits for the hand-over to be applied here.
    ASSERT_TRUE (sim->waitForMessages (identifyMessages + readBackMessages, 5000ms));
    std::this_thread::sleep_for (300ms);
    const auto start = juce::Time::getMillisecondCounter();
    EXPECT_TRUE (worker.stopThread (10000));                        // ended by itself, not killed
    EXPECT_LT (juce::Time::getMillisecondCounter() - start, 2000u); // not the stop's 10 s time-out

    // The hand-over is delivered late, after the worker gave up: it stores nothing.
    const auto codes = recorder.drain (200);
    EXPECT_FALSE (contains (codes, StatusReadBackDone));
    EXPECT_EQ (wholeStateText (state), before);
}

TEST_F (ConnectionFlow, UploadsAFirmwareFileOneImageAtATime)
{
    auto sim = startProcessor();
    ASSERT_NE (sim, nullptr);
    ASSERT_TRUE (connectTo (*sim));
    const auto bytes = firmwareBytes();
    ASSERT_TRUE (firmwareFile.getFile().replaceWithText (firmwareDocument (bytes)));

    ask.fileAnswers = { juce::File() };
    EXPECT_FALSE (connection.startFirmwareUpload()); // cancelled
    ask.fileAnswers = { firmwareFile.getFile(), firmwareFile.getFile() };
    ASSERT_TRUE (connection.startFirmwareUpload());
    const auto& chooser = ask.asked.back();
    EXPECT_EQ (chooser.kind, "open");
    EXPECT_EQ (chooser.title, "Please select the firmware to upload");
    EXPECT_EQ (chooser.patterns, "*.TavikFirmware");
    EXPECT_EQ (chooser.folder, juce::File::getSpecialLocation (juce::File::userDocumentsDirectory));
    EXPECT_TRUE (connection.isFirmwarePending());

    // A second upload while the first runs: refused before any file is asked for.
    const auto askedBefore = ask.asked.size();
    EXPECT_FALSE (connection.startFirmwareUpload());
    ASSERT_EQ (ask.asked.size(), askedBefore + 1);
    EXPECT_EQ (ask.asked.back().title, "Tavik");
    EXPECT_EQ (ask.asked.back().message, "A firmware upload is already in progress.");
    ASSERT_TRUE (sim->waitForMessages (identifyMessages + 100, 5000ms));
    state.input2EQState.setChannelGain (0, -5.0); // made during the upload: waits behind the image

    std::vector<int> codes;
    ASSERT_TRUE (pumpUntil (
        [&]
        {
            auto more = recorder.drain (5);
            codes.insert (codes.end(), more.begin(), more.end());
            return contains (codes, StatusUploadComplete);
        },
        300000));
    EXPECT_FALSE (contains (codes, StatusUploadFailed));
    EXPECT_EQ (progress.load(), 1.0);
    EXPECT_FALSE (connection.isFirmwarePending());
    const auto memory = sim->memory();
    EXPECT_EQ (memory.firmwareUploads, 1);
    EXPECT_TRUE (memory.firmware == bytes); // not EXPECT_EQ: 65536 bytes in a failure message

    // Nothing follows the image to the restarting processor: the edit goes with the disconnection.
    pump (300);
    connection.disconnectFromDevice (false);
    pump (100);
    EXPECT_EQ (sim->messageCount(), identifyMessages + 1 + bytes.size());
    EXPECT_EQ (worker.getPendingCount(), 0);
}

// Quitting takes a moment whatever the worker waits for, and says goodbye
// only to a processor that is not taking an image.
TEST_F (ConnectionFlow, QuittingEndsAtOnceAndSendsOnlyImageBytesDuringAnUpload)
{
    auto image = firmwareBytes();
    std::replace (image.begin(), image.end(), std::uint8_t (0x99), std::uint8_t (0x98));
    for (const bool upload : { false, true }) // an edit waiting for its echo, an upload waiting for one
    {
        auto sim = startProcessor (
            [&] (taviksim::SimulatorOptions& o) {
                o.faults.push_back (Fault{ FaultKind::DelayAnswer, identifyMessages + 5, 9000 });
            });
        SerialPort rowPort;
        HwThread rowWorker (rowPort, status, progress, 0);
        DeviceState rowState (rowWorker, status, ask);
        Connection quitting (rowPort, rowWorker, rowState, settings, ask, status, progress, nullptr);
        ask.listAnswers.push_back (sim->slavePath());
        ASSERT_TRUE (quitting.connectToDevice());
        auto firmware = std::make_unique<FirmwareImage>();
        firmware->bytes = image;
        if (upload)
            ASSERT_TRUE (rowWorker.startFirmwareUpload (std::move (firmware)));
        else
            for (int band = 0; band < 6; ++band)
                rowState.input2EQState.setBandGain (0, band, -5.0);
        ASSERT_TRUE (sim->waitForMessages (identifyMessages + 5, 5000ms));
        std::this_thread::sleep_for (100ms);

        const auto start = juce::Time::getMillisecondCounter();
        quitting.shutDown (10000);
        EXPECT_LT (juce::Time::getMillisecondCounter() - start, 2000u) << upload; // not an echo's 9 s
        EXPECT_FALSE (rowWorker.isThreadRunning());
        std::this_thread::sleep_for (200ms);
        const auto memory = sim->memory();
        EXPECT_EQ (memory.goodbyes, upload ? 0 : 1);
        EXPECT_TRUE (std::equal (memory.firmware.begin(), memory.firmware.end(), image.begin()));
    }
}

// A line that goes away, during a push or while nothing is sent: the window
// says Disconnected and the user is told once, and of nothing else.
TEST_F (ConnectionFlow, ALostLineIsToldOnceAndLetGoOf)
{
    TavikLookAndFeel lookAndFeel;
    juce::LookAndFeel::setDefaultLookAndFeel (&lookAndFeel);
    for (const bool duringPush : { true, false })
    {
        SCOPED_TRACE (duringPush ? "during a push" : "while idle");
        auto sim = startProcessor (
            [&] (taviksim::SimulatorOptions& o)
            {
                if (duringPush)
                    o.faults.push_back (Fault{ FaultKind::HangUpAfter, 600, 0 });
            });
        ASSERT_NE (sim, nullptr);
        ASSERT_TRUE (connectTo (*sim));
        TopPanel top (connection, state, status, ask, progress, [] {});
        ask.asked.clear();
        titles.clear();
        if (duringPush)
            connection.syncToSoftware();
        else
            sim = nullptr; // the processor is gone

        EXPECT_TRUE (pumpUntil ([&] { return !connection.isConnected(); }, 3000));
        pump (500);
        EXPECT_EQ (ask.messages(), juce::StringArray (Connection::lineLostMessage));
        EXPECT_EQ (titles.joinIntoString ("|"), Connection::disconnectedTitle);
        EXPECT_EQ (top.getConnectButton().getButtonText(), TopPanel::connectText);
        EXPECT_FALSE (top.getSyncToSoftwareButton().isEnabled());
    }
    juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
}

TEST_F (ConnectionFlow, AnUploadWhoseByteIsNotEchoedFails)
{
    constexpr std::uint64_t failingByte = 300;
    auto sim = startProcessor (
        [] (taviksim::SimulatorOptions& o) {
            o.faults.push_back (Fault{ FaultKind::CorruptAnswer, identifyMessages + 1 + failingByte, 0 });
        });
    ASSERT_NE (sim, nullptr);
    ASSERT_TRUE (connectTo (*sim));
    ASSERT_TRUE (firmwareFile.getFile().replaceWithText (firmwareDocument (firmwareBytes())));
    ask.fileAnswers = { firmwareFile.getFile() };
    ASSERT_TRUE (connection.startFirmwareUpload());

    std::vector<int> codes;
    ASSERT_TRUE (pumpUntil (
        [&]
        {
            auto more = recorder.drain (5);
            codes.insert (codes.end(), more.begin(), more.end());
            return contains (codes, StatusUploadFailed);
        }));
    EXPECT_FALSE (contains (codes, StatusUploadComplete));
    EXPECT_FALSE (connection.isFirmwarePending());
    EXPECT_TRUE (connection.isConnected()); // the port stays open
    std::this_thread::sleep_for (200ms);
    EXPECT_EQ (sim->memory().firmware.size(), failingByte);
    EXPECT_EQ (sim->messageCount(), identifyMessages + 1 + failingByte);
}
