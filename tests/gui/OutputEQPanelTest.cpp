// The output EQ panel on real components: what it shows, what its buttons
// send (checked where the commands land, in the simulated processor) and
// where its controls go.
#include "panels/OutputEQPanel.h"
#include "TranscriptMarker.h"
#include "app/Settings.h"
#include "control/Connection.h"
#include "engine/SimulatedProcessor.h"
#include "panels/DelayPanel.h"
#include "panels/LimiterPanel.h"
#include "panels/OutputEQCutPanel.h"
#include "panels/OutputEQSubPanel.h"
#include "panels/OutputSliders.h"
#include "panels/PhasePanel.h"
#include "support/StateHarness.h"
#include "ui/TavikLookAndFeel.h"

#include <gtest/gtest.h>

#include <chrono>

namespace
{
using namespace std::chrono_literals;
using Rect = juce::Rectangle<int>;

void pump (int ms = 20)
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

// A click as the user makes it: delivered through the message loop.
void click (juce::Button& button)
{
    button.triggerClick();
    pump (30);
}

// Output o is channel 4 + o on the wire.
Bytes outputCommand (int output, std::uint8_t address, std::uint8_t value)
{
    return { std::uint8_t (0xA4 + output), 0x00, address, value };
}
constexpr std::uint8_t lowCutFilterAddress = 0x12, highCutFilterAddress = 0x10;

struct OutputEQPanelTest : ::testing::Test
{
    TavikLookAndFeel lookAndFeel;
    juce::TemporaryFile settingsFile;
    juce::PropertiesFile settings{ settingsFile.getFile(), Settings::options() };
    std::unique_ptr<taviksim::SimulatedProcessor> sim;
    const juce::File presetFolder = []
    {
        auto folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                          .getNonexistentChildFile ("OutputEQPanelTest", "", false);
        folder.createDirectory();
        return folder;
    }();
    StateHarness h{ presetFolder };
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
        juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
        presetFolder.deleteRecursively();
    }

    UiContext context() { return { settings, h.state, h.status, *connection, h.ask, h.progress }; }

    // What the processor received since the last call (input A's gain, which
    // nothing here sends, marks the end).
    std::vector<Bytes> sentBeforeMarker()
    {
        return ::sentBeforeMarker (
            *sim, seen, [this] { h.inputs().setChannelGain (0, -1.0); }, 0xA0);
    }
};

std::vector<bool> toggles (const OutputEQCutPanel& strip, bool slopes)
{
    std::vector<bool> on;
    for (int i = 0; i < (slopes ? 5 : 4); ++i)
        on.push_back ((slopes ? strip.getSlopeButton (i) : strip.getTypeButton (i)).getToggleState());
    return on;
}

std::vector<bool> enabledSlopes (const OutputEQCutPanel& strip)
{
    std::vector<bool> enabled;
    for (int k = 0; k < 5; ++k)
        enabled.push_back (strip.getSlopeButton (k).isEnabled());
    return enabled;
}
} // namespace

