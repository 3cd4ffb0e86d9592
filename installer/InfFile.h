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
// 0 when there is no comma. A number beyond the int range is read as
// std::numeric_limits<int>::max(), so an absurd version still counts as
// present and as the newest rather than wrapping round.
int parseDriverVersion (const juce::String& driverVerLine);

// The driver version number of the "DriverVer=" line; 0 when none.
int readDriverVersion (const juce::String& infText);
