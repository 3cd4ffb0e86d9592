#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <cmath>

// The frame every titled panel shares: a vertical gradient from the edges to
// the middle, an outline and a rounded title tab placed in proportion to the
// parent, so the tabs of all panels line up.
class Panel : public juce::Component
{
public:
    explicit Panel (const juce::String& title);
    ~Panel() override;

    // Tab rectangle for a parent of the given size (single precision, ties to even).
    static juce::Rectangle<int> titleTabFor (int parentWidth, int parentHeight, float tabLeft, float tabWidth);
    juce::Rectangle<int> getTitleTab() const;

    // Painted first by every panel; leaves the title's font in the context.
    void paintPanel (juce::Graphics& g) const;

    // A panel with nothing of its own shows only the frame.
    void paint (juce::Graphics& g) override;

    const juce::String& getTitle() const noexcept { return title; }
    juce::Colour getCentreColour() const noexcept { return centreColour; }
    juce::Colour getEdgeColour() const noexcept { return edgeColour; }

protected:
    void setTitleTabFractions (float left, float width) noexcept;
    void setCentreColour (juce::Colour colour) noexcept { centreColour = colour; }

private:
    juce::String title;
    float titleTabLeft = 0.01f;
    float titleTabWidth = 0.075f;
    juce::Colour edgeColour;
    juce::Colour centreColour;
    juce::Colour titleColour;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (Panel)
};

// Nearest integer, ties to even, as every layout of the program rounds.
inline int roundLayout (double value) noexcept
{
    return (int) std::nearbyint (value);
}
inline int roundLayout (float value) noexcept
{
    return (int) std::nearbyint (value);
}
