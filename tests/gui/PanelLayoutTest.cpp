// Where the window puts its panels and where the panels put their controls,
// checked on the pure layouts and on the real components laid out by them.
#include "DialogDriver.h"
#include "app/MainAppWindow.h"
#include "app/MainWindowContent.h"
#include "app/Settings.h"
#include "common/Status.h"
#include "control/Connection.h"
#include "control/EditHistory.h"
#include "engine/SimulatedProcessor.h"
#include "panels/DelayDialog.h"
#include "panels/DelayPanel.h"
#include "panels/Input2EQPanel.h"
#include "panels/Input2EQSubPanel.h"
#include "panels/InputSliders.h"
#include "panels/LimiterDialog.h"
#include "panels/LimiterPanel.h"
#include "panels/LogoPanel.h"
#include "panels/OutputEQCutPanel.h"
#include "panels/OutputEQPanel.h"
#include "panels/OutputEQSubPanel.h"
#include "panels/OutputGraphPanel.h"
#include "panels/OutputMutePanel.h"
#include "panels/OutputSliders.h"
#include "panels/PhasePanel.h"
#include "panels/RouterButton.h"
#include "panels/RouterPanel.h"
#include "panels/TopPanel.h"
#include "panels/UndoRedoButtons.h"
#include "state/StatePreset.h"
#include "support/StateHarness.h"
#include "ui/TavikLookAndFeel.h"

#include <gtest/gtest.h>

namespace
{
using Rect = juce::Rectangle<int>;

// The record, a real connection without a device, and settings in a file of
// the test's own: what the window needs.
struct WindowParts
{
    WindowParts() { juce::LookAndFeel::setDefaultLookAndFeel (&lookAndFeel); }
    ~WindowParts() { juce::LookAndFeel::setDefaultLookAndFeel (nullptr); }

    TavikLookAndFeel lookAndFeel;
    juce::TemporaryFile settingsFile;
    juce::PropertiesFile settings{ settingsFile.getFile(), Settings::options() };
    StateHarness h;
    Connection connection{ h.port, h.worker, h.state, settings, h.ask, h.status, h.progress, nullptr };
    UiContext context{ settings, h.state, h.status, connection, h.ask, h.progress };
};

void pump (int ms = 50)
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

// Equal as the history compares values: a padded name is the same name.
bool same (const std::vector<ParamValue>& a, const std::vector<ParamValue>& b)
{
    return std::equal (a.begin(), a.end(), b.begin(), b.end(), [] (auto& x, auto& y) { return sameValue (x, y); });
}

// The window with its edit history, connected through CONNECT to a simulated
// processor that holds other values than the program starts with.
struct HistoryWindow : WindowParts
{
    std::unique_ptr<taviksim::SimulatedProcessor> sim;
    EditHistory history{ h.state, h.ask, [this] { return connection.isConnected(); } };
    std::unique_ptr<MainAppWindow> window;

    HistoryWindow()
    {
        taviksim::SimulatorOptions options;
        options.logProblems = false;
        options.announce = true; // so the port chooser offers it
        options.engine.initialMemory.mute = 0x21;
        sim = std::make_unique<taviksim::SimulatedProcessor> (options);
        EXPECT_TRUE (sim->start()) << sim->error();
        context.history = &history;
        window = std::make_unique<MainAppWindow> (context);
        h.ask.listAnswers.push_back (sim->slavePath());
        content().getTopPanel().getConnectButton().triggerClick();
        EXPECT_TRUE (pumpUntil ([this] { return connection.isConnected(); }));
    }
    ~HistoryWindow()
    {
        window.reset();
        h.worker.stopThread (10000);
        h.port.close (false);
    }
    MainWindowContent& content() { return window->getContent(); }
    std::vector<ParamValue> record() { return ParamSpace::readAll (h.state); }
    // The real mouse, through the window's peer as the desktop delivers it.
    void mouse (juce::Component& c, juce::Point<int> at, bool down)
    {
        auto* peer = window->getPeer();
        peer->handleMouseEvent (
            juce::MouseInputSource::InputSourceType::mouse, peer->globalToLocal (c.localPointToGlobal (at).toFloat()),
            down ? juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier) : juce::ModifierKeys(),
            juce::MouseInputSource::defaultPressure, juce::MouseInputSource::defaultOrientation, mouseTime += 50);
    }
    void drag (juce::Component& c, juce::Point<int> from, juce::Point<int> to)
    {
        mouse (c, from, false);
        for (int step = 0; step <= 8; ++step)
            mouse (c, from + (to - from) * step / 8, true);
        mouse (c, to, false);
        pump();
    }
    bool key (int code, int modifiers)
    {
        const bool used = window->getPeer()->handleKeyPress (juce::KeyPress (code, juce::ModifierKeys (modifiers), 0));
        pump();
        return used;
    }
    juce::int64 mouseTime = juce::Time::currentTimeMillis();
};