TEST_F (OutputEQPanelTest, ClickingAnOutputShowsItInEveryControlAndSendsNothing)
{
    auto& outputs = h.outputs();
    outputs.setChannelGain (3, -7.0);
    const double frequencies[] = { 100.0, 2000.0, 5000.0, 12500.0 };
    for (int band = 0; band < 4; ++band)
    {
        outputs.setBandGain (3, band, 1.5 * (band + 1));
        outputs.setBandFrequency (3, band, frequencies[band]);
        outputs.setBandWidth (3, band, 0.5);
    }
    outputs.setCutFrequency (3, 0, 80.0);
    outputs.setCutFilter (3, 0, 2, 3); // BES 24
    outputs.setCutFrequency (3, 1, 8000.0);
    outputs.setCutFilter (3, 1, 3, 4); // L-R 48
    outputs.setPhase (3, 1);
    outputs.setLimiterThreshold (3, -6.0f);
    outputs.setDelaySteps (3, 1000);
    ASSERT_FALSE (sentBeforeMarker().empty());

    OutputEQPanel panel (context());
    panel.setSize (798, 167);
    EXPECT_EQ (panel.getSelectedOutput(), 0);
    EXPECT_TRUE (panel.getChannelButton (0).getToggleState());
    const auto delayOfOutput1 = panel.getDelayPanel().getButton().getButtonText();

    click (panel.getChannelButton (3));
    EXPECT_EQ (panel.getSelectedOutput(), 3);
    for (int output = 0; output < 6; ++output)
        EXPECT_EQ (panel.getChannelButton (output).getToggleState(), output == 3) << output;

    EXPECT_EQ (panel.getGainSlider().getValue(), -7.0);
    EXPECT_EQ (panel.getGainSlider().getTextBox().getText(), "-7.0");
    const char* frequencyTexts[] = { "100.0", "2.0K", "5.0K", "12.5K" };
    for (int band = 0; band < 4; ++band)
    {
        auto& strip = panel.getBandStrip (band);
        EXPECT_EQ (strip.getGainSlider().getValue(), 1.5 * (band + 1)) << band;
        EXPECT_EQ (strip.getGainSlider().getTextBox().getText(), juce::String (1.5 * (band + 1), 1)) << band;
        EXPECT_EQ (strip.getFrequencySlider().getValue(), frequencies[band]) << band;
        EXPECT_EQ (strip.getFrequencySlider().getTextBox().getText(), frequencyTexts[band]) << band;
        EXPECT_EQ (strip.getBandwidthSlider().getValue(), 0.5) << band;
        EXPECT_EQ (strip.getBandwidthSlider().getTextBox().getText(), "0.50") << band;
    }

    auto& low = panel.getCutStrip (0);
    auto& high = panel.getCutStrip (1);
    EXPECT_EQ (low.getSlider().getTextBox().getText(), "80.0");
    EXPECT_EQ (high.getSlider().getTextBox().getText(), "8.0K");
    EXPECT_EQ (toggles (low, false), (std::vector<bool>{ false, false, true, false }));
    EXPECT_EQ (toggles (low, true), (std::vector<bool>{ false, false, false, true, false }));
    EXPECT_EQ (enabledSlopes (low), (std::vector<bool>{ false, true, false, true, false }));
    EXPECT_EQ (toggles (high, false), (std::vector<bool>{ false, false, false, true }));
    EXPECT_EQ (toggles (high, true), (std::vector<bool>{ false, false, false, false, true }));
    EXPECT_EQ (enabledSlopes (high), (std::vector<bool>{ false, true, false, true, true }));

    EXPECT_TRUE (panel.getPhasePanel().getButton().getToggleState());
    EXPECT_EQ (panel.getPhasePanel().getButton().getButtonText(), "OUT");
    EXPECT_EQ (panel.getLimiterPanel().getButton().getButtonText(), "-6 dB");
    EXPECT_EQ (panel.getDelayPanel().getButton().getButtonText(),
               DelayUnits::buttonText (panel.getDelayPanel().getUnit(), 1000));
    EXPECT_NE (panel.getDelayPanel().getButton().getButtonText(), delayOfOutput1);

    // Back to output 1: its own (initial) values, all five slopes again.
    click (panel.getChannelButton (0));
    EXPECT_EQ (panel.getBandStrip (2).getFrequencySlider().getTextBox().getText(), "800.0");
    EXPECT_EQ (toggles (low, true), (std::vector<bool>{ false, false, false, false, true }));
    EXPECT_EQ (enabledSlopes (low), std::vector<bool> (5, true));
    EXPECT_EQ (panel.getPhasePanel().getButton().getButtonText(), "IN");

    EXPECT_TRUE (sentBeforeMarker().empty()) << "building the panel and switching outputs send nothing";
}

TEST_F (OutputEQPanelTest, FlatSendsTheFourBandGainsOfTheShownOutputOnly)
{
    settings.setValue ("output", 1);
    auto& outputs = h.outputs();
    for (int output : { 0, 1 })
        for (int band = 0; band < 4; ++band)
        {
            outputs.setBandGain (output, band, 6.0);
            outputs.setBandFrequency (output, band, 2000.0);
        }
    outputs.setChannelGain (1, -10.0);
    outputs.setCutFilter (1, 0, 1, 2);
    sentBeforeMarker();

    OutputEQPanel panel (context());
    ASSERT_EQ (panel.getSelectedOutput(), 1);
    ASSERT_TRUE (panel.getChannelButton (1).getToggleState());
    click (panel.getFlatButton());

    std::vector<Bytes> expected;
    for (int band = 0; band < 4; ++band)
        expected.push_back (outputCommand (1, std::uint8_t (4 + 3 * band), 24)); // 0 dB
    EXPECT_EQ (sentBeforeMarker(), expected);

    for (int band = 0; band < 4; ++band)
    {
        EXPECT_EQ (outputs.getBandGain (1, band), 0.0);
        EXPECT_EQ (outputs.getBandGain (0, band), 6.0);
        EXPECT_EQ (outputs.getBandFrequency (1, band), 2000.0);
        EXPECT_EQ (panel.getBandStrip (band).getGainSlider().getTextBox().getText(), "0.0");
    }
    EXPECT_EQ (outputs.getChannelGain (1), -10.0);
    EXPECT_EQ (outputs.getCutType (1, 0), 1);
    EXPECT_EQ (outputs.getCutTapsIndex (1, 0), 2);
}

