#include "panels/DialogSupport.h"

#include <cmath>

namespace DialogSupport
{
std::optional<double> readTypedNumber (const juce::String& text)
{
    if (!text.containsOnly (typedNumberCharacters))
        return std::nullopt;

    // The longest prefix of the form [sign] digits [. digits] (or [sign] . digits).
    auto p = text.getCharPointer();
    juce::String number;
    if (*p == '+' || *p == '-')
        number += *p++;
    bool anyDigit = false, seenPoint = false;
    for (;; ++p)
    {
        const auto c = *p;
        if (c >= '0' && c <= '9')
            anyDigit = true;
        else if (c == '.' && !seenPoint)
            seenPoint = true;
        else
            break;
        number += c;
    }
    if (!anyDigit)
        return 0.0;

    const double value = number.getDoubleValue();
    if (!std::isfinite (value))
        return std::nullopt; // hundreds of digits: refused like any other bad entry
    return value;
}

namespace
{
class ModalDialogWindow final : public juce::DialogWindow
{
public:
    ModalDialogWindow (const juce::String& title, juce::Component& content, juce::Component* centreAround)
        : DialogWindow (title, juce::Colours::white, true, true)
    {
        setUsingNativeTitleBar (true);
        setContentNonOwned (&content, true);
        centreAroundComponent (centreAround, getWidth(), getHeight());
        setResizable (false, false);
    }

    // The close button (and Escape, which presses it) ends the dialog as Cancel.
    void closeButtonPressed() override { exitModalState (0); }
};
} // namespace

int runModalDialog (juce::Component& content, const juce::String& title, juce::Component* centreAround)
{
    if (centreAround != nullptr)
        centreAround = centreAround->getTopLevelComponent();
    ModalDialogWindow window (title, content, centreAround);
    window.setVisible (true);
    const int result = window.runModalLoop();
    window.clearContentComponent();
    return result;
}

void endModalDialog (juce::Component& content, int result)
{
    if (auto* window = content.findParentComponentOfClass<juce::DialogWindow>())
        window->exitModalState (result);
}

void makeTypedNumberLabel (juce::Label& label)
{
    label.setEditable (true, false, false);
    label.setJustificationType (juce::Justification::centred);
}
} // namespace DialogSupport