// The centre of a slider's thumb at a value.
juce::Point<int> thumbAt (juce::Slider& slider, double value)
{
    return { slider.getWidth() / 2, juce::roundToInt (slider.getPositionOfValue (value)) };
}

juce::String toggles (std::initializer_list<juce::Button*> buttons)
{
    juce::String shown;
    for (auto* b : buttons)
        shown << (b->getToggleState() ? "1" : "0");
    return shown;
}
} // namespace

TEST (MainWindowLayout, SevenPanelsInTheirPlacesAndTheTitleTabs)
{
    const auto l = MainWindowContent::layoutFor (800, 560);
    EXPECT_EQ (l.top, Rect (1, 1, 798, 28));
    EXPECT_EQ (l.inputEQ, Rect (1, 30, 798, 167));
    EXPECT_EQ (l.router, Rect (1, 198, 239, 193));
    EXPECT_EQ (l.outputEQ, Rect (1, 392, 798, 167));
    EXPECT_EQ (l.logo, Rect (242, 198, 240, 135));
    EXPECT_EQ (l.mute, Rect (242, 334, 240, 57));
    EXPECT_EQ (l.graph, Rect (484, 198, 315, 193));

    // A degenerate window gives empty panels, never negative sizes.
    for (const auto& r : { MainWindowContent::layoutFor (0, 0), MainWindowContent::layoutFor (1, 3) })
        for (const auto& panel : { r.top, r.inputEQ, r.router, r.outputEQ, r.logo, r.mute, r.graph })
            EXPECT_TRUE (panel.getWidth() >= 0 && panel.getHeight() >= 0) << panel.toString();

    // The real content: panels added in their order, each given its rectangle.
    WindowParts parts;
    MainWindowContent content (parts.context);
    content.setSize (800, 560);
    const juce::Component* inOrder[] = { &content.getTopPanel(),        &content.getRouterPanel(),
                                         &content.getInputEQPanel(),    &content.getOutputEQPanel(),
                                         &content.getLogoPanel(),       &content.getOutputMutePanel(),
                                         &content.getOutputGraphPanel() };
    const Rect expected[] = { l.top, l.router, l.inputEQ, l.outputEQ, l.logo, l.mute, l.graph };
    ASSERT_EQ (content.getNumChildComponents(), 7);
    for (int i = 0; i < 7; ++i)
    {
        EXPECT_EQ (content.getChildComponent (i), inOrder[i]) << i;
        EXPECT_EQ (inOrder[i]->getBounds(), expected[i]) << i;
        EXPECT_TRUE (inOrder[i]->isVisible()) << i;
    }
    EXPECT_EQ (content.getInputEQPanel().getTitle(), "INPUT");
    EXPECT_EQ (content.getOutputEQPanel().getTitle(), "OUTPUT");
    EXPECT_EQ (content.getOutputGraphPanel().getTitle(), "");
    EXPECT_EQ (content.getLogoPanel().getTitle(), "");

    EXPECT_EQ (content.getRouterPanel().getTitleTab(), Rect (8, 6, 60, 13));
    EXPECT_EQ (content.getOutputMutePanel().getTitleTab(), Rect (66, 6, 104, 13));
    EXPECT_EQ (content.getLogoPanel().getCentreColour(), juce::Colour (0xff3aa8c2));
    EXPECT_EQ (content.getLogoPanel().getEdgeColour(), juce::Colour (0xff006d87));
    const auto& logo = content.getLogoPanel().getLogo();
    EXPECT_EQ (logo.getWidth(), 283);
    EXPECT_EQ (logo.getHeight(), 126);
    EXPECT_TRUE (logo.hasAlphaChannel());
}

