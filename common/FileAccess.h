#pragma once

#include <juce_core/juce_core.h>

#include <cstddef>

// Reading the files the user points at (presets, firmware, filter exports,
// settings): only regular files, never waiting on a FIFO or a device, never
// more than the caller's limit. One implementation of readRegularFile and
// isReadOnlyFile per system (FileAccessPosix.cpp, FileAccessWin32.cpp).
namespace FileAccess
{
enum class Read
{
    done,
    missing,    // nothing there, or a folder
    notRegular, // a FIFO, a device, a socket...: refused before any byte is read
    tooLarge,   // more bytes than the limit
    failed,     // the system would not let it be read
    notText     // readTextFile only: not well-formed UTF-8
};

// The whole of a regular file (links are followed), of at most maxBytes:
// the limit counts the bytes actually read, not the size the system reports
// (0 for many files that are not what they seem).
Read readRegularFile (const juce::File& file, std::size_t maxBytes, juce::MemoryBlock& bytes);

// readRegularFile, then the bytes as UTF-8 text (a byte-order mark is left
// out); text that is not well-formed UTF-8 is refused, not repaired.
Read readTextFile (const juce::File& file, std::size_t maxBytes, juce::String& text);

// Why a read gave nothing, in a few words for a message ("not a regular file").
juce::String describe (Read result);
} // namespace FileAccess

// True when an existing file may not be replaced by the user's wish, even
// though the folder would allow a rename over it (or the user is root).
bool isReadOnlyFile (const juce::File& file);
