#include "state/StatePreset.h"

#include "state/DeviceState.h"

std::unique_ptr<juce::XmlElement> statePresetElement (const DeviceState& state)
{
    auto root = std::make_unique<juce::XmlElement> (statePresetTag);
    state.input2EQState.writeSection (*root);
    state.outputEQState.writeSection (*root);
    state.routerState.writeRouterSection (*root);
    state.muteState.writeMuteSection (*root);
    return root;
}

void saveStatePreset (DeviceState& state)
{
    state.savePresetFile (*statePresetElement (state), statePresetExtension);
}

void applyStatePreset (DeviceState& state, const juce::XmlElement& root)
{
    const DeviceState::Edit edit (state, DeviceState::ChangeSource::statePreset);
    // Outputs before mutes, so the mute commands carry the gains just loaded.
    state.input2EQState.readSection (root);
    state.outputEQState.readSection (root);
    state.routerState.readRouterSection (root);
    state.muteState.readMuteSection (root);
}

bool loadStatePreset (DeviceState& state, const std::function<void()>& refreshPanels)
{
    const auto root = state.loadPresetFile (statePresetExtension, statePresetTag);
    if (root == nullptr)
        return false;

    applyStatePreset (state, *root);
    if (refreshPanels)
        refreshPanels();
    state.notifyChanged();
    return true;
}
