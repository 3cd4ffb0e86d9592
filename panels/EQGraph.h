#pragma once

#include "device/Protocol.h"
#include "panels/RecordWatch.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <array>

// The combined response of the selected outputs: one coloured curve per
// output over 20 Hz to 20 kHz (logarithmic) and +24 to -24 dB. Every paint
// recomputes the curves from the record; every change of an output's gain,
// band or cut the record announces repaints.
class EQGraph final : public juce::Component
{
public:
    static constexpr int outputCount = Protocol::outputCount;
    static constexpr int frequencyLineCount = 26;
    static constexpr int frequencyLabelCount = 10;
    static constexpr int levelLineCount = 11;
    static constexpr double topLevelDb = 24.0; // the plot spans +24 dB to -24 dB

    using Selection = std::array<const juce::Button*, outputCount>;

    struct Layout
    {
        juce::Rectangle<int> plot;
        float fontHeight = 0;
        std::array<int, frequencyLineCount> frequencyLineX{};
        std::array<juce::Rectangle<int>, frequencyLabelCount> frequencyLabels;
        std::array<int, levelLineCount> levelLineY{};
        std::array<juce::Rectangle<int>, levelLineCount> levelLabels;
    };
    static Layout layoutFor (int width, int height);

    static const std::array<double, frequencyLineCount> frequencyLines;
    static const std::array<double, frequencyLabelCount> labelFrequencies;
    static juce::String frequencyLabel (double hz);
    static juce::String levelLabel (int line) { return juce::String (24 - 4 * line); } // line 1 to 11

    // Frequency of pixel column p of a plot w pixels wide.
    static double columnFrequency (int p, int plotWidth) noexcept;
    // Vertical pixel of a level in the plot. Levels far beyond the plot (or
    // NaN, taken as the bottom) are held a few plot heights outside it, so
    // every coordinate stays finite and small; the clip hides them anyway.
    static double levelY (const juce::Rectangle<int>& plot, double levelDb) noexcept;

    static const std::array<juce::Colour, outputCount> curveColours;
    static const juce::Colour background;
    static const juce::Colour grid;
    static constexpr float curveThickness = 2.0f;

    EQGraph (DeviceState& state, const Selection& selection);
    ~EQGraph() override;

    // How often the graph has been painted; lets a caller see a repaint happen.
    int getPaintCount() const noexcept { return paintCount; }

    void paint (juce::Graphics& g) override;

private:
    void paintCurve (juce::Graphics& g, const juce::Rectangle<int>& plot, int output) const;

    const OutputEQState& outputs;
    Selection selection;
    int paintCount = 0;
    const RecordWatch watch;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (EQGraph)
};
