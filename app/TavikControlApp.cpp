#include "app/TavikControlApp.h"

#include "app/MainAppWindow.h"
#include "app/Settings.h"
#include "control/Connection.h"
#include "control/EditHistory.h"
#include "device/HwThread.h"
#include "device/SerialPort.h"
#include "state/DeviceState.h"
#include "ui/JuceAskUser.h"
#include "ui/TavikLookAndFeel.h"

TavikControlApp::TavikControlApp() = default;
TavikControlApp::~TavikControlApp() = default;

TavikControlApp& TavikControlApp::get()
{
    return *static_cast<TavikControlApp*> (juce::JUCEApplication::getInstance());
}

void TavikControlApp::initialise (const juce::String&)
{
    settings = Settings::create();
    statusBroadcaster = std::make_unique<juce::ActionBroadcaster>();
    // Made with the colour scheme applied; as the default it reaches every widget.
    lookAndFeel = std::make_unique<TavikLookAndFeel>();
    juce::LookAndFeel::setDefaultLookAndFeel (lookAndFeel.get());
    askUser = std::make_unique<JuceAskUser>();
    serialPort = std::make_unique<SerialPort>();
    // The worker comes before the record, which needs the queue it sends to.
    hwThread = std::make_unique<HwThread> (*serialPort, *statusBroadcaster, progress);
    deviceState = std::make_unique<DeviceState> (*hwThread, *statusBroadcaster, *askUser);
    connection = std::make_unique<Connection> (*serialPort, *hwThread, *deviceState, *settings, *askUser,
                                               *statusBroadcaster, progress,
                                               [this] (const juce::String& title)
                                               {
                                                   if (mainWindow != nullptr)
                                                       mainWindow->setName (title);
                                               });
    connection->showWaiting = [] (bool waiting)
    {
        if (waiting)
            juce::MouseCursor::showWaitCursor();
        else
            juce::MouseCursor::hideWaitCursor();
    };
    history = std::make_unique<EditHistory> (*deviceState, *askUser, [this] { return connection->isConnected(); });
    mainWindow = std::make_unique<MainAppWindow> (
        UiContext{ *settings, *deviceState, *statusBroadcaster, *connection, *askUser, progress, history.get() });
}

void TavikControlApp::shutdown()
{
    constexpr int workerStopTimeoutMs = 10000;
    if (hwThread != nullptr)
        hwThread->stopThread (workerStopTimeoutMs);
    mainWindow = nullptr;
    history = nullptr;
    connection = nullptr;
    hwThread = nullptr; // discards what is still queued
    if (serialPort != nullptr)
        serialPort->close (true);
    serialPort = nullptr;
    deviceState = nullptr;
    askUser = nullptr;
    juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
    lookAndFeel = nullptr;
    statusBroadcaster = nullptr;
    settings = nullptr; // writes any pending change
}