TEST (MainWindowLayout, RouterPanelControlsAndCaptions)
{
    const auto l = RouterPanel::layoutFor (239, 193);
    const int xs[] = { 48, 75, 102 }, ys[] = { 39, 60, 81, 102, 123, 144 };
    for (int output = 0; output < 6; ++output)
    {
        for (int input = 0; input < 3; ++input)
            EXPECT_EQ (l.buttons[(size_t) input][(size_t) output], Rect (xs[input], ys[output], 14, 14));
        EXPECT_EQ (l.editors[(size_t) output], Rect (129, ys[output], 62, 14));
        EXPECT_EQ (l.outputNumbers[(size_t) output], Rect (0, 39 + 21 * output, 43, 13));
    }
    EXPECT_EQ (l.inputsCaption, Rect (45, 21, 72, 14));
    EXPECT_FLOAT_EQ (l.editorFontHeight, 10.5f);

    // "OUTPUTS" reads upwards beside the output numbers, within the rows.
    const auto caption = l.outputsBox.transformedBy (l.outputsTransform);
    EXPECT_NEAR (caption.getX(), 239 * 0.08f, 0.01f);
    EXPECT_LE (caption.getRight(), (float) l.outputNumbers[0].getRight() - 8.0f);
    EXPECT_NEAR (caption.getY(), 39.0f, 0.01f);
    EXPECT_NEAR (caption.getBottom(), 144.0f + 14.0f, 0.01f);
    const auto upwards = juce::Point<float> (1.0f, 0.0f).transformedBy (l.outputsTransform) -
                         juce::Point<float>().transformedBy (l.outputsTransform);
    EXPECT_NEAR (upwards.y, -1.0f, 1e-5f);

    WindowParts parts;
    RouterPanel panel (parts.h.state);
    panel.setSize (239, 193);
    for (int output = 0; output < 6; ++output)
    {
        for (int input = 0; input < 3; ++input)
        {
            auto& button = panel.getButton (input, output);
            EXPECT_EQ (button.getBounds(), l.buttons[(size_t) input][(size_t) output]);
            EXPECT_EQ (button.getButtonText(), juce::String::charToString (juce::juce_wchar ('A' + input)));
            EXPECT_EQ (parts.lookAndFeel.getTextButtonFont (button, 14).getHeight(), 14.0f);
        }
        auto& editor = panel.getNameEditor (output);
        EXPECT_EQ (editor.getBounds(), l.editors[(size_t) output]);
        EXPECT_EQ (editor.getName(), "RouterPanel output name editor " + juce::String (output));
        EXPECT_FLOAT_EQ (editor.getFont().getHeight(), 10.5f);
        EXPECT_TRUE (editor.getFont().isBold());
    }
}

TEST (MainWindowLayout, MutePanelButtons)
{
    const auto l = OutputMutePanel::layoutFor (240, 57);
    WindowParts parts;
    OutputMutePanel panel (parts.h.state);
    panel.setSize (240, 57);
    for (int output = 0; output < 6; ++output)
    {
        EXPECT_EQ (l.buttons[(size_t) output], Rect (45 + 24 * output, 26, 24, 23));
        EXPECT_EQ (panel.getButton (output).getBounds(), l.buttons[(size_t) output]);
        EXPECT_EQ (panel.getButton (output).getButtonText(), juce::String (output + 1));
    }
}

TEST (MainWindowLayout, TopPanelButtons)
{
    const auto l = TopPanel::layoutFor (798, 28);
    EXPECT_EQ (l.load, Rect (80, 6, 32, 17));
    EXPECT_EQ (l.save, Rect (112, 6, 32, 17));
    EXPECT_EQ (l.progress, Rect (176, 6, 120, 17));
    EXPECT_EQ (l.connect, Rect (335, 6, 128, 17));
    EXPECT_EQ (l.syncToSoftware, Rect (519, 6, 88, 17));
    EXPECT_EQ (l.syncToHardware, Rect (606, 6, 88, 17));
    EXPECT_EQ (l.upload, Rect (702, 6, 80, 17));
    EXPECT_EQ (l.remote, Rect (297, 6, 36, 17)); // in the gap: clear of the progress bar and CONNECT
}

