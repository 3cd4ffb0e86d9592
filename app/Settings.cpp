#include "app/Settings.h"

std::unique_ptr<juce::PropertiesFile> Settings::create()
{
    auto o = options();
    const auto file = defaultFile (o);
    // The first save would overwrite a file that could not be read (perhaps
    // only locked for a moment): keep it aside first, and if even that fails,
    // never save over it.
    if (file.existsAsFile() && !isReadable (file))
    {
        const auto kept = file.getSiblingFile (file.getFileName() + ".bad");
        if (!(kept.deleteFile() && file.moveFileTo (kept)))
        {
            // Nor is it read: the framework would read a FIFO there for ever.
            o.doNotSave = true;
            return std::make_unique<juce::PropertiesFile> (file.getNonexistentSibling(), o);
        }
    }
    return std::make_unique<juce::PropertiesFile> (file, o);
}
