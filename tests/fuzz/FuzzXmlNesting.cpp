#include "FuzzSupport.h"
#include "common/XmlNesting.h"

// What the check guards: any text it lets through must parse without
// exhausting the stack, and within the bound it must not refuse plain
// documents it can follow.
extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    const auto text = fuzzText (data, size);
    if (xmlNestingWithinBound (text))
        juce::XmlDocument::parse (text);
    return 0;
}
