#include "panels/OutputEQSubPanel.h"

#include "panels/OutputEQPanel.h"
#include "panels/OutputSliders.h"
#include "state/DeviceState.h"
#include "ui/ColourScheme.h"
#include "ui/Panel.h"

namespace
{
struct Tick
{
    double value;
    const char* label;
};
using Scale = std::array<Tick, 5>;
const Scale gainTicks{ { { 12.0, "+12" }, { 6.0, "+6" }, { 0.0, "0dB" }, { -6.0, "-6" }, { -12.0, "-12" } } };
const Scale frequencyTicks{
    { { 20000.0, "20K" }, { 4000.0, "4K" }, { 800.0, "800" }, { 125.0, "125" }, { 20.0, "20" } }
};
// The table's own single-precision entries, so each label sits on the step it names.
const Scale bandwidthTicks{
    { { 3.0f, "3.00" }, { 1.0f, "1.00" }, { 0.6f, "0.60" }, { 0.2f, "0.20" }, { 0.04f, "0.04" } }
};

// Ticks end at the slider's left edge; the labels stand right-aligned
// between the tick and whatever lies to the left (the strip's edge or the
// slider before).
void drawScale (juce::Graphics& g, const juce::Slider& slider, const Scale& ticks, int labelsLeft, double W, double H)
{
    const auto s = slider.getBounds();
    const float tickLength = (float) (0.02 * W), tickThickness = (float) (0.008 * H);
    const float tickLeft = (float) s.getX() - tickLength;
    const int boxHeight = s.getHeight() / 4;
    const int boxRight = (int) std::floor (tickLeft);
    for (const auto& tick : ticks)
    {
        const float y = (float) s.getY() + slider.getPositionOfValue (tick.value);
        g.fillRect (tickLeft, y - tickThickness * 0.5f, tickLength, tickThickness);
        g.drawFittedText (tick.label, labelsLeft, roundLayout (y) - boxHeight / 2,
                          juce::jmax (0, boxRight - labelsLeft), boxHeight, juce::Justification::centredRight, 1, 0.7f);
    }
}
} // namespace

OutputEQSubPanel::Layout OutputEQSubPanel::layoutFor (int width, int height)
{
    const double W = width, H = height;
    Layout l;
    const int c = roundLayout (0.103703 * W);
    const int y = roundLayout (0.2 * H), h = roundLayout (0.6 * H);
    const int x = (width - c) / 2;
    const int offset = roundLayout (0.291358024 * W);
    l.frequency = { x, y, c, h };
    l.gain = { x - offset, y, c, h };
    l.bandwidth = { x + offset, y, c, h };
    l.textBoxWidth = roundLayout (0.2 * W);
    return l;
}

OutputEQSubPanel::OutputEQSubPanel (OutputEQPanel& owner, int bandIndex)
    : panel (owner)
    , band (bandIndex)
{
    gainSlider = std::make_unique<OutputEQBandGainSlider> (panel, *this, band);
    addAndMakeVisible (*gainSlider);
    frequencySlider = std::make_unique<OutputEQBandFreqSlider> (panel, *this, band);
    addAndMakeVisible (*frequencySlider);
    bandwidthSlider = std::make_unique<OutputEQBandQSlider> (panel, *this, band);
    addAndMakeVisible (*bandwidthSlider);
}

OutputEQSubPanel::~OutputEQSubPanel() = default;

void OutputEQSubPanel::refresh()
{
    const auto& outputs = panel.getOutputEQState();
    const int output = panel.getSelectedOutput();
    frequencySlider->showValue (outputs.getBandFrequency (output, band));
    gainSlider->showValue (outputs.getBandGain (output, band));
    bandwidthSlider->showValue (outputs.getBandWidth (output, band));
}

void OutputEQSubPanel::resized()
{
    const auto l = layoutFor (getWidth(), getHeight());
    gainSlider->setBounds (l.gain);
    frequencySlider->setBounds (l.frequency);
    bandwidthSlider->setBounds (l.bandwidth);
    gainSlider->placeTextBox (l.textBoxWidth, 0.5);
    frequencySlider->placeTextBox (l.textBoxWidth, 0.5);
    bandwidthSlider->placeTextBox (l.textBoxWidth, 0.5);
}

void OutputEQSubPanel::paint (juce::Graphics& g)
{
    const int w = getWidth();
    const double W = w, H = getHeight();
    g.setColour (SchemeColours::caption);

    g.setFont (juce::Font ((float) (0.1 * H), juce::Font::bold));
    g.drawFittedText ("PEQ" + juce::String (band + 1), 0, 0, w, roundLayout (0.1 * H), juce::Justification::centred, 1,
                      0.7f);

    g.setFont (juce::Font ((float) (0.08 * H), juce::Font::bold));
    const int headingHeight = roundLayout (0.08 * H);
    const std::pair<const juce::Slider*, const char*> headings[] = { { gainSlider.get(), "GAIN" },
                                                                     { frequencySlider.get(), "FREQ" },
                                                                     { bandwidthSlider.get(), "BW" } };
    for (const auto& [slider, text] : headings)
    {
        const auto s = slider->getBounds();
        g.drawFittedText (text, s.getCentreX() - (w / 3) / 2, s.getY() - headingHeight, w / 3, headingHeight,
                          juce::Justification::centred, 1, 0.7f);
    }

    g.setFont (juce::Font ((float) (0.064 * H), juce::Font::bold));
    drawScale (g, *gainSlider, gainTicks, 0, W, H);
    drawScale (g, *frequencySlider, frequencyTicks, gainSlider->getRight(), W, H);
    drawScale (g, *bandwidthSlider, bandwidthTicks, frequencySlider->getRight(), W, H);
}
