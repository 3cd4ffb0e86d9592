#include "panels/OutputEQSubPanel.h"

#include "panels/OutputEQPanel.h"

OutputEQSubPanel::OutputEQSubPanel (OutputEQPanel& owner, int bandIndex)
    : EQBandStrip (owner, bandIndex, proportions)
{
}
