#pragma once

#include "state/Input2EQState.h"
#include "state/MuteState.h"
#include "state/OutputEQState.h"
#include "state/Param.h"
#include "state/ParamSpace.h"
#include "state/RouterState.h"

#include <juce_events/juce_events.h>

#include <functional>
#include <memory>

class AskUser;
class HardwareCommand;
class HwThread;
struct ReadBackBuffer;
struct ReadBackParts;

// The one in-memory copy of every processor parameter. Everything here runs
// on the message thread; each queued command carries copies of its values.
class DeviceState
{
public:
    static constexpr const char* messageTitle = "Tavik";

    DeviceState (HwThread& worker, juce::ActionBroadcaster& statusBroadcaster, AskUser& askUser,
                 const juce::File& presetFolderToUse = defaultPresetFolder());
    ~DeviceState();

    // The documents folder joined with "Orveth Tavik"; not created here.
    static juce::File defaultPresetFolder();

    // Every failure is told to the user; the element stays the caller's.
    void savePresetFile (const juce::XmlElement& element, const juce::String& extension);

    // The parsed root element, or nothing (after telling the user why, where needed).
    std::unique_ptr<juce::XmlElement> loadPresetFile (const juce::String& extension, const juce::String& rootName);

    // The file steps of the two above, without asking for the file: the
    // parsed document of a preset file (any root), or nothing with the
    // message in error ("File does not exist", "Invalid file format").
    static std::unique_ptr<juce::XmlElement> readPresetDocument (const juce::File& file, juce::String& error);
    // Saves element over target; false, with the message in error, when the
    // file was left as it was.
    static bool writePresetFile (const juce::File& target, const juce::XmlElement& element, juce::String& error);

    // Why a read-back ended having stored nothing.
    enum class NothingRead
    {
        unanswered,     // the processor did not answer as it should
        editedMeanwhile // storing it would have overwritten edits made while it ran
    };

    // SYNC TO HARDWARE: queues one read-back. Once it has arrived whole it is
    // stored on the message thread and StatusReadBackDone is broadcast,
    // unless anything was queued meanwhile: storing it then would overwrite
    // those edits in the record while their commands still go out. Either
    // failure is handed to whenNothingRead on the message thread, after the
    // worker has moved on (not after a disconnection or a lost line).
    void queueReadBack (std::function<void (NothingRead)> whenNothingRead = {});
    // The same for only some parts (channel blocks, routing, mutes): what an
    // edit needs to know of the processor before it sends anything.
    void queueReadBack (const ReadBackParts& parts, std::function<void (NothingRead)> whenNothingRead = {});

    // Stores the parts a read-back holds in their sections, queueing
    // nothing: the processor already holds these values.
    void applyReadBack (const ReadBackBuffer& read);

    // Where a change of the record came from.
    enum class ChangeSource
    {
        panel, // a control edited by the user (the default)
        readBack,
        statePreset, // a whole-state LOAD
        channelPreset,
        clipboard,
        flat,
        undo,
        remote
    };
    struct ParamChange
    {
        Param param;
        ParamValue before, after;
    };
    struct RecordChange
    {
        ChangeSource source;
        juce::String label;              // what the user did, where the source does not say it all; may be empty
        std::vector<ParamChange> params; // in Param::all() order
    };
    // Told on the message thread, once per edit, of every parameter it changed.
    // A listener must not change the record while it is being told.
    class Listener
    {
    public:
        virtual ~Listener() = default;
        virtual void recordChanged (const RecordChange& change) = 0;
    };
    void addListener (Listener* listener) { listeners.add (listener); }
    void removeListener (Listener* listener) { listeners.remove (listener); }

    // What the record does while an Edit is alive is one change: when the
    // outermost Edit ends, the listeners are told which parameters now differ
    // from when it began. An Edit opened inside another joins it (the outer
    // source and label count). Every setter opens one, so a single edit needs
    // none; a gesture that sets many values opens one around them.
    class Edit
    {
    public:
        explicit Edit (DeviceState& state, ChangeSource source = ChangeSource::panel, const juce::String& label = {});
        ~Edit();

    private:
        DeviceState& state;
        JUCE_DECLARE_NON_COPYABLE (Edit)
    };

    // Used by the sections.
    void enqueue (std::unique_ptr<HardwareCommand> command);
    void notifyChanged();
    AskUser& getAskUser() noexcept { return ask; }

private:
    HwThread& hwThread;
    juce::ActionBroadcaster& status;
    AskUser& ask;
    // Cleared on destruction: a read-back that arrives later stores nothing.
    std::shared_ptr<bool> alive = std::make_shared<bool> (true);

    juce::ListenerList<Listener> listeners;
    int editDepth = 0;
    ChangeSource editSource = ChangeSource::panel;
    juce::String editLabel;
    std::vector<ParamValue> valuesBeforeEdit;

public:
    RouterState routerState;
    Input2EQState input2EQState;
    OutputEQState outputEQState;
    MuteState muteState;
    const juce::File presetFolder;

private:
    JUCE_DECLARE_NON_COPYABLE (DeviceState)
};
