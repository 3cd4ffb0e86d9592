// Paints the output graph panel with all six curves, at the size it has in
// the default window and in a large one, into an image, and prints the time
// per paint beside one frame at 60 Hz.
#include "ProgramBench.h"

#include "app/MainWindowContent.h"
#include "control/Connection.h"
#include "device/HwThread.h"
#include "device/SerialPort.h"
#include "panels/OutputGraphPanel.h"
#include "state/DeviceState.h"
#include "ui/TavikLookAndFeel.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace
{
constexpr double frameLimitMs = 1000.0 / 60.0;
} // namespace

int main (int argc, char** argv)
{
    const int paints = argc > 1 ? juce::jmax (1, juce::String (argv[1]).getIntValue()) : 200;
    juce::ScopedJuceInitialiser_GUI juce;
    TavikLookAndFeel lookAndFeel;
    juce::LookAndFeel::setDefaultLookAndFeel (&lookAndFeel);
    {
        juce::TemporaryFile settingsFile;
        juce::PropertiesFile settings (settingsFile.getFile(), juce::PropertiesFile::Options());
        settings.setValue (OutputGraphPanel::settingsKey, OutputGraphPanel::allOutputs);

        SerialPort port;
        juce::ActionBroadcaster status;
        std::atomic<double> progress{ 0.0 };
        bench::SilentUser ask;
        HwThread worker (port, status, progress);
        DeviceState state (worker, status, ask);
        Connection connection (port, worker, state, settings, ask, status, progress, nullptr);
        bench::shapeOutputs (state.outputEQState);
        const UiContext context{ settings, state, status, connection, ask, progress };

        std::printf ("output graph panel, six curves, painted into an image %d times per size\n", paints);
        for (const auto window : { juce::Point<int> (800, 560), juce::Point<int> (1920, 1344) })
        {
            const auto size = MainWindowContent::layoutFor (window.x, window.y).graph;
            OutputGraphPanel panel (context);
            panel.setSize (size.getWidth(), size.getHeight());
            juce::Image image (juce::Image::ARGB, size.getWidth(), size.getHeight(), true);

            std::vector<double> ms;
            for (int i = 0; i < paints; ++i)
            {
                juce::Graphics g (image);
                const auto start = std::chrono::steady_clock::now();
                panel.paintEntireComponent (g, true);
                const auto end = std::chrono::steady_clock::now();
                ms.push_back (std::chrono::duration<double, std::milli> (end - start).count());
            }
            std::sort (ms.begin(), ms.end());
            std::printf ("window %d x %d, panel %d x %d: median %.3f ms, slowest %.3f ms per paint; limit %.1f ms "
                         "(one frame at 60 Hz)\n",
                         window.x, window.y, size.getWidth(), size.getHeight(), ms[ms.size() / 2], ms.back(),
                         frameLimitMs);
        }
        juce::MessageManager::getInstance()->runDispatchLoopUntil (20); // let the status codes go
        worker.stopThread (10000);
    }
    juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
    return 0;
}
