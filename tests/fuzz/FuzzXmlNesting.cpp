#include "FuzzSupport.h"
#include "common/XmlNesting.h"

#include <cstdlib>

namespace
{
// The fuzzer's bytes as a sequence of choices; zeros once they run out, which
// closes every open element.
struct Choices
{
    const std::uint8_t* data;
    std::size_t size, at = 0;
    int next (int count) { return at < size ? data[at++] % count : 0; }
    template <typename T, std::size_t n>
    T pick (const T (&items)[n])
    {
        return items[next ((int) n)];
    }
};

const juce::juce_wchar characters[] = { 'a', 'Z', '0', ' ', '\n', '\r', '\t', '>',    ']',    '?',
                                        '-', '/', '=', '"', '\'', '!',  0xE9, 0x4E2D, 0x1F600 };
const char* const names[] = { "a", "Orveth_Tavik_state", "x:y", "b-c.d", "_1" };
const char* const entities[] = { "&amp;", "&lt;", "&gt;", "&quot;", "&apos;", "&#65;", "&#x1F600;" };

juce::String name (Choices& c)
{
    return c.pick (names);
}

juce::String space (Choices& c, int least)
{
    juce::String s;
    for (int n = least + c.next (3); --n >= 0;)
        s += juce::String::charToString ((juce::juce_wchar) " \t\n\r"[c.next (4)]);
    return s;
}

// Characters plain XML allows where they go: never the quote around them, and
// never the text that would end the construct early.
juce::String plainText (Choices& c, juce::juce_wchar quote, const char* end)
{
    juce::String s;
    for (int n = c.next (8); --n >= 0;)
    {
        const auto next = s + juce::String::charToString (c.pick (characters));
        if (next.getLastCharacter() != quote && (end == nullptr || !next.endsWith (end)))
            s = next;
    }
    return s;
}

// An element at level (the elements open around it); deepest is the most
// elements open at once so far, which is what the parser recurses on.
void element (Choices& c, juce::String& out, int level, int& deepest)
{
    const auto tag = name (c);
    out << "<" << tag;
    for (int i = 0, n = c.next (3); i < n; ++i)
    {
        const juce::juce_wchar quote = c.next (2) ? '"' : '\'';
        out << space (c, 1) << "n" << i << space (c, 0) << "=" << space (c, 0) << juce::String::charToString (quote);
        for (int parts = c.next (3); --parts >= 0;)
            out << plainText (c, quote, nullptr) << (c.next (2) ? c.pick (entities) : "");
        out << juce::String::charToString (quote);
    }
    out << space (c, 0);
    if (level > deepestXmlNesting || c.next (4) == 0)
    {
        out << "/>";
        return;
    }
    out << ">";
    deepest = juce::jmax (deepest, level + 1);
    for (int n = c.next (5); --n >= 0;)
        switch (c.next (6))
        {
            case 0:
                out << plainText (c, 0, "]]>");
                break;
            case 1:
                out << c.pick (entities);
                break;
            case 2:
                out << "<!--" << plainText (c, 0, "-") << "-->";
                break;
            case 3:
                out << "<![CDATA[" << plainText (c, 0, "]]>") << "]]>";
                break;
            default:
                element (c, out, level + 1, deepest);
                break;
        }
    out << "</" << tag << space (c, 0) << ">";
}

void misc (Choices& c, juce::String& out)
{
    for (int n = c.next (3); --n >= 0;)
        out << space (c, 0)
            << (c.next (2) ? "<!--" + plainText (c, 0, "-") + "-->" : "<?tavik " + plainText (c, 0, "?>") + "?>");
}
} // namespace

// What the check guards: any text it lets through must parse without
// exhausting the stack. And within the bound it must not refuse plain
// documents it can follow: the same bytes also build such a document
// (declaration, comments, instructions, a document type without entities,
// attributes, text, entities, CDATA), which the check must take exactly when
// it nests within the bound, and the parser must read.
extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    const auto text = fuzzText (data, size);
    if (xmlNestingWithinBound (text))
        juce::XmlDocument::parse (text);

    Choices c{ data, size };
    const int bound = 1 + c.next (deepestXmlNesting);
    juce::String document = c.next (2) ? "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" : "";
    misc (c, document);
    if (c.next (2))
    {
        static const char* const declarations[] = { "", " SYSTEM \"x.dtd\"",
                                                    " [<!ELEMENT a ANY><!ATTLIST a n0 CDATA \"1\">]" };
        document << "<!DOCTYPE " << name (c) << c.pick (declarations) << ">";
        misc (c, document);
    }
    int deepest = 0;
    element (c, document, 0, deepest);
    misc (c, document);
    if (xmlNestingWithinBound (document, bound) != (deepest <= bound) || juce::XmlDocument::parse (document) == nullptr)
        std::abort();
    return 0;
}
