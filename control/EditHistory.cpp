#include "control/EditHistory.h"

#include "common/AskUser.h"
#include "state/ParamSpace.h"

#include <algorithm>

namespace
{
using Source = DeviceState::ChangeSource;

juce::String channelName (const Param& p)
{
    return p.output ? "output " + juce::String (p.channel + 1)
                    : "input " + juce::String::charToString (juce::juce_wchar ('A' + p.channel));
}

// What one recorded change takes up, roughly, in bytes: the history's unit.
int sizeOf (const std::vector<DeviceState::ParamChange>& params)
{
    int bytes = 64;
    for (const auto& p : params)
    {
        bytes += (int) sizeof (p);
        for (const auto* value : { &p.before, &p.after })
            if (const auto* text = std::get_if<juce::String> (value))
                bytes += (int) text->getNumBytesAsUTF8();
    }
    return bytes;
}
} // namespace

class EditHistory::Step final : public juce::UndoableAction
{
public:
    Step (EditHistory& owner, const DeviceState::RecordChange& change)
        : source (change.source)
        , history (owner)
        , params (change.params)
    {
        history.steps.push_back (this);
    }

    ~Step() override { history.steps.erase (std::find (history.steps.begin(), history.steps.end(), this)); }

    // The first perform is the edit itself, which has already happened.
    bool perform() override
    {
        if (done)
            apply (false);
        done = true;
        undone = false;
        return true;
    }

    bool undo() override
    {
        apply (true);
        undone = true;
        return true;
    }

    int getSizeInUnits() override { return sizeOf (params); }

    // A phone's slider sends its value many times a second while it moves:
    // the moves of the same values in quick succession are one step.
    bool absorbs (const DeviceState::RecordChange& change)
    {
        const auto now = juce::Time::getMillisecondCounter();
        const auto sameParams = [&]
        {
            return std::equal (params.begin(), params.end(), change.params.begin(), change.params.end(),
                               [] (const auto& a, const auto& b) { return a.param == b.param; });
        };
        if (source != Source::remote || change.source != Source::remote || undone || now - lastChange > 1000 ||
            !sameParams())
            return false;
        for (size_t i = 0; i < params.size(); ++i)
            params[i].after = change.params[i].after;
        lastChange = now;
        return true;
    }

    // The values undo or redo would send: those the record does not hold now.
    std::vector<std::pair<Param, ParamValue>> differing (bool before) const
    {
        std::vector<std::pair<Param, ParamValue>> values;
        for (const auto& p : params)
        {
            const auto& target = before ? p.before : p.after;
            if (!sameValue (ParamSpace::read (history.state, p.param), target))
                values.push_back ({ p.param, target });
        }
        return values;
    }

    const Source source;
    bool undone = false;

private:
    void apply (bool before)
    {
        const juce::ScopedValueSetter<bool> applying (history.applying, true);
        const DeviceState::Edit edit (history.state, Source::undo);
        ParamSpace::write (history.state, differing (before));
    }

    EditHistory& history;
    std::vector<DeviceState::ParamChange> params;
    juce::uint32 lastChange = juce::Time::getMillisecondCounter();
    bool done = false;
};

EditHistory::EditHistory (DeviceState& deviceState, AskUser& askUser, std::function<bool()> connected)
    : state (deviceState)
    , ask (askUser)
    , isConnected (std::move (connected))
    , manager (largestSizeBytes, minimumSteps)
{
    state.addListener (this);
}

EditHistory::~EditHistory()
{
    state.removeListener (this);
}

juce::String EditHistory::stepName (const DeviceState::RecordChange& change)
{
    if (change.label.isNotEmpty())
        return change.label;
    if (change.params.empty())
        return {};
    const auto& first = change.params.front().param;
    switch (change.source)
    {
        case Source::readBack:
            return "SYNC TO HARDWARE";
        case Source::statePreset:
            return "LOAD";
        case Source::channelPreset:
            return "LOAD " + channelName (first);
        case Source::clipboard:
            return "PASTE " + channelName (first);
        case Source::flat:
            return "FLAT " + channelName (first);
        case Source::panel:
        case Source::remote:
        case Source::undo:
            break;
    }
    // Names typed in several router rows in one pause went out together.
    const auto isOutputName = [] (const DeviceState::ParamChange& p)
    { return p.param.kind == Param::Kind::name && p.param.output; };
    if (change.params.size() > 1 && std::all_of (change.params.begin(), change.params.end(), isOutputName))
        return "output names";
    // A single gesture that moved two values (a cut type and its slope) is named by the first.
    return first.describe();
}

void EditHistory::recordChanged (const DeviceState::RecordChange& change)
{
    if (applying || change.source == Source::undo)
        return;
    if (!steps.empty() && steps.back()->absorbs (change))
    {
        sendChangeMessage();
        return;
    }
    manager.beginNewTransaction (stepName (change));
    manager.perform (new Step (*this, change));
    sendChangeMessage();
}

const EditHistory::Step* EditHistory::nextToUndo() const
{
    const auto found = std::find_if (steps.rbegin(), steps.rend(), [] (const Step* s) { return !s->undone; });
    return found == steps.rend() ? nullptr : *found;
}

juce::String EditHistory::undoText() const
{
    return canUndo() ? "Undo " + manager.getUndoDescription() : juce::String();
}

juce::String EditHistory::redoText() const
{
    return canRedo() ? "Redo " + manager.getRedoDescription() : juce::String();
}

juce::String EditHistory::readBackUndoQuestion (int settings)
{
    return "Undo SYNC TO HARDWARE? This sends " + juce::String (settings) + (settings == 1 ? " setting" : " settings") +
           " to the processor.";
}

bool EditHistory::undo()
{
    if (makePendingEdits)
        makePendingEdits();
    if (!canUndo())
        return false;
    // The processor's own values were read: ask before overwriting them.
    if (const auto* step = nextToUndo();
        step != nullptr && step->source == Source::readBack && isConnected != nullptr && isConnected())
    {
        const int count = (int) step->differing (true).size();
        if (count > 0 && !ask.askOkCancel (DeviceState::messageTitle, readBackUndoQuestion (count)))
            return false;
        // A phone's edit may have come in while the question was open.
        if (nextToUndo() != step)
            return false;
    }
    const bool undone = manager.undo();
    sendChangeMessage();
    return undone;
}

bool EditHistory::redo()
{
    if (makePendingEdits)
        makePendingEdits();
    const bool redone = manager.redo();
    sendChangeMessage();
    return redone;
}

int EditHistory::getNumSteps() const
{
    return manager.getUndoDescriptions().size() + manager.getRedoDescriptions().size();
}

void EditHistory::clear()
{
    manager.clearUndoHistory();
    sendChangeMessage();
}
