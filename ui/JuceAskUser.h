#pragma once

#include "common/AskUser.h"

// Asks the user through the system's message boxes where it has them (else
// JUCE's alert windows, drawn with the program's colour scheme), JUCE's port
// chooser window, native file choosers and the system clipboard.
class JuceAskUser final : public AskUser
{
public:
    void showMessage (const juce::String& title, const juce::String& message) override;
    bool askOkCancel (const juce::String& title, const juce::String& message) override;
    juce::String chooseFromList (const ListChoice& choice) override;
    juce::File chooseFileToSave (const juce::String& title, const juce::File& folder,
                                 const juce::String& patterns) override;
    juce::File chooseFileToOpen (const juce::String& title, const juce::File& folder,
                                 const juce::String& patterns) override;
    juce::String getClipboardText() override;
    void setClipboardText (const juce::String& text) override;
};
