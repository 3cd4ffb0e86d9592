#pragma once

#include "device/FirmwareImage.h"

#include <juce_core/juce_core.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class AskUser;

// Reads and checks a firmware file (root "Orveth_Corporation", its first
// "Tavik_Firmware" child with "Version" and "Code"; names in any letter
// case). When the file cannot be used, tells the user why in a box titled
// "Tavik" and returns nothing.
std::unique_ptr<FirmwareImage> readFirmwareFile (const juce::File& file, AskUser& ask,
                                                 std::atomic<double>* progressTarget = nullptr);

// The image bytes of a "Code" text: exactly FirmwareImage::size numbers
// separated by spaces, carriage returns and line feeds (a tab separates
// nothing), each read as C's "%x" reads one, keeping its low 8 bits. False
// for any other count, or for a number with no hexadecimal digit, whose byte
// would be undefined.
bool parseFirmwareCode (const juce::String& code, std::vector<std::uint8_t>& bytes);
