#pragma once

// Reading what a panel sent from the simulated processor's transcript.
#include "engine/SimulatedProcessor.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// The messages the processor received since `seen`, up to a marker edit that
// queueMarker queues now behind everything else: the queue keeps order, so
// nothing queued earlier can still be on its way once the marker (a 4-byte
// gain command whose first byte is markerSelector, and whose code is
// markerCode unless that is -1) has arrived.
inline std::vector<Bytes> sentBeforeMarker (const taviksim::SimulatedProcessor& sim, std::size_t& seen,
                                            const std::function<void()>& queueMarker, std::uint8_t markerSelector,
                                            int markerCode = -1)
{
    queueMarker();
    const auto isMarker = [markerSelector, markerCode] (const taviksim::Message& m)
    {
        return m.bytes.size() == 4 && m.bytes[0] == markerSelector && m.bytes[2] == 0x00 &&
               (markerCode < 0 || m.bytes[3] == markerCode);
    };
    auto transcript = sim.transcript();
    while (transcript.size() <= seen || !isMarker (transcript.back()))
    {
        if (!sim.waitForMessages (transcript.size() + 1, std::chrono::milliseconds (5000)))
        {
            ADD_FAILURE() << "the marker never arrived";
            return {};
        }
        transcript = sim.transcript();
    }
    std::vector<Bytes> sent;
    for (auto i = seen; i + 1 < transcript.size(); ++i)
        sent.push_back (transcript[i].bytes);
    seen = transcript.size();
    return sent;
}
