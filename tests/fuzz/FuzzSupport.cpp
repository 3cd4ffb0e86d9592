#include "FuzzSupport.h"

juce::String fuzzText (const std::uint8_t* data, std::size_t size)
{
    // As a file is read: the framework's own conversion, whatever the bytes.
    juce::MemoryBlock block (data, size);
    return block.toString();
}

juce::File fuzzFolder()
{
    static const juce::File folder = []
    {
        auto f = juce::File::getSpecialLocation (juce::File::tempDirectory)
                     .getNonexistentChildFile ("tavik-fuzz", {}, false);
        f.createDirectory();
        return f;
    }();
    return folder;
}

juce::File fuzzFile (const char* name, const std::uint8_t* data, std::size_t size)
{
    auto file = fuzzFolder().getChildFile (name);
    file.replaceWithData (data, size);
    return file;
}
