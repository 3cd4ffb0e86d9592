#include "FuzzSupport.h"
#include "engine/ProcessorEngine.h"

#include <cstdint>
#include <cstdlib>

namespace
{
using namespace taviksim;

void require (bool holds)
{
    if (!holds)
        std::abort();
}

bool sameMemory (const Memory& a, const Memory& b)
{
    return a.blocks == b.blocks && a.mute == b.mute && a.muteValues == b.muteValues && a.firmware == b.firmware &&
           a.firmwareComplete == b.firmwareComplete && a.firmwareUploads == b.firmwareUploads &&
           a.goodbyes == b.goodbyes;
}

// What one message may do to the memory, applied to a copy kept beside the
// engine's; reads must answer what that copy holds.
void apply (const Message& m, Memory& model)
{
    const auto& b = m.bytes;
    const bool fourBytes = b.size() == 4 && b[1] == 0;
    auto answerWith = [&] (const Block* block)
    {
        auto expected = b;
        if (block == nullptr)
            expected.resize (4 + blockSize, 0);
        else
            expected.insert (expected.end(), block->begin(), block->end());
        return expected;
    };
    switch (m.kind)
    {
        case MessageKind::Parameter:
        {
            require (fourBytes && (b[0] & 0xF0) == 0xA0 && m.answer == b);
            const int channel = b[0] & 0x0F;
            const int address = b[2];
            if (auto* block = model.channelBlock (channel); block != nullptr && address < blockSize)
            {
                const bool cut = channel >= firstOutputChannel &&
                                 (address == highCutFilterAddress || address == lowCutFilterAddress);
                (*block)[(std::size_t) address] = cut ? cutFilterReadBackCode (b[3]) : b[3];
            }
            break;
        }
        case MessageKind::Mute:
            require (fourBytes && (b[0] & 0xF0) == 0xB0 && m.answer == b);
            model.mute = b[2];
            model.muteValues.at ((std::size_t) ((b[0] & 0x0F) - firstOutputChannel)) = b[3];
            break;
        case MessageKind::ReadBack:
            require (fourBytes && (b[0] & 0xF0) == 0xD0 && m.answer == answerWith (model.channelBlock (b[0] & 0x0F)));
            break;
        case MessageKind::ReadRouting:
        {
            std::vector<std::uint8_t> expected{ 0x94 };
            for (int output = 0; output < outputCount; ++output)
                expected.push_back (model.routing (output));
            require (b == std::vector<std::uint8_t>{ 0x94 } && m.answer == expected);
            break;
        }
        case MessageKind::ReadMutes:
            require (b == std::vector<std::uint8_t>{ 0x98 } &&
                     m.answer == std::vector<std::uint8_t>{ 0x98, model.mute });
            break;
        case MessageKind::Goodbye:
            ++model.goodbyes;
            break;
        case MessageKind::BeginFirmware:
            model.firmware.clear();
            model.firmwareComplete = false;
            ++model.firmwareUploads;
            break;
        case MessageKind::FirmwareByte:
            require (b.size() == 1 && m.answer == b);
            model.firmware.push_back (b[0]);
            model.firmwareComplete = model.firmware.size() == firmwareImageSize;
            break;
        case MessageKind::Identify:
        case MessageKind::Version:
        case MessageKind::UnknownOpcode:
        case MessageKind::Garbage:
            break; // they change nothing
    }
}
} // namespace

// Any bytes from the line, with the line falling quiet now and then (a zero
// byte followed by 0xFF stands for a pause). The simulator keeps its memory:
// a write leaves exactly its code at its address, a mute its mask and value,
// reads answer what the memory holds, and nothing else changes it. Every byte
// given ends in exactly one message, in order. The count of bytes that will
// finish nothing, which lets the line front end sleep, comes true.
extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    ProcessorEngine engine;
    Memory model = engine.memory();
    std::vector<Message> completed;
    std::vector<std::uint8_t> given, taken;
    constexpr std::size_t unknown = SIZE_MAX;
    std::size_t quiet = unknown; // bytes still to come that were foretold to finish nothing
    for (std::size_t i = 0; i < size; ++i)
    {
        if (data[i] == 0 && i + 1 < size && data[i + 1] == 0xFF)
        {
            engine.lineIdle (completed);
            quiet = unknown;
            ++i;
        }
        else
        {
            if (quiet == unknown)
            {
                std::size_t end = i;
                while (end < size && !(data[end] == 0 && end + 1 < size && data[end + 1] == 0xFF))
                    ++end;
                quiet = engine.bytesBeforeNextEntry ({ data + i, data + end });
            }
            engine.receive (data[i], completed);
            given.push_back (data[i]);
            require (completed.empty() == (quiet > 0));
            quiet = quiet > 0 ? quiet - 1 : unknown;
        }
        for (const auto& m : completed)
        {
            apply (m, model);
            taken.insert (taken.end(), m.bytes.begin(), m.bytes.end());
        }
        completed.clear();
        require (sameMemory (engine.memory(), model));
    }
    engine.lineIdle (completed);
    for (const auto& m : completed)
        taken.insert (taken.end(), m.bytes.begin(), m.bytes.end());
    require (engine.bytesReceived() == given.size() && taken == given);
    return 0;
}
