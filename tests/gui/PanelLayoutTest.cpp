// Where the window puts its panels and where the panels put their controls,
// checked on the pure layouts and on the real components laid out by them.
#include "app/MainAppWindow.h"
#include "app/MainWindowContent.h"
#include "app/Settings.h"
#include "common/Status.h"
#include "control/Connection.h"
#include "panels/Input2EQPanel.h"
#include "panels/LogoPanel.h"
#include "panels/OutputEQPanel.h"
#include "panels/OutputGraphPanel.h"
#include "panels/OutputMutePanel.h"
#include "panels/RouterButton.h"
#include "panels/RouterPanel.h"
#include "panels/TopPanel.h"
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

void pump()
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil (50);
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
