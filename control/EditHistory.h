#pragma once

#include "state/DeviceState.h"

#include <juce_data_structures/juce_data_structures.h>

#include <functional>
#include <vector>

class AskUser;

// Undo and redo of every edit of the record. Each change the record announces
// (one user gesture: a slider release, a click, a dialog's OK, FLAT, PASTE, a
// LOAD, a read-back, a phone's edit) is one step holding the old and new
// values of what it changed. Undo and redo write those values back through
// the record's setters, so the processor gets exactly the commands that carry
// them, in the push order; while disconnected they change the record only.
// Message thread only. Listeners learn of changes to the history through its
// change broadcaster.
class EditHistory final : public juce::ChangeBroadcaster, private DeviceState::Listener
{
public:
    static constexpr int minimumSteps = 500;
    static constexpr int largestSizeBytes = 4 * 1024 * 1024;

    // isConnected tells whether undoing a read-back would send to a processor.
    EditHistory (DeviceState& state, AskUser& ask, std::function<bool()> isConnected);
    ~EditHistory() override;

    bool canUndo() const { return manager.canUndo(); }
    bool canRedo() const { return manager.canRedo(); }
    // "Undo output 1 band 2 gain", "Redo LOAD"; empty when there is nothing.
    juce::String undoText() const;
    juce::String redoText() const;

    // False when there was nothing to do, or the user kept the processor's
    // values (a read-back is undone only after a question while connected).
    bool undo();
    bool redo();

    // Run before every undo and redo: edits still waiting to be made (a name
    // typed a moment ago) are made first, so the step undone is the user's
    // last and the redo list is not cut by an edit arriving afterwards.
    std::function<void()> makePendingEdits;

    int getNumSteps() const;
    int getSizeInBytes() const { return manager.getNumberOfUnitsTakenUpByStoredCommands(); }
    void clear();

    // What a change is called in the history: the parameter for a single
    // edit, the action for a gesture that changed many.
    // Asked before a read-back is undone while connected.
    static juce::String readBackUndoQuestion (int settings);

    static juce::String stepName (const DeviceState::RecordChange& change);

private:
    class Step;

    void recordChanged (const DeviceState::RecordChange& change) override;
    // The step an undo would undo: the newest one not undone.
    const Step* nextToUndo() const;

    DeviceState& state;
    AskUser& ask;
    std::function<bool()> isConnected;
    // Every step the manager holds, oldest first (declared before the manager,
    // whose steps take themselves out as it deletes them).
    std::vector<Step*> steps;
    juce::UndoManager manager;
    bool applying = false; // while a step writes its values: those are not new steps

    JUCE_DECLARE_NON_COPYABLE (EditHistory)
};
