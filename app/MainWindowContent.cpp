#include "app/MainWindowContent.h"

#include "common/Status.h"
#include "panels/Input2EQPanel.h"
#include "panels/LogoPanel.h"
#include "panels/OutputEQPanel.h"
#include "panels/OutputGraphPanel.h"
#include "panels/OutputMutePanel.h"
#include "panels/RouterPanel.h"
#include "panels/TopPanel.h"
#include "ui/ColourScheme.h"

#include <algorithm>

MainWindowContent::Layout MainWindowContent::layoutFor (int width, int height)
{
    // A one-pixel margin all round; float products are rounded from single
    // precision, the others from double, both ties to even. Sizes never go
    // below zero, however small the window.
    const int w = std::max (0, width - 2), h = std::max (0, height - 2);
    const float wf = (float) w, hf = (float) h;
    const int gapW = roundLayout (wf * 0.002f);
    const int gapH = roundLayout (hf * 0.002f);
    Layout l;
    l.top = { 1, 1, w, roundLayout (hf * 0.05f) };
    l.inputEQ = { 1, l.top.getBottom() + gapH, w, roundLayout (hf * 0.3f) };
    l.router = { 1, l.inputEQ.getBottom() + gapH, roundLayout ((double) w * 0.3), roundLayout (hf * 0.345f) };
    const int outputEQTop = l.router.getBottom() + gapH;
    l.outputEQ = { 1, outputEQTop, w, std::max (0, height - outputEQTop - 1) };
    l.logo = { l.router.getRight() + gapW, l.router.getY(), roundLayout ((double) width * 0.3),
               roundLayout ((double) l.router.getHeight() * 0.7) };
    const int muteTop = l.logo.getBottom() + gapH;
    l.mute = { l.logo.getX(), muteTop, l.logo.getWidth(), std::max (0, l.router.getBottom() - muteTop) };
    const int graphX = l.logo.getRight() + gapW;
    l.graph = { graphX, l.router.getY(), std::max (0, l.top.getRight() - graphX), l.router.getHeight() };
    return l;
}

MainWindowContent::MainWindowContent (const UiContext& context)
    : status (context.status)
{
    topPanel = std::make_unique<TopPanel> (
        context.connection, context.state, context.status, context.ask, context.progress, [this] { refreshPanels(); },
        context.history);
    routerPanel = std::make_unique<RouterPanel> (context.state);
    inputEQPanel = std::make_unique<Input2EQPanel> (context);
    outputEQPanel = std::make_unique<OutputEQPanel> (context);
    logoPanel = std::make_unique<LogoPanel>();
    outputMutePanel = std::make_unique<OutputMutePanel> (context.state);
    outputGraphPanel = std::make_unique<OutputGraphPanel> (context);

    for (auto* panel : std::initializer_list<juce::Component*>{ topPanel.get(), routerPanel.get(), inputEQPanel.get(),
                                                                outputEQPanel.get(), logoPanel.get(),
                                                                outputMutePanel.get(), outputGraphPanel.get() })
        addAndMakeVisible (panel);

    topPanel->commitPendingNames = [this] { commitPendingNames(); };
    outputEQPanel->commitPendingNames = [this] { routerPanel->commitPendingNames(); };

    status.addActionListener (this);
}

MainWindowContent::~MainWindowContent()
{
    status.removeActionListener (this);
}

void MainWindowContent::refreshPanels()
{
    inputEQPanel->refresh();
    outputEQPanel->refreshOutputEQPanel();
    routerPanel->refreshRouterPanel();
    outputMutePanel->refreshMutePanel();
}

void MainWindowContent::commitPendingNames()
{
    inputEQPanel->commitPendingName();
    routerPanel->commitPendingNames();
}

void MainWindowContent::saveSettings()
{
    commitPendingNames();
    // The output panel's delay unit is written last, so it is the one kept.
    inputEQPanel->saveSettings();
    outputEQPanel->saveSettings();
    outputGraphPanel->saveGraphSelection();
}

void MainWindowContent::paint (juce::Graphics& g)
{
    g.fillAll (SchemeColours::windowBackground);
}

void MainWindowContent::resized()
{
    const auto l = layoutFor (getWidth(), getHeight());
    topPanel->setBounds (l.top);
    inputEQPanel->setBounds (l.inputEQ);
    routerPanel->setBounds (l.router);
    outputEQPanel->setBounds (l.outputEQ);
    logoPanel->setBounds (l.logo);
    outputMutePanel->setBounds (l.mute);
    outputGraphPanel->setBounds (l.graph);
}

void MainWindowContent::actionListenerCallback (const juce::String& message)
{
    if (statusFromMessage (message) != StatusReadBackDone)
        return;
    refreshPanels();
    broadcastStatus (status, StatusStateChanged); // the response graph redraws
}