TEST (MainWindow, ReadBackRefreshesThePanelsAndAnnouncesTheChange)
{
    WindowParts parts;
    MainWindowContent content (parts.context);
    StatusRecorder codes (parts.h.status);
    auto& router = parts.h.state.routerState;
    router.applyReadBack (2, 0x05);
    parts.h.state.muteState.applyReadBack (0x21);
    parts.h.outputs().setChannelName (4, "Balcony", false);

    broadcastStatus (parts.h.status, StatusBusy); // not a read-back: nothing is refreshed
    EXPECT_EQ (codes.drain(), std::vector<int>{ StatusBusy });
    EXPECT_FALSE (content.getRouterPanel().getButton (0, 2).getToggleState());
    EXPECT_FALSE (content.getOutputMutePanel().getButton (5).getToggleState());

    broadcastStatus (parts.h.status, StatusReadBackDone);
    EXPECT_EQ (codes.drain(), (std::vector<int>{ StatusReadBackDone, StatusStateChanged }));
    for (int input = 0; input < 3; ++input)
        EXPECT_EQ (content.getRouterPanel().getButton (input, 2).getToggleState(), input != 1) << input;
    for (int output = 0; output < 6; ++output)
        EXPECT_EQ (content.getOutputMutePanel().getButton (output).getToggleState(), output == 0 || output == 5);
    EXPECT_EQ (content.getRouterPanel().getNameEditor (4).getText(), "Balcony");
}

TEST (MainWindow, NamesTypedAMomentBeforeSaveCopyLoadOrCloseAreInTheRecord)
{
    WindowParts parts;
    MainAppWindow window (parts.context);
    auto& content = window.getContent();
    juce::TemporaryFile preset (".TavikPreset");
    parts.h.ask.fileAnswers = { preset.getFile(), preset.getFile() };
    juce::Button* const clicked[] = { &content.getTopPanel().getSaveButton(),
                                      &content.getOutputEQPanel().getCopyButton(), nullptr }; // then the close button
    for (int output = 0; output < 3; ++output)
    {
        content.getRouterPanel().getNameEditor (output).setText ("Zone " + juce::String (output));
        pump(); // the editor's notice, then the click: both well inside the typing pause
        clicked[output] != nullptr ? clicked[output]->triggerClick() : window.closeButtonPressed();
        pump();
        EXPECT_EQ (parts.h.outputs().getChannelName (output), "Zone " + juce::String (output)) << output;
    }
    EXPECT_TRUE (preset.getFile().loadFileAsString().contains ("\"Zone 0\""));
    content.getInputEQPanel().getNameEditor().setText ("Typed"); // then LOAD: the file's name stays
    content.getTopPanel().getLoadButton().triggerClick();
    pump();
    EXPECT_EQ (parts.h.inputs().getChannelName (0), "INPUT A");
}

TEST (MainWindow, RestoresAndSavesItsBoundsAndKeepsItsShape)
{
    WindowParts parts;
    {
        MainAppWindow window (parts.context);
        EXPECT_EQ (window.getName(), "Tavik Serial Control - Disconnected");
        EXPECT_EQ (window.getContentComponent()->getBounds().getWidth(), 800);
        ASSERT_NE (window.getConstrainer(), nullptr);
        EXPECT_DOUBLE_EQ (window.getConstrainer()->getFixedAspectRatio(), 800.0 / 560.0);
        window.setBounds (100, 120, 1000, 700);
    }
    EXPECT_EQ (parts.settings.getValue ("bounds"), "100 120 1000 700");

    parts.settings.setValue ("bounds", "30;40,1200\t840");
    {
        MainAppWindow window (parts.context);
        EXPECT_EQ (window.getBounds(), Rect (30, 40, 1200, 840));
        EXPECT_EQ (window.getContent().getBounds().getWidth(), 1200);
    }

    parts.settings.setValue ("bounds", "5000 4000 60000 42000"); // huge, on a display no longer there
    {
        MainAppWindow window (parts.context);
        EXPECT_TRUE (juce::Desktop::getInstance().getDisplays().getTotalBounds (true).contains (window.getBounds()));
    }
    const juce::Array<Rect> displays (Rect (0, 0, 1920, 1080), Rect (1920, 0, 1280, 1024)); // the one it overlaps most
    EXPECT_EQ (MainAppWindow::boundsOnDisplays ({ 1800, 900, 800, 560 }, displays, {}), Rect (1920, 464, 800, 560));

    // Garbage keeps the centred default instead of a window nobody can see.
    parts.settings.setValue ("bounds", "garbage");
    MainAppWindow window (parts.context);
    EXPECT_EQ (window.getWidth(), 800);
    EXPECT_EQ (window.getHeight(), 560);
    pump();
}

