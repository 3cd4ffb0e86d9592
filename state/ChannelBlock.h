#pragma once

#include "common/EqTables.h"
#include "device/Protocol.h"

#include <juce_core/juce_core.h>

#include <algorithm>

#include <array>
#include <cstdint>

// One channel's 32 bytes as the processor returns them on a read-back.
using ChannelBlock = std::array<std::uint8_t, Protocol::channelBlockSize>;

// The frequency of a read-back code; codes past the table give its last entry (0 Hz).
inline double frequencyOfCode (std::uint8_t code) noexcept
{
    return EQFrequencyTable[std::min<size_t> (code, EQFrequencyTable.size() - 1)];
}

// The name bytes of a block as text, ending early at a zero byte.
inline juce::String nameFromBlock (const ChannelBlock& block)
{
    juce::String text;
    for (int position = 0; position < Protocol::nameLength; ++position)
    {
        const auto byte = block[(size_t) (Protocol::Address::firstNameCharacter + position)];
        if (byte == 0)
            break;
        text += juce::String::charToString (juce::juce_wchar (byte));
    }
    return text;
}

// The character sent for one position of a name: its code, or a space past its end.
inline int nameCharacterCode (const juce::String& name, int position) noexcept
{
    return position < name.length() ? int (name[position]) : int (Protocol::namePadding);
}
