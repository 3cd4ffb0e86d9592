#include "FuzzSupport.h"
#include "app/MainAppWindow.h"
#include "app/Settings.h"
#include "panels/DelayPanel.h"
#include "panels/Input2EQPanel.h"
#include "panels/OutputEQPanel.h"
#include "panels/OutputGraphPanel.h"

#include <algorithm>
#include <cstdlib>

namespace
{
void require (bool holds)
{
    if (!holds)
        std::abort();
}
} // namespace

// Any bytes as the settings file the program starts from: it must start, and
// keep the file as it was, aside when it cannot read it. Each value the window
// and panels read goes through the program's own reader and comes out in its
// range; what the program saves of it reads back as itself. Any text names a
// port: that one is only read.
extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    static const bool configHome = ::setenv ("XDG_CONFIG_HOME", fuzzFolder().getFullPathName().toRawUTF8(), 1) == 0;
    require (configHome);
    const auto file = Settings::defaultFile (Settings::options());
    const auto aside = file.getSiblingFile (file.getFileName() + ".bad");
    file.getParentDirectory().createDirectory();
    file.replaceWithData (data, size); // no bytes: no file
    aside.deleteFile();
    const bool readable = Settings::isReadable (file);

    auto settings = Settings::create();
    require (settings != nullptr);
    juce::MemoryBlock kept;
    require (size == 0 || ((readable ? file : aside).loadFileAsData (kept) && kept == juce::MemoryBlock (data, size)));
    require (readable == file.existsAsFile());

    const int input = Input2EQPanel::readShownInput (*settings);
    const int output = OutputEQPanel::readSelectedOutput (*settings);
    const int graph = OutputGraphPanel::readSelection (*settings);
    const int unit = DelayUnits::fromSettings (*settings);
    require (Protocol::isInput (input) && Protocol::isOutput (output) && graph >= 0 &&
             graph <= OutputGraphPanel::allOutputs && unit >= -1000000000 && unit <= 1000000000);
    juce::PropertySet saved;
    saved.setValue (Input2EQPanel::settingsKey, input);
    saved.setValue (OutputEQPanel::settingsKey, output);
    saved.setValue (OutputGraphPanel::settingsKey, graph);
    saved.setValue (DelayUnits::settingsKey, unit);
    require (Input2EQPanel::readShownInput (saved) == input && OutputEQPanel::readSelectedOutput (saved) == output &&
             OutputGraphPanel::readSelection (saved) == graph && DelayUnits::fromSettings (saved) == unit);

    // The window's rectangle, placed as the window places it on two displays
    // side by side, ends on one of them at a size that is shown.
    const auto bounds = juce::Rectangle<int>::fromString (settings->getValue (MainAppWindow::boundsKey));
    if (!bounds.isEmpty())
    {
        const juce::Array<juce::Rectangle<int>> displays (juce::Rectangle<int> (0, 0, 1920, 1050),
                                                          juce::Rectangle<int> (1920, -200, 1280, 1024));
        const juce::BorderSize<int> frame (30, 4, 4, 4);
        const auto shown = MainAppWindow::boundsOnDisplays (bounds, displays, frame);
        require (juce::Rectangle<int>::fromString (shown.toString()) == shown && !shown.isEmpty() &&
                 std::any_of (displays.begin(), displays.end(),
                              [&] (const auto& display) { return frame.subtractedFrom (display).contains (shown); }));
    }
    settings->getValue (Settings::serialPortKey);
    return 0;
}
