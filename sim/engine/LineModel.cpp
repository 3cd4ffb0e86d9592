#include "engine/LineModel.h"

#include <algorithm>

namespace taviksim
{

namespace
{
constexpr int bitsPerByte = 10; // start bit, 8 data bits, stop bit
}

LineModel::LineModel (LineConfig lineConfig)
    : config (lineConfig)
    , perByte (std::chrono::duration_cast<Clock::duration> (
          std::chrono::nanoseconds ((long long) bitsPerByte * 1000000000LL / std::max (1, lineConfig.baud))))
{
    if (config.bridgeBuffer == 0)
        config.bridgeBuffer = 1;
}

Clock::time_point LineModel::arrival (Clock::time_point readAt)
{
    if (!config.pace)
        return readAt;
    lastIn = std::max (readAt, lastIn) + perByte;
    return lastIn;
}

void LineModel::send (const std::vector<std::uint8_t>& answer, Clock::time_point messageEnd, Clock::duration extraDelay)
{
    // Answers leave in order: a delayed answer holds back those behind it.
    const Clock::time_point start = messageEnd + config.processing + extraDelay;
    for (const std::uint8_t b : answer)
    {
        lastOut = std::max (start, lastOut) + (config.pace ? perByte : Clock::duration::zero());
        onLine.push_back ({ b, lastOut });
    }
}

std::vector<std::uint8_t> LineModel::takeDue (Clock::time_point now)
{
    std::vector<std::uint8_t> due;
    const bool bridge = config.bridgeLatency.count() > 0;
    while (!onLine.empty() && onLine.front().at <= now)
    {
        const Timed t = onLine.front();
        onLine.pop_front();
        if (!bridge)
        {
            due.push_back (t.byte);
            continue;
        }
        if (!held.empty() && t.at >= holdDeadline)
        {
            due.insert (due.end(), held.begin(), held.end());
            held.clear();
        }
        if (held.empty())
            holdDeadline = t.at + config.bridgeLatency;
        held.push_back (t.byte);
        if (held.size() >= config.bridgeBuffer)
        {
            due.insert (due.end(), held.begin(), held.end());
            held.clear();
        }
    }
    if (!held.empty() && now >= holdDeadline)
    {
        due.insert (due.end(), held.begin(), held.end());
        held.clear();
    }
    return due;
}

std::optional<Clock::time_point> LineModel::nextEvent() const
{
    std::optional<Clock::time_point> next;
    if (!onLine.empty())
        next = onLine.front().at;
    if (!held.empty())
        next = next ? std::min (*next, holdDeadline) : holdDeadline;
    return next;
}

void LineModel::clear()
{
    onLine.clear();
    held.clear();
}

} // namespace taviksim
