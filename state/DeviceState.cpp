#include "state/DeviceState.h"

#include "common/AskUser.h"
#include "common/Status.h"
#include "device/HwThread.h"
#include "state/FileAccess.h"
#include "state/FileReplace.h"
#include "state/StateXml.h"

namespace
{
const juce::String chooserTitle ("Please enter the file name");

// Preset files are far smaller; a bigger file is not ours and is not read whole.
constexpr juce::int64 largestPresetFileBytes = 16 * 1024 * 1024;

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

juce::File DeviceState::defaultPresetFolder()
{
    return juce::File::getSpecialLocation (juce::File::userDocumentsDirectory).getChildFile ("Orveth Tavik");
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

    if (isReadOnlyFile (target) || !FileReplace::replaceWithXml (target, element, StateXml::documentFormat()))
        ask.showMessage (messageTitle, "Unable to write " + target.getFullPathName());
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

    const auto target = withExtension (chosen, extension);
    if (!target.existsAsFile())
    {
        ask.showMessage (messageTitle, "File does not exist");
        return {};
    }

    std::unique_ptr<juce::XmlElement> root;
    if (target.getSize() <= largestPresetFileBytes)
        root = StateXml::parseDocument (target.loadFileAsString());
    if (root == nullptr || !StateXml::hasName (*root, rootName))
    {
        ask.showMessage (messageTitle, "Invalid file format");
        return {};
    }
    return root;
}
