#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <optional>

// Shared by the delay and limiter dialogs.
namespace DialogSupport
{
// The characters a typed number may hold; anything else refuses the text.
inline constexpr const char* typedNumberCharacters = "0123456789.+-,";

// The leading decimal number of a typed text (0 when it has none; reading stops
// at the first character that cannot continue the number, a comma included).
// Nothing when the text holds another character or the number is not finite.
std::optional<double> readTypedNumber (const juce::String& text);

// Shows the content in a modal dialog window (white, with a close button;
// Escape and the close button end it with 0), centred on the given
// component's window, and waits. The content stays the caller's.
int runModalDialog (juce::Component& content, const juce::String& title, juce::Component* centreAround);

// Ends the modal window holding the component with the given result.
void endModalDialog (juce::Component& content, int result);

// A label editable on a single click whose typed text survives a loss of focus.
void makeTypedNumberLabel (juce::Label& label);
} // namespace DialogSupport
