// The value sliders: their text forms and table steps, values typed into
// their boxes, and how often a mouse gesture reaches the processor.
#include "Input2EQFixture.h"

#include "common/EqTables.h"
#include "panels/Input2EQSubPanel.h"
#include "panels/InputSliders.h"

#include <cmath>

using namespace input2eq;

namespace
{
// Opens the box's editor, puts the text in and presses Return.
void typeAndReturn (SliderWithTextBox& slider, const juce::String& text)
{
    auto& box = slider.getTextBox();
    box.showEditor();
    auto* editor = box.getCurrentTextEditor();
    ASSERT_NE (editor, nullptr);
    editor->setText (text, false);
    editor->keyPressed (juce::KeyPress (juce::KeyPress::returnKey));
    ASSERT_TRUE (pumpUntil ([&] { return box.getCurrentTextEditor() == nullptr; }));
}

juce::MouseEvent mouseAt (juce::Component& c, float y, juce::ModifierKeys mods, float downY, bool dragged)
{
    const auto now = juce::Time::getCurrentTime();
    return juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), { (float) c.getWidth() * 0.5f, y },
                             mods, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, &c, &c, now, { (float) c.getWidth() * 0.5f, downY },
                             now, 1, dragged);
}
} // namespace

TEST (SliderSteps, TextFormsAndTableStepsBothWays)
{
    EXPECT_EQ (SliderWithTextBox::oneDecimalText (-3.5), "-3.5");
    EXPECT_EQ (SliderWithTextBox::kiloText (1000.0), "1.0K");
    EXPECT_EQ (SliderWithTextBox::kiloText (20000.0), "20.0K");
    EXPECT_EQ (SliderWithTextBox::kiloText (1234.0), "1.2K");
    EXPECT_EQ (SliderWithTextBox::kiloText (800.0), "800.0");
    EXPECT_EQ (SliderWithTextBox::kiloText (22.5), "22.5");
    EXPECT_EQ (SliderWithTextBox::twoDecimalText (0.04f), "0.04");

    // 91 frequency positions, the top two both 20 kHz; 18 bandwidth positions.
    EXPECT_EQ (SliderWithTextBox::frequencyForProportion (1.0), 20000.0);
    EXPECT_EQ (SliderWithTextBox::frequencyForProportion (89.0 / 90.0), 20000.0);
    EXPECT_EQ (SliderWithTextBox::frequencyForProportion (88.0 / 90.0), 18700.0);
    EXPECT_EQ (SliderWithTextBox::frequencyForProportion (47.4 / 90.0), 800.0);
    EXPECT_EQ (SliderWithTextBox::frequencyForProportion (0.0), 20.0);
    EXPECT_EQ (SliderWithTextBox::bandwidthForProportion (1.0), 3.0);
    EXPECT_EQ (SliderWithTextBox::bandwidthForProportion (16.0 / 17.0), 3.0);
    EXPECT_EQ (SliderWithTextBox::bandwidthForProportion (0.0), (double) 0.04f);
    EXPECT_DOUBLE_EQ (SliderWithTextBox::proportionForFrequency (20000.0), 89.0 / 90.0);
    EXPECT_DOUBLE_EQ (SliderWithTextBox::proportionForFrequency (1234.0), 52.0 / 90.0); // the 1170 Hz step
    EXPECT_DOUBLE_EQ (SliderWithTextBox::proportionForBandwidth (0.3), 4.0 / 17.0);     // below 0.300000012

    // Positions nobody should pass stay inside the table.
    for (const double p : { -1.0, 2.0, std::nan (""), HUGE_VAL, -HUGE_VAL })
    {
        const double f = SliderWithTextBox::frequencyForProportion (p);
        const double w = SliderWithTextBox::bandwidthForProportion (p);
        EXPECT_TRUE (f >= 20.0 && f <= 20000.0) << p;
        EXPECT_TRUE (w >= (double) 0.04f && w <= 3.0) << p;
    }

    // A typed text as a number: leading number, k or K, never NaN or infinity.
    EXPECT_EQ (SliderWithTextBox::parseTypedValue ("1.2k"), 1200.0);
    EXPECT_EQ (SliderWithTextBox::parseTypedValue ("1.2K"), 1200.0);
    EXPECT_EQ (SliderWithTextBox::parseTypedValue ("abc"), 0.0);
    for (const char* refused : { "nan", "inf", "-inf", "1e999" })
        EXPECT_FALSE (SliderWithTextBox::parseTypedValue (refused).has_value()) << refused;
}

