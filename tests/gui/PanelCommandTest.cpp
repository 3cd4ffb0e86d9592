// What the router, mute and top panels send and show: clicks and typing on
// the real components, the commands checked where they land, in the
// simulated processor on a pseudo-terminal.
#include "TranscriptMarker.h"
#include "app/MainAppWindow.h"
#include "app/MainWindowContent.h"
#include "app/Settings.h"
#include "common/Status.h"
#include "control/Connection.h"
#include "device/FirmwareImage.h"
#include "device/Protocol.h"
#include "device/SyncToHardwareCommand.h"
#include "engine/SimulatedProcessor.h"
#include "panels/OutputMutePanel.h"
#include "panels/RouterButton.h"
#include "panels/RouterPanel.h"
#include "panels/TopPanel.h"
#include "state/StatePreset.h"
#include "support/StateHarness.h"
#include "ui/TavikLookAndFeel.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

namespace
{
using namespace std::chrono_literals;

void pump (int ms = 20)
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil (ms);
}

// Pumps the message loop until the condition holds; false if it never does.
template <typename Condition>
bool pumpUntil (Condition condition)
{
    for (int i = 0; i < 500 && !condition(); ++i)
        pump (10);
    return condition();
}

struct PanelCommands : ::testing::Test
{
    TavikLookAndFeel lookAndFeel;
    std::unique_ptr<taviksim::SimulatedProcessor> sim;
    StateHarness h;

    void SetUp() override
    {
        juce::LookAndFeel::setDefaultLookAndFeel (&lookAndFeel);
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
        juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
    }

    std::size_t seen = 0; // transcript entries already returned

    // What the processor received since the last call (input A's gain of
    // -1 dB, which nothing here sends, marks the end).
    std::vector<Bytes> sentBeforeMarker()
    {
        return ::sentBeforeMarker (
            *sim, seen, [this] { h.inputs().setChannelGain (0, -1.0); }, 0xA0, Protocol::gainCode (-1.0));
    }
};

std::vector<Bytes> nameCommands (int output, const std::string& padded)
{
    std::vector<Bytes> commands;
    for (int p = 0; p < 8; ++p)
        commands.push_back (
            { std::uint8_t (0xA4 + output), 0x00, std::uint8_t (0x18 + p), std::uint8_t (padded[(size_t) p]) });
    return commands;
}

// What every control below root shows, in the order of the children.
juce::String shownBy (const juce::Component& root)
{
    juce::StringArray shown;
    for (const auto* child : root.getChildren())
    {
        if (const auto* slider = dynamic_cast<const juce::Slider*> (child))
            shown.add (juce::String (slider->getValue()));
        else if (const auto* button = dynamic_cast<const juce::Button*> (child))
            shown.add (button->getButtonText() + (button->getToggleState() ? " on" : " off") +
                       (button->isEnabled() ? "" : " disabled"));
        else if (const auto* editor = dynamic_cast<const juce::TextEditor*> (child))
            shown.add (editor->getText());
        else if (const auto* label = dynamic_cast<const juce::Label*> (child))
            shown.add (label->getText());
        shown.add (shownBy (*child));
    }
    shown.removeEmptyStrings();
    return shown.joinIntoString ("; ");
}

void typeInto (juce::TextEditor& editor, const juce::String& text)
{
    editor.selectAll();
    for (auto c : text)
    {
        editor.insertTextAtCaret (juce::String::charToString (c));
        pump (1);
    }
}
} // namespace

TEST_F (PanelCommands, OneCrosspointClickSendsTheOutputsWholeMask)
{
    h.state.routerState.applyReadBack (2, 0x01); // output 3 has A only
    RouterPanel panel (h.state);
    auto& b = panel.getButton (1, 2);
    EXPECT_FALSE (b.getToggleState());

    b.triggerClick();
    ASSERT_TRUE (pumpUntil ([&] { return b.getToggleState(); }));
    EXPECT_EQ (h.state.routerState.getInputMask (2), 3);
    b.triggerClick();
    ASSERT_TRUE (pumpUntil ([&] { return !b.getToggleState(); }));
    EXPECT_EQ (h.state.routerState.getInputMask (2), 1);

    EXPECT_EQ (sentBeforeMarker(), (std::vector<Bytes>{ { 0xA6, 0x00, 0x15, 0x03 }, { 0xA6, 0x00, 0x15, 0x01 } }));
}

