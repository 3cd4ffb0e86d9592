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
    for (std::size_t i = 0; i < answer.size(); ++i)
    {
        lastOut = std::max (start, lastOut) + (config.pace ? perByte : Clock::duration::zero());
        onLine.push_back ({ answer[i], lastOut, i + 1 == answer.size() });
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
    if (config.bridgeLatency.count() <= 0)
    {
        for (const Timed& t : onLine)
            if (t.endsAnswer)
                return t.at;
        return onLine.empty() ? std::nullopt : std::optional<Clock::time_point> (onLine.back().at);
    }
    // The bridge sends a packet when its timer runs out or its buffer fills,
    // whichever comes first; the bytes it takes in meanwhile show nowhere.
    std::optional<Clock::time_point> deadline;
    if (!held.empty())
        deadline = holdDeadline;
    std::size_t holding = held.size();
    for (const Timed& t : onLine)
    {
        if (deadline && t.at >= *deadline)
            return deadline;
        if (!deadline)
            deadline = t.at + config.bridgeLatency;
        if (++holding >= config.bridgeBuffer)
            return t.at;
    }
    return deadline;
}

void LineModel::clear()
{
    onLine.clear();
    held.clear();
}

} // namespace taviksim
