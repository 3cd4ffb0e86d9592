#include "app/MainAppWindow.h"

#include "app/MainWindowContent.h"
#include "common/AskUser.h"
#include "control/Connection.h"
#include "control/EditHistory.h"
#include "ui/ColourScheme.h"

#include <algorithm>
#include <cmath>
#include <utility>

juce::Rectangle<int> MainAppWindow::boundsOnDisplays (juce::Rectangle<int> saved,
                                                      const juce::Array<juce::Rectangle<int>>& displayAreas,
                                                      juce::BorderSize<int> frame)
{
    if (displayAreas.isEmpty())
        return saved;

    // In doubles: the numbers come from a file and their sums may not fit an int.
    const juce::Rectangle<double> outer (
        (double) saved.getX() - frame.getLeft(), (double) saved.getY() - frame.getTop(),
        (double) saved.getWidth() + frame.getLeftAndRight(), (double) saved.getHeight() + frame.getTopAndBottom());
    const auto rank = [&outer] (juce::Rectangle<int> area)
    {
        const auto a = area.toDouble();
        const auto overlap = a.getIntersection (outer);
        const auto centre = outer.getCentre();
        return std::make_pair (-overlap.getWidth() * overlap.getHeight(),
                               a.getConstrainedPoint (centre).getDistanceFrom (centre));
    };
    const auto display = *std::min_element (displayAreas.begin(), displayAreas.end(),
                                            [&rank] (auto a, auto b) { return rank (a) < rank (b); });
    auto room = frame.subtractedFrom (display);
    if (room.isEmpty())
        room = display;

    // Never so small (or so thin) that nobody finds it again.
    const double scale =
        std::min ({ 1.0, room.getWidth() / (double) saved.getWidth(), room.getHeight() / (double) saved.getHeight() });
    const auto side = [scale] (int length, int minimum, int available)
    { return juce::jlimit (std::min (minimum, available), available, (int) std::lround (length * scale)); };
    const int width = side (saved.getWidth(), defaultWidth / 4, room.getWidth());
    const int height = side (saved.getHeight(), defaultHeight / 4, room.getHeight());
    const auto x = juce::jlimit ((double) room.getX(), (double) (room.getRight() - width), (double) saved.getX());
    const auto y = juce::jlimit ((double) room.getY(), (double) (room.getBottom() - height), (double) saved.getY());
    return { (int) x, (int) y, width, height };
}

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

bool MainAppWindow::keyPressed (const juce::KeyPress& key)
{
    if (context.history == nullptr || !key.getModifiers().isCommandDown())
        return juce::DocumentWindow::keyPressed (key);
    const int code = juce::CharacterFunctions::toUpperCase ((juce::juce_wchar) key.getKeyCode());
    if (code == 'Z' && !key.getModifiers().isShiftDown())
        context.history->undo();
    else if (code == 'Z' || code == 'Y')
        context.history->redo();
    else
        return juce::DocumentWindow::keyPressed (key);
    return true;
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