TEST_F (PanelCommands, OneMuteClickSendsTheMaskWithThatOutputsGain)
{
    h.outputs().setChannelGain (2, -19.0); // sent: part of what the device has
    h.state.muteState.applyReadBack (0x21);
    OutputMutePanel panel (h.state);
    panel.refreshMutePanel();
    ASSERT_EQ (sentBeforeMarker().size(), 1u);

    auto& three = panel.getButton (2);
    three.triggerClick();
    ASSERT_TRUE (pumpUntil ([&] { return three.getToggleState(); }));
    EXPECT_EQ (h.state.muteState.getMask(), 0x25);
    three.triggerClick();
    ASSERT_TRUE (pumpUntil ([&] { return !three.getToggleState(); }));
    EXPECT_EQ (h.state.muteState.getMask(), 0x21);

    const auto sent = sentBeforeMarker();
    ASSERT_EQ (sent.size(), 2u);
    EXPECT_EQ (sent[0], (Bytes{ 0xB6, 0x00, 0x25, 0xFF }));
    EXPECT_EQ (sent[1][2], 0x21);
    EXPECT_EQ (sent[1][3], sim->memory().output (2)[0x00]) << "unmuting restores the gain just set";
}

TEST_F (PanelCommands, NamesGoOutOnceWhenTypingPauses)
{
    RouterPanel panel (h.state);
    typeInto (panel.getNameEditor (0), "Lobby/Bar12");
    typeInto (panel.getNameEditor (3), juce::CharPointer_UTF8 ("Sub\xc3\xa9"));
    typeInto (panel.getNameEditor (5), h.outputs().getChannelName (5)); // unchanged

    ASSERT_TRUE (pumpUntil ([&] { return panel.isNameSendPending(); }));
    {
        // Names reported meanwhile show only where nothing was typed.
        const DeviceState::Edit edit (h.state, DeviceState::ChangeSource::readBack);
        h.outputs().setChannelName (0, "Remote", false);
        h.outputs().setChannelName (1, "Remote", false);
    }
    EXPECT_EQ (panel.getNameEditor (1).getText(), "Remote");
    EXPECT_EQ (sim->messageCount(), 0u) << "nothing goes out while typing may go on";
    EXPECT_EQ (panel.getNameEditor (0).getText(), "Lobby/Ba");
    EXPECT_EQ (panel.getNameEditor (3).getText(), "Sub-");
    h.outputs().setChannelName (1, "Remote", false); // read back, not yet shown: not typed here, kept

    ASSERT_TRUE (pumpUntil ([&] { return !panel.isNameSendPending(); }));
    auto expected = nameCommands (0, "Lobby/Ba");
    const auto sub = nameCommands (3, "Sub-    ");
    expected.insert (expected.end(), sub.begin(), sub.end());
    EXPECT_EQ (sentBeforeMarker(), expected);
    EXPECT_EQ (h.outputs().getChannelName (0), "Lobby/Ba");
    EXPECT_EQ (h.outputs().getChannelName (3), "Sub-");
    EXPECT_EQ (h.outputs().getChannelName (1), "Remote");
}

TEST_F (PanelCommands, RefreshShowsTheRecordAndSendsNothing)
{
    RouterPanel router (h.state);
    OutputMutePanel mutes (h.state);
    const auto showsTheRecord = [&]
    {
        for (int output = 0; output < 6; ++output)
        {
            for (int input = 0; input < 3; ++input)
                EXPECT_TRUE (router.getButton (input, output).getToggleState());
            EXPECT_EQ (router.getNameEditor (output).getText(), "Zone " + juce::String (output));
            EXPECT_TRUE (mutes.getButton (output).getToggleState());
        }
    };
    {
        // Announced as one change, which the panels show by themselves.
        const DeviceState::Edit edit (h.state, DeviceState::ChangeSource::readBack);
        for (int output = 0; output < 6; ++output)
        {
            h.state.routerState.applyReadBack (output, 0x07);
            h.outputs().setChannelName (output, "Zone " + juce::String (output), false);
        }
        h.state.muteState.applyReadBack (0x3F);
    }
    showsTheRecord();

    router.refreshRouterPanel();
    mutes.refreshMutePanel();
    pump (50);
    showsTheRecord();
    EXPECT_FALSE (router.isNameSendPending());
    EXPECT_TRUE (sentBeforeMarker().empty());
}

