#include "engine/Memory.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <unistd.h>

using namespace taviksim;

TEST (Memory, PowerOnStateIsAFreshUnit)
{
    const Memory m = Memory::powerOn();
    EXPECT_EQ (m.inputName (0), "INPUT A ");
    EXPECT_EQ (m.inputName (2), "INPUT C ");
    EXPECT_EQ (m.outputName (0), "OUTPUT 1");
    EXPECT_EQ (m.outputName (5), "OUTPUT 6");
    for (int o = 0; o < outputCount; ++o)
    {
        EXPECT_EQ (m.output (o)[0], 24);      // 0 dB
        EXPECT_EQ (m.output (o)[0x10], 0x0F); // cuts off, in read-back code
        EXPECT_EQ (m.output (o)[0x12], 0x0F);
        EXPECT_EQ (m.output (o)[0x0F], 89); // high cut at 20 kHz
        EXPECT_EQ (m.output (o)[0x13], 28); // limiter 0 dB
    }
    EXPECT_EQ (m.input (1)[3 + 3 * 5], 47); // last input band at 800 Hz
    EXPECT_EQ (m.mute, 0);
    EXPECT_TRUE (m.firmware.empty());
    EXPECT_EQ (m.channelBlock (3), nullptr);
    EXPECT_EQ (m.channelBlock (10), nullptr);
    EXPECT_EQ (m.channelBlock (4), &m.output (0));
}

TEST (Memory, JsonDumpReadsBackToTheSameMemory)
{
    Memory m = Memory::powerOn();
    for (int b = 0; b < blockCount; ++b)
        for (int a = 0; a < blockSize; ++a)
            m.blocks[(std::size_t) b][(std::size_t) a] = (std::uint8_t) (b * 31 + a * 7);
    m.output (2)[nameAddress] = '"'; // characters that need escaping survive
    m.output (2)[nameAddress + 1] = '\\';
    m.output (2)[nameAddress + 2] = 0xFE;
    m.mute = 0x2A;
    m.muteValues = { 1, 2, 3, 4, 5, 255 };

    const std::string dump = memoryToJson (m);
    // 8-bit name bytes are written as plain-ASCII escapes, one per byte.
    EXPECT_NE (dump.find (R"("name": "\"\\\u00fe)"), std::string::npos) << dump;
    for (const char c : dump)
        EXPECT_LT ((unsigned char) c, 0x80);

    Memory loaded = Memory::powerOn();
    std::string error;
    ASSERT_TRUE (memoryFromJson (dump, loaded, error)) << error;
    EXPECT_EQ (loaded.blocks, m.blocks);
    EXPECT_EQ (loaded.mute, m.mute);
    EXPECT_EQ (loaded.muteValues, m.muteValues);
}

TEST (Memory, PartialFilesChangeOnlyWhatTheyName)
{
    Memory m = Memory::powerOn();
    std::string error;
    ASSERT_TRUE (memoryFromJson (R"({ "routing": [7, 0, 1, 2, 4, 3], "mute": 63 })", m, error)) << error;
    EXPECT_EQ (m.routing (0), 7);
    EXPECT_EQ (m.routing (5), 3);
    EXPECT_EQ (m.mute, 63);
    EXPECT_EQ (m.outputName (0), "OUTPUT 1");
}

TEST (Memory, BadFilesAreRefusedWithAReasonAndChangeNothing)
{
    const char* const bad[] = {
        "",
        "[1, 2]",
        "{ \"mute\": 256 }",
        "{ \"mute\": -1 }",
        "{ \"mute\": 1.5 }",
        "{ \"mute\": \"4\" }",
        "{ \"routing\": [1, 2, 3] }",
        "{ \"inputs\": [ { \"block\": [1] }, {}, {} ] }",
        "{ \"inputs\": [] }",
        "{ \"mute\": 4 ",
        "{ \"mute\": 4 } trailing",
        "{ \"a\": \"unterminated }",
        "{ \"a\": tru }",
        "{ \"mute\": 4, }",
        "{ \"mute\": 1e400 }",
        "{ \"mute\": 18446744073709551616 }",
        "{ \"outputs\": [1, 2, 3, 4, 5, 6] }",
        "{ \"routing\": \"all\" }",
        "{ \"a\": \"\xFF\" }",
    };
    for (const char* text : bad)
    {
        Memory m = Memory::powerOn();
        std::string error;
        EXPECT_FALSE (memoryFromJson (text, m, error)) << text;
        EXPECT_FALSE (error.empty()) << text;
        EXPECT_EQ (m.blocks, Memory::powerOn().blocks) << text;
        EXPECT_EQ (m.mute, 0) << text;
    }
    // Syntax errors say where, in the file's own terms.
    Memory m;
    std::string error;
    EXPECT_FALSE (memoryFromJson ("{\n  \"mute\": tru }", m, error));
    EXPECT_EQ (error.rfind ("parse error at line 2, column ", 0), 0u) << error;

    // Deep nesting is refused, closed or not, before it is built.
    for (const std::string& deep : { std::string (100000, '['), std::string (100000, '[') + std::string (100000, ']'),
                                     "{ \"a\": " + std::string (65, '[') + std::string (65, ']') + " }" })
    {
        EXPECT_FALSE (memoryFromJson (deep, m, error));
        EXPECT_NE (error.find ("nested too deeply"), std::string::npos) << error;
    }
}

TEST (Memory, FilesAreWrittenWholeAndLoadedBack)
{
    const std::string path = "/tmp/tavik-sim-test-memory-" + std::to_string (::getpid()) + ".json";
    Memory m = Memory::powerOn();
    m.input (0)[0] = 99;
    std::string error;
    ASSERT_TRUE (writeFileAtomically (path, memoryToJson (m), error)) << error;
    Memory loaded = Memory::powerOn();
    ASSERT_TRUE (loadMemoryFile (path, loaded, error)) << error;
    EXPECT_EQ (loaded.input (0)[0], 99);
    std::remove (path.c_str());

    EXPECT_FALSE (loadMemoryFile (path, loaded, error));
    EXPECT_NE (error.find (path), std::string::npos);
    EXPECT_FALSE (writeFileAtomically ("/nonexistent-dir/x.json", "{}", error));
}

TEST (Memory, FirmwareChecksumTellsImagesApart)
{
    const std::vector<std::uint8_t> a (firmwareImageSize, 0xFF);
    std::vector<std::uint8_t> b = a;
    b[40000] = 0xFE;
    EXPECT_NE (firmwareChecksum (a), firmwareChecksum (b));
    EXPECT_EQ (firmwareChecksum (a), firmwareChecksum (std::vector<std::uint8_t> (a)));
}
