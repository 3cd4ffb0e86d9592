#include "panels/TopPanel.h"

#include "common/AskUser.h"
#include "common/Status.h"
#include "control/Connection.h"
#include "panels/UndoRedoButtons.h"
#include "state/StatePreset.h"
#include "ui/TavikLookAndFeel.h"

namespace
{
constexpr int progressRefreshHz = 20;
}

TopPanel::Layout TopPanel::layoutFor (int width, int height)
{
    const float W = (float) width, H = (float) height;
    const int y = roundLayout (H * 0.2f), h = roundLayout (H * 0.6f);
    const auto at = [&] (float x, float w)
    { return juce::Rectangle<int> (roundLayout (W * x), y, roundLayout (W * w), h); };
    Layout l;
    l.load = at (0.1f, 0.040187678f);
    l.save = { l.load.getRight(), y, roundLayout (W * 0.040187678f), h };
    l.progress = at (0.22f, 0.15f);
    l.connect = at (0.42f, 0.16f);
    l.syncToSoftware = at (0.65f, 0.11f);
    l.syncToHardware = at (0.76f, 0.11f);
    l.upload = at (0.88f, 0.1f);
    l.undoRedo = at (0.585f, 0.06f);
    l.remote = at (0.3725f, 0.045f);
    return l;
}

TopPanel::TopPanel (Connection& connectionToUse, DeviceState& deviceState, juce::ActionBroadcaster& statusBroadcaster,
                    AskUser& askUser, std::atomic<double>& workerProgress, std::function<void()> refresh,
                    EditHistory* history)
    : Panel (" SYSTEM")
    , connection (connectionToUse)
    , state (deviceState)
    , status (statusBroadcaster)
    , ask (askUser)
    , progress (workerProgress)
    , refreshPanels (std::move (refresh))
{
    for (auto* button : { &loadButton, &saveButton, &uploadButton })
    {
        button->setConnectedEdges (juce::Button::ConnectedOnLeft | juce::Button::ConnectedOnRight);
        button->addListener (this);
        addAndMakeVisible (*button);
    }
    addChildComponent (progressBar);
    for (auto* button : { &connectButton, &syncToSoftwareButton, &syncToHardwareButton })
    {
        button->setConnectedEdges (juce::Button::ConnectedOnLeft | juce::Button::ConnectedOnRight);
        button->addListener (this);
        addAndMakeVisible (*button);
    }
    if (history != nullptr)
    {
        undoRedo = std::make_unique<UndoRedoButtons> (*history);
        addAndMakeVisible (*undoRedo);
    }
    remoteButton.setClickingTogglesState (false);
    remoteButton.getProperties().set (TavikLookAndFeel::smallFontProperty, true);
    remoteButton.setTooltip ("Remote control from a phone or tablet");
    remoteButton.addListener (this);
    addAndMakeVisible (remoteButton);
    setDeviceButtonsEnabled (false);
    status.addActionListener (this);
}

TopPanel::~TopPanel()
{
    status.removeActionListener (this);
}

void TopPanel::resized()
{
    const auto l = layoutFor (getWidth(), getHeight());
    loadButton.setBounds (l.load);
    saveButton.setBounds (l.save);
    progressBar.setBounds (l.progress);
    connectButton.setBounds (l.connect);
    syncToSoftwareButton.setBounds (l.syncToSoftware);
    syncToHardwareButton.setBounds (l.syncToHardware);
    uploadButton.setBounds (l.upload);
    remoteButton.setBounds (l.remote);
    if (undoRedo != nullptr)
        undoRedo->setBounds (l.undoRedo);
}

void TopPanel::showRemote (bool on)
{
    remoteButton.setToggleState (on, juce::dontSendNotification);
}

void TopPanel::setDeviceButtonsEnabled (bool enabled)
{
    uploadButton.setEnabled (enabled);
    syncToSoftwareButton.setEnabled (enabled);
    syncToHardwareButton.setEnabled (enabled);
}

void TopPanel::showProgress (bool shown)
{
    if (shown)
    {
        shownProgress = progress.load();
        startTimerHz (progressRefreshHz);
    }
    else
    {
        stopTimer();
    }
    progressBar.setVisible (shown);
}

