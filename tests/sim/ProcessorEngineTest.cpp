#include "engine/ProcessorEngine.h"

#include <gtest/gtest.h>

using namespace taviksim;
using Bytes = std::vector<std::uint8_t>;

namespace
{
// Sends one message and returns its answer, insisting that it completed exactly one message.
Bytes exchange (ProcessorEngine& engine, const Bytes& bytes)
{
    const auto messages = engine.receive (bytes);
    EXPECT_EQ (messages.size(), 1u);
    return messages.empty() ? Bytes{} : messages.back().answer;
}

Bytes concat (Bytes a, const Bytes& b)
{
    a.insert (a.end(), b.begin(), b.end());
    return a;
}

Bytes text (const char* s)
{
    return Bytes (s, s + std::char_traits<char>::length (s));
}
} // namespace

TEST (ProcessorEngine, IdentifiesItselfWithoutEcho)
{
    ProcessorEngine engine;
    EXPECT_EQ (exchange (engine, { 0x90 }), text ("Tavik"));
    EXPECT_EQ (exchange (engine, { 0x91 }), text ("1.2c"));

    EngineConfig old;
    old.versionText = "0.9z";
    ProcessorEngine oldUnit (old);
    EXPECT_EQ (exchange (oldUnit, { 0x91 }), text ("0.9z"));

    EngineConfig silent;
    silent.answerVersion = false;
    ProcessorEngine noVersion (silent);
    EXPECT_EQ (exchange (noVersion, { 0x90 }), text ("Tavik"));
    const auto m = noVersion.receive ({ 0x91 });
    ASSERT_EQ (m.size(), 1u);
    EXPECT_TRUE (m[0].answer.empty());
    EXPECT_EQ (m[0].kind, MessageKind::Version);
}

TEST (ProcessorEngine, GoodbyeIsCountedAndNotEchoed)
{
    ProcessorEngine engine;
    EXPECT_TRUE (exchange (engine, { 0x99 }).empty());
    EXPECT_EQ (engine.memory().goodbyes, 1);
}

TEST (ProcessorEngine, ParameterCommandsAreEchoedAndStoredAtTheirChannelAndAddress)
{
    ProcessorEngine engine;
    // Wire channels 0..2 are inputs, 4..9 outputs; give each a distinct value.
    const int channels[] = { 0, 1, 2, 4, 5, 6, 7, 8, 9 };
    for (const int ch : channels)
    {
        const Bytes command{ (std::uint8_t) (0xA0 + ch), 0x00, 0x02, (std::uint8_t) (0x40 + ch) };
        EXPECT_EQ (exchange (engine, command), command);
    }
    const Memory& m = engine.memory();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ (m.input (i)[2], 0x40 + i);
    for (int o = 0; o < 6; ++o)
        EXPECT_EQ (m.output (o)[2], 0x44 + o);
    // Nothing else moved: address 1 still holds its power-on code.
    EXPECT_EQ (m.output (3)[1], Memory::powerOn().output (3)[1]);

    // Band 3 gain of input B, and the last name character of output 6.
    exchange (engine, { 0xA1, 0x00, 0x0A, 0x30 });
    exchange (engine, { 0xA9, 0x00, 0x1F, 'Z' });
    EXPECT_EQ (engine.memory().input (1)[0x0A], 0x30);
    EXPECT_EQ (engine.memory().output (5)[0x1F], 'Z');
}

TEST (ProcessorEngine, ReadBackAnswersEchoThenTheChannelBlock)
{
    ProcessorEngine engine;
    exchange (engine, { 0xA6, 0x00, 0x13, 0x30 });
    const Bytes answer = exchange (engine, { 0xD6, 0x00, 0x00, 0x00 });
    ASSERT_EQ (answer.size(), 36u);
    EXPECT_EQ (Bytes (answer.begin(), answer.begin() + 4), (Bytes{ 0xD6, 0x00, 0x00, 0x00 }));
    const Block& block = engine.memory().output (2);
    EXPECT_EQ (Bytes (answer.begin() + 4, answer.end()), Bytes (block.begin(), block.end()));
    EXPECT_EQ (answer[4 + 0x13], 0x30);
    EXPECT_EQ (std::string (answer.begin() + 4 + 24, answer.end()), "OUTPUT 3");

    const Bytes input = exchange (engine, { 0xD2, 0x00, 0x00, 0x00 });
    EXPECT_EQ (std::string (input.begin() + 4 + 24, input.end()), "INPUT C ");
}

