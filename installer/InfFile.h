#pragma once

#include <juce_core/juce_core.h>

// Reading the two values the installer needs from an INF file's text. All
// pure: the caller loads the file, so these can be checked on plain strings.

// The first line (without its CR LF or LF) that begins with the key,
// compared case-sensitively with nothing before it; empty when none does.
juce::String findInfLine (const juce::String& infText, const juce::String& key);

// Everything after the last "=" of the "ClassGUID=" line; empty when there
// is no such line.
juce::String readClassGuid (const juce::String& infText);

// The driver version number of a "DriverVer=" line: the text after its last
// "," split at "." into a.b.c.d, giving a*1000000 + b*10000 + c*100 + d.
// 0 when there is no comma. 64-bit, so versions past 2147.48.36.47 still
// order; a field beyond the int range is read as
// std::numeric_limits<int>::max(), which keeps the sum far from wrapping.
juce::int64 parseDriverVersion (const juce::String& driverVerLine);

// The driver version number of the "DriverVer=" line; 0 when none.
juce::int64 readDriverVersion (const juce::String& infText);