void TopPanel::timerCallback()
{
    shownProgress = progress.load();
}

void TopPanel::buttonClicked (juce::Button* button)
{
    const bool wholeState = button == &loadButton || button == &saveButton || button == &syncToSoftwareButton ||
                            button == &syncToHardwareButton;
    if (wholeState && commitPendingNames)
        commitPendingNames();

    if (button == &loadButton)
        loadStatePreset (state, refreshPanels);
    else if (button == &saveButton)
        saveStatePreset (state);
    else if (button == &uploadButton)
        upload();
    else if (button == &connectButton)
        connectOrDisconnect();
    else if (button == &syncToSoftwareButton)
    {
        setDeviceButtonsEnabled (false);
        connection.syncToSoftware(); // the buttons come back with the empty queue
    }
    else if (button == &syncToHardwareButton)
        syncToHardware();
    else if (button == &remoteButton && onRemoteToggled)
        showRemote (onRemoteToggled (!remoteButton.getToggleState()));
}

void TopPanel::upload()
{
    if (!connection.isConnected())
        ask.showMessage (Connection::messageTitle, connectFirstMessage);
    else if (connection.isUploadActive())
        return; // one upload at a time; this click changes nothing
    else if (connection.getFirmwareVersion() >= firmwareFeatureVersion)
    {
        if (connection.startFirmwareUpload())
            showProgress (true);
    }
    else
        ask.showMessage (Connection::messageTitle, noUploadMessage);
}

void TopPanel::connectOrDisconnect()
{
    if (!connection.isConnected())
    {
        if (connection.connectToDevice())
        {
            connectButton.setButtonText (disconnectText);
            setDeviceButtonsEnabled (true);
        }
        return;
    }
    // Letting go during an upload may leave the unit unusable, and drops
    // whatever waits behind it (the connection then sends no goodbye).
    if (connection.isUploadActive())
    {
        if (!ask.askOkCancel (Connection::messageTitle, disconnectDuringUploadQuestion))
            return;
    }
    else if (connection.hasWaitingCommands() && !ask.askOkCancel (Connection::messageTitle, disconnectQuestion))
    {
        return;
    }
    disconnect (true);
}

void TopPanel::syncToHardware()
{
    if (connection.getFirmwareVersion() < firmwareFeatureVersion)
    {
        ask.showMessage (Connection::messageTitle, noReadBackMessage);
        return;
    }
    setDeviceButtonsEnabled (false);
    connection.syncToHardware();
}

void TopPanel::disconnect (bool sendGoodbye)
{
    connection.disconnectFromDevice (sendGoodbye);
    connectButton.setButtonText (connectText);
    setDeviceButtonsEnabled (false);
    showProgress (false);
}

void TopPanel::actionListenerCallback (const juce::String& message)
{
    switch (statusFromMessage (message))
    {
        case StatusUploadFailed:
        {
            // The processor may be in the middle of an image: nothing more
            // goes to it on this connection.
            const bool lost = connection.isLineLost();
            disconnect (false);
            ask.showMessage (Connection::messageTitle,
                             lost ? juce::String (uploadFailedMessage) + " " + Connection::lineLostMessage
                                  : juce::String (uploadFailedMessage));
            break;
        }
        case StatusLineLost:
            if (connection.isLineLost()) // else let go of already
            {
                disconnect (false);
                ask.showMessage (Connection::messageTitle, Connection::lineLostMessage);
            }
            break;
        case StatusUploadComplete:
            // The processor restarts with its new firmware: no goodbye to send.
            disconnect (false);
            ask.showMessage (Connection::messageTitle, uploadCompleteMessage);
            break;
        case StatusBusy:
            showProgress (true);
            break;
        case StatusIdle:
            // An upload waits for the empty queue and goes on after it.
            showProgress (connection.isConnected() && connection.isUploadActive());
            // A queue still draining after a disconnection must not bring back
            // buttons that need a device.
            setDeviceButtonsEnabled (connection.isConnected());
            break;
        default:
            break;
    }
}