TEST (ProcessorEngine, CutFilterBytesAreKeptInTheReadBackCode)
{
    ProcessorEngine engine;
    // Command codes 1..10 read back one lower; 0 ("off") reads back as 0x0F.
    for (std::uint8_t code = 0; code <= 10; ++code)
    {
        exchange (engine, { 0xA4, 0x00, 0x12, code });
        exchange (engine, { 0xA9, 0x00, 0x10, code });
        const std::uint8_t expected = code == 0 ? 0x0F : (std::uint8_t) (code - 1);
        const Bytes low = exchange (engine, { 0xD4, 0x00, 0x00, 0x00 });
        const Bytes high = exchange (engine, { 0xD9, 0x00, 0x00, 0x00 });
        EXPECT_EQ (low[4 + 18], expected) << "code " << (int) code;
        EXPECT_EQ (high[4 + 16], expected) << "code " << (int) code;
    }
    // The same addresses on an input are ordinary equaliser bytes, kept raw.
    exchange (engine, { 0xA0, 0x00, 0x10, 0x00 });
    exchange (engine, { 0xA0, 0x00, 0x12, 0x05 });
    EXPECT_EQ (engine.memory().input (0)[0x10], 0x00);
    EXPECT_EQ (engine.memory().input (0)[0x12], 0x05);
    // A code no filter has is still kept, and flagged.
    const auto m = engine.receive ({ 0xA5, 0x00, 0x10, 0x63 });
    EXPECT_TRUE (m.at (0).irregular);
    EXPECT_EQ (engine.memory().output (1)[0x10], 0x62);
}

TEST (ProcessorEngine, RoutingAndMuteAnswers)
{
    ProcessorEngine engine;
    for (int o = 0; o < 6; ++o)
        exchange (engine, { (std::uint8_t) (0xA4 + o), 0x00, 0x15, (std::uint8_t) (7 - o % 4) });
    EXPECT_EQ (exchange (engine, { 0x94 }), (Bytes{ 0x94, 7, 6, 5, 4, 7, 6 }));
    EXPECT_EQ (engine.memory().routing (4), 7);

    EXPECT_EQ (exchange (engine, { 0x98 }), (Bytes{ 0x98, 0x00 }));
    const Bytes mute{ 0xB6, 0x00, 0x04, 0xFF };
    EXPECT_EQ (exchange (engine, mute), mute);
    EXPECT_EQ (exchange (engine, { 0xB6, 0x00, 0x24, 0xFF }), (Bytes{ 0xB6, 0x00, 0x24, 0xFF }));
    EXPECT_EQ (exchange (engine, { 0x98 }), (Bytes{ 0x98, 0x24 }));
    exchange (engine, { 0xB9, 0x00, 0x04, 0x18 });
    EXPECT_EQ (engine.memory().mute, 0x04);
    EXPECT_EQ (engine.memory().muteValues[2], 0xFF);
    EXPECT_EQ (engine.memory().muteValues[5], 0x18);
    // A mute command stores no gain: the output's own gain byte is untouched.
    EXPECT_EQ (engine.memory().output (5)[0], 24);
}

TEST (ProcessorEngine, FirmwareUploadTakesTheNext65536BytesAsData)
{
    ProcessorEngine engine;
    EXPECT_EQ (exchange (engine, { 0x9F }), (Bytes{ 0x9F }));
    EXPECT_TRUE (engine.inFirmwareUpload());
    Bytes image (firmwareImageSize);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = (std::uint8_t) ((i * 7 + i / 256) & 0xFF); // every value, opcodes included
    std::vector<Message> messages;
    for (const std::uint8_t b : image)
    {
        messages.clear();
        engine.receive (b, messages);
        ASSERT_EQ (messages.size(), 1u);
        ASSERT_EQ (messages[0].kind, MessageKind::FirmwareByte);
        ASSERT_EQ (messages[0].answer, Bytes{ b });
    }
    EXPECT_FALSE (engine.inFirmwareUpload());
    EXPECT_TRUE (engine.memory().firmwareComplete);
    EXPECT_EQ (engine.memory().firmware, image);
    EXPECT_EQ (engine.memory().goodbyes, 0); // the 0x99 bytes inside were data
    // Afterwards the unit talks protocol again.
    EXPECT_EQ (exchange (engine, { 0x90 }), text ("Tavik"));
}

