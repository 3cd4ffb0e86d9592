#pragma once

#include <juce_core/juce_core.h>

#include <optional>
#include <vector>

// Room EQ Wizard's "filter settings" text export, and how its peaking
// filters map onto the bands of one channel as the processor can hold them.
namespace RewFilters
{
// One "Filter N: ..." line. Values the line does not carry stay absent.
struct Filter
{
    int line = 0; // in the file, from 1
    int number = 0;
    bool on = false;
    juce::String type; // as written: "PK", "LS", "HS 12dB", "None"...
    std::optional<double> frequencyHz, gainDb, q;

    bool isPeaking() const { return type == "PK"; }
    bool isEmpty() const { return type.isEmpty() || type.equalsIgnoreCase ("None"); }
};

struct Parsed
{
    std::vector<Filter> filters;
    juce::String error; // set: not usable, e.g. "line 7: ..."
};

inline constexpr const char* notAnExportMessage = "not a filter settings export of Room EQ Wizard";

// A file's bytes as text: UTF-8 when they are well-formed UTF-8, else one
// character a byte (Latin-1): exports of older versions are in the system's
// code page, and their filter lines are ASCII either way.
juce::String textOf (const juce::MemoryBlock& bytes);

// Reads every filter line; header and note lines are passed over. Numbers
// may use a decimal comma; "kHz" is read as well as "Hz".
Parsed parse (const juce::String& text);

// The bandwidth in octaves of a quality factor: 2/ln 2 * asinh(1/(2Q)).
double bandwidthFromQ (double q) noexcept;

// The table frequency nearest to hz as a ratio (index 0..89).
int nearestFrequencyIndex (double hz) noexcept;

struct Band
{
    double frequencyHz = 0.0, gainDb = 0.0, bandwidthOctaves = 0.0;
};

struct Mapped
{
    enum class Fate
    {
        mapped,
        off,         // switched off in REW
        empty,       // type None
        unsupported, // not a peaking filter, dropped
        extra        // more peaking filters than bands, dropped
    };

    Filter asked;
    Fate fate = Fate::mapped;
    int band = -1; // from 0, when mapped
    Band sent;
    double askedBandwidthOctaves = 0.0;
    bool frequencyLimited = false, gainLimited = false, bandwidthLimited = false;
    double largestErrorDb = 0.0; // of this filter's bell against its band's, 20 Hz to 20 kHz
};

struct Import
{
    std::vector<Mapped> filters;
    std::vector<std::optional<Band>> bands; // one per band of the channel; empty: made flat (0 dB)
    juce::String refusal;                   // set: not importable as asked (exit 2)
    double largestErrorDb = 0.0;            // of all asked bells together against all bands
    double largestErrorAtHz = 0.0;
};

// bandCount and maximumBandwidthCode are the channel's (Protocol's input or
// output values). Without dropExtra a filter the bands cannot express, or
// more peaking filters than bands, refuses the import; with it they are
// dropped, keeping the first peaking filters in file order. A refused import
// maps and evaluates nothing.
Import map (const std::vector<Filter>& filters, int bandCount, int maximumBandwidthCode, bool dropExtra);
} // namespace RewFilters
