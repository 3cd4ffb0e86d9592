#pragma once

#include "ui/Panel.h"

// The product logo, stretched over the whole panel on a lighter frame.
class LogoPanel final : public Panel
{
public:
    LogoPanel();
    ~LogoPanel() override;

    void paint (juce::Graphics& g) override;

    const juce::Image& getLogo() const noexcept { return logo; }

private:
    juce::Image logo;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (LogoPanel)
};
