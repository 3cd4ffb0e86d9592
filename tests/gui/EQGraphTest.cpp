// The response graph: its level model at known points, where it puts the
// plot and the grid, what a rendering shows, values far out of range, and
// the output selection with its setting.
#include "panels/EQGraph.h"
#include "app/Settings.h"
#include "common/EqTables.h"
#include "common/Status.h"
#include "control/Connection.h"
#include "panels/OutputGraphPanel.h"
#include "state/EQResponse.h"
#include "support/StateHarness.h"
#include "ui/TavikLookAndFeel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
using Rect = juce::Rectangle<int>;
constexpr double infinity = std::numeric_limits<double>::infinity();
constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

void pump (int ms = 20)
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil (ms);
}

template <typename Condition>
bool pumpUntil (Condition condition)
{
    for (int i = 0; i < 500 && !condition(); ++i)
        pump (10);
    return condition();
}

struct GraphParts : ::testing::Test
{
    GraphParts() { juce::LookAndFeel::setDefaultLookAndFeel (&lookAndFeel); }
    ~GraphParts() override { juce::LookAndFeel::setDefaultLookAndFeel (nullptr); }

    double level (int output, double hz) const
    {
        return EQResponse::Curve (EQResponse::settingsOf (h.state.outputEQState, output)).levelAt (hz);
    }

    std::unique_ptr<OutputGraphPanel> makePanel()
    {
        auto panel = std::make_unique<OutputGraphPanel> (context);
        panel->setSize (315, 193); // its size in the 800 x 560 window
        return panel;
    }

    TavikLookAndFeel lookAndFeel;
    juce::TemporaryFile settingsFile;
    juce::PropertiesFile settings{ settingsFile.getFile(), Settings::options() };
    StateHarness h;
    Connection connection{ h.port, h.worker, h.state, settings, h.ask, h.status, h.progress, nullptr };
    UiContext context{ settings, h.state, h.status, connection, h.ask, h.progress };
};

// Rows of a rendered column that carry the colour (within antialiasing).
std::vector<int> rowsOf (const juce::Image& image, int x, juce::Colour colour)
{
    std::vector<int> rows;
    for (int y = 0; y < image.getHeight(); ++y)
    {
        const auto c = image.getPixelAt (x, y);
        if (std::abs (c.getRed() - colour.getRed()) < 40 && std::abs (c.getGreen() - colour.getGreen()) < 40 &&
            std::abs (c.getBlue() - colour.getBlue()) < 40)
            rows.push_back (y);
    }
    return rows;
}

juce::Image render (juce::Component& c)
{
    return c.createComponentSnapshot (c.getLocalBounds(), true, 1.0f);
}
} // namespace

TEST_F (GraphParts, LevelModelBellsAndCutSlopes)
{
    auto& out = h.state.outputEQState;
    out.setBandGain (0, 2, 12.0);
    out.setBandFrequency (0, 2, 1000.0);
    out.setBandWidth (0, 2, 1.0); // derivedQ sqrt 2
    EXPECT_NEAR (level (0, 1000.0), 12.0, 1e-9);
    EXPECT_NEAR (level (0, 500.0), 4.43, 0.005);
    EXPECT_NEAR (level (0, 2000.0), 4.43, 0.005);
    EXPECT_NEAR (level (0, 4000.0), 1.27, 0.005);

    out.setChannelGain (1, -6.0);
    out.setCutFrequency (1, OutputEQState::lowCut, 100.0);
    out.setCutFilter (1, OutputEQState::lowCut, 1, 3); // 24 dB per octave
    EXPECT_NEAR (level (1, 100.0), -9.0, 1e-9);
    EXPECT_NEAR (level (1, 50.0), -33.0, 1e-9);
    EXPECT_NEAR (level (1, 109.2), -6.0, 1e-12); // above the corner at 109.05 Hz
    EXPECT_LT (level (1, 109.0), -6.0);

    out.setCutFrequency (2, OutputEQState::highCut, 10000.0);
    out.setCutFilter (2, OutputEQState::highCut, 2, 1); // 12 dB per octave; the family does not matter
    EXPECT_NEAR (level (2, 10000.0), -3.0, 1e-9);
    EXPECT_NEAR (level (2, 20000.0), -15.0, 1e-9);
    EXPECT_NEAR (level (2, 8400.0), 0.0, 1e-12);

    // Off draws nothing whatever its slope; the untouched outputs are flat.
    out.setCutFilter (2, OutputEQState::highCut, 0, 4);
    EXPECT_NEAR (level (2, 20000.0), 0.0, 1e-12);
    EXPECT_NEAR (level (3, 20.0), 0.0, 1e-12);
}

