#include "state/DeviceState.h"

#include "common/AskUser.h"
#include "common/FileAccess.h"
#include "common/Status.h"
#include "device/HwThread.h"
#include "device/SyncToHardwareCommand.h"
#include "state/FileReplace.h"
#include "state/StateXml.h"

namespace
{
const juce::String chooserTitle ("Please enter the file name");
const char* const invalidFormatMessage = "Invalid file format";

// Preset files are far smaller; a bigger file is not ours and is not read whole.
constexpr size_t largestPresetFileBytes = 16 * 1024 * 1024;

juce::File withExtension (const juce::File& chosen, const juce::String& extension)
{
    const auto path = chosen.getFullPathName();
    if (path.endsWithIgnoreCase ("." + extension))
        return chosen;
    return juce::File (path + "." + extension);
}

bool wasCancelled (const juce::File& chosen)
{
    return chosen.getFullPathName().isEmpty();
}
} // namespace

DeviceState::DeviceState (HwThread& worker, juce::ActionBroadcaster& statusBroadcaster, AskUser& askUser,
                          const juce::File& presetFolderToUse)
    : hwThread (worker)
    , status (statusBroadcaster)
    , ask (askUser)
    , routerState (*this)
    , input2EQState (*this)
    , outputEQState (*this)
    , muteState (*this)
    , presetFolder (presetFolderToUse)
{
}

DeviceState::~DeviceState()
{
    *alive = false;
}

juce::File DeviceState::defaultPresetFolder()
{
    return juce::File::getSpecialLocation (juce::File::userDocumentsDirectory).getChildFile ("Orveth Tavik");
}

DeviceState::Edit::Edit (DeviceState& deviceState, ChangeSource source, const juce::String& label)
    : state (deviceState)
{
    if (state.editDepth++ > 0)
        return;
    state.editSource = source;
    state.editLabel = label;
    state.valuesBeforeEdit = ParamSpace::readAll (state);
}

DeviceState::Edit::~Edit()
{
    if (--state.editDepth > 0)
        return;
    RecordChange change{ state.editSource, state.editLabel, {} };
    const auto& params = Param::all();
    const auto after = ParamSpace::readAll (state);
    for (size_t i = 0; i < params.size(); ++i)
        if (!sameValue (state.valuesBeforeEdit[i], after[i]))
            change.params.push_back ({ params[i], state.valuesBeforeEdit[i], after[i] });
    state.valuesBeforeEdit.clear();
    if (!change.params.empty())
        state.listeners.call ([&change] (Listener& l) { l.recordChanged (change); });
}

void DeviceState::enqueue (std::unique_ptr<HardwareCommand> command)
{
    hwThread.enqueue (std::move (command));
}

void DeviceState::notifyChanged()
{
    broadcastStatus (status, StatusStateChanged);
}

void DeviceState::savePresetFile (const juce::XmlElement& element, const juce::String& extension)
{
    if (!presetFolder.isDirectory() && presetFolder.createDirectory().failed())
    {
        ask.showMessage (messageTitle, "Unable to create folder " + presetFolder.getFullPathName());
        return;
    }

    const auto chosen = ask.chooseFileToSave (chooserTitle, presetFolder, "*." + extension);
    if (wasCancelled (chosen))
        return;

    // The chooser confirmed only the name as typed; the extension may point at another file.
    const auto target = withExtension (chosen, extension);
    if (target != chosen && target.exists() &&
        !ask.askOkCancel (messageTitle, target.getFullPathName() + " already exists. Do you want to replace it?"))
        return;

    juce::String error;
    if (!writePresetFile (target, element, error))
        ask.showMessage (messageTitle, error);
}

bool DeviceState::writePresetFile (const juce::File& target, const juce::XmlElement& element, juce::String& error)
{
    if (isReadOnlyFile (target) || !FileReplace::replaceWithXml (target, element, StateXml::documentFormat()))
    {
        error = "Unable to write " + target.getFullPathName();
        return false;
    }
    return true;
}

std::unique_ptr<juce::XmlElement> DeviceState::loadPresetFile (const juce::String& extension,
                                                               const juce::String& rootName)
{
    if (!presetFolder.isDirectory())
    {
        ask.showMessage (messageTitle, "Folder does not exist: " + presetFolder.getFullPathName());
        return {};
    }

    const auto chosen = ask.chooseFileToOpen (chooserTitle, presetFolder, "*." + extension);
    if (wasCancelled (chosen))
        return {};

    juce::String error;
    auto root = readPresetDocument (withExtension (chosen, extension), error);
    if (root != nullptr && !StateXml::hasName (*root, rootName))
    {
        root = nullptr;
        error = invalidFormatMessage;
    }
    if (root == nullptr)
        ask.showMessage (messageTitle, error);
    return root;
}

std::unique_ptr<juce::XmlElement> DeviceState::readPresetDocument (const juce::File& file, juce::String& error)
{
    juce::String text;
    const auto read = FileAccess::readTextFile (file, largestPresetFileBytes, text);
    if (read == FileAccess::Read::missing)
    {
        error = "File does not exist";
        return {};
    }
    auto root = read == FileAccess::Read::done ? StateXml::parseDocument (text) : nullptr;
    if (root == nullptr)
        error = invalidFormatMessage;
    return root;
}

void DeviceState::queueReadBack (std::function<void (NothingRead)> whenNothingRead)
{
    queueReadBack (ReadBackParts::everything(), std::move (whenNothingRead));
}

void DeviceState::queueReadBack (const ReadBackParts& parts, std::function<void (NothingRead)> whenNothingRead)
{
    // Posted, never called in place: the worker may be waiting for this
    // thread, and a message box would keep it waiting.
    const auto tell = [stillHere = alive, whenNothingRead] (NothingRead why)
    {
        if (whenNothingRead != nullptr)
            juce::MessageManager::callAsync (
                [stillHere, whenNothingRead, why]
                {
                    if (*stillHere)
                        whenNothingRead (why);
                });
    };

    // Enqueueing happens on this thread only, so the count after this
    // command is known now; any other count when the answer arrives means
    // something was queued meanwhile.
    const auto countWhenQueued = hwThread.getEnqueuedCount() + 1;
    hwThread.enqueue (std::make_unique<SyncToHardwareCommand> (
        [this, stillHere = alive, countWhenQueued, tell] (const ReadBackBuffer& read)
        {
            if (!*stillHere)
                return;
            if (hwThread.getEnqueuedCount() != countWhenQueued)
                return tell (NothingRead::editedMeanwhile);
            applyReadBack (read);
            broadcastStatus (status, StatusReadBackDone);
        },
        [tell] { tell (NothingRead::unanswered); }, parts));
}

void DeviceState::applyReadBack (const ReadBackBuffer& read)
{
    const Edit edit (*this, ChangeSource::readBack);
    const auto& parts = read.parts;
    for (int input = 0; input < Input2EQState::channelCount; ++input)
        if (parts.blocks[(size_t) ReadBackParts::inputBlock (input)])
            input2EQState.applyReadBack (input, read.blocks[(size_t) ReadBackParts::inputBlock (input)]);
    for (int output = 0; output < OutputEQState::outputCount; ++output)
    {
        if (parts.blocks[(size_t) ReadBackParts::outputBlock (output)])
            outputEQState.applyReadBack (output, read.blocks[(size_t) ReadBackParts::outputBlock (output)]);
        if (parts.routing)
            routerState.applyReadBack (output, read.routing[(size_t) output]);
    }
    if (parts.mute)
        muteState.applyReadBack (read.mute);
}
