#pragma once

#include <cstddef>

// True when the bytes are well-formed UTF-8 as RFC 3629 has it: no overlong
// forms, no surrogates, nothing above U+10FFFF, no sequence cut short. The
// framework's own check lets some of these through, and its strings then
// count one length and copy another (the INF reader overran its buffer so).
// Inline: the driver installer uses it without the program's core library.
inline bool isWellFormedUtf8 (const char* text, std::size_t size) noexcept
{
    const auto* p = reinterpret_cast<const unsigned char*> (text);
    const auto* const end = p + size;
    while (p != end)
    {
        const unsigned lead = *p++;
        if (lead < 0x80)
            continue;

        int following = 0;
        unsigned low = 0x80, high = 0xBF; // the range of the second byte
        if (lead >= 0xC2 && lead <= 0xDF)
            following = 1;
        else if (lead >= 0xE0 && lead <= 0xEF)
        {
            following = 2;
            if (lead == 0xE0)
                low = 0xA0; // shorter forms fit in two bytes
            else if (lead == 0xED)
                high = 0x9F; // U+D800..DFFF are surrogates
        }
        else if (lead >= 0xF0 && lead <= 0xF4)
        {
            following = 3;
            if (lead == 0xF0)
                low = 0x90;
            else if (lead == 0xF4)
                high = 0x8F; // nothing above U+10FFFF
        }
        else
            return false; // a continuation byte, C0, C1 or F5..FF

        if (end - p < following || *p < low || *p > high)
            return false;
        for (++p; --following > 0; ++p)
            if (*p < 0x80 || *p > 0xBF)
                return false;
    }
    return true;
}