TEST_F (PanelOnSimulator, TypedValuesAreReadLimitedAndNotSnapped)
{
    Input2EQPanel panel (context());
    panel.setSize (798, 167);
    auto& strip = panel.getBandStrip (0);
    auto& frequency = strip.getFrequencySlider();
    const auto frequencyShown = [&] { return frequency.getTextBox().getText(); };

    typeAndReturn (frequency, "2k");
    EXPECT_EQ (h.inputs().getBandFrequency (0, 0), 2000.0);
    EXPECT_EQ (frequencyShown(), "2.0K");

    typeAndReturn (frequency, "25000");
    EXPECT_EQ (h.inputs().getBandFrequency (0, 0), 20000.0);
    EXPECT_EQ (frequencyShown(), "20.0K");

    typeAndReturn (frequency, "abc");
    EXPECT_EQ (h.inputs().getBandFrequency (0, 0), 20.0);
    EXPECT_EQ (frequencyShown(), "20.0");

    typeAndReturn (frequency, "1234");
    EXPECT_EQ (h.inputs().getBandFrequency (0, 0), 1234.0);
    EXPECT_EQ (frequencyShown(), "1.2K");
    EXPECT_EQ (frequency.getPositionOfValue (frequency.getValue()), frequency.getPositionOfValue (1170.0));
    EXPECT_NE (frequency.getPositionOfValue (frequency.getValue()), frequency.getPositionOfValue (1250.0));

    // Not finite: refused, and the box shows the value again.
    for (const char* text : { "nan", "inf", "-inf" })
    {
        typeAndReturn (frequency, text);
        EXPECT_EQ (h.inputs().getBandFrequency (0, 0), 1234.0) << text;
        EXPECT_EQ (frequencyShown(), "1.2K") << text;
    }

    typeAndReturn (frequency, frequencyShown()); // left as shown: 1234 Hz is not read back as 1200
    EXPECT_EQ (h.inputs().getBandFrequency (0, 0), 1234.0);

    // Escape discards the edit.
    frequency.getTextBox().showEditor();
    frequency.getTextBox().getCurrentTextEditor()->setText ("5k", false);
    frequency.getTextBox().getCurrentTextEditor()->keyPressed (juce::KeyPress (juce::KeyPress::escapeKey));
    ASSERT_TRUE (pumpUntil ([&] { return frequency.getTextBox().getCurrentTextEditor() == nullptr; }));
    EXPECT_EQ (h.inputs().getBandFrequency (0, 0), 1234.0);
    EXPECT_EQ (frequencyShown(), "1.2K");

    // The box also takes its text when the editor loses the focus (here it never has it).
    frequency.getTextBox().showEditor();
    frequency.getTextBox().getCurrentTextEditor()->setText ("1.1k", true);
    ASSERT_TRUE (pumpUntil ([&] { return frequency.getTextBox().getCurrentTextEditor() == nullptr; }));
    EXPECT_EQ (h.inputs().getBandFrequency (0, 0), 1100.0);
    EXPECT_EQ (frequencyShown(), "1.1K");

    auto& bandwidth = strip.getBandwidthSlider();
    typeAndReturn (bandwidth, "0.3");
    EXPECT_EQ (h.inputs().getBandWidth (0, 0), 0.3);
    EXPECT_EQ (bandwidth.getTextBox().getText(), "0.30");
    EXPECT_EQ (bandwidth.getPositionOfValue (0.3), bandwidth.getPositionOfValue (0.2f));
    EXPECT_NE (bandwidth.getPositionOfValue (0.3), bandwidth.getPositionOfValue (0.3f));

    auto& gain = strip.getGainSlider();
    typeAndReturn (gain, "1.5K");
    EXPECT_EQ (h.inputs().getBandGain (0, 0), 12.0);
    EXPECT_EQ (gain.getTextBox().getText(), "12.0");

    typeAndReturn (panel.getGainSlider(), "-3.5");
    EXPECT_EQ (h.inputs().getChannelGain (0), -3.5);
    EXPECT_EQ (panel.getGainSlider().getTextBox().getText(), "-3.5");

    // Each accepted value went out once; the refused ones sent nothing.
    const auto sent = sentBeforeMarker();
    const std::vector<Bytes> expected{ inputCommand (0, 3, 59), inputCommand (0, 3, 89), inputCommand (0, 3, 0),
                                       inputCommand (0, 3, 52), inputCommand (0, 3, 51), inputCommand (0, 5, 8),
                                       inputCommand (0, 4, 48), inputCommand (0, 0, 31) };
    EXPECT_EQ (sent, expected);
}

