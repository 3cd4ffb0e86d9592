#include "panels/LogoPanel.h"

#include "ui/ColourScheme.h"

#include <cstddef>

// Written by the build from app/resources/logo.png.
extern const unsigned char tavikLogoPng[];
extern const std::size_t tavikLogoPngSize;

LogoPanel::LogoPanel()
    : Panel ({})
    , logo (juce::ImageFileFormat::loadFrom (tavikLogoPng, tavikLogoPngSize))
{
    setCentreColour (SchemeColours::panelCentre.brighter (SchemeColours::logoCentreBrightening));
}

LogoPanel::~LogoPanel() = default;

void LogoPanel::paint (juce::Graphics& g)
{
    paintPanel (g);
    if (logo.isValid())
        g.drawImage (logo, 0, 0, getWidth(), getHeight(), 0, 0, logo.getWidth(), logo.getHeight());
}
