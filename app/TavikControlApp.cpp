#include "app/TavikControlApp.h"

#include "app/ColourScheme.h"
#include "app/JuceAskUser.h"
#include "app/MainAppWindow.h"
#include "app/Settings.h"
#include "device/SerialPort.h"

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
    applyColourScheme (juce::LookAndFeel::getDefaultLookAndFeel());
    askUser = std::make_unique<JuceAskUser>();
    serialPort = std::make_unique<SerialPort>();
    mainWindow = std::make_unique<MainAppWindow> (*settings);
}

void TavikControlApp::shutdown()
{
    mainWindow = nullptr;
    if (serialPort != nullptr)
        serialPort->close (true);
    serialPort = nullptr;
    askUser = nullptr;
    statusBroadcaster = nullptr;
    settings = nullptr; // writes any pending change
}
