#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

class EditHistory;

// The two small buttons that undo and redo the last edit, each disabled when
// there is nothing to do and naming its step in its tooltip.
class UndoRedoButtons final : public juce::Component, private juce::ChangeListener
{
public:
    explicit UndoRedoButtons (EditHistory& history);
    ~UndoRedoButtons() override;

    juce::Button& getUndoButton() noexcept { return *undoButton; }
    juce::Button& getRedoButton() noexcept { return *redoButton; }

    // The buttons side by side, each half of the bounds.
    void resized() override;

private:
    void changeListenerCallback (juce::ChangeBroadcaster*) override;
    void update();

    EditHistory& history;
    std::unique_ptr<juce::Button> undoButton, redoButton;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (UndoRedoButtons)
};