TEST (ProcessorEngine, AnInterruptedUploadIsAbandonedWhenTheLineGoesQuiet)
{
    ProcessorEngine engine;
    engine.receive ({ 0x9F, 0x01, 0x02, 0x90 });
    std::vector<Message> notes;
    engine.lineIdle (notes);
    ASSERT_EQ (notes.size(), 1u);
    EXPECT_TRUE (notes[0].irregular);
    EXPECT_FALSE (engine.inFirmwareUpload());
    EXPECT_FALSE (engine.memory().firmwareComplete);
    EXPECT_EQ (engine.memory().firmware, (Bytes{ 0x01, 0x02, 0x90 }));
    EXPECT_EQ (exchange (engine, { 0x90 }), text ("Tavik"));
}

TEST (ProcessorEngine, StrayBytesAreLoggedAndTheLineResynchronises)
{
    ProcessorEngine engine;
    // A stray byte, a start byte not followed by 0x00, an unknown opcode, a
    // selector this unit has no command for, then a good command.
    const auto messages = engine.receive ({ 0x42, 0xA4, 0x15, 0x92, 0xB0, 0xA5, 0x00, 0x00, 0x30 });
    ASSERT_EQ (messages.size(), 6u);
    EXPECT_EQ (messages[0].bytes, Bytes{ 0x42 });
    EXPECT_EQ (messages[1].bytes, Bytes{ 0xA4 }); // dropped start byte
    EXPECT_EQ (messages[2].bytes, Bytes{ 0x15 }); // re-read, still not a start
    EXPECT_EQ (messages[3].kind, MessageKind::UnknownOpcode);
    EXPECT_EQ (messages[4].bytes, Bytes{ 0xB0 });
    for (int i = 0; i < 5; ++i)
    {
        EXPECT_TRUE (messages[(std::size_t) i].irregular) << i;
        EXPECT_TRUE (messages[(std::size_t) i].answer.empty()) << i;
        EXPECT_EQ (messages[(std::size_t) i].number, (std::uint64_t) i + 1);
    }
    EXPECT_EQ (messages[5].kind, MessageKind::Parameter);
    EXPECT_EQ (messages[5].answer, (Bytes{ 0xA5, 0x00, 0x00, 0x30 }));
    EXPECT_FALSE (messages[5].irregular);
    EXPECT_EQ (engine.memory().output (1)[0], 0x30);

    // Bytes after the start byte and 0x00 may be anything, opcodes included.
    EXPECT_EQ (exchange (engine, { 0xA7, 0x00, 0x90, 0x99 }), (Bytes{ 0xA7, 0x00, 0x90, 0x99 }));
    EXPECT_EQ (engine.memory().goodbyes, 0);

    // Half a message followed by silence is dropped, not glued to the next one.
    EXPECT_TRUE (engine.receive ({ 0xA4, 0x00 }).empty());
    std::vector<Message> notes;
    engine.lineIdle (notes);
    ASSERT_EQ (notes.size(), 1u);
    EXPECT_EQ (notes[0].bytes, (Bytes{ 0xA4, 0x00 }));
    EXPECT_EQ (exchange (engine, { 0x90 }), text ("Tavik"));
}

TEST (ProcessorEngine, OddButWellFramedMessagesAreAnsweredAndFlagged)
{
    ProcessorEngine engine;
    const Memory before = engine.memory();
    // Channel 3 does not exist; an address beyond the block has no byte.
    auto m = engine.receive ({ 0xA3, 0x00, 0x00, 0x11, 0xA4, 0x00, 0x20, 0x11 });
    ASSERT_EQ (m.size(), 2u);
    for (const Message& msg : m)
    {
        EXPECT_TRUE (msg.irregular);
        EXPECT_EQ (msg.answer, msg.bytes); // echoed all the same
    }
    EXPECT_EQ (engine.memory().blocks, before.blocks);
    const Bytes unused = exchange (engine, { 0xD3, 0x00, 0x00, 0x00 });
    EXPECT_EQ (unused, concat ({ 0xD3, 0x00, 0x00, 0x00 }, Bytes (32, 0)));
}

