#pragma once

#include "engine/Memory.h"

#include <cstdint>
#include <string>
#include <vector>

namespace taviksim
{

enum class MessageKind
{
    Identify,      // 0x90
    Version,       // 0x91
    ReadRouting,   // 0x94
    ReadMutes,     // 0x98
    Goodbye,       // 0x99
    BeginFirmware, // 0x9F
    FirmwareByte,  // one data byte of an upload
    Parameter,     // [0xA0 + ch, 0, address, value]
    Mute,          // [0xB4 + output, 0, mask, value]
    ReadBack,      // [0xD0 + ch, 0, 0, 0]
    UnknownOpcode, // a system opcode this unit does not know
    Garbage        // bytes that start no message, or a broken message
};

const char* kindName (MessageKind kind);

enum class FaultKind
{
    DropAnswer,    // message N is handled but nothing is sent back
    CorruptAnswer, // the first byte of the answer to message N is altered
    DelayAnswer,   // the answer to message N leaves delayMs later
    SilentFrom,    // no answers from message N on (it still listens and stores)
    HangUpAfter,   // the line is hung up once N bytes have been received
    ShortAnswer    // only the first keep bytes of the answer to message N are sent
};

struct Fault
{
    FaultKind kind = FaultKind::DropAnswer;
    std::uint64_t at = 0; // message number (1-based), or byte count for HangUpAfter
    int delayMs = 0;      // DelayAnswer only
    std::size_t keep = 0; // ShortAnswer only
};

const char* faultName (FaultKind kind);

// One message as received, and what was done about it.
struct Message
{
    std::uint64_t number = 0; // 1-based, counting every entry, garbage included
    MessageKind kind = MessageKind::Garbage;
    std::vector<std::uint8_t> bytes;  // as received
    std::vector<std::uint8_t> answer; // as sent back, after faults
    std::string meaning;
    std::string fault;      // which fault touched it, empty if none
    bool irregular = false; // not what a well-behaved host sends; always logged
    int answerDelayMs = 0;  // extra hold-back requested by a fault
    double atMs = 0.0;      // when the last byte arrived (set by the line front end)

    std::string describe() const; // one transcript line
};

struct EngineConfig
{
    bool answerVersion = true;
    std::string versionText = "1.2c"; // sent as is, whatever its length
    Memory initialMemory = Memory::powerOn();
};

// The processor's protocol: bytes in, answers out, memory kept. Knows
// nothing of time or terminals, so it is driven the same way by the
// pseudo-terminal front end and by unit tests.
class ProcessorEngine
{
public:
    explicit ProcessorEngine (EngineConfig config = {});

    // Takes one byte from the line and appends the messages it completes
    // (none, one, or two when a broken message is flushed as garbage).
    void receive (std::uint8_t byte, std::vector<Message>& completed);
    std::vector<Message> receive (const std::vector<std::uint8_t>& bytes);

    // The line has been quiet for a while: a half-received message or an
    // interrupted firmware upload is abandoned (and reported) so that the
    // next byte is read as the start of a message again.
    void lineIdle (std::vector<Message>& completed);

    // How many of these bytes, received in order from now on, would finish
    // nothing (no message, no garbage entry, no hang-up): the index of the
    // first one that would, or the count. The front end need not wake for
    // the bytes before it.
    std::size_t bytesBeforeNextEntry (const std::vector<std::uint8_t>& bytes) const;

    bool midMessage() const { return !partial.empty(); }
    bool inFirmwareUpload() const { return firmwareRemaining > 0; }
    bool hungUp() const { return hangUp; }

    void addFault (const Fault& fault);
    void clearFaults();

    std::uint64_t messageCount() const { return messages; }
    std::uint64_t bytesReceived() const { return received; }
    const Memory& memory() const { return mem; }

private:
    EngineConfig config;
    Memory mem;
    std::vector<Fault> faults;
    std::vector<std::uint8_t> partial;
    std::size_t firmwareRemaining = 0;
    std::uint64_t messages = 0;
    std::uint64_t received = 0;
    bool hangUp = false;

    void take (std::uint8_t byte, std::vector<Message>& completed);
    Message systemMessage (std::uint8_t opcode);
    Message firmwareByte (std::uint8_t byte);
    Message fourByteMessage();
    Message parameterCommand (int channel, std::uint8_t address, std::uint8_t value);
    Message garbage (std::vector<std::uint8_t> bytes, const std::string& why);
    void finish (Message message, std::vector<Message>& completed);
};

} // namespace taviksim
