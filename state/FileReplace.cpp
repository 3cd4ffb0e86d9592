#include "state/FileReplace.h"

bool FileReplace::replaceWithXml (const juce::File& target, const juce::XmlElement& element,
                                  const juce::XmlElement::TextFormat& format)
{
    juce::MemoryOutputStream text;
    element.writeTo (text, format);
    return replaceWithData (target, text.getData(), text.getDataSize());
}

juce::File FileReplace::scratchFileFor (const juce::File& target)
{
    juce::Random random;
    return target.getSiblingFile ("." + target.getFileName() + "." + juce::String::toHexString (random.nextInt64()) +
                                  ".new");
}
