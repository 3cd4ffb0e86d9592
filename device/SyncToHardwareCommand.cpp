#include "device/SyncToHardwareCommand.h"

#include "common/Status.h"
#include "device/SerialPort.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace
{
// How often the worker, waiting for the message thread, looks whether it has
// been asked to exit.
constexpr std::chrono::milliseconds exitCheckInterval{ 20 };

// The read-back on its way to the message thread. Shared between the worker
// and the posted message, so that whichever lets go last frees it: the
// message may run after the worker has given up (or has gone), and then it
// touches nothing.
struct Handover
{
    enum Stage
    {
        pending,
        applying,
        done,
        abandoned
    };

    std::atomic<int> stage{ pending };
    std::mutex lock;
    std::condition_variable finished;
    ReadBackBuffer buffer;
    SyncToHardwareCommand::Apply apply;

    void runOnMessageThread()
    {
        int expected = pending;
        if (!stage.compare_exchange_strong (expected, applying))
            return; // the worker stopped waiting
        apply (buffer);
        {
            const std::lock_guard<std::mutex> g (lock);
            stage = done;
        }
        finished.notify_all();
    }
};
} // namespace

SyncToHardwareCommand::SyncToHardwareCommand (Apply applyOnMessageThread, Unanswered whenUnanswered,
                                              ReadBackParts parts)
    : apply (std::move (applyOnMessageThread))
    , unanswered (std::move (whenUnanswered))
{
    buffer.parts = parts;
}

void SyncToHardwareCommand::execute (WorkerContext& context)
{
    context.broadcast (StatusBusy);
    auto& port = context.port;
    const auto session = port.getSession();
    if (readBack (context))
        handOver (context);
    else if (unanswered != nullptr && !context.shouldExit() && port.isConnected() && port.getSession() == session &&
             !port.isLineLost())
        unanswered();
    context.reportQueueLevel();
}

bool SyncToHardwareCommand::readBack (WorkerContext& context)
{
    using namespace Protocol;
    auto& port = context.port;

    // A closed port reports every transfer done without touching the buffer:
    // only bytes read on the connection the read-back started on count.
    const auto session = port.getSession();
    const auto sameConnection = [&] { return port.isConnected() && port.getSession() == session; };
    const auto request = [&] (const std::uint8_t* bytes, int count)
    { return port.sendAndVerify (bytes, count, context.worker, readBackTimeoutMs) == count; };
    const auto answer = [&] (std::uint8_t* into, int count)
    {
        return port.read (into, count, context.worker, readBackTimeoutMs) == count && sameConnection() &&
               !context.shouldExit();
    };

    if (!sameConnection())
        return false;
    context.setProgress (0.0);

    const auto& parts = buffer.parts;
    for (int block = 0; block < ReadBackBuffer::blockCount; ++block)
    {
        if (!parts.blocks[(size_t) block])
            continue;
        const int channel = block < inputCount ? inputChannelNumber (block) : outputChannelNumber (block - inputCount);
        const auto message = readBackRequest (channel);
        auto& into = buffer.blocks[(size_t) block];
        if (!request (message.data(), messageSize) || !answer (into.data(), channelBlockSize))
            return false;
        context.addProgress (1.0 / (double) parts.blocks.count());
    }
    return (!parts.routing ||
            (request (&readInputRoutingOpcode, 1) && answer (buffer.routing.data(), routingAnswerLength))) &&
           (!parts.mute || (request (&readOutputMutesOpcode, 1) && answer (&buffer.mute, muteAnswerLength)));
}

void SyncToHardwareCommand::handOver (WorkerContext& context)
{
    if (apply == nullptr)
        return;

    auto handover = std::make_shared<Handover>();
    handover->buffer = buffer;
    handover->apply = apply;
    if (!juce::MessageManager::callAsync ([handover] { handover->runOnMessageThread(); }))
        return;

    std::unique_lock<std::mutex> g (handover->lock);
    while (handover->stage != Handover::done)
    {
        int expected = Handover::pending;
        if (context.shouldExit() && handover->stage.compare_exchange_strong (expected, Handover::abandoned))
            return;
        // Once applying has begun it is waited for: it runs on the message
        // thread, which is then not waiting for this one.
        handover->finished.wait_for (g, exitCheckInterval);
    }
}