TEST_F (PanelCommands, EveryControlShowsAChangeFromEachSourceAndSendsNothingForIt)
{
    juce::TemporaryFile settingsFile;
    juce::PropertiesFile settings (settingsFile.getFile(), Settings::options());
    Connection connection (h.port, h.worker, h.state, settings, h.ask, h.status, h.progress, nullptr);
    const UiContext context{ settings, h.state, h.status, connection, h.ask, h.progress };
    MainWindowContent window (context);

    StateHarness other; // the preset file's and the clipboard's values; its port is closed
    other.inputs().setBandGain (0, 1, 4.5);
    other.inputs().setDelaySteps (0, 480);
    other.outputs().setCutFilter (0, 1, 3, 3);
    other.outputs().setPhase (0, 1);
    other.outputs().setLimiterThreshold (0, -7.0f);
    other.outputs().setDelaySteps (0, 960);
    other.outputs().setChannelName (0, "Sub", false);
    other.state.routerState.setRoute (0, 2, true);
    ReadBackBuffer read{}; // all zero: gains +12 dB, bands -12 dB at 20 Hz, no names
    read.routing.fill (0x07);
    read.mute = 0x3F;

    using Kind = Param::Kind;
    const struct
    {
        const char* source;
        std::function<void()> change;
        std::size_t messages; // what the source itself sends
    } changes[] = {
        { "named write",
          [&]
          {
              ParamSpace::write (h.state, { { Param::input (0, Kind::bandGain, 2), 6.0 },
                                            { Param::out (0, Kind::cutType, 0), 2 },
                                            { Param::out (0, Kind::route, 1), 1 },
                                            { Param::out (0, Kind::mute), 1 },
                                            { Param::out (0, Kind::name), juce::String ("Fill") } });
          },
          12 },
        { "whole-state preset", [&] { applyStatePreset (h.state, *statePresetElement (other.state)); }, 273 },
        { "clipboard",
          [&]
          {
              other.inputs().setChannelName (0, "Vox", false);
              other.inputs().setBandFrequency (0, 2, 2000.0);
              other.inputs().copyChannelToClipboard (0);
              h.ask.clipboard = other.ask.clipboard;
              h.inputs().pasteChannelFromClipboard (0);
          },
          29 },
        { "read-back", [&] { h.state.applyReadBack (read); }, 0 },
    };
    for (const auto& c : changes)
    {
        const auto before = shownBy (window);
        c.change();
        MainWindowContent built (context); // built and refreshed now: the record as it is
        built.refreshPanels();
        EXPECT_EQ (shownBy (window), shownBy (built)) << c.source;
        EXPECT_NE (shownBy (window), before) << c.source;
        EXPECT_EQ (sentBeforeMarker().size(), c.messages) << c.source;
    }
    window.refreshPanels();
    EXPECT_TRUE (sentBeforeMarker().empty());
}

TEST_F (PanelCommands, DuringAnUploadQuittingAsksFirstAndUploadIsNotStartedAgain)
{
    juce::TemporaryFile settingsFile;
    juce::PropertiesFile settings (settingsFile.getFile(), Settings::options());
    Connection connection (h.port, h.worker, h.state, settings, h.ask, h.status, h.progress, nullptr);
    MainAppWindow window (UiContext{ settings, h.state, h.status, connection, h.ask, h.progress });

    window.closeButtonPressed(); // nothing pending: no question
    EXPECT_TRUE (h.ask.asked.empty());

    auto image = std::make_unique<FirmwareImage>();
    image->bytes.assign ((size_t) FirmwareImage::size, 0x5A);
    ASSERT_TRUE (h.worker.startFirmwareUpload (std::move (image))); // paced: it runs for a minute
    ASSERT_TRUE (connection.isFirmwarePending());

    window.closeButtonPressed(); // the scripted user cancels
    ASSERT_EQ (h.ask.asked.size(), 1u);
    EXPECT_EQ (h.ask.asked[0].kind, "okCancel");
    EXPECT_EQ (h.ask.asked[0].title, "Tavik");
    EXPECT_EQ (h.ask.asked[0].message,
               "Interrupting a firmware upload may render your unit unusable. Are you sure you want to quit?");

    // A device new enough for uploads: UPLOAD FIRMWARE does not even ask for a file.
    h.port.setFirmwareVersion (1000000);
    auto& top = *dynamic_cast<TopPanel*> (window.getContentComponent()->getChildComponent (0));
    top.getUploadButton().setEnabled (true);
    top.getUploadButton().triggerClick();
    pump (50);
    EXPECT_EQ (h.ask.asked.size(), 1u);
    EXPECT_TRUE (connection.isFirmwarePending());
}

