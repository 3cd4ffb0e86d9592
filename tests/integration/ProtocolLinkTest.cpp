// Identification and command execution on a real pseudo-terminal, with the
// test playing the processor.
#include "device/Commands.h"
#include "device/SerialPort.h"
#include "support/PtyPeer.h"

#include <gtest/gtest.h>

#include <thread>

namespace
{
using Bytes = std::vector<std::uint8_t>;

struct ProtocolLink : ::testing::Test
{
    PtyPeer peer;
    SerialPort port;
    WorkerContext context{ port };

    void SetUp() override
    {
        ASSERT_TRUE (peer.isOpen());
        juce::String error;
        ASSERT_TRUE (port.open (peer.path(), error)) << error;
    }

    // Plays the processor's side of identify: answers 0x90 with identity and,
    // if asked, 0x91 with version. Returns what it received.
    Bytes identifyWith (const Bytes& identity, const Bytes& version)
    {
        Bytes seen;
        std::thread processor (
            [&]
            {
                seen = peer.read (1, 2000);
                peer.write (identity);
                const auto query = peer.read (1, identity == Bytes{ 'T', 'a', 'v', 'i', 'k' } ? 2000 : 300);
                seen.insert (seen.end(), query.begin(), query.end());
                if (!query.empty() && !version.empty())
                    peer.write (version);
            });
        lastResult = port.identify();
        processor.join();
        return seen;
    }

    // Echoes count messages of 4 bytes, corrupting the ones listed.
    std::thread echo (int count, std::vector<int> corrupt = {})
    {
        return std::thread (
            [this, count, corrupt]
            {
                for (int i = 0; i < count; ++i)
                {
                    auto got = peer.read (4, 2000);
                    received.insert (received.end(), got.begin(), got.end());
                    if (std::find (corrupt.begin(), corrupt.end(), i) != corrupt.end() && !got.empty())
                        got.back() ^= 1;
                    peer.write (got);
                }
            });
    }

    bool lastResult = false;
    Bytes received;
};
} // namespace

TEST_F (ProtocolLink, IdentifyAsksWhoAndWhichVersion)
{
    struct Case
    {
        Bytes version;
        int expected;
    };
    const Case cases[] = {
        { { '1', '.', '2', 'c' }, 1002002 },
        { { '0', '.', '9', 'z' }, 9025 },
        { { 0, '.', '0', 'a' }, 0 }, // a zero first byte leaves the version alone
        { { '1', '.', '0' }, 0 },    // short: the 100 ms read gives up
        { {}, 0 },                   // no answer at all is no failure
    };
    for (const auto& c : cases)
    {
        port.setFirmwareVersion (0);
        EXPECT_EQ (identifyWith ({ 'T', 'a', 'v', 'i', 'k' }, c.version), (Bytes{ 0x90, 0x91 }));
        EXPECT_TRUE (lastResult);
        EXPECT_EQ (port.getFirmwareVersion(), c.expected);
    }
}

TEST_F (ProtocolLink, IdentifyFailsOnAnotherNameWithoutAskingForTheVersion)
{
    for (const Bytes& identity : { Bytes{ 't', 'a', 'v', 'i', 'k' }, Bytes{ 'T', 'a', 'v', 'i', 'x' } })
    {
        EXPECT_EQ (identifyWith (identity, { '1', '.', '0', 'a' }), Bytes{ 0x90 });
        EXPECT_FALSE (lastResult);
        EXPECT_EQ (port.getFirmwareVersion(), 0);
    }
}

TEST_F (ProtocolLink, CommandsSendTheirBytesAndIgnoreAFailedEcho)
{
    auto processor = echo (3, { 0 });
    Input2EQBandGainChange first (1, 2, 12);
    OutputMuteChange second (2, 0.0, 0b000100);
    RouterChange third (5, 0b111);
    for (HardwareCommand* command : { static_cast<HardwareCommand*> (&first), static_cast<HardwareCommand*> (&second),
                                      static_cast<HardwareCommand*> (&third) })
        command->execute (context);
    processor.join();

    Bytes expected;
    for (const auto& message : { *first.bytes(), *second.bytes(), *third.bytes() })
        for (auto byte : message)
            expected.push_back (byte);
    EXPECT_EQ (received, expected);
}

TEST_F (ProtocolLink, DelaySendsTheLowByteOnlyAfterAVerifiedHighByte)
{
    auto processor = echo (2);
    DelayChange (5, 5760).execute (context);
    processor.join();
    EXPECT_EQ (received, (Bytes{ 0xA9, 0x00, 0x01, 0x16, 0xA9, 0x00, 0x02, 0x80 }));

    received.clear();
    processor = echo (1, { 0 });
    Delay2Change (1, 5760).execute (context);
    processor.join();
    EXPECT_EQ (received, (Bytes{ 0xA1, 0x00, 0x01, 0x16 }));
    EXPECT_TRUE (peer.read (4, 300).empty());
}

TEST_F (ProtocolLink, CommandsOutsideTheirSectionSendNothing)
{
    Input2EQGainChange (3, 0.0).execute (context);
    OutputEQCutFilterChange (0, 0, 2, 0).execute (context);
    DelayChange (6, 1).execute (context);
    EXPECT_TRUE (peer.read (1, 300).empty());
}
