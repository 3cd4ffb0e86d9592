#include "engine/ProcessorEngine.h"

#include <cstdio>

namespace taviksim
{

namespace
{
constexpr std::uint8_t opIdentify = 0x90;
constexpr std::uint8_t opVersion = 0x91;
constexpr std::uint8_t opReadRouting = 0x94;
constexpr std::uint8_t opReadMutes = 0x98;
constexpr std::uint8_t opGoodbye = 0x99;
constexpr std::uint8_t opBeginFirmware = 0x9F;
constexpr std::uint8_t parameterBase = 0xA0;
constexpr std::uint8_t muteBase = 0xB0;
constexpr std::uint8_t readBackBase = 0xD0;
constexpr int lastChannel = 9;
constexpr std::size_t messageLength = 4;
constexpr std::uint8_t highestFilterCode = 10;
const char* const identity = "Tavik";

bool isSystemOpcode (std::uint8_t b)
{
    return b >= 0x90 && b <= 0x9F;
}

bool startsMessage (std::uint8_t b)
{
    const int channel = b & 0x0F;
    switch (b & 0xF0)
    {
        case parameterBase:
        case readBackBase:
            return channel <= lastChannel;
        case muteBase:
            return channel >= firstOutputChannel && channel <= lastChannel;
        default:
            return false;
    }
}

std::string hex (std::uint8_t b)
{
    char text[8];
    std::snprintf (text, sizeof text, "0x%02X", (unsigned) b);
    return text;
}

std::string hexList (const std::vector<std::uint8_t>& bytes)
{
    std::string out;
    char text[4];
    for (std::size_t i = 0; i < bytes.size(); ++i)
    {
        std::snprintf (text, sizeof text, "%02X", (unsigned) bytes[i]);
        out += (i ? " " : "") + std::string (text);
    }
    return out;
}

std::string channelLabel (int channel)
{
    if (channel < inputCount)
        return std::string ("input ") + (char) ('A' + channel) + " (ch " + std::to_string (channel) + ")";
    if (channel >= firstOutputChannel)
        return "output " + std::to_string (channel - firstOutputChannel + 1) + " (ch " + std::to_string (channel) + ")";
    return "channel " + std::to_string (channel);
}

std::string parameterName (bool output, int address)
{
    const int bands = output ? 4 : 6;
    if (address == 0)
        return "gain";
    if (address == 1)
        return "delay high byte";
    if (address == 2)
        return "delay low byte";
    if (address >= 3 && address < 3 + 3 * bands)
    {
        const int band = (address - 3) / 3;
        static const char* const parts[] = { "frequency", "gain", "bandwidth" };
        return "band " + std::to_string (band + 1) + " " + parts[(address - 3) % 3];
    }
    if (address >= nameAddress && address < nameAddress + nameLength)
        return "name character " + std::to_string (address - nameAddress);
    if (output)
    {
        switch (address)
        {
            case 0x0F:
                return "high cut frequency";
            case highCutFilterAddress:
                return "high cut filter";
            case 0x11:
                return "low cut frequency";
            case lowCutFilterAddress:
                return "low cut filter";
            case 0x13:
                return "limiter threshold";
            case 0x14:
                return "phase";
            case routingAddress:
                return "input routing";
            default:
                break;
        }
    }
    return "unused address";
}
} // namespace

const char* kindName (MessageKind kind)
{
    switch (kind)
    {
        case MessageKind::Identify:
            return "identify";
        case MessageKind::Version:
            return "version";
        case MessageKind::ReadRouting:
            return "read routing";
        case MessageKind::ReadMutes:
            return "read mutes";
        case MessageKind::Goodbye:
            return "goodbye";
        case MessageKind::BeginFirmware:
            return "begin firmware";
        case MessageKind::FirmwareByte:
            return "firmware byte";
        case MessageKind::Parameter:
            return "parameter";
        case MessageKind::Mute:
            return "mute";
        case MessageKind::ReadBack:
            return "read-back";
        case MessageKind::UnknownOpcode:
            return "unknown opcode";
        case MessageKind::Garbage:
            return "garbage";
    }
    return "?";
}

const char* faultName (FaultKind kind)
{
    switch (kind)
    {
        case FaultKind::DropAnswer:
            return "answer dropped";
        case FaultKind::CorruptAnswer:
            return "answer corrupted";
        case FaultKind::DelayAnswer:
            return "answer delayed";
        case FaultKind::SilentFrom:
            return "silent";
        case FaultKind::HangUpAfter:
            return "hung up";
        case FaultKind::ShortAnswer:
            return "answer cut short";
    }
    return "?";
}

std::string Message::describe() const
{
    char head[64];
    std::snprintf (head, sizeof head, "#%llu %.3fms ", (unsigned long long) number, atMs);
    std::string line = head + hexList (bytes) + "  " + meaning;
    line += answer.empty() ? "  -> (no answer)" : "  -> " + hexList (answer);
    if (!fault.empty())
        line += "  [" + fault + "]";
    return line;
}

ProcessorEngine::ProcessorEngine (EngineConfig engineConfig)
    : config (std::move (engineConfig))
    , mem (config.initialMemory)
{
}

void ProcessorEngine::addFault (const Fault& fault)
{
    faults.push_back (fault);
}
void ProcessorEngine::clearFaults()
{
    faults.clear();
}

std::vector<Message> ProcessorEngine::receive (const std::vector<std::uint8_t>& bytes)
{
    std::vector<Message> completed;
    for (const std::uint8_t b : bytes)
        receive (b, completed);
    return completed;
}

void ProcessorEngine::receive (std::uint8_t byte, std::vector<Message>& completed)
{
    if (hangUp)
        return;
    ++received;
    const std::size_t first = completed.size();
    take (byte, completed);
    for (const Fault& fault : faults)
        if (fault.kind == FaultKind::HangUpAfter && received >= fault.at)
            hangUp = true;
    // A unit that is unplugged mid-message answers nothing more.
    if (hangUp)
        for (std::size_t i = first; i < completed.size(); ++i)
        {
            completed[i].answer.clear();
            completed[i].fault = faultName (FaultKind::HangUpAfter);
        }
}

std::size_t ProcessorEngine::bytesBeforeNextEntry (const std::vector<std::uint8_t>& bytes) const
{
    // The same rules as take, on the lengths alone.
    std::size_t have = partial.size();
    std::uint64_t count = received;
    for (std::size_t i = 0; i < bytes.size(); ++i)
    {
        ++count;
        for (const Fault& fault : faults)
            if (fault.kind == FaultKind::HangUpAfter && count >= fault.at)
                return i;
        if (hangUp || firmwareRemaining > 0)
            return i;
        if (have == 0)
        {
            if (!startsMessage (bytes[i]))
                return i; // a system message, or garbage
            have = 1;
        }
        else if (have == 1 && bytes[i] != 0x00)
        {
            return i; // the start byte is dropped as garbage
        }
        else if (++have == messageLength)
        {
            return i;
        }
    }
    return bytes.size();
}

void ProcessorEngine::take (std::uint8_t byte, std::vector<Message>& completed)
{
    if (firmwareRemaining > 0)
    {
        finish (firmwareByte (byte), completed);
        return;
    }
    if (partial.empty())
    {
        if (isSystemOpcode (byte))
            finish (systemMessage (byte), completed);
        else if (startsMessage (byte))
            partial.push_back (byte);
        else
            finish (garbage ({ byte }, "not the start of a message; ignored"), completed);
        return;
    }
    // Byte 1 of every 4-byte message is 0x00. Anything else means the start
    // byte was noise: drop it and read this byte afresh, which resynchronises
    // at the next real start byte.
    if (partial.size() == 1 && byte != 0x00)
    {
        const std::uint8_t start = partial.front();
        partial.clear();
        finish (garbage ({ start }, "start byte not followed by 0x00 but by " + hex (byte) + "; dropped"), completed);
        take (byte, completed);
        return;
    }
    partial.push_back (byte);
    if (partial.size() == messageLength)
    {
        Message message = fourByteMessage();
        partial.clear();
        finish (std::move (message), completed);
    }
}

void ProcessorEngine::lineIdle (std::vector<Message>& completed)
{
    if (!partial.empty())
    {
        std::vector<std::uint8_t> bytes;
        bytes.swap (partial);
        finish (garbage (std::move (bytes), "incomplete message abandoned after the line went quiet"), completed);
    }
    if (firmwareRemaining > 0)
    {
        Message note = garbage ({}, "firmware upload abandoned after " + std::to_string (mem.firmware.size()) + " of " +
                                        std::to_string (firmwareImageSize) + " bytes");
        firmwareRemaining = 0;
        finish (std::move (note), completed);
    }
}

Message ProcessorEngine::systemMessage (std::uint8_t opcode)
{
    Message m;
    m.bytes = { opcode };
    switch (opcode)
    {
        case opIdentify:
            m.kind = MessageKind::Identify;
            m.meaning = "identify";
            m.answer.assign (identity, identity + 5);
            break;
        case opVersion:
            m.kind = MessageKind::Version;
            if (config.answerVersion)
            {
                m.answer.assign (config.versionText.begin(), config.versionText.end());
                m.meaning = "firmware version";
            }
            else
            {
                m.meaning = "firmware version (this unit does not answer it)";
            }
            break;
        case opReadRouting:
            m.kind = MessageKind::ReadRouting;
            m.meaning = "read input routing";
            m.answer = { opcode };
            for (int o = 0; o < outputCount; ++o)
                m.answer.push_back (mem.routing (o));
            break;
        case opReadMutes:
            m.kind = MessageKind::ReadMutes;
            m.meaning = "read output mutes";
            m.answer = { opcode, mem.mute };
            break;
        case opGoodbye:
            m.kind = MessageKind::Goodbye;
            m.meaning = "goodbye";
            ++mem.goodbyes;
            break;
        case opBeginFirmware:
            m.kind = MessageKind::BeginFirmware;
            m.meaning = "begin firmware upload";
            m.answer = { opcode };
            mem.firmware.clear();
            mem.firmware.reserve (firmwareImageSize);
            mem.firmwareComplete = false;
            ++mem.firmwareUploads;
            firmwareRemaining = firmwareImageSize;
            break;
        default:
            m.kind = MessageKind::UnknownOpcode;
            m.meaning = "unknown system opcode " + hex (opcode) + "; ignored";
            m.irregular = true;
            break;
    }
    return m;
}

Message ProcessorEngine::firmwareByte (std::uint8_t byte)
{
    Message m;
    m.kind = MessageKind::FirmwareByte;
    m.bytes = { byte };
    m.answer = { byte };
    mem.firmware.push_back (byte);
    --firmwareRemaining;
    m.meaning = "firmware byte " + std::to_string (mem.firmware.size()) + " of " + std::to_string (firmwareImageSize);
    if (firmwareRemaining == 0)
    {
        mem.firmwareComplete = true;
        m.meaning += "; image complete";
    }
    return m;
}

Message ProcessorEngine::fourByteMessage()
{
    const std::uint8_t selector = partial[0];
    const int channel = selector & 0x0F;
    Message m;
    m.bytes = partial;
    m.answer = partial; // every 4-byte message is echoed first
    if ((selector & 0xF0) == parameterBase)
    {
        Message p = parameterCommand (channel, partial[2], partial[3]);
        p.bytes = m.bytes;
        p.answer = m.answer;
        return p;
    }
    if ((selector & 0xF0) == muteBase)
    {
        const int output = channel - firstOutputChannel;
        m.kind = MessageKind::Mute;
        mem.mute = partial[2];
        mem.muteValues[(std::size_t) output] = partial[3];
        m.meaning = "mute command of output " + std::to_string (output + 1) + ": mask " + hex (partial[2]) +
                    ", value " + hex (partial[3]);
        if (partial[2] & 0xC0)
        {
            m.meaning += " (mask has bits beyond output 6)";
            m.irregular = true;
        }
        return m;
    }
    m.kind = MessageKind::ReadBack;
    m.meaning = "read back " + channelLabel (channel);
    if (partial[2] != 0 || partial[3] != 0)
    {
        m.meaning += " (bytes 2 and 3 should be 0x00)";
        m.irregular = true;
    }
    if (const Block* block = mem.channelBlock (channel))
    {
        m.answer.insert (m.answer.end(), block->begin(), block->end());
    }
    else
    {
        // Channel 3 has no block; answer zeros rather than leave the host waiting.
        m.answer.insert (m.answer.end(), blockSize, 0);
        m.meaning += " (unused channel; zeros sent)";
        m.irregular = true;
    }
    return m;
}

Message ProcessorEngine::parameterCommand (int channel, std::uint8_t address, std::uint8_t value)
{
    Message m;
    m.kind = MessageKind::Parameter;
    const bool output = channel >= firstOutputChannel;
    m.meaning = channelLabel (channel) + " " + hex (address) + " ";
    Block* block = mem.channelBlock (channel);
    if (block == nullptr)
    {
        m.meaning += "= " + hex (value) + " (unused channel; not stored)";
        m.irregular = true;
        return m;
    }
    if (address >= blockSize)
    {
        m.meaning += "= " + hex (value) + " (address beyond the block; not stored)";
        m.irregular = true;
        return m;
    }
    m.meaning += parameterName (output, address) + " = " + std::to_string (value);
    std::uint8_t stored = value;
    if (output && (address == highCutFilterAddress || address == lowCutFilterAddress))
    {
        stored = cutFilterReadBackCode (value);
        m.meaning += " (kept as read-back code " + std::to_string (stored) + ")";
        if (value > highestFilterCode)
        {
            m.meaning += " (not a filter code)";
            m.irregular = true;
        }
    }
    else if (address >= nameAddress && (value < 0x20 || value > 0x7A))
    {
        m.meaning += " (outside the name characters)";
        m.irregular = true;
    }
    (*block)[address] = stored;
    return m;
}

Message ProcessorEngine::garbage (std::vector<std::uint8_t> bytes, const std::string& why)
{
    Message m;
    m.kind = MessageKind::Garbage;
    m.bytes = std::move (bytes);
    m.meaning = why;
    m.irregular = true;
    return m;
}

void ProcessorEngine::finish (Message message, std::vector<Message>& completed)
{
    message.number = ++messages;
    for (const Fault& fault : faults)
    {
        const bool hit = fault.at == message.number;
        switch (fault.kind)
        {
            case FaultKind::DropAnswer:
                if (hit && !message.answer.empty())
                {
                    message.answer.clear();
                    message.fault = faultName (fault.kind);
                }
                break;
            case FaultKind::CorruptAnswer:
                if (hit && !message.answer.empty())
                {
                    message.answer[0] ^= 0x01;
                    message.fault = faultName (fault.kind);
                }
                break;
            case FaultKind::DelayAnswer:
                if (hit && !message.answer.empty())
                {
                    message.answerDelayMs += fault.delayMs;
                    message.fault =
                        faultName (fault.kind) + std::string (" by ") + std::to_string (fault.delayMs) + " ms";
                }
                break;
            case FaultKind::SilentFrom:
                if (message.number >= fault.at && !message.answer.empty())
                {
                    message.answer.clear();
                    message.fault = faultName (fault.kind);
                }
                break;
            case FaultKind::ShortAnswer:
                if (hit && message.answer.size() > fault.keep)
                {
                    message.answer.resize (fault.keep);
                    message.fault = faultName (fault.kind);
                }
                break;
            case FaultKind::HangUpAfter:
                break;
        }
    }
    completed.push_back (std::move (message));
}

} // namespace taviksim
