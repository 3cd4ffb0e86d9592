#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace taviksim
{

using Clock = std::chrono::steady_clock;

struct LineConfig
{
    bool pace = false; // bytes take 10 bit times each way, as on an 8N1 line
    int baud = 57600;
    std::chrono::microseconds processing{ 0 };    // between a message's last byte and its answer
    std::chrono::milliseconds bridgeLatency{ 0 }; // 0: no USB bridge in the way
    std::size_t bridgeBuffer = 62;                // bytes a bridge packet carries before it must be sent
};

// Timing of the serial line and of a USB bridge's latency timer, apart from
// any file descriptor so it can be checked with made-up clocks.
class LineModel
{
public:
    explicit LineModel (LineConfig config = {});

    Clock::duration byteTime() const { return perByte; }

    // When a byte the host wrote at readAt has fully reached the unit. Bytes
    // queue behind each other, so a burst arrives at the line's own rate.
    Clock::time_point arrival (Clock::time_point readAt);

    // Queues an answer for a message whose last byte arrived at messageEnd.
    void send (const std::vector<std::uint8_t>& answer, Clock::time_point messageEnd,
               Clock::duration extraDelay = Clock::duration::zero());

    // Bytes the host may read by now, in order.
    std::vector<std::uint8_t> takeDue (Clock::time_point now);

    // The next moment at which takeDue gives bytes worth waking for, if any:
    // the end of the first answer (a host reads an answer whole, so its
    // earlier bytes need no wake of their own; none goes before its time),
    // or the bridge's release of a packet.
    std::optional<Clock::time_point> nextEvent() const;

    bool empty() const { return onLine.empty() && held.empty(); }
    void clear();

private:
    struct Timed
    {
        std::uint8_t byte;
        Clock::time_point at;
        bool endsAnswer;
    };

    LineConfig config;
    Clock::duration perByte;
    Clock::time_point lastIn{};
    Clock::time_point lastOut{};
    std::deque<Timed> onLine; // on their way to the bridge (or straight to the host)
    std::vector<std::uint8_t> held;
    Clock::time_point holdDeadline{};
};

} // namespace taviksim
