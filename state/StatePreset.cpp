#include "state/StatePreset.h"

#include "state/DeviceState.h"

void saveStatePreset (DeviceState& state)
{
    juce::XmlElement root (statePresetTag);
    state.input2EQState.writeSection (root);
    state.outputEQState.writeSection (root);
    state.routerState.writeRouterSection (root);
    state.muteState.writeMuteSection (root);
    state.savePresetFile (root, statePresetExtension);
}

bool loadStatePreset (DeviceState& state, const std::function<void()>& refreshPanels)
{
    const auto root = state.loadPresetFile (statePresetExtension, statePresetTag);
    if (root == nullptr)
        return false;

    // Outputs before mutes, so the mute commands carry the gains just loaded.
    state.input2EQState.readSection (*root);
    state.outputEQState.readSection (*root);
    state.routerState.readRouterSection (*root);
    state.muteState.readMuteSection (*root);

    if (refreshPanels)
        refreshPanels();
    state.notifyChanged();
    return true;
}
