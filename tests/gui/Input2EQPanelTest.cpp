// The input EQ panel: where its controls stand, what a channel button, FLAT
// and the name editor send, and the channel it remembers.
#include "Input2EQFixture.h"

#include "common/EqTables.h"
#include "panels/DelayPanel.h"
#include "panels/Input2EQSubPanel.h"
#include "panels/InputSliders.h"

using namespace input2eq;

namespace
{
using Rect = juce::Rectangle<int>;

std::vector<Bytes> nameCommands (int input, const std::string& padded)
{
    std::vector<Bytes> commands;
    for (int p = 0; p < 8; ++p)
        commands.push_back (inputCommand (input, 0x18 + p, (std::uint8_t) padded[(size_t) p]));
    return commands;
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

TEST_F (PanelOnSimulator, LayoutInTheDefaultWindow)
{
    const auto l = Input2EQPanel::layoutFor (798, 167);
    EXPECT_EQ (l.gainSlider, Rect (32, 42, 10, 94));
    EXPECT_EQ (l.gainTextBox, Rect (21, 143, 32, 16));
    EXPECT_EQ (l.load, Rect (80, 4, 32, 18));
    EXPECT_EQ (l.save, Rect (112, 4, 32, 18));
    for (int input = 0; input < 3; ++input)
        EXPECT_EQ (l.channelButtons[(size_t) input], Rect (156 + 19 * input, 4, 19, 18));
    EXPECT_EQ (l.nameEditor, Rect (239, 4, 64, 18));
    EXPECT_FLOAT_EQ (l.nameFontHeight, 11.7f);
    EXPECT_EQ (l.copy, Rect (335, 4, 32, 18));
    EXPECT_EQ (l.paste, Rect (367, 4, 32, 18));
    EXPECT_EQ (l.flat, Rect (415, 4, 32, 18));
    for (int band = 0; band < 6; ++band)
        EXPECT_EQ (l.bands[(size_t) band], Rect (56 + 124 * band, 27, 124, 139));
    EXPECT_EQ (l.delay, Rect (658, 4, 132, 20));
    EXPECT_EQ (l.bandsBackdrop, juce::Rectangle<float> (56.0f, 27.0f, 0.99f * 744.0f, 139.0f));
    EXPECT_FLOAT_EQ (l.bandsBackdropCorner, 13.9f);
    EXPECT_EQ (l.gainHeading, Rect (21, 32, 32, 10));

    const auto s = Input2EQSubPanel::layoutFor (124, 139);
    EXPECT_EQ (s.gain, Rect (21, 28, 11, 83));
    EXPECT_EQ (s.frequency, Rect (56, 28, 11, 83));
    EXPECT_EQ (s.bandwidth, Rect (91, 28, 11, 83));
    EXPECT_EQ (s.gainBox, Rect (14, 119, 25, 12)); // 12.5 rounds to the even 12
    EXPECT_EQ (s.frequencyBox, Rect (49, 119, 25, 12));
    EXPECT_EQ (s.bandwidthBox, Rect (84, 119, 25, 12));

    // The real panel: children in their order, each where the layout says.
    Input2EQPanel panel (context());
    panel.setSize (798, 167);
    EXPECT_EQ (panel.getTitle(), "INPUT");
    const juce::Component* inOrder[] = { &panel.getGainSlider().getTextBox(),
                                         &panel.getGainSlider(),
                                         &panel.getChannelButton (0),
                                         &panel.getChannelButton (1),
                                         &panel.getChannelButton (2),
                                         &panel.getBandStrip (0),
                                         &panel.getBandStrip (1),
                                         &panel.getBandStrip (2),
                                         &panel.getBandStrip (3),
                                         &panel.getBandStrip (4),
                                         &panel.getBandStrip (5),
                                         &panel.getFlatButton(),
                                         &panel.getCopyButton(),
                                         &panel.getPasteButton(),
                                         &panel.getLoadButton(),
                                         &panel.getSaveButton(),
                                         &panel.getDelayPanel(),
                                         &panel.getNameEditor() };
    const Rect expected[] = { l.gainTextBox,
                              l.gainSlider,
                              l.channelButtons[0],
                              l.channelButtons[1],
                              l.channelButtons[2],
                              l.bands[0],
                              l.bands[1],
                              l.bands[2],
                              l.bands[3],
                              l.bands[4],
                              l.bands[5],
                              l.flat,
                              l.copy,
                              l.paste,
                              l.load,
                              l.save,
                              l.delay,
                              l.nameEditor };
    ASSERT_EQ (panel.getNumChildComponents(), 18);
    for (int i = 0; i < 18; ++i)
    {
        EXPECT_EQ (panel.getChildComponent (i), inOrder[i]) << i;
        EXPECT_EQ (inOrder[i]->getBounds(), expected[i]) << i;
    }
    EXPECT_EQ (panel.getNameEditor().getName(), "Input2EQPanel mChannelNameEditor");
    EXPECT_EQ (panel.getGainSlider().getName(), "Input2EQGainSlider");
    EXPECT_EQ (panel.getGainSlider().getTextBox().getName(), "slider text box");
    EXPECT_FLOAT_EQ (panel.getGainSlider().getTextBox().getFont().getHeight(), 9.6f);

    juce::StringArray texts;
    for (auto* b : { &panel.getChannelButton (0), &panel.getChannelButton (1), &panel.getChannelButton (2),
                     &panel.getFlatButton(), &panel.getCopyButton(), &panel.getPasteButton(), &panel.getLoadButton(),
                     &panel.getSaveButton() })
    {
        texts.add (b->getButtonText());
        EXPECT_EQ (b->getConnectedEdgeFlags(), juce::Button::ConnectedOnLeft | juce::Button::ConnectedOnRight);
    }
    EXPECT_EQ (texts, juce::StringArray ({ "A", "B", "C", "FLAT", "COPY", "PASTE", "LOAD", "SAVE" }));

    for (int band = 0; band < 6; ++band)
    {
        auto& strip = panel.getBandStrip (band);
        ASSERT_EQ (strip.getNumChildComponents(), 6); // three sliders, each with its box
        EXPECT_EQ (strip.getGainSlider().getBounds(), s.gain);
        EXPECT_EQ (strip.getFrequencySlider().getBounds(), s.frequency);
        EXPECT_EQ (strip.getBandwidthSlider().getBounds(), s.bandwidth);
        EXPECT_EQ (strip.getGainSlider().getTextBox().getBounds(), s.gainBox);
        EXPECT_EQ (strip.getFrequencySlider().getTextBox().getBounds(), s.frequencyBox);
        EXPECT_EQ (strip.getBandwidthSlider().getTextBox().getBounds(), s.bandwidthBox);
        EXPECT_EQ (strip.getGainSlider().getTextBox().getParentComponent(), &strip);
    }
    EXPECT_EQ (panel.getBandStrip (0).getFrequencySlider().getName(), "Input2EQFreqSlider");
    EXPECT_EQ (panel.getBandStrip (0).getBandwidthSlider().getName(), "Input2EQBwSlider");

    // A panel too small to hold anything still paints without trouble.
    for (const auto& size : { Rect (0, 0, 798, 167), Rect (0, 0, 1, 1), Rect (0, 0, 0, 0) })
    {
        panel.setSize (size.getWidth(), size.getHeight());
        juce::Image image (juce::Image::ARGB, juce::jmax (1, size.getWidth()), juce::jmax (1, size.getHeight()), true);
        juce::Graphics g (image);
        panel.paintEntireComponent (g, false);
    }
}

TEST_F (PanelOnSimulator, ChannelButtonShowsThatInputAndSendsNothing)
{
    auto& in = h.inputs();
    in.setChannelGain (1, -7.5);
    for (int band = 0; band < 6; ++band)
    {
        in.setBandGain (1, band, band - 2.5);
        in.setBandFrequency (1, band, EQFrequencyTable[(size_t) (10 * band + 5)]);
        in.setBandWidth (1, band, EQBandwidthTable[(size_t) (2 * band + 1)]);
    }
    in.setBandGain (1, 5, 30.0);         // as a file may hold it: shown at the end of the range
    in.setBandFrequency (1, 4, 50000.0); // likewise
    in.setDelaySteps (1, 100);
    in.setChannelName (1, "Bass", false);
    sentBeforeMarker();

    Input2EQPanel panel (context());
    panel.setSize (798, 167);
    EXPECT_TRUE (panel.getChannelButton (0).getToggleState());
    panel.getChannelButton (1).triggerClick();
    ASSERT_TRUE (pumpUntil ([&] { return panel.getShownChannel() == 1; }));

    EXPECT_FALSE (panel.getChannelButton (0).getToggleState());
    EXPECT_TRUE (panel.getChannelButton (1).getToggleState());
    EXPECT_FALSE (panel.getChannelButton (2).getToggleState());
    EXPECT_EQ (panel.getGainSlider().getValue(), -7.5);
    EXPECT_EQ (panel.getGainSlider().getTextBox().getText(), "-7.5");
    for (int band = 0; band < 6; ++band)
    {
        auto& strip = panel.getBandStrip (band);
        const double gain = band == 5 ? 12.0 : band - 2.5;
        const double hz = band == 4 ? 20000.0 : (double) EQFrequencyTable[(size_t) (10 * band + 5)];
        const double octaves = EQBandwidthTable[(size_t) (2 * band + 1)];
        EXPECT_EQ (strip.getGainSlider().getValue(), gain) << band;
        EXPECT_EQ (strip.getGainSlider().getTextBox().getText(), juce::String::formatted ("%.1f", gain)) << band;
        EXPECT_EQ (strip.getFrequencySlider().getValue(), hz) << band;
        EXPECT_EQ (strip.getFrequencySlider().getTextBox().getText(), SliderWithTextBox::kiloText (hz)) << band;
        EXPECT_EQ (strip.getBandwidthSlider().getValue(), octaves) << band;
        EXPECT_EQ (strip.getBandwidthSlider().getTextBox().getText(), juce::String::formatted ("%.2f", octaves))
            << band;
    }
    EXPECT_EQ (panel.getDelayPanel().getButton().getButtonText(), "2.100 msec");
    EXPECT_EQ (panel.getNameEditor().getText(), "Bass");
    pump (50);
    EXPECT_FALSE (panel.isNameSendPending());
    EXPECT_TRUE (sentBeforeMarker().empty());
    EXPECT_EQ (in.getBandGain (1, 5), 30.0) << "showing a value does not store it";
}

TEST_F (PanelOnSimulator, FlatSendsTheShownInputsBandGainsOnly)
{
    settings.setValue (Input2EQPanel::settingsKey, 2);
    for (int input = 0; input < 3; ++input)
        for (int band = 0; band < 6; ++band)
        {
            h.inputs().setBandGain (input, band, 6.0);
            h.inputs().setBandFrequency (input, band, 2000.0);
        }
    sentBeforeMarker();

    Input2EQPanel panel (context());
    EXPECT_EQ (panel.getShownChannel(), 2);
    EXPECT_TRUE (panel.getChannelButton (2).getToggleState());
    EXPECT_FALSE (panel.getChannelButton (0).getToggleState());

    panel.getFlatButton().triggerClick();
    ASSERT_TRUE (pumpUntil ([&] { return h.inputs().getBandGain (2, 5) == 0.0; }));
    std::vector<Bytes> expected;
    for (int band = 0; band < 6; ++band)
        expected.push_back (inputCommand (2, 4 + 3 * band, 24));
    EXPECT_EQ (sentBeforeMarker(), expected);
    for (int band = 0; band < 6; ++band)
    {
        EXPECT_EQ (panel.getBandStrip (band).getGainSlider().getTextBox().getText(), "0.0");
        EXPECT_EQ (panel.getBandStrip (band).getFrequencySlider().getValue(), 2000.0);
        EXPECT_EQ (h.inputs().getBandFrequency (2, band), 2000.0);
        EXPECT_EQ (h.inputs().getBandGain (0, band), 6.0);
    }
}

TEST_F (PanelOnSimulator, StoredChannelOutsideTheInputsFallsBackToA)
{
    for (const int stored : { 3, -1, 7 })
    {
        settings.setValue (Input2EQPanel::settingsKey, stored);
        Input2EQPanel panel (context());
        EXPECT_EQ (panel.getShownChannel(), 0) << stored;
        EXPECT_TRUE (panel.getChannelButton (0).getToggleState()) << stored;
    }
    Input2EQPanel panel (context());
    panel.getChannelButton (2).triggerClick();
    ASSERT_TRUE (pumpUntil ([&] { return panel.getShownChannel() == 2; }));
    panel.saveSettings();
    EXPECT_EQ (settings.getIntValue (Input2EQPanel::settingsKey, -1), 2);
}

TEST_F (PanelOnSimulator, ATypedNameGoesToTheInputItWasTypedFor)
{
    Input2EQPanel panel (context());
    auto& editor = panel.getNameEditor();
    EXPECT_EQ (editor.getText(), "INPUT A");

    typeInto (editor, "Lobby~Bar12");
    ASSERT_TRUE (pumpUntil ([&] { return panel.isNameSendPending(); }));
    {
        const DeviceState::Edit edit (h.state, DeviceState::ChangeSource::readBack);
        h.inputs().setChannelName (0, "Remote", false); // reported meanwhile: the typing stays
    }
    EXPECT_EQ (editor.getText(), "Lobby-Ba");

    // Switching inputs before the pause is over: the name still goes to A.
    panel.getChannelButton (1).triggerClick();
    ASSERT_TRUE (pumpUntil ([&] { return panel.getShownChannel() == 1; }));
    EXPECT_FALSE (panel.isNameSendPending());
    EXPECT_EQ (editor.getText(), "INPUT B");
    EXPECT_EQ (h.inputs().getChannelName (0), "Lobby-Ba");
    EXPECT_EQ (h.inputs().getChannelName (1), "INPUT B");
    EXPECT_EQ (sentBeforeMarker(), nameCommands (0, "Lobby-Ba"));

    // Typing that pauses: one name, eight commands, for the input shown.
    typeInto (editor, "KICK");
    ASSERT_TRUE (pumpUntil ([&] { return panel.isNameSendPending(); }));
    ASSERT_TRUE (pumpUntil ([&] { return !panel.isNameSendPending(); }));
    EXPECT_EQ (h.inputs().getChannelName (1), "KICK");
    EXPECT_EQ (sentBeforeMarker(), nameCommands (1, "KICK    "));

    // Saving the settings also sends a name still waiting.
    typeInto (editor, "Sub");
    ASSERT_TRUE (pumpUntil ([&] { return panel.isNameSendPending(); }));
    panel.saveSettings();
    EXPECT_FALSE (panel.isNameSendPending());
    EXPECT_EQ (sentBeforeMarker(), nameCommands (1, "Sub     "));
}
