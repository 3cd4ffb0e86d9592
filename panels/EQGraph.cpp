#include "panels/EQGraph.h"

#include "state/EQResponse.h"
#include "state/OutputEQState.h"
#include "ui/Panel.h"

#include <cmath>
#include <cstdint>

namespace
{
constexpr double lowestFrequency = 20.0; // the plot's left edge; three decades to its right edge
constexpr double decades = 3.0;
constexpr int levelDivisions = 12; // 4 dB each
// How far beyond the plot a curve point may lie, in multiples of the top level.
constexpr double levelHold = 8.0;
// Squeezes a label into its box rather than cutting or ellipsising it.
constexpr float smallestLabelScale = 0.05f;

int frequencyOffset (double hz, int plotWidth) noexcept
{
    return roundLayout (std::log10 (hz * (1.0 / lowestFrequency)) * plotWidth / decades);
}

// What the curves are drawn from.
bool shapesACurve (const Param& p) noexcept
{
    using Kind = Param::Kind;
    for (const auto kind : { Kind::gain, Kind::bandGain, Kind::bandFrequency, Kind::bandWidth, Kind::cutFrequency,
                             Kind::cutType, Kind::cutSlope })
        if (p.kind == kind)
            return p.output;
    return false;
}
} // namespace

const std::array<double, EQGraph::frequencyLineCount> EQGraph::frequencyLines{ 30,   40,   50,   60,   70,   80,   90,
                                                                               100,  200,  300,  400,  500,  600,  700,
                                                                               800,  900,  1000, 2000, 3000, 4000, 5000,
                                                                               6000, 7000, 8000, 9000, 10000 };
const std::array<double, EQGraph::frequencyLabelCount> EQGraph::labelFrequencies{ 20,   50,   100,  200,   500,
                                                                                  1000, 2000, 5000, 10000, 20000 };

const std::array<juce::Colour, EQGraph::outputCount> EQGraph::curveColours{
    juce::Colour (0xffff0000), // red
    juce::Colour (0xffffff00), // yellow
    juce::Colour (0xff32cd32), // lime green
    juce::Colour (0xff00ffff), // aqua
    juce::Colour (0xffffa500), // orange
    juce::Colour (0xff1e90ff), // dodger blue
};
const juce::Colour EQGraph::background{ 0xff000000 };
const juce::Colour EQGraph::grid{ 0xff8c8c8c }; // grey level 0.55

EQGraph::Layout EQGraph::layoutFor (int width, int height)
{
    const float W = (float) width, H = (float) height;
    Layout l;
    l.plot = { roundLayout (W * 0.08f), roundLayout (H * 0.02f), roundLayout (W * 0.88f), roundLayout (H * 0.88f) };
    l.fontHeight = H * 0.08f;
    const auto& plot = l.plot;

    for (size_t i = 0; i < frequencyLines.size(); ++i)
        l.frequencyLineX[i] = plot.getX() + frequencyOffset (frequencyLines[i], plot.getWidth());

    const int labelWidth = roundLayout (W * 0.08f);
    const int labelHeight = roundLayout (H * 0.05f);
    const int labelTop = plot.getBottom() + roundLayout (H * 0.01f);
    for (size_t i = 0; i < labelFrequencies.size(); ++i)
        l.frequencyLabels[i] = { plot.getX() + frequencyOffset (labelFrequencies[i], plot.getWidth()) - labelWidth / 2,
                                 labelTop, labelWidth, labelHeight };

    // The label boxes start at the line's offset, not at the plot's top, so
    // the labels stand a little above their lines.
    const int levelLabelWidth = roundLayout ((float) plot.getX() * 0.95f);
    for (int k = 1; k <= levelLineCount; ++k)
    {
        const int o = (int) ((std::int64_t) k * plot.getHeight() / levelDivisions);
        l.levelLineY[(size_t) k - 1] = plot.getY() + o;
        l.levelLabels[(size_t) k - 1] = { 0, o, levelLabelWidth, labelHeight };
    }
    return l;
}

juce::String EQGraph::frequencyLabel (double hz)
{
    return hz >= 1000.0 ? juce::String::formatted ("%.0fK", hz * 0.001) : juce::String::formatted ("%.0f", hz);
}

double EQGraph::columnFrequency (int p, int plotWidth) noexcept
{
    if (plotWidth <= 0)
        return lowestFrequency;
    return lowestFrequency * std::pow (10.0, decades * p / plotWidth);
}

double EQGraph::levelY (const juce::Rectangle<int>& plot, double levelDb) noexcept
{
    const double hold = topLevelDb * levelHold;
    const double r = std::isnan (levelDb) ? -hold : juce::jlimit (-hold, hold, levelDb);
    const double h = plot.getHeight();
    return (double) plot.getY() + plot.getHeight() / 2 + std::nearbyint (r * h * 0.5 * (-1.0 / topLevelDb));
}

EQGraph::EQGraph (DeviceState& state, const Selection& selectionButtons)
    : outputs (state.outputEQState)
    , selection (selectionButtons)
    , watch (state, shapesACurve, [this] { repaint(); })
{
}

EQGraph::~EQGraph() = default;

void EQGraph::paint (juce::Graphics& g)
{
    ++paintCount;
    const auto l = layoutFor (getWidth(), getHeight());
    const auto& plot = l.plot;

    g.fillAll (background);

    g.setColour (grid);
    g.setFont (juce::Font (l.fontHeight, juce::Font::bold));
    g.drawRect (plot, 1);
    for (const int x : l.frequencyLineX)
        g.drawVerticalLine (x, (float) plot.getY(), (float) plot.getBottom());
    for (size_t i = 0; i < labelFrequencies.size(); ++i)
        g.drawFittedText (frequencyLabel (labelFrequencies[i]), l.frequencyLabels[i], juce::Justification::centred, 1,
                          smallestLabelScale);
    for (int k = 0; k < levelLineCount; ++k)
    {
        g.drawHorizontalLine (l.levelLineY[(size_t) k], (float) plot.getX(), (float) plot.getRight());
        g.drawFittedText (levelLabel (k + 1), l.levelLabels[(size_t) k], juce::Justification::centredRight, 1,
                          smallestLabelScale);
    }

    if (plot.isEmpty())
        return;
    g.reduceClipRegion (plot);
    for (int output = 0; output < outputCount; ++output)
    {
        const auto* button = selection[(size_t) output];
        if (button != nullptr && button->getToggleState())
            paintCurve (g, plot, output);
    }
}

void EQGraph::paintCurve (juce::Graphics& g, const juce::Rectangle<int>& plot, int output) const
{
    g.setColour (curveColours[(size_t) output]);
    const EQResponse::Curve curve (EQResponse::settingsOf (outputs, output));
    juce::Path path;
    path.preallocateSpace (3 * plot.getWidth() + 3);
    for (int p = 0; p < plot.getWidth(); ++p)
    {
        const auto x = (float) (plot.getX() + p);
        const auto y = (float) levelY (plot, curve.levelAt (columnFrequency (p, plot.getWidth())));
        if (p == 0)
            path.startNewSubPath (x, y);
        else
            path.lineTo (x, y);
    }
    g.strokePath (path,
                  juce::PathStrokeType (curveThickness, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));
}
