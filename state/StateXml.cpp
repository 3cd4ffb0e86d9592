#include "state/StateXml.h"

#include "common/XmlNesting.h"

#include <charconv>
#include <cmath>

namespace StateXml
{
juce::String formatNumber (double value)
{
    if (std::isnan (value))
        return "nan";
    if (std::isinf (value))
        return value < 0 ? "-inf" : "inf";

    char buffer[64];
    const auto result = std::to_chars (buffer, buffer + sizeof (buffer), value, std::chars_format::general, 9);
    return juce::String (buffer, (size_t) (result.ptr - buffer));
}

void setNumber (juce::XmlElement& element, const juce::String& name, double value)
{
    element.setAttribute (name, formatNumber (value));
}

void setInteger (juce::XmlElement& element, const juce::String& name, int value)
{
    element.setAttribute (name, juce::String (value));
}

void setText (juce::XmlElement& element, const juce::String& name, const juce::String& value)
{
    element.setAttribute (name, value);
}

juce::XmlElement& appendChild (juce::XmlElement& parent, const juce::String& tag)
{
    return *parent.createNewChildElement (tag);
}

bool hasName (const juce::XmlElement& element, const juce::String& tag)
{
    return element.getTagName().equalsIgnoreCase (tag);
}

const juce::XmlElement* findChild (const juce::XmlElement& parent, const juce::String& tag)
{
    for (auto* child : parent.getChildIterator())
        if (!child->isTextElement() && hasName (*child, tag))
            return child;
    return nullptr;
}

std::optional<juce::String> findAttribute (const juce::XmlElement& element, const juce::String& name)
{
    for (int i = 0; i < element.getNumAttributes(); ++i)
        if (element.getAttributeName (i).equalsIgnoreCase (name))
            return element.getAttributeValue (i);
    return std::nullopt;
}

double readNumber (const juce::XmlElement& element, const juce::String& name, double current)
{
    const auto text = findAttribute (element, name);
    if (!text)
        return current;
    const double value = text->getDoubleValue();
    return std::isfinite (value) ? value : current;
}

int readInteger (const juce::XmlElement& element, const juce::String& name, int current, int low, int high)
{
    const double value = readNumber (element, name, current);
    return static_cast<int> (std::trunc (juce::jlimit (double (low), double (high), value)));
}

std::uint8_t readLowByte (const juce::XmlElement& element, const juce::String& name)
{
    const double value = readNumber (element, name, 0.0);
    // fmod is exact, so even 1e300 keeps the low bits of its integer part;
    // a negative value wraps as two's complement would.
    double low = std::fmod (std::trunc (value), 256.0);
    if (low < 0)
        low += 256.0;
    return static_cast<std::uint8_t> (low);
}

juce::XmlElement::TextFormat documentFormat()
{
    juce::XmlElement::TextFormat format;
    format.dtd = {};
    format.customEncoding = "UTF-8";
    return format;
}

juce::String toDocument (const juce::XmlElement& element)
{
    return element.toString (documentFormat());
}
} // namespace StateXml

std::unique_ptr<juce::XmlElement> StateXml::parseDocument (const juce::String& text)
{
    if (!xmlNestingWithinBound (text))
        return nullptr;
    return juce::XmlDocument::parse (text);
}
