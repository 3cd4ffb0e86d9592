#include "panels/Input2EQSubPanel.h"

#include "panels/Input2EQPanel.h"

Input2EQSubPanel::Input2EQSubPanel (Input2EQPanel& panel, int bandIndex)
    : EQBandStrip (panel, bandIndex, proportions)
{
}