TEST (ProcessorEngine, FaultsAlterOnlyTheAnswersTheyName)
{
    ProcessorEngine engine;
    engine.addFault ({ FaultKind::DropAnswer, 2, 0 });
    engine.addFault ({ FaultKind::CorruptAnswer, 3, 0 });
    engine.addFault ({ FaultKind::DelayAnswer, 4, 250 });
    engine.addFault ({ FaultKind::SilentFrom, 6, 0 });
    engine.addFault ({ FaultKind::ShortAnswer, 5, 0, 1 });
    const auto m = engine.receive ({ 0x90, 0xA4, 0x00, 0x00, 0x10, 0x90, 0x94, 0x98, 0xA5, 0x00, 0x00, 0x11, 0x90 });
    ASSERT_EQ (m.size(), 7u);
    EXPECT_EQ (m[0].answer, text ("Tavik"));
    EXPECT_TRUE (m[0].fault.empty());
    EXPECT_TRUE (m[1].answer.empty()); // dropped, but still stored
    EXPECT_FALSE (m[1].fault.empty());
    EXPECT_EQ (engine.memory().output (0)[0], 0x10);
    EXPECT_EQ (m[2].answer, text ("Uavik"));
    EXPECT_EQ (m[3].answer.size(), 7u);
    EXPECT_EQ (m[3].answerDelayMs, 250);
    EXPECT_EQ (m[4].answer, Bytes{ 0x98 }); // the echo without the mute byte
    EXPECT_EQ (m[4].answerDelayMs, 0);
    EXPECT_TRUE (m[5].answer.empty()); // silent from here on, still listening
    EXPECT_TRUE (m[6].answer.empty());
    EXPECT_EQ (engine.memory().output (1)[0], 0x11);

    engine.clearFaults();
    EXPECT_EQ (exchange (engine, { 0x90 }), text ("Tavik"));
}

TEST (ProcessorEngine, HangsUpAfterTheNamedByteCount)
{
    ProcessorEngine engine;
    engine.addFault ({ FaultKind::HangUpAfter, 6, 0 });
    const auto m = engine.receive ({ 0x90, 0xA4, 0x00, 0x00, 0x10 });
    ASSERT_EQ (m.size(), 2u);
    EXPECT_EQ (m[0].answer, text ("Tavik"));
    EXPECT_EQ (m[1].answer.size(), 4u);
    EXPECT_FALSE (engine.hungUp());
    // Byte 6 is the last one taken, and its message goes unanswered.
    const auto more = engine.receive ({ 0x90, 0x90 });
    EXPECT_TRUE (engine.hungUp());
    ASSERT_EQ (more.size(), 1u);
    EXPECT_TRUE (more[0].answer.empty());
    EXPECT_EQ (engine.bytesReceived(), 6u);
}

TEST (ProcessorEngine, TellsHowManyBytesFinishNothing)
{
    // Checked against the engine itself: from several states, over many
    // mixes of start bytes, zeros, system opcodes and noise, the count is
    // exactly where receiving the bytes one by one first finishes something.
    const std::uint8_t alphabet[] = { 0x00, 0x00, 0x90, 0x9F, 0xA4, 0xB5, 0xD0, 0x41, 0x17 };
    ProcessorEngine fresh;
    ProcessorEngine midMessage;
    midMessage.receive (Bytes{ 0xA4, 0x00 });
    ProcessorEngine uploading;
    uploading.receive (Bytes{ 0x9F });
    ProcessorEngine hangingUp;
    hangingUp.addFault ({ FaultKind::HangUpAfter, 3, 0 });
    unsigned seed = 12345;
    for (const ProcessorEngine* start : { &fresh, &midMessage, &uploading, &hangingUp })
        for (int round = 0; round < 500; ++round)
        {
            Bytes bytes;
            for (int i = 0; i < 6; ++i)
            {
                seed = seed * 1103515245u + 12345u;
                bytes.push_back (alphabet[(seed >> 16) % std::size (alphabet)]);
            }
            ProcessorEngine copy = *start;
            std::size_t first = bytes.size();
            for (std::size_t i = 0; i < bytes.size() && first == bytes.size(); ++i)
            {
                std::vector<Message> completed;
                copy.receive (bytes[i], completed);
                if (!completed.empty() || copy.hungUp())
                    first = i;
            }
            ASSERT_EQ (start->bytesBeforeNextEntry (bytes), first) << "round " << round;
        }
}