TEST_F (OutputEQPanelTest, CutButtonsOfferTheTypesSlopesAndSendOncePerClick)
{
    OutputEQPanel panel (context());
    auto& low = panel.getCutStrip (0);
    auto& high = panel.getCutStrip (1);

    // A new record: OFF with 48 on, every slope offered, the cuts wide open.
    for (auto* strip : { &low, &high })
    {
        EXPECT_EQ (toggles (*strip, false), (std::vector<bool>{ true, false, false, false }));
        EXPECT_EQ (toggles (*strip, true), (std::vector<bool>{ false, false, false, false, true }));
        EXPECT_EQ (enabledSlopes (*strip), std::vector<bool> (5, true));
    }
    EXPECT_EQ (low.getSlider().getValue(), 20.0);
    EXPECT_EQ (high.getSlider().getValue(), 20000.0);

    click (low.getTypeButton (1));  // BUT 48
    click (low.getSlopeButton (2)); // BUT 18
    click (low.getTypeButton (2));  // BES: 18 is not offered, 12 is the nearest below
    EXPECT_EQ (toggles (low, true), (std::vector<bool>{ false, true, false, false, false }));
    EXPECT_EQ (enabledSlopes (low), (std::vector<bool>{ false, true, false, true, false }));
    click (low.getSlopeButton (2)); // disabled: nothing happens
    click (low.getTypeButton (0));  // OFF keeps 12 and offers every slope
    EXPECT_EQ (enabledSlopes (low), std::vector<bool> (5, true));
    click (low.getSlopeButton (0)); // OFF 6
    click (low.getTypeButton (3));  // L-R: nothing below 6, so 12 above it
    EXPECT_EQ (toggles (low, true), (std::vector<bool>{ false, true, false, false, false }));
    EXPECT_EQ (enabledSlopes (low), (std::vector<bool>{ false, true, false, true, true }));
    click (low.getSlopeButton (4));  // L-R 48
    click (low.getSlopeButton (4));  // the button already on sends the pair again
    click (high.getSlopeButton (3)); // the high cut's own group, with its stored OFF

    EXPECT_EQ (
        sentBeforeMarker(),
        (std::vector<Bytes>{ outputCommand (0, lowCutFilterAddress, 5), outputCommand (0, lowCutFilterAddress, 3),
                             outputCommand (0, lowCutFilterAddress, 6), outputCommand (0, lowCutFilterAddress, 0),
                             outputCommand (0, lowCutFilterAddress, 0), outputCommand (0, lowCutFilterAddress, 8),
                             outputCommand (0, lowCutFilterAddress, 10), outputCommand (0, lowCutFilterAddress, 10),
                             outputCommand (0, highCutFilterAddress, 0) }));
    EXPECT_EQ (h.outputs().getCutType (0, 0), 3);
    EXPECT_EQ (h.outputs().getCutTapsIndex (0, 0), 4);
    EXPECT_EQ (h.outputs().getCutType (0, 1), 0);
    EXPECT_EQ (h.outputs().getCutTapsIndex (0, 1), 3);
    EXPECT_EQ (toggles (low, false), (std::vector<bool>{ false, false, false, true }));
    EXPECT_EQ (toggles (high, true), (std::vector<bool>{ false, false, false, true, false }));
}

TEST_F (OutputEQPanelTest, CopyPasteSaveAndLoadActOnTheShownOutput)
{
    auto& outputs = h.outputs();
    outputs.setBandGain (3, 0, -4.5);
    outputs.setCutFilter (3, 1, 2, 3); // BES 24
    OutputEQPanel panel (context());

    click (panel.getChannelButton (3));
    click (panel.getCopyButton());
    click (panel.getChannelButton (5));
    click (panel.getPasteButton());
    EXPECT_EQ (outputs.getBandGain (5, 0), -4.5);
    EXPECT_EQ (panel.getBandStrip (0).getGainSlider().getTextBox().getText(), "-4.5") << "pasting refreshes";
    EXPECT_EQ (toggles (panel.getCutStrip (1), false), (std::vector<bool>{ false, false, true, false }));

    const auto preset = presetFolder.getChildFile ("five.TavikOutputPreset");
    h.ask.fileAnswers.push_back (preset);
    click (panel.getSaveButton());
    ASSERT_TRUE (preset.existsAsFile());

    outputs.setBandGain (5, 0, 2.0); // not by the panel: it shows the record's change all the same
    EXPECT_EQ (panel.getBandStrip (0).getGainSlider().getTextBox().getText(), "2.0");
    click (panel.getLoadButton()); // cancelled
    EXPECT_EQ (outputs.getBandGain (5, 0), 2.0);
    EXPECT_EQ (panel.getBandStrip (0).getGainSlider().getTextBox().getText(), "2.0");
    h.ask.fileAnswers.push_back (preset);
    click (panel.getLoadButton());
    EXPECT_EQ (outputs.getBandGain (5, 0), -4.5);
    EXPECT_EQ (panel.getBandStrip (0).getGainSlider().getTextBox().getText(), "-4.5");
    EXPECT_TRUE (h.ask.messages().isEmpty()) << h.ask.messages().joinIntoString ("; ");
}

