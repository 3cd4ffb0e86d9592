#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <atomic>
#include <memory>

class AskUser;
class Connection;
class DeviceState;
class EditHistory;
class HwThread;
class MainAppWindow;
class RemoteControl;
class RemoteWindow;
class SerialPort;
class TavikLookAndFeel;

// The application object: owns every long-lived object, creates them in a
// fixed order at start-up and destroys them in the reverse order.
class TavikControlApp final : public juce::JUCEApplication
{
public:
    TavikControlApp();
    ~TavikControlApp() override;

    const juce::String getApplicationName() override { return "Tavik Control"; }
    const juce::String getApplicationVersion() override { return "0.0"; }
    bool moreThanOneInstanceAllowed() override { return true; }
    void anotherInstanceStarted (const juce::String&) override {}

    void initialise (const juce::String& commandLine) override;
    void shutdown() override;

    static TavikControlApp& get();

    MainAppWindow* getMainWindow() const noexcept { return mainWindow.get(); }
    HwThread& getHwThread() const noexcept { return *hwThread; }
    SerialPort& getSerialPort() const noexcept { return *serialPort; }
    DeviceState& getDeviceState() const noexcept { return *deviceState; }
    juce::PropertiesFile& getSettings() const noexcept { return *settings; }
    juce::ActionBroadcaster& getStatusBroadcaster() const noexcept { return *statusBroadcaster; }
    std::atomic<double>& getProgress() noexcept { return progress; }
    AskUser& getAskUser() const noexcept { return *askUser; }
    Connection& getConnection() const noexcept { return *connection; }
    EditHistory& getEditHistory() const noexcept { return *history; }
    RemoteControl& getRemote() const noexcept { return *remote; }
    RemoteWindow* getRemoteWindow() const noexcept { return remoteWindow.get(); }

    // Turns the remote control on (listening as "[ADDRESS:]PORT" says, by
    // default on every interface at port 8765) with its window, or off;
    // tells the user why it could not be turned on. True when it is now on.
    bool setRemoteOn (bool on, const juce::String& listen = {});

private:
    std::unique_ptr<MainAppWindow> mainWindow;
    std::unique_ptr<HwThread> hwThread;
    std::unique_ptr<SerialPort> serialPort;
    std::unique_ptr<DeviceState> deviceState;
    std::unique_ptr<juce::PropertiesFile> settings;
    std::atomic<double> progress{ 0.0 }; // written by the worker, shown by the progress bar
    std::unique_ptr<juce::ActionBroadcaster> statusBroadcaster;
    std::unique_ptr<TavikLookAndFeel> lookAndFeel;
    std::unique_ptr<AskUser> askUser;
    std::unique_ptr<Connection> connection;
    std::unique_ptr<EditHistory> history;
    std::unique_ptr<RemoteControl> remote; // off at every start
    std::unique_ptr<RemoteWindow> remoteWindow;
};
