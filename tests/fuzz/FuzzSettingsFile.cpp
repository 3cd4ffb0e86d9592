#include "FuzzSupport.h"
#include "app/MainAppWindow.h"
#include "app/Settings.h"
#include "panels/DelayPanel.h"
#include "panels/Input2EQPanel.h"
#include "panels/OutputEQPanel.h"
#include "panels/OutputGraphPanel.h"

#include <cstdlib>

// Any bytes as the settings file the program starts from: it must start, and
// the values the window and panels read must come out as values.
extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    static const bool configHome = ::setenv ("XDG_CONFIG_HOME", fuzzFolder().getFullPathName().toRawUTF8(), 1) == 0;
    if (!configHome)
        std::abort();
    auto file = Settings::defaultFile (Settings::options());
    file.getParentDirectory().createDirectory();
    file.replaceWithData (data, size);

    auto settings = Settings::create();
    if (settings == nullptr)
        std::abort();
    juce::Rectangle<int>::fromString (settings->getValue (MainAppWindow::boundsKey));
    settings->getIntValue (Input2EQPanel::settingsKey);
    settings->getIntValue (OutputEQPanel::settingsKey);
    settings->getDoubleValue (DelayUnits::settingsKey);
    settings->getValue (OutputGraphPanel::settingsKey);
    settings->getValue ("Serial port");
    return 0;
}
