#include "engine/LineModel.h"

#include <gtest/gtest.h>

using namespace taviksim;
using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

namespace
{
const Clock::time_point t0 = Clock::time_point() + 1h;
}

TEST (LineModel, WithoutPacingAnswersAreDueAtOnce)
{
    LineModel line;
    EXPECT_EQ (line.arrival (t0), t0);
    line.send ({ 1, 2, 3 }, t0);
    EXPECT_EQ (line.takeDue (t0), (Bytes{ 1, 2, 3 }));
    EXPECT_TRUE (line.empty());
    EXPECT_FALSE (line.nextEvent());
}

TEST (LineModel, PacingSpacesBytesByTenBitTimes)
{
    LineConfig config;
    config.pace = true;
    LineModel line (config);
    const auto byte = line.byteTime();
    const double micros = std::chrono::duration<double, std::micro> (byte).count();
    EXPECT_NEAR (micros, 173.6, 0.1);

    // A 4-byte burst written at once reaches the unit one byte time apart.
    Clock::time_point last{};
    for (int i = 1; i <= 4; ++i)
        last = line.arrival (t0);
    EXPECT_EQ (last, t0 + 4 * byte);
    // A byte written later than the line is free starts its own transit.
    EXPECT_EQ (line.arrival (t0 + 10ms), t0 + 10ms + byte);

    line.send ({ 9, 8, 7, 6 }, last);
    EXPECT_TRUE (line.takeDue (last).empty());
    EXPECT_EQ (line.takeDue (last + byte), Bytes{ 9 });
    EXPECT_EQ (line.takeDue (last + 4 * byte - 1ns), (Bytes{ 8, 7 }));
    EXPECT_EQ (*line.nextEvent(), last + 4 * byte);
    EXPECT_EQ (line.takeDue (last + 4 * byte), Bytes{ 6 });
}

TEST (LineModel, WakesForWholeAnswersAndBridgePackets)
{
    LineConfig config;
    config.pace = true;
    LineModel line (config);
    const auto byte = line.byteTime();
    line.send ({ 1, 2, 3, 4 }, t0);
    line.send ({ 5, 6 }, t0);
    // Nothing between an answer's bytes is worth a wake: the first event is its end.
    EXPECT_EQ (*line.nextEvent(), t0 + 4 * byte);
    EXPECT_EQ (line.takeDue (t0 + 4 * byte), (Bytes{ 1, 2, 3, 4 }));
    EXPECT_EQ (*line.nextEvent(), t0 + 6 * byte);

    // Behind a bridge: its timer, or the byte that fills its buffer, whichever is first.
    config.bridgeLatency = 16ms;
    config.bridgeBuffer = 4;
    LineModel bridged (config);
    bridged.send ({ 1, 2 }, t0);
    EXPECT_EQ (*bridged.nextEvent(), t0 + byte + 16ms);
    bridged.send ({ 3, 4, 5 }, t0);
    EXPECT_EQ (*bridged.nextEvent(), t0 + 4 * byte);
    EXPECT_EQ (bridged.takeDue (t0 + 4 * byte), (Bytes{ 1, 2, 3, 4 }));
    EXPECT_EQ (*bridged.nextEvent(), t0 + 5 * byte + 16ms);
    EXPECT_TRUE (bridged.takeDue (t0 + 5 * byte).empty());
    EXPECT_EQ (*bridged.nextEvent(), t0 + 5 * byte + 16ms);
}

TEST (LineModel, ProcessingAndDelayedAnswersKeepTheirOrder)
{
    LineConfig config;
    config.processing = 2ms;
    LineModel line (config);
    line.send ({ 1 }, t0, 50ms);
    line.send ({ 2 }, t0 + 1ms); // ready earlier, but queued behind the delayed one
    EXPECT_TRUE (line.takeDue (t0 + 51ms).empty());
    EXPECT_EQ (line.takeDue (t0 + 52ms), (Bytes{ 1, 2 }));
}

TEST (LineModel, BridgeHoldsBytesUntilItsTimerOrAFullBuffer)
{
    LineConfig config;
    config.bridgeLatency = 16ms;
    config.bridgeBuffer = 4;
    LineModel line (config);
    line.send ({ 1, 2 }, t0);
    EXPECT_TRUE (line.takeDue (t0).empty());
    EXPECT_TRUE (line.takeDue (t0 + 15ms).empty());
    EXPECT_EQ (*line.nextEvent(), t0 + 16ms);
    line.send ({ 3 }, t0 + 15ms); // joins the same packet
    EXPECT_EQ (line.takeDue (t0 + 16ms), (Bytes{ 1, 2, 3 }));

    // A full buffer goes at once.
    line.send ({ 4, 5, 6, 7, 8 }, t0 + 20ms);
    EXPECT_EQ (line.takeDue (t0 + 20ms), (Bytes{ 4, 5, 6, 7 }));
    EXPECT_EQ (line.takeDue (t0 + 36ms), Bytes{ 8 });

    // Bytes arriving after a packet's timer ran out start a packet of their own.
    line.send ({ 10 }, t0 + 100ms);
    line.send ({ 11 }, t0 + 130ms);
    EXPECT_EQ (line.takeDue (t0 + 120ms), Bytes{ 10 });
    EXPECT_TRUE (line.takeDue (t0 + 140ms).empty());
    EXPECT_EQ (line.takeDue (t0 + 146ms), Bytes{ 11 });
}
