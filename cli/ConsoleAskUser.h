#pragma once

#include "common/AskUser.h"

// The program's messages on standard error, for the library code that tells
// the user through AskUser (firmware and preset files). Nothing is ever
// asked: a console program takes its choices from its arguments.
class ConsoleAskUser final : public AskUser
{
public:
    void showMessage (const juce::String& title, const juce::String& message) override;
    bool askOkCancel (const juce::String&, const juce::String&) override { return false; }
    juce::String chooseFromList (const ListChoice&) override { return {}; }
    juce::File chooseFileToSave (const juce::String&, const juce::File&, const juce::String&) override { return {}; }
    juce::File chooseFileToOpen (const juce::String&, const juce::File&, const juce::String&) override { return {}; }
    juce::String getClipboardText() override { return {}; }
    void setClipboardText (const juce::String&) override {}
};

// "tavikctl: " and the text, on standard error.
void printError (const juce::String& message);