TEST (OutputEQPanelRules, FallbackSlopeIsTheNearestOfferedBelowThenAbove)
{
    EXPECT_EQ (OutputEQCutPanel::allowedSlope (2, 2), 1); // BES on 18 -> 12
    EXPECT_EQ (OutputEQCutPanel::allowedSlope (2, 4), 3); // BES on 48 -> 24
    EXPECT_EQ (OutputEQCutPanel::allowedSlope (3, 0), 1); // L-R on 6 -> 12
    EXPECT_EQ (OutputEQCutPanel::allowedSlope (3, 2), 1); // L-R on 18 -> 12
    for (int slope = 0; slope < 5; ++slope)
    {
        EXPECT_EQ (OutputEQCutPanel::allowedSlope (0, slope), slope);
        EXPECT_EQ (OutputEQCutPanel::allowedSlope (1, slope), slope);
    }
}

TEST_F (OutputEQPanelTest, StoredOutputPicksItsButtonAndOthersFallBackToTheFirst)
{
    settings.setValue ("output", 5);
    {
        OutputEQPanel panel (context());
        EXPECT_EQ (panel.getSelectedOutput(), 5);
        for (int output = 0; output < 6; ++output)
            EXPECT_EQ (panel.getChannelButton (output).getToggleState(), output == 5) << output;
        click (panel.getChannelButton (2));
        panel.saveSettings();
        EXPECT_EQ (settings.getIntValue ("output", -1), 2);
        EXPECT_TRUE (settings.containsKey ("Delay units"));
    }
    for (int stored : { 6, -1, 1000 })
    {
        settings.setValue ("output", stored);
        OutputEQPanel panel (context());
        EXPECT_EQ (panel.getSelectedOutput(), 0) << stored;
        EXPECT_TRUE (panel.getChannelButton (0).getToggleState()) << stored;
    }
    EXPECT_TRUE (sentBeforeMarker().empty());
}

