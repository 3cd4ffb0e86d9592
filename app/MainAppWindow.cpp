#include "app/MainAppWindow.h"

#include "app/MainWindowContent.h"
#include "common/AskUser.h"
#include "control/Connection.h"
#include "ui/ColourScheme.h"

MainAppWindow::MainAppWindow (const UiContext& uiContext)
    : DocumentWindow (Connection::disconnectedTitle, SchemeColours::windowBackground,
                      DocumentWindow::minimiseButton | DocumentWindow::closeButton, true)
    , context (uiContext)
{
    setUsingNativeTitleBar (true);
    setConstrainer (&constrainer);
    setResizable (true, false);
    centreWithSize (defaultWidth, defaultHeight);
    constrainer.setFixedAspectRatio ((double) getWidth() / (double) getHeight());
    setVisible (true);

    // A missing or unreadable entry keeps the centred default.
    const auto saved = juce::Rectangle<int>::fromString (context.settings.getValue (boundsKey, getBounds().toString()));
    if (!saved.isEmpty())
        setBounds (saved);

    setContentOwned (new MainWindowContent (context), false);
}

MainAppWindow::~MainAppWindow()
{
    context.settings.setValue (boundsKey, getBounds().toString());
    getContent().saveSettings();
    clearContentComponent();
}

MainWindowContent& MainAppWindow::getContent() const
{
    return *static_cast<MainWindowContent*> (getContentComponent());
}

void MainAppWindow::closeButtonPressed()
{
    if (context.connection.isFirmwarePending() && !context.ask.askOkCancel (Connection::messageTitle, quitQuestion))
        return; // the upload goes on
    // Names typed in the last half second go out before the queue is left behind.
    getContent().commitPendingNames();
    if (auto* app = juce::JUCEApplicationBase::getInstance())
        app->systemRequestedQuit();
}
