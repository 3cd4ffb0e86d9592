#pragma once

#include <juce_core/juce_core.h>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size);

// The fuzzer's bytes as the text a file reader would see (UTF-8, any bytes).
juce::String fuzzText (const std::uint8_t* data, std::size_t size);

// A private folder for the targets that read files, created once per process.
juce::File fuzzFolder();

// Writes the bytes to a file in fuzzFolder() and returns it.
juce::File fuzzFile (const char* name, const std::uint8_t* data, std::size_t size);
