#pragma once

#include "device/HardwareCommand.h"
#include "device/Protocol.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <functional>

// What a read-back asks the processor for: SYNC TO HARDWARE asks for
// everything; a command that needs only some values asks for their parts.
struct ReadBackParts
{
    static constexpr int blockCount = Protocol::inputCount + Protocol::outputCount;
    static constexpr int inputBlock (int input) noexcept { return input; }
    static constexpr int outputBlock (int output) noexcept { return Protocol::inputCount + output; }

    std::bitset<blockCount> blocks; // inputs, then outputs
    bool routing = false, mute = false;

    static ReadBackParts everything() noexcept
    {
        ReadBackParts all;
        all.blocks.set();
        all.routing = all.mute = true;
        return all;
    }
    bool isEmpty() const noexcept { return blocks.none() && !routing && !mute; }
};

// Everything a read-back brings from the processor, as it arrived.
struct ReadBackBuffer
{
    static constexpr int blockCount = ReadBackParts::blockCount;

    std::array<std::array<std::uint8_t, Protocol::channelBlockSize>, blockCount> blocks{}; // inputs, then outputs
    std::array<std::uint8_t, Protocol::routingAnswerLength> routing{};                     // outputs 0..5
    std::uint8_t mute = 0;
    ReadBackParts parts = ReadBackParts::everything(); // what was read; the rest is zeros
};

// SYNC TO HARDWARE: reads every channel block, the routing and the mutes (or
// the parts asked for, in that order), and has them applied on the message
// thread while the worker waits. It shows its own progress ("busy" at its
// start, an equal share per block) and reports the queue level when it
// ends, whatever the outcome.
class SyncToHardwareCommand final : public HardwareCommand
{
public:
    // Runs on the message thread with a complete read-back and decides
    // whether to store it. Never called once the worker has stopped waiting.
    using Apply = std::function<void (const ReadBackBuffer&)>;
    // Runs on the worker when the read-back failed on a line that is still
    // there: the processor did not answer as it should. Not after a
    // disconnection, a lost line or an exit request.
    using Unanswered = std::function<void()>;

    explicit SyncToHardwareCommand (Apply applyOnMessageThread, Unanswered whenUnanswered = {},
                                    ReadBackParts parts = ReadBackParts::everything());

    void execute (WorkerContext& context) override;
    bool reportsQueueLevelAtEnd() const noexcept override { return true; }

private:
    Apply apply;
    Unanswered unanswered;
    ReadBackBuffer buffer;

    // False when a transfer failed, the connection closed or changed, or the
    // worker was asked to exit.
    bool readBack (WorkerContext& context);
    // Waits until apply has run, or until the worker is asked to exit.
    void handOver (WorkerContext& context);
};