TEST (MainWindow, EveryGestureIsOneStepThatUndoAndRedoBringBackIntoRecordAndPanels)
{
    HistoryWindow w;
    auto& top = w.content().getTopPanel();
    auto& in = w.content().getInputEQPanel();
    auto& out = w.content().getOutputEQPanel();
    auto& router = w.content().getRouterPanel();
    auto& mutes = w.content().getOutputMutePanel();
    auto& undo = top.getUndoRedoButtons()->getUndoButton();
    auto& redo = top.getUndoRedoButtons()->getRedoButton();
    const auto text = [] (SliderWithTextBox& s) { return [&s] { return s.getTextBox().getText(); }; };
    const auto typed = [] (SliderWithTextBox& s, const char* value)
    {
        s.getTextBox().showEditor();
        s.getTextBox().getCurrentTextEditor()->setText (value, false);
        s.getTextBox().getCurrentTextEditor()->keyPressed (juce::KeyPress (juce::KeyPress::returnKey));
    };
    const auto cut = [&] (int c)
    {
        auto& strip = out.getCutStrip (c);
        return toggles ({ &strip.getTypeButton (0), &strip.getTypeButton (1), &strip.getTypeButton (2),
                          &strip.getTypeButton (3), &strip.getSlopeButton (0), &strip.getSlopeButton (1),
                          &strip.getSlopeButton (2), &strip.getSlopeButton (3), &strip.getSlopeButton (4) });
    };
    const auto muteToggles = [&] {
        return toggles ({ &mutes.getButton (0), &mutes.getButton (1), &mutes.getButton (3), &mutes.getButton (5) });
    };
    auto& bandGain = out.getBandStrip (1).getGainSlider();
    auto& frequency = in.getBandStrip (2).getFrequencySlider();
    const auto outputPreset = juce::File::createTempFile (".TavikOutputPreset");
    const auto statePreset = juce::File::createTempFile (".TavikPreset");
    StateHarness loaded;
    loaded.inputs().setChannelGain (0, -20.0);
    loaded.state.routerState.setRoute (2, 1, true);
    loaded.state.muteState.setOutputMute (3, true);
    ASSERT_TRUE (statePreset.replaceWithText (statePresetElement (loaded.state)->toString()));

    struct Case
    {
        const char* step; // as the buttons' tooltips name it
        std::function<void()> gesture;
        std::function<juce::String()> shown;  // what the panels show of it
        bool asks = false;                    // undoing it asks first
        std::function<void()> before = [] {}; // not part of the step: a copy, another channel shown
    };
    const Case cases[] = {
        { "SYNC TO HARDWARE", [&] { top.getSyncToHardwareButton().triggerClick(); }, muteToggles, true },
        { "output 1 band 2 gain", [&] { w.drag (bandGain, thumbAt (bandGain, 0.0), thumbAt (bandGain, 6.0)); },
          text (bandGain) },
        { "input A band 3 frequency",
          [&]
          {
              juce::MouseWheelDetails notch{};
              notch.deltaY = 0.1f;
              auto* peer = w.window->getPeer();
              peer->handleMouseWheel (
                  juce::MouseInputSource::InputSourceType::mouse,
                  peer->globalToLocal (frequency.localPointToGlobal (thumbAt (frequency, 800.0)).toFloat()),
                  w.mouseTime += 50, notch);
          },
          text (frequency) },
        { "input A gain", [&] { typed (in.getGainSlider(), "-3.5"); }, text (in.getGainSlider()) },
        { "output 1 high cut type", [&] { out.getCutStrip (1).getTypeButton (2).triggerClick(); },
          [&] { return cut (1); } },
        { "output 1 low cut slope", [&] { out.getCutStrip (0).getSlopeButton (3).triggerClick(); },
          [&] { return cut (0); } },
        { "output 1 phase", [&] { out.getPhasePanel().getButton().triggerClick(); },
          [&] { return out.getPhasePanel().getButton().getButtonText(); } },
        { "input B to output 3", [&] { router.getButton (1, 2).triggerClick(); },
          [&] { return toggles ({ &router.getButton (1, 2) }); } },
        { "output 4 mute", [&] { mutes.getButton (3).triggerClick(); }, muteToggles },
        { "output 1 delay",
          [&]
          {
              clickAndDrive<DelayDialog> (out.getDelayPanel().getButton(), DelayDialog::windowTitle,
                                          [] (DelayDialog& d, juce::DialogWindow&)
                                          {
                                              typeInto (d.getLeftLabel(), "2");
                                              d.getOkButton().triggerClick();
                                          });
          },
          [&] { return out.getDelayPanel().getButton().getButtonText(); } },
        { "output 1 limiter",
          [&]
          {
              clickAndDrive<LimiterDialog> (out.getLimiterPanel().getButton(), LimiterDialog::windowTitle,
                                            [] (LimiterDialog& d, juce::DialogWindow&)
                                            {
                                                typeInto (d.getEditor(), "-6");
                                                d.getOkButton().triggerClick();
                                            });
          },
          [&] { return out.getLimiterPanel().getButton().getButtonText(); } },
        { "input A name", [&] { in.getNameEditor().setText ("KICK"); }, [&] { return in.getNameEditor().getText(); } },
        { "output names",
          [&]
          {
              router.getNameEditor (1).setText ("FOH L");
              router.getNameEditor (4).setText ("FOH R");
          },
          [&] { return router.getNameEditor (1).getText() + router.getNameEditor (4).getText(); } },
        { "FLAT output 1", [&] { out.getFlatButton().triggerClick(); }, text (bandGain) },
        { "PASTE input B", [&] { in.getPasteButton().triggerClick(); },
          [&] { return in.getGainSlider().getTextBox().getText() + in.getNameEditor().getText(); }, false,
          [&]
          {
              in.getCopyButton().triggerClick();
              in.getChannelButton (1).triggerClick();
          } },
        { "LOAD output 3", [&] { out.getLoadButton().triggerClick(); },
          [&] { return bandGain.getTextBox().getText() + out.getDelayPanel().getButton().getButtonText(); }, false,
          [&]
          {
              w.h.ask.fileAnswers = { outputPreset, outputPreset };
              out.getSaveButton().triggerClick();
              out.getChannelButton (2).triggerClick();
          } },
        { "LOAD",
          [&]
          {
              w.h.ask.fileAnswers = { statePreset };
              top.getLoadButton().triggerClick();
          },
          [&] {
              return in.getGainSlider().getTextBox().getText() + toggles ({ &router.getButton (1, 2) }) + muteToggles();
          } },
    };
    EXPECT_FALSE (undo.isEnabled());
    EXPECT_FALSE (redo.isEnabled());
    for (const auto& c : cases)
    {
        c.before();
        pump();
        const int steps = w.history.getNumSteps();
        const auto before = w.record();
        const auto shownBefore = c.shown();
        c.gesture();
        ASSERT_TRUE (pumpUntil ([&] { return w.history.getNumSteps() > steps; })) << c.step;
        pump (100);
        EXPECT_EQ (w.history.getNumSteps(), steps + 1) << c.step;
        EXPECT_EQ (undo.getTooltip(), juce::String ("Undo ") + c.step);
        const auto after = w.record();
        const auto shownAfter = c.shown();
        EXPECT_NE (shownAfter, shownBefore) << c.step;

        if (c.asks)
            w.h.ask.okCancelAnswers.push_back (true);
        undo.triggerClick();
        EXPECT_TRUE (pumpUntil ([&] { return same (w.record(), before); })) << c.step;
        EXPECT_EQ (c.shown(), shownBefore) << c.step;
        EXPECT_EQ (redo.getTooltip(), juce::String ("Redo ") + c.step);
        redo.triggerClick();
        EXPECT_TRUE (pumpUntil ([&] { return same (w.record(), after); })) << c.step;
        EXPECT_EQ (c.shown(), shownAfter) << c.step;
        EXPECT_FALSE (redo.isEnabled()) << c.step;
    }

    // What a user looks at is not an edit: another output, a curve on the graph, the delay's unit.
    const auto steps = w.history.getNumSteps();
    const auto record = w.record();
    out.getChannelButton (4).triggerClick();
    w.content().getOutputGraphPanel().getButton (2).triggerClick();
    clickAndDrive<DelayDialog> (out.getDelayPanel().getButton(), DelayDialog::windowTitle,
                                [] (DelayDialog& d, juce::DialogWindow&)
                                {
                                    d.getLeftCombo().setSelectedItemIndex (2, juce::sendNotificationSync);
                                    d.getOkButton().triggerClick();
                                });
    pump (600);
    EXPECT_EQ (w.history.getNumSteps(), steps);
    EXPECT_TRUE (same (w.record(), record));
    EXPECT_EQ (undo.getTooltip(), "Undo LOAD");
    outputPreset.deleteFile();
    statePreset.deleteFile();
}

