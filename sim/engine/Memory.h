#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace taviksim
{

constexpr int blockSize = 32;
constexpr int inputCount = 3;
constexpr int outputCount = 6;
constexpr int blockCount = inputCount + outputCount;
constexpr int firstOutputChannel = 4; // wire channel of output 0; channel 3 is unused
constexpr std::size_t firmwareImageSize = 65536;

// Addresses inside a channel block that the engine treats specially.
constexpr int routingAddress = 0x15;
constexpr int highCutFilterAddress = 0x10;
constexpr int lowCutFilterAddress = 0x12;
constexpr int nameAddress = 0x18;
constexpr int nameLength = 8;

using Block = std::array<std::uint8_t, blockSize>;

// Everything the processor keeps. Blocks hold exactly what a read-back
// returns: raw command codes, except the cut filter bytes (read-back code).
struct Memory
{
    std::array<Block, blockCount> blocks{};             // inputs 0..2, then outputs 0..5
    std::uint8_t mute = 0;                              // bit n: output n muted
    std::array<std::uint8_t, outputCount> muteValues{}; // last value byte of each output's mute command
    std::vector<std::uint8_t> firmware;                 // bytes of the latest upload, in order
    bool firmwareComplete = false;                      // the latest upload delivered all 65536 bytes
    int firmwareUploads = 0;                            // 0x9F sessions started
    int goodbyes = 0;                                   // 0x99 received

    Block& input (int channel) { return blocks[(std::size_t) channel]; }
    const Block& input (int channel) const { return blocks[(std::size_t) channel]; }
    Block& output (int index) { return blocks[(std::size_t) (inputCount + index)]; }
    const Block& output (int index) const { return blocks[(std::size_t) (inputCount + index)]; }
    std::uint8_t routing (int output) const { return this->output (output)[routingAddress]; }

    // Block of a wire channel (0..2, 4..9); nullptr for channel 3 or beyond 9.
    Block* channelBlock (int wireChannel);
    const Block* channelBlock (int wireChannel) const;

    std::string inputName (int channel) const;
    std::string outputName (int index) const;

    // Power-on state (see Memory.cpp).
    static Memory powerOn();
};

// Command code of a cut filter → the code a read-back returns for it.
std::uint8_t cutFilterReadBackCode (std::uint8_t commandCode);

// FNV-1a over the firmware bytes, so a dump can identify an image briefly.
std::uint32_t firmwareChecksum (const std::vector<std::uint8_t>& image);

// JSON form used both for dumps and for initial memory files.
std::string memoryToJson (const Memory& memory);

// Parses the JSON form. Keys that are absent keep their power-on values.
// Returns false with a message naming the problem; memory is then untouched.
bool memoryFromJson (const std::string& text, Memory& memory, std::string& error);

bool loadMemoryFile (const std::string& path, Memory& memory, std::string& error);

// Writes through a temporary file and a rename, so readers never see half a dump.
bool writeFileAtomically (const std::string& path, const std::string& contents, std::string& error);

} // namespace taviksim