TEST_F (PanelOnSimulator, ADragSendsOnceOnReleaseAndTheWheelAtOnce)
{
    Input2EQPanel panel (context());
    panel.setSize (798, 167);
    auto& gain = panel.getBandStrip (2).getGainSlider();
    const juce::ModifierKeys left (juce::ModifierKeys::leftButtonModifier);
    const float from = gain.getPositionOfValue (0.0), to = gain.getPositionOfValue (6.0);

    gain.mouseDown (mouseAt (gain, from, left, from, false));
    for (int step = 1; step <= 12; ++step)
        gain.mouseDrag (mouseAt (gain, from + (to - from) * (float) step / 12.0f, left, from, true));
    pump (50);
    EXPECT_NEAR (gain.getValue(), 6.0, 0.05);
    EXPECT_EQ (h.inputs().getBandGain (0, 2), 0.0) << "nothing is stored while the button is down";
    EXPECT_EQ (gain.getTextBox().getText(), "0.0");
    gain.mouseUp (mouseAt (gain, to, {}, from, true));
    EXPECT_NEAR (h.inputs().getBandGain (0, 2), 6.0, 0.05);
    EXPECT_EQ (gain.getTextBox().getText(), "6.0");
    EXPECT_EQ (sentBeforeMarker(), std::vector<Bytes>{ inputCommand (0, 4 + 3 * 2, 36) });

    // One wheel notch moves the frequency one table step and sends it at once.
    auto& frequency = panel.getBandStrip (2).getFrequencySlider();
    juce::MouseWheelDetails notch{};
    notch.deltaY = 0.1f;
    frequency.mouseWheelMove (mouseAt (frequency, 10.0f, {}, 10.0f, false), notch);
    EXPECT_EQ (h.inputs().getBandFrequency (0, 2), 850.0);
    EXPECT_EQ (frequency.getTextBox().getText(), "850.0");
    EXPECT_EQ (sentBeforeMarker(), std::vector<Bytes>{ inputCommand (0, 3 + 3 * 2, 48) });
}

TEST_F (PanelOnSimulator, AChangeFromElsewhereWaitsForTheUsersGestureToEnd)
{
    Input2EQPanel panel (context());
    panel.setSize (798, 167);
    const auto changeElsewhere = [&] (int band)
    { ParamSpace::write (h.state, Param::input (0, Param::Kind::bandGain, band), -3.0); };

    // A drag: the change does not move the thumb, and the release stores the user's value.
    auto& dragged = panel.getBandStrip (2).getGainSlider();
    const juce::ModifierKeys left (juce::ModifierKeys::leftButtonModifier);
    const float from = dragged.getPositionOfValue (0.0), to = dragged.getPositionOfValue (6.0);
    dragged.mouseDown (mouseAt (dragged, from, left, from, false));
    dragged.mouseDrag (mouseAt (dragged, to, left, from, true));
    changeElsewhere (2);
    EXPECT_NEAR (dragged.getValue(), 6.0, 0.05);
    dragged.mouseUp (mouseAt (dragged, to, {}, from, true));
    EXPECT_NEAR (h.inputs().getBandGain (0, 2), 6.0, 0.05);
    EXPECT_EQ (dragged.getTextBox().getText(), "6.0");

    // Typing: the change leaves the editor open; Escape stores nothing and shows the change.
    auto& box = panel.getBandStrip (3).getGainSlider().getTextBox();
    box.showEditor();
    ASSERT_NE (box.getCurrentTextEditor(), nullptr);
    box.getCurrentTextEditor()->setText ("5", false);
    changeElsewhere (3);
    ASSERT_NE (box.getCurrentTextEditor(), nullptr);
    EXPECT_EQ (box.getCurrentTextEditor()->getText(), "5");
    box.getCurrentTextEditor()->keyPressed (juce::KeyPress (juce::KeyPress::escapeKey));
    ASSERT_TRUE (pumpUntil ([&] { return box.getCurrentTextEditor() == nullptr; }));
    EXPECT_EQ (box.getText(), "-3.0");
    EXPECT_EQ (sentBeforeMarker(),
               (std::vector<Bytes>{ inputCommand (0, 4 + 3 * 2, 18), inputCommand (0, 4 + 3 * 2, 36),
                                    inputCommand (0, 4 + 3 * 3, 18) }));
}
