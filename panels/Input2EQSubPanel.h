#pragma once

#include "panels/EQBandStrip.h"
#include "panels/InputSliders.h"

class Input2EQPanel;

// One band of the input equaliser: gain, frequency and bandwidth sliders with
// their scales. The band belongs to whichever input the panel shows.
class Input2EQSubPanel final : public EQBandStrip<Input2EQBandGainSlider, Input2EQBandFreqSlider, Input2EQBandQSlider>
{
public:
    static constexpr Proportions proportions{ 0.0875, 0.2851358024 };
    static Layout layoutFor (int width, int height) { return EQBandStripBase::layoutFor (width, height, proportions); }

    Input2EQSubPanel (Input2EQPanel& panel, int bandIndex);
};