// DISCONNECT during an upload asks first; Cancel lets it go on, OK ends it
// at once. The processor receives nothing but image bytes: not the goodbye,
// not an edit made meanwhile, and no "upload failed" is shown.
TEST_F (PanelCommands, DisconnectingDuringAnUploadAsksFirstAndSendsNothingButTheImage)
{
    juce::TemporaryFile settingsFile;
    juce::PropertiesFile settings (settingsFile.getFile(), Settings::options());
    Connection connection (h.port, h.worker, h.state, settings, h.ask, h.status, h.progress, nullptr);
    TopPanel top (connection, h.state, h.status, h.ask, h.progress, [] {});
    auto firmware = std::make_unique<FirmwareImage>();
    for (int i = 0; i < FirmwareImage::size; ++i)
        firmware->bytes.push_back (std::uint8_t (i % 0x99)); // no 0x99
    const auto image = firmware->bytes;
    ASSERT_TRUE (h.worker.startFirmwareUpload (std::move (firmware))); // 1 ms a byte: a minute
    ASSERT_TRUE (sim->waitForMessages (20, 5000ms));
    h.outputs().setChannelGain (0, -6.0);

    h.ask.okCancelAnswers = { false, true };
    for (const bool cancel : { true, false })
    {
        const auto before = sim->messageCount();
        top.getConnectButton().triggerClick();
        EXPECT_TRUE (pumpUntil ([&] { return sim->messageCount() > before + 100 || !connection.isFirmwarePending(); }));
        EXPECT_EQ (connection.isFirmwarePending(), cancel);
    }
    ASSERT_GE (h.ask.asked.size(), 2u);
    for (int i : { 0, 1 })
        EXPECT_EQ (h.ask.asked[(size_t) i].kind + h.ask.asked[(size_t) i].title + h.ask.asked[(size_t) i].message,
                   juce::String ("okCancelTavik") + TopPanel::disconnectDuringUploadQuestion);
    EXPECT_EQ (top.getConnectButton().getButtonText(), TopPanel::connectText);
    pump (300);
    EXPECT_TRUE (h.ask.messages().isEmpty()) << h.ask.messages().joinIntoString ("|");

    const auto memory = sim->memory();
    EXPECT_TRUE (std::equal (memory.firmware.begin(), memory.firmware.end(), image.begin()));
    EXPECT_EQ (memory.goodbyes, 0);
}

