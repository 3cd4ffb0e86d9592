#include "ui/SystemMessageBox.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace SystemMessageBox
{
void show (const juce::String& title, const juce::String& message)
{
    juce::AlertWindow::showMessageBox (juce::MessageBoxIconType::NoIcon, title, message, "OK");
}

bool askOkCancel (const juce::String& title, const juce::String& message)
{
    return juce::AlertWindow::showOkCancelBox (juce::MessageBoxIconType::NoIcon, title, message, "OK", "Cancel");
}
} // namespace SystemMessageBox
