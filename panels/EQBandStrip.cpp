#include "panels/EQBandStrip.h"

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
// The table's own single-precision entries, so each tick stands on the step it names.
const Scale bandwidthTicks{
    { { 3.0f, "3.00" }, { 1.0f, "1.00" }, { 0.6f, "0.60" }, { 0.2f, "0.20" }, { 0.04f, "0.04" } }
};

constexpr float minimumSqueeze = 0.7f;

// Ticks end at the slider's left edge, where the slider's own mapping puts
// each value; the labels stand right-aligned between labelsLeft and the tick.
void drawScale (juce::Graphics& g, const juce::Slider& slider, const Scale& ticks, int labelsLeft, double W, double H)
{
    const auto s = slider.getBounds();
    const float tickLength = (float) (0.02 * W), tickThickness = (float) (0.008 * H);
    const float tickLeft = (float) s.getX() - tickLength;
    const int boxHeight = juce::jmax (1, s.getHeight() / 4);
    const int boxRight = (int) std::floor (tickLeft);
    g.setFont (juce::Font ((float) (0.064 * H), juce::Font::bold));
    for (const auto& tick : ticks)
    {
        const float y = (float) s.getY() + slider.getPositionOfValue (tick.value);
        g.fillRect (tickLeft, y - tickThickness * 0.5f, tickLength, tickThickness);
        g.drawFittedText (tick.label, labelsLeft, roundLayout (y) - boxHeight / 2,
                          juce::jmax (0, boxRight - labelsLeft), boxHeight, juce::Justification::centredRight, 1,
                          minimumSqueeze);
    }
}
} // namespace

EQBandStripBase::Layout EQBandStripBase::layoutFor (int width, int height, Proportions proportions)
{
    const double W = width, H = height;
    Layout l;
    const int sliderWidth = roundLayout (proportions.sliderWidth * W);
    const int top = roundLayout (0.2 * H);
    const int sliderHeight = roundLayout (0.6 * H);
    const int spacing = roundLayout (proportions.sliderSpacing * W);
    const int centreX = (width - sliderWidth) / 2;
    l.frequency = { centreX, top, sliderWidth, sliderHeight };
    l.gain = l.frequency.withX (centreX - spacing);
    l.bandwidth = l.frequency.withX (centreX + spacing);
    l.textBoxWidth = roundLayout (0.2 * W);
    l.gainBox = SliderWithTextBox::textBoxBoundsFor (l.gain, height, l.textBoxWidth, textBoxHeightFactor);
    l.frequencyBox = SliderWithTextBox::textBoxBoundsFor (l.frequency, height, l.textBoxWidth, textBoxHeightFactor);
    l.bandwidthBox = SliderWithTextBox::textBoxBoundsFor (l.bandwidth, height, l.textBoxWidth, textBoxHeightFactor);
    return l;
}

EQBandStripBase::EQBandStripBase (int bandIndex, Proportions stripProportions)
    : band (bandIndex)
    , proportions (stripProportions)
{
}

EQBandStripBase::~EQBandStripBase() = default;

void EQBandStripBase::resized()
{
    const auto l = layoutFor (getWidth(), getHeight(), proportions);
    const juce::Rectangle<int> bounds[] = { l.gain, l.frequency, l.bandwidth };
    for (size_t i = 0; i < sliders.size(); ++i)
        sliders[i]->setBounds (bounds[i]);
    for (auto* slider : sliders)
        slider->placeTextBox (l.textBoxWidth, textBoxHeightFactor);
}

void EQBandStripBase::paint (juce::Graphics& g)
{
    const double W = getWidth(), H = getHeight();
    g.setColour (SchemeColours::caption);

    g.setFont (juce::Font ((float) (0.1 * H), juce::Font::bold));
    g.drawFittedText ("PEQ" + juce::String (band + 1), 0, 0, getWidth(), roundLayout (0.1 * H),
                      juce::Justification::centred, 1, minimumSqueeze);

    const int headingWidth = getWidth() / 3;
    const int headingHeight = roundLayout (0.08 * H);
    g.setFont (juce::Font ((float) (0.08 * H), juce::Font::bold));
    const char* const headings[] = { "GAIN", "FREQ", "BW" };
    for (size_t i = 0; i < sliders.size(); ++i)
    {
        const auto s = sliders[i]->getBounds();
        g.drawFittedText (headings[i], s.getCentreX() - headingWidth / 2, s.getY() - headingHeight, headingWidth,
                          headingHeight, juce::Justification::centred, 1, minimumSqueeze);
    }

    // Each scale's labels use the room between the slider before and the tick.
    const auto& [gain, frequency, bandwidth] = sliders;
    drawScale (g, *gain, gainTicks, 0, W, H);
    drawScale (g, *frequency, frequencyTicks, gain->getRight(), W, H);
    drawScale (g, *bandwidth, bandwidthTicks, frequency->getRight(), W, H);
}