// The rules of the system bar without a device: the real connection, a
// closed port.
TEST (TopPanelState, DeviceButtonsNeedADeviceAndTheBarFollowsTheQueue)
{
    TavikLookAndFeel lookAndFeel;
    juce::LookAndFeel::setDefaultLookAndFeel (&lookAndFeel);
    juce::TemporaryFile settingsFile;
    juce::PropertiesFile settings (settingsFile.getFile(), Settings::options());
    {
        StateHarness h;
        Connection connection (h.port, h.worker, h.state, settings, h.ask, h.status, h.progress, nullptr);
        TopPanel top (connection, h.state, h.status, h.ask, h.progress, [] {});
        const auto deviceButtons = [&]
        {
            return std::vector<bool>{ top.getUploadButton().isEnabled(), top.getSyncToSoftwareButton().isEnabled(),
                                      top.getSyncToHardwareButton().isEnabled() };
        };
        const std::vector<bool> allOff (3, false);

        EXPECT_EQ (deviceButtons(), allOff);
        EXPECT_TRUE (top.getLoadButton().isEnabled());
        EXPECT_TRUE (top.getSaveButton().isEnabled());
        EXPECT_FALSE (top.getProgressBar().isVisible());
        EXPECT_EQ (top.getConnectButton().getButtonText(), "CONNECT TO DEVICE");

        broadcastStatus (h.status, StatusBusy);
        pump();
        EXPECT_TRUE (top.getProgressBar().isVisible());
        broadcastStatus (h.status, StatusIdle); // a queue draining after a disconnection
        pump();
        EXPECT_FALSE (top.getProgressBar().isVisible());
        EXPECT_EQ (deviceButtons(), allOff);

        // Cancelling the port choice (or having no port) changes nothing.
        top.getConnectButton().triggerClick();
        pump();
        EXPECT_FALSE (connection.isConnected());
        EXPECT_EQ (top.getConnectButton().getButtonText(), "CONNECT TO DEVICE");
        EXPECT_EQ (deviceButtons(), allOff);

        // An upload asked for without a device is refused before any file is chosen.
        h.ask.asked.clear();
        top.getUploadButton().setEnabled (true);
        top.getUploadButton().triggerClick();
        pump();
        ASSERT_EQ (h.ask.asked.size(), 1u);
        EXPECT_EQ (h.ask.asked[0].kind, "message");
        EXPECT_EQ (h.ask.asked[0].message, "You must first connect to your Tavik before uploading firmware.");
        top.getUploadButton().setEnabled (false);

        h.ask.asked.clear();
        broadcastStatus (h.status, StatusBusy);
        broadcastStatus (h.status, StatusUploadFailed);
        pump();
        EXPECT_FALSE (top.getProgressBar().isVisible());
        EXPECT_EQ (deviceButtons(), allOff);
        broadcastStatus (h.status, StatusUploadComplete);
        pump();
        EXPECT_EQ (h.ask.messages(), juce::StringArray ({ "Firmware upload failed.", "Firmware upload complete." }));
        for (const auto& asked : h.ask.asked)
            EXPECT_EQ (asked.title, "Tavik");
    }
    juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
}

namespace
{
// The system bar on the real connection, connected with its own button to a
// simulated processor that the scripted user picks in the port chooser.
struct ConnectedBar
{
    explicit ConnectedBar (const std::function<void (taviksim::SimulatorOptions&)>& adjust)
    {
        taviksim::SimulatorOptions options;
        options.logProblems = false;
        options.announce = true; // so the port chooser offers it
        adjust (options);
        sim = std::make_unique<taviksim::SimulatedProcessor> (options);
        if (!sim->start())
            return;
        h.ask.listAnswers.push_back (sim->slavePath());
        top.getConnectButton().triggerClick();
        connected = pumpUntil ([this] { return connection.isConnected(); });
    }
    ~ConnectedBar()
    {
        h.worker.stopThread (10000);
        h.port.close (false);
    }

    std::vector<bool> deviceButtons()
    {
        return { top.getUploadButton().isEnabled(), top.getSyncToSoftwareButton().isEnabled(),
                 top.getSyncToHardwareButton().isEnabled() };
    }

    juce::TemporaryFile settingsFile;
    juce::PropertiesFile settings{ settingsFile.getFile(), Settings::options() };
    StateHarness h;
    Connection connection{ h.port, h.worker, h.state, settings, h.ask, h.status, h.progress, nullptr };
    TopPanel top{ connection, h.state, h.status, h.ask, h.progress, [] {} };
    std::unique_ptr<taviksim::SimulatedProcessor> sim;
    bool connected = false;
};

constexpr std::uint64_t identifyMessages = 2;
} // namespace

