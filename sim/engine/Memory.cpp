#include "engine/Memory.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace taviksim
{

namespace
{
// Power-on codes: the values a freshly reset unit reports.
constexpr std::uint8_t gainZeroDb = 24;        // 0 dB channel gain
constexpr std::uint8_t bandGainZeroDb = 24;    // 0 dB band gain
constexpr std::uint8_t frequency800Hz = 47;    // band centre 800 Hz
constexpr std::uint8_t narrowestBandwidth = 1; // 0.04 octave
constexpr std::uint8_t lowCut20Hz = 0;
constexpr std::uint8_t highCut20kHz = 89;
constexpr std::uint8_t filterOffReadBack = 0x0F;
constexpr std::uint8_t limiterZeroDb = 28;
constexpr int inputBands = 6;
constexpr int outputBands = 4;
constexpr int highCutFrequencyAddress = 0x0F;
constexpr int lowCutFrequencyAddress = 0x11;
constexpr int limiterAddress = 0x13;

void setName (Block& block, const std::string& name)
{
    for (int i = 0; i < nameLength; ++i)
        block[(std::size_t) (nameAddress + i)] = (std::uint8_t) (i < (int) name.size() ? name[(std::size_t) i] : ' ');
}

void setBands (Block& block, int bands)
{
    for (int b = 0; b < bands; ++b)
    {
        block[(std::size_t) (3 + 3 * b)] = frequency800Hz;
        block[(std::size_t) (4 + 3 * b)] = bandGainZeroDb;
        block[(std::size_t) (5 + 3 * b)] = narrowestBandwidth;
    }
}

std::string nameOf (const Block& block)
{
    std::string name;
    for (int i = 0; i < nameLength; ++i)
        name += (char) block[(std::size_t) (nameAddress + i)];
    return name;
}

std::string byteList (const std::uint8_t* bytes, std::size_t count)
{
    std::string out = "[";
    for (std::size_t i = 0; i < count; ++i)
        out += (i ? ", " : "") + std::to_string (bytes[i]);
    return out + "]";
}

// Name bytes are the unit's own 8-bit characters, not UTF-8. Taking them as
// Latin-1 gives every byte a character of its own, which the ASCII-only dump
// then writes as \u00XX, so any name survives a dump and a reload.
std::string quotedName (const std::string& bytes)
{
    std::string utf8;
    for (const char c : bytes)
    {
        const auto u = (unsigned char) c;
        if (u < 0x80)
        {
            utf8 += c;
        }
        else
        {
            utf8 += (char) (0xC0 | (u >> 6));
            utf8 += (char) (0x80 | (u & 0x3F));
        }
    }
    return nlohmann::json (utf8).dump (-1, ' ', true);
}

// A memory file nests four levels; far deeper nesting is no memory file, and
// building it would only cost memory, so parsing stops at the first level past this.
constexpr int maxDepth = 64;

struct NestedTooDeeply
{
};

bool parseDocument (const std::string& text, nlohmann::json& root, std::string& error)
{
    const auto guard = [] (int depth, nlohmann::json::parse_event_t event, nlohmann::json&)
    {
        if ((event == nlohmann::json::parse_event_t::object_start ||
             event == nlohmann::json::parse_event_t::array_start) &&
            depth >= maxDepth)
            throw NestedTooDeeply{};
        return true;
    };
    try
    {
        root = nlohmann::json::parse (text, guard);
        return true;
    }
    catch (const NestedTooDeeply&)
    {
        error = "nested too deeply (more than " + std::to_string (maxDepth) + " levels)";
    }
    catch (const nlohmann::json::exception& e)
    {
        // Keep "parse error at line L, column C: ..." and drop the library's tag.
        const std::string what = e.what();
        const auto tagEnd = what.find ("] ");
        error = tagEnd == std::string::npos ? what : what.substr (tagEnd + 2);
    }
    return false;
}

bool readByte (const nlohmann::json& value, const std::string& what, std::uint8_t& out, std::string& error)
{
    const double number = value.is_number() ? value.get<double>() : -1.0;
    if (number < 0 || number > 255 || std::floor (number) != number)
    {
        error = what + " must be a whole number from 0 to 255";
        return false;
    }
    out = (std::uint8_t) number;
    return true;
}

bool readByteArray (const nlohmann::json& value, const std::string& what, std::size_t count, std::uint8_t* out,
                    std::string& error)
{
    if (!value.is_array() || value.size() != count)
    {
        error = what + " must be an array of " + std::to_string (count) + " numbers";
        return false;
    }
    for (std::size_t i = 0; i < count; ++i)
        if (!readByte (value[i], what + "[" + std::to_string (i) + "]", out[i], error))
            return false;
    return true;
}

bool readBlocks (const nlohmann::json& root, const char* key, int first, int count, Memory& memory, std::string& error)
{
    const auto list = root.find (key);
    if (list == root.end())
        return true;
    if (!list->is_array() || list->size() != (std::size_t) count)
    {
        error = std::string ("\"") + key + "\" must be an array of " + std::to_string (count) + " channels";
        return false;
    }
    for (int i = 0; i < count; ++i)
    {
        const nlohmann::json& channel = (*list)[(std::size_t) i];
        const std::string what = std::string (key) + "[" + std::to_string (i) + "]";
        if (!channel.is_object() || !channel.contains ("block"))
        {
            error = what + " needs a \"block\" of 32 numbers";
            return false;
        }
        if (!readByteArray (channel["block"], what + ".block", blockSize,
                            memory.blocks[(std::size_t) (first + i)].data(), error))
            return false;
    }
    return true;
}
} // namespace

Block* Memory::channelBlock (int wireChannel)
{
    if (wireChannel >= 0 && wireChannel < inputCount)
        return &blocks[(std::size_t) wireChannel];
    if (wireChannel >= firstOutputChannel && wireChannel < firstOutputChannel + outputCount)
        return &blocks[(std::size_t) (wireChannel - firstOutputChannel + inputCount)];
    return nullptr;
}

const Block* Memory::channelBlock (int wireChannel) const
{
    return const_cast<Memory*> (this)->channelBlock (wireChannel);
}

std::string Memory::inputName (int channel) const
{
    return nameOf (input (channel));
}
std::string Memory::outputName (int index) const
{
    return nameOf (output (index));
}

// Power-on state: every gain 0 dB, every band 800 Hz / 0 dB / 0.04 octave,
// no delay, cuts OFF at 20 Hz and 20 kHz, limiter 0 dB, phase normal,
// nothing muted, inputs A and B routed as a stereo pair (A to the odd
// outputs 1, 3, 5 and B to 2, 4, 6), names "INPUT A" .. "OUTPUT 6" padded
// with spaces. No firmware image has been received.
Memory Memory::powerOn()
{
    Memory memory;
    for (int i = 0; i < inputCount; ++i)
    {
        Block& block = memory.input (i);
        block[0] = gainZeroDb;
        setBands (block, inputBands);
        setName (block, std::string ("INPUT ") + (char) ('A' + i));
    }
    for (int o = 0; o < outputCount; ++o)
    {
        Block& block = memory.output (o);
        block[0] = gainZeroDb;
        setBands (block, outputBands);
        block[highCutFrequencyAddress] = highCut20kHz;
        block[highCutFilterAddress] = filterOffReadBack;
        block[lowCutFrequencyAddress] = lowCut20Hz;
        block[lowCutFilterAddress] = filterOffReadBack;
        block[limiterAddress] = limiterZeroDb;
        block[routingAddress] = (std::uint8_t) (o % 2 == 0 ? 0x01 : 0x02);
        setName (block, std::string ("OUTPUT ") + (char) ('1' + o));
        memory.muteValues[(std::size_t) o] = gainZeroDb;
    }
    return memory;
}

std::uint8_t cutFilterReadBackCode (std::uint8_t commandCode)
{
    // The unit numbers its filters from 0 where the commands start at 1;
    // "off" (command 0) reads back as the last slot of the low nibble.
    return commandCode == 0 ? filterOffReadBack : (std::uint8_t) (commandCode - 1);
}

std::uint32_t firmwareChecksum (const std::vector<std::uint8_t>& image)
{
    std::uint32_t hash = 2166136261u;
    for (const std::uint8_t b : image)
    {
        hash ^= b;
        hash *= 16777619u;
    }
    return hash;
}

std::string memoryToJson (const Memory& memory)
{
    std::ostringstream out;
    out << "{\n  \"inputs\": [\n";
    for (int i = 0; i < inputCount; ++i)
        out << "    { \"name\": " << quotedName (memory.inputName (i))
            << ", \"block\": " << byteList (memory.input (i).data(), blockSize) << " }"
            << (i + 1 < inputCount ? ",\n" : "\n");
    out << "  ],\n  \"outputs\": [\n";
    for (int o = 0; o < outputCount; ++o)
        out << "    { \"name\": " << quotedName (memory.outputName (o))
            << ", \"block\": " << byteList (memory.output (o).data(), blockSize) << " }"
            << (o + 1 < outputCount ? ",\n" : "\n");
    std::uint8_t routing[outputCount];
    for (int o = 0; o < outputCount; ++o)
        routing[o] = memory.routing (o);
    char checksum[16];
    std::snprintf (checksum, sizeof checksum, "%08x", (unsigned) firmwareChecksum (memory.firmware));
    out << "  ],\n  \"routing\": " << byteList (routing, outputCount) << ",\n"
        << "  \"mute\": " << (int) memory.mute << ",\n"
        << "  \"muteValues\": " << byteList (memory.muteValues.data(), outputCount) << ",\n"
        << "  \"firmware\": { \"bytesReceived\": " << memory.firmware.size()
        << ", \"complete\": " << (memory.firmwareComplete ? "true" : "false")
        << ", \"uploads\": " << memory.firmwareUploads << ", \"fnv1a\": \"" << checksum << "\" },\n"
        << "  \"goodbyes\": " << memory.goodbyes << "\n}\n";
    return out.str();
}

bool memoryFromJson (const std::string& text, Memory& memory, std::string& error)
{
    nlohmann::json root;
    if (!parseDocument (text, root, error))
        return false;
    if (!root.is_object())
    {
        error = "the memory file must hold a JSON object";
        return false;
    }
    Memory loaded = memory;
    if (!readBlocks (root, "inputs", 0, inputCount, loaded, error) ||
        !readBlocks (root, "outputs", inputCount, outputCount, loaded, error))
        return false;
    // Routing is listed separately for people; when present it wins over the blocks.
    if (const auto routing = root.find ("routing"); routing != root.end())
    {
        std::uint8_t masks[outputCount];
        if (!readByteArray (*routing, "routing", outputCount, masks, error))
            return false;
        for (int o = 0; o < outputCount; ++o)
            loaded.output (o)[routingAddress] = masks[o];
    }
    if (const auto mute = root.find ("mute"); mute != root.end())
        if (!readByte (*mute, "mute", loaded.mute, error))
            return false;
    if (const auto values = root.find ("muteValues"); values != root.end())
        if (!readByteArray (*values, "muteValues", outputCount, loaded.muteValues.data(), error))
            return false;
    memory = std::move (loaded);
    return true;
}

bool loadMemoryFile (const std::string& path, Memory& memory, std::string& error)
{
    std::ifstream in (path, std::ios::binary);
    if (!in)
    {
        error = "cannot open " + path + ": " + std::strerror (errno);
        return false;
    }
    std::ostringstream contents;
    contents << in.rdbuf();
    if (!memoryFromJson (contents.str(), memory, error))
    {
        error = path + ": " + error;
        return false;
    }
    return true;
}

bool writeFileAtomically (const std::string& path, const std::string& contents, std::string& error)
{
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out (temporary, std::ios::binary | std::ios::trunc);
        if (!out)
        {
            error = "cannot write " + temporary + ": " + std::strerror (errno);
            return false;
        }
        out << contents;
        out.flush();
        if (!out)
        {
            error = "cannot write " + temporary + ": " + std::strerror (errno);
            std::remove (temporary.c_str());
            return false;
        }
    }
    if (std::rename (temporary.c_str(), path.c_str()) != 0)
    {
        error = "cannot rename " + temporary + " to " + path + ": " + std::strerror (errno);
        std::remove (temporary.c_str());
        return false;
    }
    return true;
}

} // namespace taviksim
