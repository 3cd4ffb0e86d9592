#pragma once

#include "panels/EQBandStrip.h"
#include "panels/OutputSliders.h"

class OutputEQPanel;

// One equaliser band of the shown output: gain, frequency and bandwidth.
class OutputEQSubPanel final : public EQBandStrip<OutputEQBandGainSlider, OutputEQBandFreqSlider, OutputEQBandQSlider>
{
public:
    static constexpr Proportions proportions{ 0.103703, 0.291358024 };
    static Layout layoutFor (int width, int height) { return EQBandStripBase::layoutFor (width, height, proportions); }

    OutputEQSubPanel (OutputEQPanel& owner, int bandIndex);
};