// "1.0`" is how a processor spells 999999, the last version that can neither
// read back nor take an upload; "1.0a" (1000000) is the first that can.
TEST (TopPanelState, ConnectedTheBarOffersTheDeviceAndTheVersionGatesReadBackAndUpload)
{
    const std::vector<bool> allOn (3, true);
    struct Case
    {
        const char* spelled;
        int version;
        juce::StringArray messages; // after UPLOAD FIRMWARE, then SYNC TO HARDWARE
        juce::StringArray chooser;  // the firmware file asked for
        std::uint64_t readBack;     // messages the read-back sent
    };
    const Case cases[] = {
        { "1.0`",
          999999,
          { "Your Tavik does not support uploading firmware.  Please contact Orveth customer service.",
            "Your Tavik does not support this feature.  Please update your firmware." },
          {},
          0 },
        { "1.0a", 1000000, {}, { "Please select the firmware to upload" }, 11 },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.spelled);
        ConnectedBar bar ([&] (taviksim::SimulatorOptions& o) { o.engine.versionText = c.spelled; });
        ASSERT_TRUE (bar.connected);
        EXPECT_EQ (bar.connection.getFirmwareVersion(), c.version);
        EXPECT_EQ (bar.top.getConnectButton().getButtonText(), juce::String ("DISCONNECT FROM DEVICE"));
        EXPECT_EQ (bar.deviceButtons(), allOn);
        EXPECT_TRUE (bar.top.getLoadButton().isEnabled() && bar.top.getSaveButton().isEnabled());
        EXPECT_FALSE (bar.top.getProgressBar().isVisible());

        bar.h.ask.asked.clear();
        bar.top.getUploadButton().triggerClick(); // the scripted user cancels the file chooser
        bar.top.getSyncToHardwareButton().triggerClick();
        pump (50);
        EXPECT_EQ (bar.h.ask.messages().joinIntoString ("|"), c.messages.joinIntoString ("|"));
        juce::StringArray chooser;
        for (const auto& asked : bar.h.ask.asked)
            if (asked.kind == "open")
                chooser.add (asked.title);
        EXPECT_EQ (chooser.joinIntoString ("|"), c.chooser.joinIntoString ("|"));
        EXPECT_FALSE (bar.connection.isFirmwarePending());

        ASSERT_TRUE (bar.sim->waitForMessages (identifyMessages + c.readBack, 5000ms));
        ASSERT_TRUE (pumpUntil ([&] { return bar.deviceButtons() == allOn && bar.h.worker.getPendingCount() == 0; }));
        EXPECT_EQ (bar.sim->messageCount(), identifyMessages + c.readBack);
    }
}

// DISCONNECT while edits still wait for the line asks first; Cancel keeps
// the connection, and the edits still reach the processor.
TEST (TopPanelState, DisconnectingWithCommandsWaitingAsksAndCancelKeepsTheConnection)
{
    ConnectedBar bar (
        [] (taviksim::SimulatorOptions& o) {
            o.faults.push_back ({ taviksim::FaultKind::DelayAnswer, identifyMessages + 1, 1500 });
        });
    ASSERT_TRUE (bar.connected);
    for (int input = 0; input < 3; ++input)
        bar.h.inputs().setChannelGain (input, -3.0 - input);
    ASSERT_TRUE (bar.connection.hasWaitingCommands());

    bar.h.ask.asked.clear();
    bar.h.ask.okCancelAnswers = { false };
    bar.top.getConnectButton().triggerClick();
    pump (50);
    ASSERT_EQ (bar.h.ask.asked.size(), 1u);
    EXPECT_EQ (bar.h.ask.asked[0].kind, "okCancel");
    EXPECT_EQ (bar.h.ask.asked[0].title, "Tavik");
    EXPECT_EQ (bar.h.ask.asked[0].message, "The application is currently writing to the device.  Are you sure you "
                                           "want to disconnect and lose any pending changes?");
    EXPECT_TRUE (bar.connection.isConnected());
    EXPECT_EQ (bar.top.getConnectButton().getButtonText(), juce::String ("DISCONNECT FROM DEVICE"));
    EXPECT_EQ (bar.deviceButtons(), std::vector<bool> (3, true));

    ASSERT_TRUE (bar.sim->waitForMessages (identifyMessages + 3, 5000ms));
    for (int input = 0; input < 3; ++input)
        EXPECT_EQ (bar.sim->memory().input (input)[0], Protocol::gainCode (-3.0 - input)) << input;
    EXPECT_EQ (bar.sim->memory().goodbyes, 0);

    // Nothing waiting: no question, and the processor is told goodbye.
    ASSERT_TRUE (pumpUntil ([&] { return !bar.connection.hasWaitingCommands(); }));
    bar.top.getConnectButton().triggerClick();
    pump (50);
    EXPECT_EQ (bar.h.ask.asked.size(), 1u);
    EXPECT_FALSE (bar.connection.isConnected());
    EXPECT_EQ (bar.top.getConnectButton().getButtonText(), juce::String ("CONNECT TO DEVICE"));
    EXPECT_EQ (bar.deviceButtons(), std::vector<bool> (3, false));
    ASSERT_TRUE (bar.sim->waitForMessages (identifyMessages + 4, 5000ms));
    EXPECT_EQ (bar.sim->memory().goodbyes, 1);
}
