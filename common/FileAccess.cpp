#include "common/FileAccess.h"

#include "common/Utf8.h"

FileAccess::Read FileAccess::readTextFile (const juce::File& file, std::size_t maxBytes, juce::String& text)
{
    juce::MemoryBlock bytes;
    const auto result = readRegularFile (file, maxBytes, bytes);
    if (result != Read::done)
        return result;

    const auto* start = static_cast<const char*> (bytes.getData());
    auto size = bytes.getSize();
    if (size >= 3 && juce::CharPointer_UTF8::isByteOrderMark (start))
    {
        start += 3;
        size -= 3;
    }
    if (!isWellFormedUtf8 (start, size))
        return Read::notText;
    text = juce::String::fromUTF8 (start, (int) size);
    return Read::done;
}

juce::String FileAccess::describe (Read result)
{
    switch (result)
    {
        case Read::done:
            return {};
        case Read::missing:
            return "no such file";
        case Read::notRegular:
            return "not a regular file";
        case Read::tooLarge:
            return "too large";
        case Read::failed:
            return "cannot be read";
        case Read::notText:
            return "not UTF-8 text";
    }
    return {};
}
