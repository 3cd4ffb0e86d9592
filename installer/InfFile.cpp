#include "installer/InfFile.h"

#include "common/Utf8.h"

#include <limits>
#include <string_view>

namespace
{
std::string_view viewOf (const juce::String& s)
{
    return { s.toRawUTF8(), s.getNumBytesAsUTF8() };
}

// Walks the text line by line rather than splitting it, so a file of many
// megabytes costs no more than one pass and no copies.
std::string_view findLine (std::string_view text, std::string_view key)
{
    while (!text.empty())
    {
        const auto end = text.find ('\n');
        auto line = text.substr (0, end);

        if (!line.empty() && line.back() == '\r')
            line.remove_suffix (1);

        if (line.substr (0, key.size()) == key)
            return line;

        if (end == std::string_view::npos)
            break;

        text.remove_prefix (end + 1);
    }

    return {};
}

// One field of a version: leading blanks skipped, decimal digits up to the
// first other character. Written out because String::getIntValue also takes
// a sign and wraps round on long digit runs. Saturates instead, so four
// weighted fields add up to well under the 64-bit limit.
juce::int64 readField (std::string_view field)
{
    constexpr juce::int64 limit = std::numeric_limits<int>::max();
    size_t i = 0;

    while (i < field.size() && (field[i] == ' ' || field[i] == '\t'))
        ++i;

    juce::int64 value = 0;

    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i)
        value = juce::jmin (limit, value * 10 + (field[i] - '0'));

    return value;
}
} // namespace

juce::String findInfLine (const juce::String& infText, const juce::String& key)
{
    const auto line = findLine (viewOf (infText), viewOf (key));
    // A line that is not well-formed UTF-8 is no text we can read; the
    // framework's string would walk past its end, or copy an overlong form
    // past its buffer.
    if (!isWellFormedUtf8 (line.data(), line.size()))
        return {};
    return juce::String::fromUTF8 (line.data(), static_cast<int> (line.size()));
}

juce::String readClassGuid (const juce::String& infText)
{
    const auto line = findInfLine (infText, "ClassGUID=");
    return line.substring (line.lastIndexOfChar ('=') + 1);
}

juce::int64 parseDriverVersion (const juce::String& driverVerLine)
{
    auto text = viewOf (driverVerLine);
    const auto comma = text.rfind (',');

    if (comma == std::string_view::npos)
        return 0;

    text.remove_prefix (comma + 1);

    static constexpr juce::int64 weights[] = { 1000000, 10000, 100, 1 };
    juce::int64 number = 0;

    for (auto weight : weights)
    {
        const auto dot = text.find ('.');
        number += readField (text.substr (0, dot)) * weight;

        if (dot == std::string_view::npos)
            break;

        text.remove_prefix (dot + 1);
    }

    return number;
}

juce::int64 readDriverVersion (const juce::String& infText)
{
    return parseDriverVersion (findInfLine (infText, "DriverVer="));
}
