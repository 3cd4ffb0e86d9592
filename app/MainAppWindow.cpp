#include "app/MainAppWindow.h"

MainAppWindow::MainAppWindow (juce::PropertiesFile& settingsFile)
    : DocumentWindow (disconnectedTitle, juce::Colour (0xfff0ffff),
                      DocumentWindow::minimiseButton | DocumentWindow::closeButton, true)
    , settings (settingsFile)
{
    setUsingNativeTitleBar (true);
    setResizable (true, false);
    centreWithSize (800, 560);
    setVisible (true);
}

void MainAppWindow::closeButtonPressed()
{
    juce::JUCEApplication::getInstance()->systemRequestedQuit();
}
