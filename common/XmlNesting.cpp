#include "common/XmlNesting.h"

#include "common/Utf8.h"

#include <cstring>

namespace
{
// Walks the text the way the framework's parser will, counting the elements
// it would recurse into. It follows plain XML exactly: comments, CDATA
// sections, processing instructions and quoted attribute values are skipped,
// a closing tag with no open element is malformed, and the walk ends with the
// root element, where the parser stops reading. What it could not follow
// exactly is refused, as none of our documents holds it: entities other than
// the predefined and numeric ones (the parser would read a name up to any
// later ';' and even parse it as markup), a document type that declares
// entities, anything but attributes inside a tag, and processing
// instructions inside an element.
class NestingCheck
{
public:
    NestingCheck (const juce::String& source, int deepest)
        : p (source.getCharPointer())
        , deepestNesting (deepest)
    {
    }

    bool withinBound()
    {
        int depth = 0;
        bool rootSeen = false;
        while (!p.isEmpty())
        {
            if (*p == '&')
            {
                if (!skipEntity())
                    return false;
                continue;
            }
            if (*p != '<')
            {
                ++p;
                continue;
            }
            // The parser never gets past a processing instruction followed by
            // text inside an element (it loops for ever); ours only head a file.
            if (depth > 0 && startsWith ("<?"))
                return false;
            if (skipPast ("<!--", "-->") || skipPast ("<?", "?>") || skipPast ("<![CDATA[", "]]>"))
            {
                if (failed)
                    return false;
                continue;
            }
            if (startsWith ("<!DOCTYPE"))
            {
                if (rootSeen || !skipDocumentType())
                    return false;
                continue;
            }
            if (startsWith ("</"))
            {
                if (!skipTo ('>') || --depth < 0)
                    return false;
                if (depth == 0)
                    return true; // the root has closed: the parser reads no further
                continue;
            }

            bool opens = false;
            if (!readOpeningTag (opens))
                return false;
            rootSeen = true;
            if (!opens)
            {
                if (depth == 0)
                    return true; // an empty root element
                continue;
            }
            if (++depth > deepestNesting)
                return false;
        }
        return true; // unterminated: the parser reports it, without recursing further than counted
    }

private:
    juce::String::CharPointerType p;
    const int deepestNesting;
    bool failed = false;

    bool startsWith (const char* text) const
    {
        return juce::CharacterFunctions::compareUpTo (p, juce::CharPointer_ASCII (text), (int) std::strlen (text)) == 0;
    }

    // Skips a construct from its opening to past its closing text; a missing
    // closing text sets failed.
    bool skipPast (const char* open, const char* close)
    {
        if (!startsWith (open))
            return false;
        p += (int) std::strlen (open);
        const int at = p.indexOf (juce::CharPointer_ASCII (close));
        if (at < 0)
            failed = true;
        else
            p += at + (int) std::strlen (close);
        return true;
    }

    bool skipTo (juce::juce_wchar c)
    {
        const int at = p.indexOf (c);
        if (at < 0)
            return false;
        p += at + 1;
        return true;
    }

    // The parser counts angle brackets to find the declaration's end. Entities
    // declared there could expand into elements past this check: none of our
    // documents declares any, so such a document is refused.
    bool skipDocumentType()
    {
        const auto start = p;
        p += 9;
        for (int open = 1; open > 0; ++p)
        {
            if (p.isEmpty())
                return false;
            if (*p == '<')
                ++open;
            else if (*p == '>')
                --open;
        }
        return !juce::String (start, p).containsIgnoreCase ("<!ENTITY");
    }

    static bool isNameChar (juce::juce_wchar c)
    {
        return juce::CharacterFunctions::isLetterOrDigit (c) || c == '_' || c == '-' || c == ':' || c == '.';
    }

    void skipSpace() { p.incrementToEndOfWhitespace(); }

    bool readName()
    {
        if (!isNameChar (*p))
            return false;
        while (isNameChar (*p))
            ++p;
        return true;
    }

    // "<name attr='value' ...>" or ".../>"; opens is true when the element
    // has content the parser will recurse into.
    bool readOpeningTag (bool& opens)
    {
        ++p;
        skipSpace();
        if (!readName())
            return false;
        for (;;)
        {
            skipSpace();
            if (*p == '/' && p[1] == '>')
            {
                p += 2;
                opens = false;
                return true;
            }
            if (*p == '>')
            {
                ++p;
                opens = true;
                return true;
            }
            if (!readName())
                return false;
            skipSpace();
            if (*p != '=')
                return false;
            ++p;
            skipSpace();
            const auto quote = *p;
            if (quote != '"' && quote != '\'')
                return false;
            for (++p; *p != quote;)
            {
                if (p.isEmpty())
                    return false;
                if (*p != '&')
                    ++p;
                else if (!skipEntity())
                    return false;
            }
            ++p;
        }
    }

    // "&amp;", "&lt;", "&gt;", "&quot;", "&apos;" (any case), "&#65;" or
    // "&#x41;": each ends at its own ';', where the parser's reading ends too.
    bool skipEntity()
    {
        ++p;
        for (const char* name : { "amp;", "lt;", "gt;", "quot;", "apos;" })
            if (p.compareIgnoreCaseUpTo (juce::CharPointer_ASCII (name), (int) std::strlen (name)) == 0)
            {
                p += (int) std::strlen (name);
                return true;
            }
        if (*p != '#')
            return false;
        ++p;
        const bool hex = *p == 'x' || *p == 'X';
        if (hex)
            ++p;
        int digits = 0;
        for (; *p != ';'; ++p, ++digits)
            if (hex ? juce::CharacterFunctions::getHexDigitValue (*p) < 0 : !juce::CharacterFunctions::isDigit (*p))
                return false;
        ++p;
        return digits > 0 && digits <= (hex ? 8 : 12);
    }
};
} // namespace

bool xmlNestingWithinBound (const juce::String& text, int deepest)
{
    // Text read from a file or the clipboard keeps whatever bytes it held; a
    // broken UTF-8 sequence at its end makes both this walk and the parser
    // step past the end of the string, and the framework's strings copy
    // ill-formed ones past their buffers.
    // (Counted in raw bytes: the string's own count decodes the broken bytes.)
    const auto* raw = text.toRawUTF8();
    if (!isWellFormedUtf8 (raw, std::strlen (raw)))
        return false;
    return NestingCheck (text, deepest).withinBound();
}