TEST_F (GraphParts, OutOfRangeValuesAreDrawnAtTheirLimits)
{
    auto& out = h.state.outputEQState;
    // Output 1 gets the extremes, output 2 the limits they are drawn at.
    out.setChannelGain (1, 12.0);
    out.setBandGain (1, 0, -12.0);
    out.setBandFrequency (1, 0, 20.0);
    out.setBandWidth (1, 0, minimumEQBandwidth);
    out.setBandGain (1, 1, 12.0);
    out.setBandFrequency (1, 1, 20000.0);
    out.setCutFrequency (1, OutputEQState::lowCut, 20.0);
    out.setCutFilter (1, OutputEQState::lowCut, 1, 4);
    out.setCutFrequency (1, OutputEQState::highCut, 20.0);
    out.setCutFilter (1, OutputEQState::highCut, 1, 0);

    out.setChannelGain (0, 1e10);
    out.setBandGain (0, 0, -infinity);
    out.setBandFrequency (0, 0, 0.0);
    out.setBandWidth (0, 0, 0.0);
    out.setBandGain (0, 1, 1e10);
    out.setBandFrequency (0, 1, infinity);
    out.setCutFrequency (0, OutputEQState::lowCut, 0.0);
    out.setCutFilter (0, OutputEQState::lowCut, 1, 4);
    out.setCutFrequency (0, OutputEQState::highCut, notANumber);
    out.setCutFilter (0, OutputEQState::highCut, 1, 0);
    for (int p = 0; p < 2000; ++p)
    {
        const double f = EQGraph::columnFrequency (p, 2000);
        ASSERT_DOUBLE_EQ (level (0, f), level (1, f)) << f;
    }

    // NaN gains read as the processor would take them: the channel quietest, a band flat.
    out.setChannelGain (3, notANumber);
    out.setBandGain (3, 0, notANumber);
    EXPECT_DOUBLE_EQ (level (3, 800.0), EQResponse::minimumGain);

    // However wild the level, a curve point stays finite and a few plot heights away.
    const Rect plot (24, 3, 260, 128);
    for (const double r : { 1e300, -1e300, infinity, -infinity, notANumber })
    {
        const double y = EQGraph::levelY (plot, r);
        EXPECT_TRUE (std::isfinite (y)) << r;
        EXPECT_LT (std::abs (y - 67.0), 8.0 * plot.getHeight()) << r;
    }
}

TEST_F (GraphParts, PlotGridAndPanelLayout)
{
    const auto g = EQGraph::layoutFor (296, 145);
    EXPECT_EQ (g.plot, Rect (24, 3, 260, 128));
    EXPECT_EQ (EQGraph::levelY (g.plot, 0.0), 67.0);
    EXPECT_EQ (EQGraph::levelY (g.plot, 12.0), 35.0);
    EXPECT_EQ (EQGraph::levelY (g.plot, 24.0), 3.0);
    EXPECT_EQ (EQGraph::levelY (g.plot, -24.0), 131.0);
    EXPECT_DOUBLE_EQ (EQGraph::columnFrequency (0, 260), 20.0);
    EXPECT_NEAR (EQGraph::columnFrequency (259, 260), 19476.0, 0.5);

    // The sixth level line is the 0 dB line; labels run 20 to -20 in steps of 4.
    EXPECT_EQ (g.levelLineY[0], 13);
    EXPECT_EQ (g.levelLineY[5], 67);
    EXPECT_EQ (g.levelLineY[10], 120);
    EXPECT_EQ (g.levelLabels[5], Rect (0, 64, 23, 7));
    EXPECT_EQ (EQGraph::levelLabel (1), "20");
    EXPECT_EQ (EQGraph::levelLabel (11), "-20");

    // 30 Hz first, 100 Hz a third of the way, 10 kHz last; 20K centred on the right edge.
    EXPECT_EQ (g.frequencyLineX[0], 39);
    EXPECT_EQ (g.frequencyLineX[7], 24 + 61);
    EXPECT_EQ (g.frequencyLineX[25], 24 + 234);
    EXPECT_EQ (g.frequencyLabels[0], Rect (12, 132, 24, 7));
    EXPECT_EQ (g.frequencyLabels[9], Rect (272, 132, 24, 7));
    const char* labels[] = { "20", "50", "100", "200", "500", "1K", "2K", "5K", "10K", "20K" };
    for (size_t i = 0; i < EQGraph::labelFrequencies.size(); ++i)
        EXPECT_EQ (EQGraph::frequencyLabel (EQGraph::labelFrequencies[i]), labels[i]);

    const auto p = OutputGraphPanel::layoutFor (315, 193);
    EXPECT_EQ (p.graph, Rect (9, 10, 296, 145));
    for (int i = 0; i < OutputGraphPanel::outputCount; ++i)
        EXPECT_EQ (p.buttons[(size_t) i], Rect (118 + 16 * i, 164, 16, 19)) << i;
    EXPECT_EQ (p.caption, Rect (0, 164, 106, 19));

    auto panel = makePanel();
    EXPECT_EQ (panel->getGraph().getBounds(), p.graph);
    EXPECT_EQ (panel->getButton (5).getBounds(), p.buttons[5]);
    EXPECT_EQ (panel->getTitle(), "");
}

