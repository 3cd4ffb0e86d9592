#include "app/MainAppWindow.h"

#include "app/MainWindowContent.h"
#include "common/AskUser.h"
#include "control/Connection.h"
#include "control/EditHistory.h"
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

    // A missing or unreadable entry keeps the centred default. A saved one
    // may name a monitor since removed, or a size no display has.
    const auto saved = juce::Rectangle<int>::fromString (context.settings.getValue (boundsKey, getBounds().toString()));
    if (!saved.isEmpty())
    {
        juce::Array<juce::Rectangle<int>> areas;
        for (const auto& display : juce::Desktop::getInstance().getDisplays().displays)
            areas.add (display.userArea);
        juce::BorderSize<int> frame;
        if (auto* peer = getPeer())
            if (const auto known = peer->getFrameSizeIfPresent())
                frame = *known;
        setBounds (boundsOnDisplays (saved, areas, frame));
    }

    setContentOwned (new MainWindowContent (context), false);
    getContentComponent()->addMouseListener (&typingEnds, true);
    if (context.history != nullptr)
        context.history->makePendingEdits = [this] { getContent().commitPendingNames(); };
}

MainAppWindow::~MainAppWindow()
{
    if (context.history != nullptr)
        context.history->makePendingEdits = nullptr;
    getContentComponent()->removeMouseListener (&typingEnds);
    context.settings.setValue (boundsKey, getBounds().toString());
    getContent().saveSettings();
    clearContentComponent();
}

MainWindowContent& MainAppWindow::getContent() const
{
    return *static_cast<MainWindowContent*> (getContentComponent());
}

bool MainAppWindow::keyPressed (const juce::KeyPress& key)
{
    if (context.history == nullptr || !key.getModifiers().isCommandDown())
        return juce::DocumentWindow::keyPressed (key);
    const auto code = juce::CharacterFunctions::toUpperCase ((juce::juce_wchar) key.getKeyCode());
    if (code == 'Z' && !key.getModifiers().isShiftDown())
        context.history->undo();
    else if (code == 'Z' || code == 'Y')
        context.history->redo();
    else
        return juce::DocumentWindow::keyPressed (key);
    return true;
}

void MainAppWindow::TypingEnds::mouseDown (const juce::MouseEvent& event)
{
    const auto inTextBox = [] (juce::Component* c)
    { return dynamic_cast<juce::TextEditor*> (c) != nullptr || c->findParentComponentOfClass<juce::TextEditor>(); };
    auto* focused = juce::Component::getCurrentlyFocusedComponent();
    if (focused != nullptr && inTextBox (focused) && !inTextBox (event.eventComponent))
        focused->giveAwayKeyboardFocus();
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
