#pragma once

#include <juce_core/juce_core.h>

#include <cstdint>
#include <optional>

// The XML conventions of the record's files and clipboard text: numbers in
// "%.9g", names matched without regard to case, and numbers that are not
// finite treated as absent.
namespace StateXml
{
// "%.9g" without the locale's say: 800 -> "800", 0.04f -> "0.0399999991".
juce::String formatNumber (double value);

void setNumber (juce::XmlElement& element, const juce::String& name, double value);
void setInteger (juce::XmlElement& element, const juce::String& name, int value);
void setText (juce::XmlElement& element, const juce::String& name, const juce::String& value);

// Appends a new child with the given tag and returns it.
juce::XmlElement& appendChild (juce::XmlElement& parent, const juce::String& tag);

bool hasName (const juce::XmlElement& element, const juce::String& tag);

// The first child element whose tag matches without regard to case, or nullptr.
const juce::XmlElement* findChild (const juce::XmlElement& parent, const juce::String& tag);

std::optional<juce::String> findAttribute (const juce::XmlElement& element, const juce::String& name);

// The attribute as a number, or the current value when it is missing or not
// finite. Text that is not a number reads as 0, as the XML library reads it.
double readNumber (const juce::XmlElement& element, const juce::String& name, double current);

// readNumber limited to low..high in floating point, then truncated toward zero.
int readInteger (const juce::XmlElement& element, const juce::String& name, int current, int low, int high);

// The low 8 bits of an integer attribute; 0 when it is missing or not finite.
std::uint8_t readLowByte (const juce::XmlElement& element, const juce::String& name);

// A whole XML document: header with encoding "UTF-8", no DTD.
juce::String toDocument (const juce::XmlElement& element);

// Parses a document from files or the clipboard; nothing for text that is not
// XML or that nests deeper than any of ours would (the parser recurses per
// level, so a crafted document could otherwise exhaust the stack).
std::unique_ptr<juce::XmlElement> parseDocument (const juce::String& text);
juce::XmlElement::TextFormat documentFormat();
} // namespace StateXml