TEST_F (GraphParts, RenderingShowsTheSelectedCurvesWhereTheLevelIs)
{
    auto panel = makePanel();
    auto& graph = panel->getGraph();
    const auto plot = EQGraph::layoutFor (graph.getWidth(), graph.getHeight()).plot;
    const auto red = EQGraph::curveColours[0], blue = EQGraph::curveColours[5];

    // The default record: output 1's curve alone, flat on the 0 dB line, in every column.
    auto image = render (graph);
    for (int x = plot.getX() + 2; x < plot.getRight() - 2; ++x)
    {
        const auto rows = rowsOf (image, x, red);
        ASSERT_FALSE (rows.empty()) << x;
        EXPECT_GE (rows.front(), 65) << x;
        EXPECT_LE (rows.back(), 68) << x;
        EXPECT_TRUE (rowsOf (image, x, blue).empty()) << x;
    }

    // All six selected: the last output lies on top; none selected: the grid alone.
    for (int i = 0; i < OutputGraphPanel::outputCount; ++i)
        panel->getButton (i).setToggleState (true, juce::dontSendNotification);
    image = render (graph);
    EXPECT_EQ (rowsOf (image, 150, blue), (std::vector<int>{ 66, 67 }));
    EXPECT_TRUE (rowsOf (image, 150, red).empty());
    for (int i = 0; i < OutputGraphPanel::outputCount; ++i)
        panel->getButton (i).setToggleState (false, juce::dontSendNotification);
    image = render (graph);
    for (int i = 0; i < OutputGraphPanel::outputCount; ++i)
        EXPECT_TRUE (rowsOf (image, 150, EQGraph::curveColours[(size_t) i]).empty()) << i;
    EXPECT_EQ (image.getPixelAt (150, 67), EQGraph::grid);
    EXPECT_EQ (image.getPixelAt (150, 60), EQGraph::background);

    // A +12 dB band at 1 kHz peaks on the +12 dB line, in the 1 kHz column.
    auto& out = h.state.outputEQState;
    out.setBandGain (0, 0, 12.0);
    out.setBandFrequency (0, 0, 1000.0);
    out.setBandWidth (0, 0, 1.0);
    panel->getButton (0).setToggleState (true, juce::dontSendNotification);
    image = render (graph);
    const int column = plot.getX() + 147; // 997 Hz
    EXPECT_EQ (rowsOf (image, column, red).front(), 34);
    // Its tail still lifts 20 Hz a little, where the model puts it.
    const double tail = EQGraph::levelY (plot, level (0, EQGraph::columnFrequency (5, plot.getWidth())));
    EXPECT_EQ (tail, 66.0);
    EXPECT_EQ (rowsOf (image, plot.getX() + 5, red).front(), 65);
}