TEST (MainWindow, TheKeysUndoAndRedoExceptInATextBoxBeingTypedIn)
{
    HistoryWindow w;
    auto& undo = w.content().getTopPanel().getUndoRedoButtons()->getUndoButton();
    auto& redo = w.content().getTopPanel().getUndoRedoButtons()->getRedoButton();
    EXPECT_FALSE (undo.isEnabled() || redo.isEnabled());
    w.content().getOutputMutePanel().getButton (2).triggerClick();
    ASSERT_TRUE (pumpUntil ([&] { return w.h.state.muteState.isMuted (2); }));

    const int ctrl = juce::ModifierKeys::commandModifier, shift = juce::ModifierKeys::shiftModifier;
    struct Press
    {
        int key, modifiers;
        bool muted;
        const char* undoTip; // and the redo button's tooltip when undo's is empty
    };
    for (const auto& p :
         { Press{ 'Z', ctrl, false, "Redo output 3 mute" }, Press{ 'Z', ctrl | shift, true, "Undo output 3 mute" },
           Press{ 'Z', ctrl, false, "Redo output 3 mute" }, Press{ 'Y', ctrl, true, "Undo output 3 mute" } })
    {
        EXPECT_TRUE (w.key (p.key, p.modifiers));
        EXPECT_EQ (w.h.state.muteState.isMuted (2), p.muted);
        EXPECT_EQ (undo.isEnabled(), p.muted);
        EXPECT_EQ (redo.isEnabled(), !p.muted);
        EXPECT_EQ ((p.muted ? undo : redo).getTooltip(), p.undoTip);
    }

    // Typing in a name: there the keys edit the text, until a click elsewhere ends the typing.
    auto& name = w.content().getInputEQPanel().getNameEditor();
    name.grabKeyboardFocus();
    ASSERT_TRUE (pumpUntil ([&] { return name.hasKeyboardFocus (false); }));
    name.moveCaretToEnd();
    w.window->getPeer()->handleKeyPress (juce::KeyPress ('x', {}, 'x'));
    EXPECT_EQ (name.getText(), "INPUT Ax");
    EXPECT_TRUE (w.key ('Z', ctrl));
    EXPECT_EQ (name.getText(), "INPUT A");
    EXPECT_TRUE (w.h.state.muteState.isMuted (2));

    auto& gain = w.content().getInputEQPanel().getGainSlider();
    w.drag (gain, thumbAt (gain, gain.getValue()), thumbAt (gain, gain.getValue()));
    EXPECT_FALSE (name.hasKeyboardFocus (false));
    EXPECT_TRUE (w.key ('Z', ctrl));
    EXPECT_FALSE (w.h.state.muteState.isMuted (2));
    EXPECT_EQ (w.h.inputs().getChannelName (0), "INPUT A");

    // A name typed a moment before the click goes in first: it is what is undone.
    EXPECT_TRUE (w.key ('Y', ctrl));
    w.content().getRouterPanel().getNameEditor (0).setText ("Stage");
    pump (20);
    undo.triggerClick();
    pump (600);
    EXPECT_EQ (w.h.outputs().getChannelName (0), "OUTPUT 1");
    EXPECT_EQ (redo.getTooltip(), "Redo output 1 name");
    EXPECT_TRUE (w.h.state.muteState.isMuted (2));
}
