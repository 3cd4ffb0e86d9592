#pragma once

#include "common/AskUser.h"

#include <deque>
#include <vector>

// Answers questions from queues and records everything that was asked, so
// tests can check titles, texts and buttons. An empty queue answers "cancel".
class ScriptedAskUser : public AskUser
{
public:
    struct Asked
    {
        juce::String kind; // "message", "okCancel", "list", "save", "open"
        juce::String title, message;
        juce::StringArray items;
        int preselected = -1;
        juce::String patterns;
        juce::File folder;
    };

    std::vector<Asked> asked;
    std::deque<bool> okCancelAnswers;
    std::deque<juce::String> listAnswers; // item text to choose; "" = cancel
    std::deque<juce::File> fileAnswers;   // File() = cancel
    juce::String clipboard;

    void showMessage (const juce::String& title, const juce::String& message) override;
    bool askOkCancel (const juce::String& title, const juce::String& message) override;
    juce::String chooseFromList (const ListChoice& choice) override;
    juce::File chooseFileToSave (const juce::String& title, const juce::File& folder,
                                 const juce::String& patterns) override;
    juce::File chooseFileToOpen (const juce::String& title, const juce::File& folder,
                                 const juce::String& patterns) override;
    juce::String getClipboardText() override { return clipboard; }
    void setClipboardText (const juce::String& text) override { clipboard = text; }

    // The messages shown with showMessage, in order.
    juce::StringArray messages() const;
};