TEST_F (GraphParts, ExtremeRecordsRenderAtAnySize)
{
    auto& out = h.state.outputEQState;
    const double wild[] = { 1e10, -1e10, infinity, -infinity, notANumber, 0.0 };
    for (int output = 0; output < OutputEQState::outputCount; ++output)
    {
        const double v = wild[output];
        out.setChannelGain (output, v);
        for (int band = 0; band < OutputEQState::bandCount; ++band)
        {
            out.setBandGain (output, band, v);
            out.setBandFrequency (output, band, v);
            out.setBandWidth (output, band, v);
        }
        for (int cut = 0; cut < OutputEQState::cutCount; ++cut)
        {
            out.setCutFrequency (output, cut, v);
            out.setCutFilter (output, cut, 1 + output % 3, output % 2 == 0 ? 3 : 1);
        }
    }
    settings.setValue (OutputGraphPanel::settingsKey, OutputGraphPanel::allOutputs);
    auto panel = makePanel();
    for (const auto size : { Rect (0, 0, 315, 193), Rect (0, 0, 0, 0), Rect (0, 0, 1, 1), Rect (0, 0, 3, 2),
                             Rect (0, 0, 6000, 40), Rect (0, 0, 40, 6000) })
    {
        panel->setSize (size.getWidth(), size.getHeight());
        const auto& graph = panel->getGraph();
        const int paints = graph.getPaintCount();
        if (!graph.getLocalBounds().isEmpty())
        {
            render (*panel);
            EXPECT_EQ (graph.getPaintCount(), paints + 1) << size.toString();
        }
    }

    // Output 1's gain of 1e10 is drawn as +12 dB, across the whole plot.
    for (int i = 1; i < OutputGraphPanel::outputCount; ++i)
        panel->getButton (i).setToggleState (false, juce::dontSendNotification);
    for (int band = 0; band < OutputEQState::bandCount; ++band)
        out.setBandGain (0, band, 0.0);
    for (int cut = 0; cut < OutputEQState::cutCount; ++cut)
        out.setCutFilter (0, cut, 0, 0);
    panel->setSize (315, 193);
    const auto image = render (panel->getGraph());
    for (const int x : { 30, 150, 280 })
        EXPECT_EQ (rowsOf (image, x, EQGraph::curveColours[0]).front(), 34) << x;
}

TEST_F (GraphParts, SelectionButtonsAndTheirSetting)
{
    struct Case
    {
        const char* stored; // nullptr: no entry
        int selection;
    };
    const Case cases[] = { { nullptr, 1 }, { "63", 63 }, { "0", 0 },   { "5", 5 }, { " 12 ", 12 },      { "64", 1 },
                           { "-1", 1 },    { "abc", 1 }, { "1.5", 1 }, { "", 1 },  { "99999999999", 1 } };
    for (const auto& c : cases)
    {
        if (c.stored == nullptr)
            settings.removeValue (OutputGraphPanel::settingsKey);
        else
            settings.setValue (OutputGraphPanel::settingsKey, c.stored);
        auto panel = makePanel();
        EXPECT_EQ (panel->getSelection(), c.selection) << (c.stored ? c.stored : "(none)");
        for (int i = 0; i < OutputGraphPanel::outputCount; ++i)
            EXPECT_EQ (panel->getButton (i).getToggleState(), ((c.selection >> i) & 1) != 0) << i;
    }

    settings.removeValue (OutputGraphPanel::settingsKey);
    auto panel = makePanel();
    for (int i = 0; i < OutputGraphPanel::outputCount; ++i)
    {
        auto& b = panel->getButton (i);
        EXPECT_EQ (b.getButtonText(), juce::String (i + 1));
        EXPECT_EQ (b.getConnectedEdgeFlags(), juce::Button::ConnectedOnLeft | juce::Button::ConnectedOnRight);
        EXPECT_EQ (panel->getChildComponent (i), &b);
    }
    EXPECT_EQ (panel->getChildComponent (6), &panel->getGraph());

    // Clicks toggle and store nothing until the selection is saved.
    panel->getButton (0).triggerClick();
    panel->getButton (3).triggerClick();
    panel->getButton (5).triggerClick();
    pump();
    EXPECT_EQ (panel->getSelection(), 0b101000);
    EXPECT_FALSE (settings.containsKey (OutputGraphPanel::settingsKey));
    panel->saveGraphSelection();
    EXPECT_EQ (settings.getValue (OutputGraphPanel::settingsKey), "40");
    EXPECT_EQ (makePanel()->getSelection(), 0b101000);
}

TEST_F (GraphParts, RepaintsOnStateChangesOnly)
{
    auto panel = makePanel();
    auto& graph = panel->getGraph();
    panel->addToDesktop (juce::ComponentPeer::windowIsTemporary);
    panel->setVisible (true);
    ASSERT_TRUE (pumpUntil ([&] { return graph.getPaintCount() > 0; }));
    pump (200);

    const int before = graph.getPaintCount();
    broadcastStatus (h.status, StatusBusy);
    broadcastStatus (h.status, StatusReadBackDone);
    pump (200);
    EXPECT_EQ (graph.getPaintCount(), before);

    // An output that is not shown still repaints: the setter broadcasts 1.
    h.state.outputEQState.setChannelGain (4, -3.0);
    EXPECT_TRUE (pumpUntil ([&] { return graph.getPaintCount() > before; }));

    const int afterChange = graph.getPaintCount();
    panel->getButton (2).triggerClick();
    EXPECT_TRUE (pumpUntil ([&] { return graph.getPaintCount() > afterChange; }));
    panel->removeFromDesktop();
}
