#pragma once

#include "device/DeviceLink.h"
#include "device/Protocol.h"
#include "ui/Panel.h"

#include <atomic>
#include <functional>

class AskUser;
class EditHistory;
class UndoRedoButtons;
class Connection;
class DeviceState;

// The system bar: whole-state presets, connection, the two whole-state
// transfers, firmware upload and the worker's progress. It also turns the
// worker's status codes into visible changes.
class TopPanel final : public Panel, private juce::Button::Listener, private juce::ActionListener, private juce::Timer
{
public:
    static constexpr int firmwareFeatureVersion =
        Protocol::minimumGatedVersion; // upload and read-back need at least this
    static constexpr const char* connectText = "CONNECT TO DEVICE";
    static constexpr const char* disconnectText = "DISCONNECT FROM DEVICE";
    static constexpr const char* connectFirstMessage =
        "You must first connect to your Tavik before uploading firmware.";
    static constexpr const char* noUploadMessage = DeviceLink::noUploadMessage;
    static constexpr const char* noReadBackMessage = DeviceLink::noReadBackMessage;
    static constexpr const char* disconnectQuestion = "The application is currently writing to the device.  Are you "
                                                      "sure you want to disconnect and lose any pending changes?";
    static constexpr const char* disconnectDuringUploadQuestion =
        "Interrupting a firmware upload may render your unit unusable, and the changes waiting to be sent will be "
        "lost. Are you sure you want to disconnect?";
    static constexpr const char* uploadFailedMessage = DeviceLink::uploadFailedMessage;
    static constexpr const char* uploadCompleteMessage = DeviceLink::uploadCompleteMessage;

    struct Layout
    {
        juce::Rectangle<int> load, save, progress, connect, syncToSoftware, syncToHardware, upload;
        juce::Rectangle<int> undoRedo; // in the gap after CONNECT, clear of every other button
        juce::Rectangle<int> remote;   // in the free gap between the progress bar and CONNECT
    };
    static Layout layoutFor (int width, int height);

    // refreshPanels shows a loaded preset in every panel without sending.
    // With a history, two small buttons undo and redo between CONNECT and SYNC TO SOFTWARE.
    TopPanel (Connection& connection, DeviceState& state, juce::ActionBroadcaster& status, AskUser& ask,
              std::atomic<double>& progress, std::function<void()> refreshPanels, EditHistory* history = nullptr);
    ~TopPanel() override;

    // Called before the record is saved, loaded, pushed or read back: names
    // still waiting for their typing pause go into the record first.
    std::function<void()> commitPendingNames;

    juce::TextButton& getLoadButton() { return loadButton; }
    juce::TextButton& getSaveButton() { return saveButton; }
    juce::TextButton& getUploadButton() { return uploadButton; }
    juce::TextButton& getConnectButton() { return connectButton; }
    juce::TextButton& getSyncToSoftwareButton() { return syncToSoftwareButton; }
    juce::TextButton& getSyncToHardwareButton() { return syncToHardwareButton; }
    juce::ProgressBar& getProgressBar() { return progressBar; }
    UndoRedoButtons* getUndoRedoButtons() { return undoRedo.get(); }
    juce::TextButton& getRemoteButton() { return remoteButton; }

    // Told when the user turns the remote control on or off; it answers
    // whether the remote is now on (turning on can fail).
    std::function<bool (bool on)> onRemoteToggled;
    // Shows the remote as on or off without telling onRemoteToggled.
    void showRemote (bool on);

    void resized() override;

private:
    void buttonClicked (juce::Button* button) override;
    void actionListenerCallback (const juce::String& message) override;
    void timerCallback() override;

    void upload();
    void connectOrDisconnect();
    void syncToHardware();
    void disconnect (bool sendGoodbye);
    void setDeviceButtonsEnabled (bool enabled);
    void showProgress (bool shown);

    Connection& connection;
    DeviceState& state;
    juce::ActionBroadcaster& status;
    AskUser& ask;
    std::atomic<double>& progress;
    std::function<void()> refreshPanels;

    // The bar reads a plain double on the message thread; the timer copies
    // the worker's value into it while the bar is shown.
    double shownProgress = 0.0;

    juce::TextButton loadButton{ "LOAD" };
    juce::TextButton saveButton{ "SAVE" };
    juce::TextButton uploadButton{ "UPLOAD FIRMWARE" };
    juce::ProgressBar progressBar{ shownProgress };
    juce::TextButton connectButton{ connectText };
    juce::TextButton syncToSoftwareButton{ "SYNC TO SOFTWARE" };
    juce::TextButton syncToHardwareButton{ "SYNC TO HARDWARE" };
    std::unique_ptr<UndoRedoButtons> undoRedo;
    juce::TextButton remoteButton{ "REMOTE" };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TopPanel)
};