TEST_F (OutputEQPanelTest, LayoutAtTheWindowsDefaultSize)
{
    // 798 x 167: the output band of an 800 x 560 window.
    const auto l = OutputEQPanel::layoutFor (798, 167);
    EXPECT_EQ (l.gainSlider, Rect (32, 42, 10, 94));
    EXPECT_EQ (l.gainTextBoxWidth, 32);
    const int buttonX[] = { 156, 175, 194, 213, 232, 251 };
    for (int output = 0; output < 6; ++output)
        EXPECT_EQ (l.channelButtons[(size_t) output], Rect (buttonX[output], 4, 19, 18)) << output;
    EXPECT_EQ (l.load, Rect (80, 4, 32, 18));
    EXPECT_EQ (l.save, Rect (112, 4, 32, 18));
    EXPECT_EQ (l.copy, Rect (335, 4, 32, 18));
    EXPECT_EQ (l.paste, Rect (367, 4, 32, 18));
    EXPECT_EQ (l.flat, Rect (415, 4, 32, 18));
    const int bandX[] = { 56, 192, 328, 464 };
    for (int band = 0; band < 4; ++band)
        EXPECT_EQ (l.bands[(size_t) band], Rect (bandX[band], 27, 136, 139)) << band;
    EXPECT_EQ (l.cuts[0], Rect (598, 27, 96, 139)) << "0.75 x 798 is 598.5: ties go to the even neighbour";
    EXPECT_EQ (l.cuts[1], Rect (694, 27, 96, 139));
    EXPECT_EQ (l.phase, Rect (463, 4, 132, 20));
    EXPECT_EQ (l.limiter, Rect (559, 4, 168, 20));
    EXPECT_EQ (l.delay, Rect (658, 4, 132, 20));

    const auto band = OutputEQSubPanel::layoutFor (136, 139);
    EXPECT_EQ (band.gain, Rect (21, 28, 14, 83));
    EXPECT_EQ (band.frequency, Rect (61, 28, 14, 83));
    EXPECT_EQ (band.bandwidth, Rect (101, 28, 14, 83));
    EXPECT_EQ (band.textBoxWidth, 27);

    const auto cut = OutputEQCutPanel::layoutFor (96, 139);
    EXPECT_EQ (cut.slider, Rect (21, 28, 10, 83));
    EXPECT_EQ (cut.textBoxWidth, 29);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ (cut.typeButtons[(size_t) i], Rect (42, 32 + 21 * i, 19, 14)) << i;
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ (cut.slopeButtons[(size_t) k], Rect (70, 28 + 21 * k, 19, 14)) << k;

    // The real components take these places; the value boxes sit under their sliders.
    OutputEQPanel panel (context());
    panel.setSize (798, 167);
    EXPECT_EQ (panel.getGainSlider().getBounds(), l.gainSlider);
    EXPECT_EQ (panel.getGainSlider().getTextBox().getBounds(), Rect (21, 143, 32, 16));
    EXPECT_EQ (panel.getChannelButton (5).getBounds(), l.channelButtons[5]);
    EXPECT_EQ (panel.getFlatButton().getBounds(), l.flat);
    EXPECT_EQ (panel.getBandStrip (3).getBounds(), l.bands[3]);
    EXPECT_EQ (panel.getBandStrip (3).getBandwidthSlider().getBounds(), band.bandwidth);
    EXPECT_EQ (panel.getCutStrip (1).getBounds(), l.cuts[1]);
    EXPECT_EQ (panel.getCutStrip (1).getSlopeButton (4).getBounds(), cut.slopeButtons[4]);
    EXPECT_EQ (panel.getCutStrip (0).getSlider().getTextBox().getBounds(), Rect (12, 118, 29, 14));
    EXPECT_EQ (panel.getDelayPanel().getBounds(), l.delay);

    // Later top-row panels lie above earlier ones where they overlap.
    EXPECT_LT (panel.getIndexOfChildComponent (&panel.getPhasePanel()),
               panel.getIndexOfChildComponent (&panel.getLimiterPanel()));
    EXPECT_LT (panel.getIndexOfChildComponent (&panel.getLimiterPanel()),
               panel.getIndexOfChildComponent (&panel.getDelayPanel()));
}

TEST_F (OutputEQPanelTest, ScalesAndHeadingsArePainted)
{
    OutputEQPanel panel (context());
    panel.setSize (798, 167);
    const auto image = panel.createComponentSnapshot (panel.getLocalBounds(), false);
    const auto isWhite = [&image] (int x, int y)
    {
        const auto c = image.getPixelAt (x, y);
        // The panel's blues have no red: white, even blended at an edge, does.
        return c.getRed() > 90 && c.getGreen() > 150 && c.getBlue() > 150;
    };
    const auto anyWhite = [&] (Rect area)
    {
        for (int y = area.getY(); y < area.getBottom(); ++y)
            for (int x = area.getX(); x < area.getRight(); ++x)
                if (isWhite (x, y))
                    return true;
        return false;
    };

    // The 0 dB tick of the channel gain, from 7.8 to 1.5 pixels left of the slider.
    auto& gain = panel.getGainSlider();
    const int zeroY = gain.getY() + juce::roundToInt (gain.getPositionOfValue (0.0));
    EXPECT_TRUE (anyWhite ({ gain.getX() - 4, zeroY - 1, 1, 3 }));
    EXPECT_TRUE (anyWhite ({ 3, zeroY - 4, 20, 9 })) << "its label";
    EXPECT_TRUE (anyWhite ({ gain.getX() - 11, gain.getY() - 10, 32, 10 })) << "GAIN above the slider";

    // A cut strip's 20 Hz tick ends at its slider, and the strip has its title.
    auto& cutStrip = panel.getCutStrip (0);
    auto& cutSlider = cutStrip.getSlider();
    const auto origin = cutStrip.getPosition() + cutSlider.getPosition();
    const int lowY = origin.y + juce::roundToInt (cutSlider.getPositionOfValue (20.0));
    EXPECT_TRUE (anyWhite ({ origin.x - 1, lowY - 1, 1, 3 }));
    EXPECT_TRUE (anyWhite ({ cutStrip.getX(), cutStrip.getY(), cutStrip.getWidth(), 14 })) << "LO CUT";
}
