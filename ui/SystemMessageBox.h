#pragma once

#include <juce_core/juce_core.h>

// The program's message boxes and OK/Cancel questions: modal, without an
// icon, titled as given. On Windows they are the system's own message box
// (SystemMessageBoxWin32.cpp); elsewhere the framework's alert window, drawn
// with the program's colours (SystemMessageBoxPosix.cpp).
namespace SystemMessageBox
{
void show (const juce::String& title, const juce::String& message);

// True for OK.
bool askOkCancel (const juce::String& title, const juce::String& message);
} // namespace SystemMessageBox
