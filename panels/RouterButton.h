#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

class RouterState;

// One crosspoint of the routing matrix: input (column) into output (row).
// A click has already toggled the button; it stores and sends the new route.
class RouterButton final : public juce::TextButton
{
public:
    RouterButton (RouterState& router, int input, int output);
    ~RouterButton() override;

    const int input;
    const int output;

private:
    void clicked() override;

    RouterState& router;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (RouterButton)
};
