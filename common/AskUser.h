#pragma once

#include <juce_core/juce_core.h>

// Everything through which the program asks a person something or reaches
// the clipboard. The application owns the JUCE implementation; tests hand in
// a scripted one. Titles and texts are passed exactly as shown.
class AskUser
{
public:
    virtual ~AskUser() = default;

    // A modal box with one "OK" button and no icon.
    virtual void showMessage (const juce::String& title, const juce::String& message) = 0;

    // A modal box with "OK" and "Cancel"; true for OK.
    virtual bool askOkCancel (const juce::String& title, const juce::String& message) = 0;

    struct ListChoice
    {
        juce::String title, message;
        juce::String comboName, comboLabel;
        juce::StringArray items;
        int preselected = 0; // index into items
    };

    // A modal window with one combo box and OK/Cancel: the chosen item's
    // text, or an empty string when the user cancelled.
    virtual juce::String chooseFromList (const ListChoice& choice) = 0;

    // Native file choosers: the chosen file, or File() when cancelled.
    // patterns is a filter such as "*.TavikPreset".
    virtual juce::File chooseFileToSave (const juce::String& title, const juce::File& folder,
                                         const juce::String& patterns) = 0;
    virtual juce::File chooseFileToOpen (const juce::String& title, const juce::File& folder,
                                         const juce::String& patterns) = 0;

    virtual juce::String getClipboardText() = 0;
    virtual void setClipboardText (const juce::String& text) = 0;
};
