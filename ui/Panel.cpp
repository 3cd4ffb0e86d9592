#include "ui/Panel.h"

#include "ui/ColourScheme.h"

Panel::Panel (const juce::String& panelTitle)
    : title (panelTitle)
    , edgeColour (SchemeColours::panelCentre.darker (SchemeColours::panelEdgeDarkening))
    , centreColour (SchemeColours::panelCentre)
    , titleColour (SchemeColours::titleText)
{
}

Panel::~Panel() = default;

void Panel::setTitleTabFractions (float left, float width) noexcept
{
    titleTabLeft = left;
    titleTabWidth = width;
}

juce::Rectangle<int> Panel::titleTabFor (int parentWidth, int parentHeight, float tabLeft, float tabWidth)
{
    constexpr float tabTop = 0.01f, tabHeight = 0.023f;
    const auto pw = (float) parentWidth, ph = (float) parentHeight;
    return { roundLayout (pw * tabLeft), roundLayout (ph * tabTop), roundLayout (pw * tabWidth),
             roundLayout (ph * tabHeight) };
}

juce::Rectangle<int> Panel::getTitleTab() const
{
    // A panel shown on its own (a dialog's content) measures the tab against itself.
    const auto* parent = getParentComponent();
    return titleTabFor (parent != nullptr ? parent->getWidth() : getWidth(),
                        parent != nullptr ? parent->getHeight() : getHeight(), titleTabLeft, titleTabWidth);
}

void Panel::paintPanel (juce::Graphics& g) const
{
    const int w = getWidth(), h = getHeight();
    const float middle = (float) h * 0.5f;

    g.setGradientFill (juce::ColourGradient (edgeColour, 0.0f, 0.0f, centreColour, 0.0f, middle, false));
    g.fillRect (0, 0, w, h / 2);
    g.setGradientFill (juce::ColourGradient (centreColour, 0.0f, middle, edgeColour, 0.0f, (float) h, false));
    g.fillRect (0, h / 2, w, h / 2);

    g.setColour (SchemeColours::panelOutline);
    g.drawRect (0, 0, w, h, 2);

    if (title.isEmpty())
        return;
    const auto tab = getTitleTab();
    g.setColour (SchemeColours::titleTab);
    g.fillRoundedRectangle (tab.toFloat(), (float) tab.getHeight() * 0.5f);
    g.setColour (titleColour);
    g.setFont (juce::Font ((float) tab.getHeight(), juce::Font::bold));
    g.drawText (title, tab, juce::Justification::centred, true);
}

void Panel::paint (juce::Graphics& g)
{
    paintPanel (g);
}
