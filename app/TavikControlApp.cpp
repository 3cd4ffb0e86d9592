#include "app/TavikControlApp.h"

#include "app/MainAppWindow.h"
#include "app/MainWindowContent.h"
#include "app/RemoteWindow.h"
#include "app/Settings.h"
#include "control/Connection.h"
#include "control/EditHistory.h"
#include "device/HwThread.h"
#include "device/SerialPort.h"
#include "panels/TopPanel.h"
#include "remote/RemoteControl.h"
#include "state/DeviceState.h"
#include "ui/JuceAskUser.h"
#include "ui/TavikLookAndFeel.h"

#include <iostream>

TavikControlApp::TavikControlApp() = default;
TavikControlApp::~TavikControlApp() = default;

TavikControlApp& TavikControlApp::get()
{
    return *static_cast<TavikControlApp*> (juce::JUCEApplication::getInstance());
}

void TavikControlApp::initialise (const juce::String& commandLine)
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

    remote = std::make_unique<RemoteControl> (*deviceState, [this] { return connection->isConnected(); });
    remote->onClientsChanged = [this]
    {
        if (remoteWindow != nullptr)
            remoteWindow->showClients (remote->getClientCount());
    };
    mainWindow->getContent().getTopPanel().onRemoteToggled = [this] (bool on) { return setRemoteOn (on); };

    // The one option the program reads: --remote [ADDRESS:]PORT starts with
    // the remote on and prints its address.
    const auto words = juce::StringArray::fromTokens (commandLine, true);
    const int option = words.indexOf ("--remote");
    if (option >= 0)
    {
        if (setRemoteOn (true, words[option + 1].unquoted()))
            std::cout << remote->getUrl() << std::endl;
        else
            std::cerr << "--remote " << words[option + 1].unquoted() << ": the remote control is off" << std::endl;
    }
}

bool TavikControlApp::setRemoteOn (bool on, const juce::String& listen)
{
    auto& top = mainWindow->getContent().getTopPanel();
    if (!on)
    {
        remoteWindow = nullptr;
        remote->stop();
        top.showRemote (false);
        return false;
    }
    juce::String address = RemoteControl::anyAddress, why;
    int port = RemoteControl::defaultPort;
    if ((listen.isEmpty() || RemoteControl::parseListen (listen, address, port, why)) &&
        remote->start (address, port, why))
    {
        // Closing the window turns the remote off, after the close has been handled.
        remoteWindow = std::make_unique<RemoteWindow> (
            remote->getUrl(), [this] { juce::MessageManager::callAsync ([this] { setRemoteOn (false); }); });
        // Beside the main window where the screen has room, else over its right end.
        const auto main = mainWindow->getScreenBounds();
        if (const auto* display = juce::Desktop::getInstance().getDisplays().getDisplayForRect (main))
        {
            const auto area = display->userArea;
            auto placed = remoteWindow->getBounds().withPosition (main.getRight() + 8, main.getY());
            if (placed.getRight() > area.getRight())
                placed.setX (main.getX() - 8 - placed.getWidth());
            if (placed.getX() < area.getX())
                placed.setX (area.getRight() - placed.getWidth());
            remoteWindow->setBounds (placed.constrainedWithin (area));
        }
        top.showRemote (true);
        return true;
    }
    askUser->showMessage (Connection::messageTitle, "The remote control could not be turned on: " + why);
    top.showRemote (false);
    return false;
}

void TavikControlApp::shutdown()
{
    constexpr int workerStopTimeoutMs = 10000;
    // The remote's pages go first: they edit the record.
    remoteWindow = nullptr;
    remote = nullptr;
    if (connection != nullptr)
        connection->shutDown (workerStopTimeoutMs); // the port is let go of, the worker stopped
    mainWindow = nullptr;
    history = nullptr;
    connection = nullptr;
    hwThread = nullptr; // discards what is still queued
    serialPort = nullptr;
    deviceState = nullptr;
    askUser = nullptr;
    juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
    lookAndFeel = nullptr;
    statusBroadcaster = nullptr;
    settings = nullptr; // writes any pending change
}
