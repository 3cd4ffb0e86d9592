// Faults on the line against every sequence the program runs over it: single
// edits, the whole push, the read-back, the firmware upload and the
// identification, each meeting a dropped, corrupted, late (within and beyond
// its time-out) or cut-short answer, a processor that falls silent, and a
// line that hangs up. Every case has its own simulator, port and worker, and
// plays the user too: it disconnects from a silent processor, reconnects,
// and then sends one more command, which must be verified and land.
//
// Most of a case's time is spent waiting out a 10 s time-out, so every case
// selected in this process starts at once; each test then waits for its own
// case, pumping the message loop, and checks what the case recorded.
#include "common/Status.h"
#include "device/FirmwareImage.h"
#include "device/HwThread.h"
#include "device/Protocol.h"
#include "device/SerialPort.h"
#include "device/SyncToHardwareCommand.h"
#include "engine/SimulatedProcessor.h"
#include "state/DeviceState.h"
#include "support/ScriptedAskUser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <future>
#include <map>
#include <thread>

namespace
{
using namespace std::chrono_literals;
using taviksim::FaultKind;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

enum class Sequence
{
    edits,
    push,
    readBack,
    upload,
    identify
};

enum class Trouble
{
    dropped,
    corrupted,
    lateWithin, // answered late, but within the time-out
    lateBeyond, // answered only after the time-out
    cutShort,   // the echo comes, the rest of the answer does not
    silence,    // the processor stops answering for good
    hangUp      // the line goes away
};

struct Case
{
    Sequence sequence;
    Trouble trouble;
};

const char* const sequenceNames[] = { "Edits", "Push", "ReadBack", "Upload", "Identify" };
const char* const troubleNames[] = {
    "Dropped", "Corrupted", "LateWithin", "LateBeyond", "CutShort", "Silence", "HangUp"
};

std::string nameOf (Case c)
{
    return std::string (sequenceNames[(int) c.sequence]) + "_" + troubleNames[(int) c.trouble];
}

constexpr int lateWithinMs = 400;
constexpr int lateBeyondMs = Protocol::commandTimeoutMs + 600;
constexpr auto userNoticesSilence = 1s;    // before the user disconnects from a silent processor
constexpr int uploadFaultByte = 3000;      // where the upload meets its fault; any byte behaves alike
constexpr double messageThreadBound = 2.0; // seconds: a fifth of the echo time-out

double secondsSince (Clock::time_point start)
{
    return std::chrono::duration<double> (Clock::now() - start).count();
}

template <typename Predicate>
bool waitFor (Predicate done, std::chrono::milliseconds timeout)
{
    const auto end = Clock::now() + timeout;
    while (!done())
    {
        if (Clock::now() > end)
            return false;
        std::this_thread::sleep_for (2ms);
    }
    return true;
}

// Runs f on the message thread, where the program runs every user action,
// and waits for it.
template <typename F>
void onMessageThread (F&& f)
{
    std::promise<void> done;
    auto finished = done.get_future();
    juce::MessageManager::callAsync (
        [&]
        {
            f();
            done.set_value();
        });
    finished.wait();
}

// Status codes as they reach the message thread.
struct StatusCounts : juce::ActionListener
{
    std::array<std::atomic<int>, 9> counts{};
    void actionListenerCallback (const juce::String& message) override
    {
        const int code = statusFromMessage (message);
        if (code >= 0 && code < (int) counts.size())
            ++counts[(size_t) code];
    }
    int operator[] (int code) const { return counts[(size_t) code].load(); }
};

// Marks the point in the queue that a sequence has passed.
struct Marker final : HardwareCommand
{
    std::shared_ptr<std::atomic<bool>> reached = std::make_shared<std::atomic<bool>> (false);
    void execute (WorkerContext&) override { *reached = true; }
};

// An ordinary parameter command that tells whether its echo was verified.
struct Probe final : HardwareCommand
{
    explicit Probe (std::uint8_t gainCode)
        : code (gainCode)
    {
    }
    const std::uint8_t code; // of input 2's gain, which nothing else sends
    std::shared_ptr<std::atomic<int>> verified = std::make_shared<std::atomic<int>> (-1);
    void execute (WorkerContext& context) override
    {
        const Protocol::Message bytes{ 0xA2, 0x00, 0x00, code };
        *verified = context.port.sendAndVerify (bytes.data(), Protocol::messageSize, nullptr,
                                                Protocol::commandTimeoutMs) == Protocol::messageSize;
    }
};

Bytes testImage()
{
    Bytes bytes (FirmwareImage::size);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = std::uint8_t ((i * 13) ^ (i >> 8));
    return bytes;
}

// Unlike the power-on state in every byte a read-back returns.
taviksim::Memory distinctMemory()
{
    auto memory = taviksim::Memory::powerOn();
    for (size_t b = 0; b < memory.blocks.size(); ++b)
        for (size_t i = 0; i < memory.blocks[b].size(); ++i)
            memory.blocks[b][i] = std::uint8_t (b * 31 + i * 5 + 1);
    memory.mute = 0x15;
    return memory;
}

bool sameSettings (const taviksim::Memory& a, const taviksim::Memory& b)
{
    return a.blocks == b.blocks && a.mute == b.mute && a.muteValues == b.muteValues;
}

// The program's side of one link, as the application wires it, on a simulator.
struct Rig
{
    std::unique_ptr<taviksim::SimulatedProcessor> sim;
    SerialPort port;
    juce::ActionBroadcaster status;
    std::atomic<double> progress{ 0.0 };
    ScriptedAskUser ask;
    HwThread worker{ port, status, progress, 0 };
    DeviceState state{ worker, status, ask, juce::File::getSpecialLocation (juce::File::tempDirectory) };
    StatusCounts codes;

    Rig() { status.addActionListener (&codes); }
    ~Rig()
    {
        worker.stopThread (10000);
        port.close (false);
        status.removeActionListener (&codes);
    }

    bool startSimulator (const taviksim::Memory& initial)
    {
        taviksim::SimulatorOptions options;
        options.logProblems = false;
        options.engine.initialMemory = initial;
        sim = std::make_unique<taviksim::SimulatedProcessor> (options);
        return sim->start();
    }

    // The host's messages the processor received from message first (1-based) on.
    std::vector<Bytes> received (std::uint64_t first) const
    {
        std::vector<Bytes> result;
        for (const auto& m : sim->transcript())
            if (m.number >= first && !m.bytes.empty())
                result.push_back (m.bytes);
        return result;
    }

    std::uint64_t bytesReceived() const
    {
        std::uint64_t total = 0;
        for (const auto& m : sim->transcript())
            total += m.bytes.size();
        return total;
    }
};

// Built and destroyed on the message thread, as the application does.
std::unique_ptr<Rig> makeRig()
{
    std::unique_ptr<Rig> rig;
    onMessageThread ([&] { rig = std::make_unique<Rig>(); });
    return rig;
}

void dropRig (std::unique_ptr<Rig>& rig)
{
    onMessageThread ([&] { rig.reset(); });
}

// What one case saw, for its test to check and the table to show.
struct Record
{
    std::vector<std::string> problems;
    std::string outcome, loss, recovery;
    double seconds = 0.0;          // the faulty sequence, from its start until it ended
    double identifySeconds = -1.0; // the message thread held by a faulty identification
    double disconnectSeconds = -1.0;
    double caseSeconds = 0.0;

    void require (bool ok, const std::string& what)
    {
        if (!ok)
            problems.push_back (what);
    }
};

// What a sequence sends when nothing goes wrong.
struct Reference
{
    std::vector<Bytes> messages;
};

class CaseRun
{
public:
    explicit CaseRun (Case c)
        : which (c)
    {
    }

    Record run (const std::shared_future<Reference>& edits, const std::shared_future<Reference>& push);

private:
    Case which;
    Record record;
    std::unique_ptr<Rig> rig;

    bool is (Trouble t) const { return which.trouble == t; }

    // The connection flow: open, identify, and close without a goodbye when
    // nothing answers as it should.
    bool connect()
    {
        const juce::ScopedLock sl (rig->worker.queueLock);
        juce::String error;
        if (!rig->port.open (rig->sim->slavePath(), error))
        {
            record.require (false, "open: " + error.toStdString());
            return false;
        }
        const bool identified = rig->port.identify();
        if (!identified)
            rig->port.close (false);
        return identified;
    }

    void disconnect (bool sendGoodbye = true)
    {
        const auto start = Clock::now();
        onMessageThread ([&] { rig->port.close (sendGoodbye); });
        record.disconnectSeconds = secondsSince (start);
    }

    // The fault for message k (1-based) of the sequence that starts after message base.
    taviksim::Fault faultAt (std::uint64_t base, std::uint64_t k, std::uint64_t bytesThroughK) const
    {
        switch (which.trouble)
        {
            case Trouble::dropped:
                return { FaultKind::DropAnswer, base + k, 0 };
            case Trouble::corrupted:
                return { FaultKind::CorruptAnswer, base + k, 0 };
            case Trouble::lateWithin:
                return { FaultKind::DelayAnswer, base + k, lateWithinMs };
            case Trouble::lateBeyond:
                return { FaultKind::DelayAnswer, base + k, lateBeyondMs };
            case Trouble::cutShort:
                return { FaultKind::ShortAnswer, base + k, 0, which.sequence == Sequence::readBack ? 1u : 3u };
            case Trouble::silence:
                return { FaultKind::SilentFrom, base + k, 0 };
            case Trouble::hangUp:
                return { FaultKind::HangUpAfter, rig->bytesReceived() + bytesThroughK, 0 };
        }
        return {};
    }

    // After silence: the processor answers again (switched off and on) and the user reconnects.
    // After a hang-up: the user reconnects to a processor on a fresh line.
    bool reconnect (const taviksim::Memory& initial)
    {
        if (is (Trouble::hangUp))
        {
            rig->sim.reset();
            if (!rig->startSimulator (initial))
                return false;
        }
        else
        {
            rig->sim->clearFaults();
        }
        const bool connected = connect();
        record.require (connected && rig->port.getFirmwareVersion() == 1002002, "reconnection");
        note (is (Trouble::hangUp)    ? "connects on a fresh line"
              : is (Trouble::silence) ? "connects once it answers again"
                                      : "connects again");
        return connected;
    }

    // The next command after the fault: verified, and in the processor's memory.
    void note (const std::string& step) { record.recovery += (record.recovery.empty() ? "" : "; ") + step; }

    // Sends one command through the worker: 1 if verified, 0 if not, -1 if it never ended.
    int send (std::uint8_t code)
    {
        std::shared_ptr<std::atomic<int>> verified;
        onMessageThread (
            [&]
            {
                auto p = std::make_unique<Probe> (code);
                verified = p->verified;
                rig->worker.enqueue (std::move (p));
            });
        waitFor ([&] { return *verified >= 0; }, 15s);
        record.require (rig->sim->memory().input (2)[0] == code, "the next command did not land");
        return *verified;
    }

    // The next command after the fault. An answer that came after its
    // time-out arrives while the next command waits for its echo, and is
    // read as that echo: the command lands but counts as failed; the one
    // after it must be verified.
    void probe()
    {
        const int first = send (77);
        if (first == 0 && is (Trouble::lateBeyond))
        {
            record.require (send (78) == 1, "the command after the next was not verified");
            note ("next lands but its echo check meets the late answer; the one after verified");
            return;
        }
        record.require (first == 1, "the next command was not verified");
        note ("next command verified, lands");
    }

    // What the processor received of a sequence, against what it would have without the fault.
    void checkLanded (const Reference& reference, std::uint64_t base, const std::vector<size_t>& lost, size_t prefix)
    {
        std::vector<Bytes> expected;
        for (size_t i = 0; i < std::min (prefix, reference.messages.size()); ++i)
            if (std::find (lost.begin(), lost.end(), i) == lost.end())
                expected.push_back (reference.messages[i]);
        auto got = rig->received (base + 1);
        if (!got.empty() && got.back() == Bytes{ Protocol::goodbyeOpcode })
            got.pop_back();
        record.require (got == expected, "received " + std::to_string (got.size()) + " messages, expected " +
                                             std::to_string (expected.size()));

        // Landed: the settings of a processor fed exactly those messages.
        taviksim::ProcessorEngine engine;
        for (const auto& m : expected)
            engine.receive (m);
        record.require (sameSettings (rig->sim->memory(), engine.memory()), "memory differs from what was sent");
        const size_t missing = reference.messages.size() - expected.size();
        record.loss =
            missing == 0 ? "none"
                         : std::to_string (missing) + " of " + std::to_string (reference.messages.size()) + " messages";
    }

    void commands (Sequence sequence, const Reference& reference);
    void readBack();
    void upload();
    void identify();
};

// The edits a user makes one after another: the second one, a delay (two
// messages), meets the fault.
void queueEdits (DeviceState& state)
{
    state.input2EQState.setChannelGain (0, -3.5);
    state.outputEQState.setDelaySteps (2, 300);
    state.input2EQState.setBandGain (1, 0, 6.0);
    state.outputEQState.setChannelGain (4, -10.0);
}
constexpr size_t editsFaultMessage = 2; // 1-based: the delay's high byte

// Values unlike the power-on state, set while disconnected, so only the push sends them.
void prepareRecord (DeviceState& state)
{
    state.outputEQState.setDelaySteps (5, 300);
    state.outputEQState.setChannelGain (5, -7.0);
    state.input2EQState.setBandFrequency (2, 5, 800);
    state.outputEQState.setChannelName (5, "LATE", false);
    state.muteState.setOutputMute (3, true);
}
// The same order as SYNC TO SOFTWARE.
void queuePush (DeviceState& state)
{
    state.input2EQState.sendAllToDevice();
    state.outputEQState.sendAllToDevice();
    state.routerState.sendRouterToDevice();
    state.muteState.sendMutesToDevice();
}
constexpr size_t pushFaultMessage = 252; // 1-based: output 5's delay high byte, 22 messages before the end

// The sequence on a processor without faults.
Reference referenceRun (Sequence sequence)
{
    Reference reference;
    auto rig = makeRig();
    if (sequence == Sequence::push)
        onMessageThread ([&] { prepareRecord (rig->state); });
    juce::String error;
    if (rig->startSimulator (taviksim::Memory::powerOn()) && rig->port.open (rig->sim->slavePath(), error) &&
        rig->port.identify())
    {
        const auto base = rig->sim->messageCount();
        auto marker = std::make_unique<Marker>();
        auto reached = marker->reached;
        onMessageThread (
            [&]
            {
                if (sequence == Sequence::push)
                    queuePush (rig->state);
                else
                    queueEdits (rig->state);
                rig->worker.enqueue (std::move (marker));
            });
        waitFor ([&] { return reached->load(); }, 30s);
        reference.messages = rig->received (base + 1);
    }
    dropRig (rig);
    return reference;
}

void CaseRun::commands (Sequence sequence, const Reference& reference)
{
    const auto initial = taviksim::Memory::powerOn();
    if (!rig->startSimulator (initial))
        return record.require (false, "simulator: " + rig->sim->error());
    if (sequence == Sequence::push)
        onMessageThread ([&] { prepareRecord (rig->state); });
    if (!connect())
        return record.require (false, "connection");

    const size_t k = sequence == Sequence::push ? pushFaultMessage : editsFaultMessage;
    record.require (reference.messages.size() > k, "reference run");
    const auto base = rig->sim->messageCount();
    rig->sim->addFault (faultAt (base, k, k * Protocol::messageSize));

    auto marker = std::make_unique<Marker>();
    const auto reached = marker->reached;
    const auto start = Clock::now();
    onMessageThread (
        [&]
        {
            if (sequence == Sequence::push)
                queuePush (rig->state);
            else
                queueEdits (rig->state);
            rig->worker.enqueue (std::move (marker));
        });

    // The delay's low byte follows only a verified high byte.
    const size_t lowByte = k; // 0-based index of the message after the faulted one
    if (is (Trouble::silence))
    {
        record.require (rig->sim->waitForMessages (base + k, 30000ms), "the faulted message never arrived");
        std::this_thread::sleep_for (userNoticesSilence);
        disconnect();
        const auto closed = Clock::now();
        record.require (waitFor ([&] { return reached->load(); }, 5s), "the queue did not drain after DISCONNECT");
        record.seconds = secondsSince (start);
        record.outcome =
            "DISCONNECT: the rest drains in " + std::to_string ((int) (secondsSince (closed) * 1000.0)) + " ms";
        std::this_thread::sleep_for (200ms); // anything still on its way arrives meanwhile
        checkLanded (reference, base, {}, k);
        record.loss += " (left in the queue)";
        if (reconnect (initial))
            probe();
        return;
    }

    const bool ended = waitFor ([&] { return reached->load(); }, 40s);
    record.seconds = secondsSince (start);
    record.require (ended, "the sequence never ended");
    std::this_thread::sleep_for (200ms);
    if (is (Trouble::lateWithin))
    {
        record.outcome = "all verified";
        checkLanded (reference, base, {}, reference.messages.size());
    }
    else if (is (Trouble::hangUp))
    {
        record.outcome = "the rest fails at once";
        checkLanded (reference, base, {}, k);
        disconnect();
        reconnect (initial);
    }
    else
    {
        record.outcome =
            is (Trouble::lateBeyond) ? "that command fails, its late echo fails the next check" : "that command fails";
        checkLanded (reference, base, { lowByte }, reference.messages.size());
        record.loss += " (the delay's low byte)";
    }
    probe();
}

void CaseRun::readBack()
{
    const auto initial = distinctMemory();
    if (!rig->startSimulator (initial))
        return record.require (false, "simulator: " + rig->sim->error());
    if (!connect())
        return record.require (false, "connection");

    // The fault meets the last request, 0x98, after nine blocks and the routing.
    constexpr std::uint64_t k = 11;
    const auto base = rig->sim->messageCount();
    rig->sim->addFault (faultAt (base, k, 9 * Protocol::messageSize + 2));

    auto applied = std::make_shared<std::atomic<bool>> (false);
    auto read = std::make_shared<ReadBackBuffer>();
    auto marker = std::make_unique<Marker>();
    const auto reached = marker->reached;
    const auto start = Clock::now();
    onMessageThread (
        [&]
        {
            rig->worker.enqueue (std::make_unique<SyncToHardwareCommand> (
                [applied, read] (const ReadBackBuffer& r)
                {
                    *read = r;
                    *applied = true;
                }));
            rig->worker.enqueue (std::move (marker));
        });

    if (is (Trouble::silence))
    {
        record.require (rig->sim->waitForMessages (base + k, 30000ms), "the faulted message never arrived");
        std::this_thread::sleep_for (userNoticesSilence);
        disconnect();
    }
    const bool ended = waitFor ([&] { return reached->load(); }, 40s);
    record.seconds = secondsSince (start);
    record.require (ended, "the read-back never ended");
    std::this_thread::sleep_for (100ms); // the final status codes reach the message thread
    record.require (rig->codes[StatusIdle] >= 1, "no idle status after the read-back");
    record.require (rig->received (base + 1).size() == (is (Trouble::silence) ? k + 1 : k),
                    "requests after the failed one");
    record.require (sameSettings (rig->sim->memory(), initial), "the read-back changed the processor");

    if (is (Trouble::lateWithin))
    {
        record.require (*applied, "a late answer within the time-out lost the read-back");
        bool same = read->mute == initial.mute;
        for (size_t b = 0; b < read->blocks.size(); ++b)
            same = same && std::equal (read->blocks[b].begin(), read->blocks[b].end(), initial.blocks[b].begin());
        record.require (same, "the read-back differs from the processor");
        record.outcome = "applied";
        record.loss = "none";
    }
    else
    {
        record.require (!*applied, "a failed read-back was applied");
        record.outcome = is (Trouble::silence) ? "DISCONNECT ends it; nothing applied" : "nothing applied";
        record.loss = "the read-back (record unchanged)";
    }
    if (is (Trouble::silence) || is (Trouble::hangUp))
    {
        if (is (Trouble::hangUp))
            disconnect();
        if (!reconnect (initial))
            return;
    }
    probe();
}

void CaseRun::upload()
{
    const auto initial = taviksim::Memory::powerOn();
    if (!rig->startSimulator (initial))
        return record.require (false, "simulator: " + rig->sim->error());
    if (!connect())
        return record.require (false, "connection");

    constexpr std::uint64_t k = 1 + uploadFaultByte; // message 1 is 0x9F
    const auto base = rig->sim->messageCount();
    rig->sim->addFault (faultAt (base, k, k));

    auto image = std::make_unique<FirmwareImage>();
    image->bytes = testImage();
    const auto start = Clock::now();
    onMessageThread ([&] { record.require (rig->worker.startFirmwareUpload (std::move (image)), "hand-over"); });
    if (is (Trouble::silence))
    {
        record.require (rig->sim->waitForMessages (base + k, 30000ms), "the faulted byte never arrived");
        std::this_thread::sleep_for (userNoticesSilence);
        disconnect (false); // as the program lets go of a processor taking an image: no goodbye
    }
    // DISCONNECT abandons the upload: it ends, without an outcome.
    const bool abandoned = is (Trouble::silence);
    const bool ended = waitFor ([&] { return rig->codes[StatusUploadFailed] + rig->codes[StatusUploadComplete] > 0; },
                                abandoned ? 1s : 60s);
    record.seconds = secondsSince (start);
    record.require (ended != abandoned,
                    abandoned ? "DISCONNECT was reported as the upload's outcome" : "the upload never ended");
    record.require (waitFor ([&] { return !rig->worker.isFirmwarePending(); }, 5s), "the image was never let go");

    const auto memory = rig->sim->memory();
    record.require (sameSettings (memory, initial), "firmware bytes changed the settings");
    if (is (Trouble::lateWithin))
    {
        record.require (rig->codes[StatusUploadComplete] == 1, "a late echo within the time-out failed the upload");
        record.require (memory.firmwareComplete && memory.firmware == testImage(), "the image did not land whole");
        record.outcome = "complete (code 3)";
        record.loss = "none";
        disconnect (false); // what the program does after a complete upload
        record.require (reconnect (initial), "reconnection after the upload");
        probe();
        return;
    }

    record.require (abandoned || (rig->codes[StatusUploadFailed] == 1 && rig->codes[StatusUploadComplete] == 0),
                    "the upload did not fail");
    record.require (!memory.firmwareComplete && memory.firmware.size() == uploadFaultByte && memory.goodbyes == 0,
                    "the processor holds " + std::to_string (memory.firmware.size()) + " bytes");
    record.require (rig->received (base + 1).size() == k, "bytes after the failure");
    record.outcome = abandoned ? "DISCONNECT abandons it (no code, no goodbye)" : "failed (code 2)";
    record.loss = "the upload (" + std::to_string (uploadFaultByte) + " of 65536 bytes landed)";

    // A processor in the middle of an image takes every byte as part of it
    // until it gives the image up after a quiet spell; the program sends it
    // nothing more on this connection, and the user connects again.
    record.require (is (Trouble::hangUp) || waitFor ([&] { return rig->sim->transcript().back().bytes.empty(); }, 5s),
                    "the processor never gave the upload up");
    disconnect (false);
    if (reconnect (initial))
        probe();
}

void CaseRun::identify()
{
    const auto initial = taviksim::Memory::powerOn();
    if (!rig->startSimulator (initial))
        return record.require (false, "simulator: " + rig->sim->error());
    // The fault meets 0x90, or for silence the version query after it.
    const std::uint64_t k = is (Trouble::silence) ? 2 : 1;
    rig->sim->addFault (faultAt (0, k, 1));

    const auto start = Clock::now();
    const bool connected = connect();
    record.seconds = record.identifySeconds = secondsSince (start);
    const bool shouldConnect = is (Trouble::lateWithin) || is (Trouble::silence);
    record.require (connected == shouldConnect, connected ? "identified despite the fault" : "not identified");
    record.require (rig->port.isConnected() == connected, "the port stays open after a failed identification");
    record.require (rig->sim->memory().goodbyes == 0, "goodbye after a failed identification");
    if (is (Trouble::silence))
    {
        record.require (rig->port.getFirmwareVersion() == 0, "a version without an answer");
        record.outcome = "connected, version 0 (no read-back, no upload)";
        disconnect();
    }
    else
    {
        record.outcome = connected ? "connected, version 1.2c" : "\"Tavik not detected\", closed without goodbye";
    }
    record.loss = "none";
    if (is (Trouble::lateBeyond))
        std::this_thread::sleep_for (std::chrono::milliseconds (lateBeyondMs) - (Clock::now() - start) + 300ms);
    if (!connected || is (Trouble::silence))
        if (!reconnect (initial))
            return;
    probe();
}

Record CaseRun::run (const std::shared_future<Reference>& edits, const std::shared_future<Reference>& push)
{
    const auto start = Clock::now();
    rig = makeRig();
    switch (which.sequence)
    {
        case Sequence::edits:
            commands (which.sequence, edits.get());
            break;
        case Sequence::push:
            commands (which.sequence, push.get());
            break;
        case Sequence::readBack:
            readBack();
            break;
        case Sequence::upload:
            upload();
            break;
        case Sequence::identify:
            identify();
            break;
    }
    // The identification fails before the worker ever uses the line.
    if (which.sequence != Sequence::identify)
        record.require (rig->codes[StatusLineLost] == (is (Trouble::hangUp) ? 1 : 0),
                        "the lost line was reported " + std::to_string (rig->codes[StatusLineLost]) + " times");
    dropRig (rig);
    record.caseSeconds = secondsSince (start);
    return record;
}

// Measures the largest gap between timer callbacks while the message loop is pumped.
struct GapMeter : juce::Timer
{
    Clock::time_point last;
    bool armed = false;
    double largest = 0.0;
    void timerCallback() override
    {
        const auto now = Clock::now();
        if (armed)
            largest = std::max (largest, std::chrono::duration<double> (now - last).count());
        last = now;
        armed = true;
    }
};

// Starts every selected case at once and hands out their records.
class Matrix
{
public:
    static Matrix& get()
    {
        static Matrix matrix;
        return matrix;
    }

    void start (const std::vector<Case>& selected)
    {
        if (started)
            return;
        started = true;
        wallStart = Clock::now();
        gaps = std::make_unique<GapMeter>();
        gaps->startTimer (5);
        const auto needs = [&] (Sequence s)
        { return std::any_of (selected.begin(), selected.end(), [s] (Case c) { return c.sequence == s; }); };
        edits = std::async (std::launch::async, [needed = needs (Sequence::edits)]
                            { return needed ? referenceRun (Sequence::edits) : Reference{}; })
                    .share();
        push = std::async (std::launch::async, [needed = needs (Sequence::push)]
                           { return needed ? referenceRun (Sequence::push) : Reference{}; })
                   .share();
        for (Case c : selected)
            results[nameOf (c)] =
                std::async (std::launch::async, [c, e = edits, p = push] { return CaseRun (c).run (e, p); });
    }

    // Pumps the message loop until the case has ended; nullptr if it never does.
    const Record* await (Case c, std::chrono::seconds limit)
    {
        auto& future = results.at (nameOf (c));
        const auto end = Clock::now() + limit;
        gaps->armed = false;
        while (future.valid() && future.wait_for (0s) != std::future_status::ready)
        {
            if (Clock::now() > end)
                return nullptr;
            juce::MessageManager::getInstance()->runDispatchLoopUntil (10);
        }
        if (future.valid())
            records[nameOf (c)] = future.get();
        gaps->armed = false;
        return &records[nameOf (c)];
    }

    double largestGap() const { return gaps != nullptr ? gaps->largest : 0.0; }

    // Prints the table and stops the timer, which must not outlive the message loop.
    void finish()
    {
        if (printed || records.empty())
            return;
        printed = true;
        std::printf ("\n%-20s %-48s %-34s %8s %8s\n", "case", "what happens", "lost", "sequence", "case");
        for (const auto& [name, r] : records)
            std::printf ("%-20s %-48s %-34s %7.2fs %7.2fs  %s%s\n", name.c_str(), r.outcome.c_str(), r.loss.c_str(),
                         r.seconds, r.caseSeconds, r.recovery.c_str(),
                         r.disconnectSeconds >= 0
                             ? (" [DISCONNECT " + std::to_string ((int) (r.disconnectSeconds * 1000)) + " ms]").c_str()
                             : "");
        std::printf ("%zu cases in %.1f s; largest gap between message-thread timer callbacks: %.0f ms\n\n",
                     records.size(), secondsSince (wallStart), largestGap() * 1000.0);
        gaps = nullptr;
    }

private:
    bool started = false, printed = false;
    Clock::time_point wallStart;
    std::unique_ptr<GapMeter> gaps;
    std::shared_future<Reference> edits, push;
    std::map<std::string, std::future<Record>> results;
    std::map<std::string, Record> records;
};

std::vector<Case> allCases()
{
    std::vector<Case> cases;
    for (int s = 0; s < 5; ++s)
        for (int t = 0; t < 7; ++t)
            if (!(Sequence (s) == Sequence::upload &&
                  Trouble (t) == Trouble::cutShort)) // a 1-byte echo cut short is a dropped one
                cases.push_back ({ Sequence (s), Trouble (t) });
    return cases;
}

struct FaultMatrix : ::testing::TestWithParam<Case>
{
    // Every case of this suite that runs in this process starts with the first.
    static std::vector<Case> selected()
    {
        std::vector<Case> chosen;
        const auto* suite = ::testing::UnitTest::GetInstance()->current_test_suite();
        for (Case c : allCases())
            for (int i = 0; suite != nullptr && i < suite->total_test_count(); ++i)
            {
                const auto* info = suite->GetTestInfo (i);
                if (info->should_run() && std::string (info->name()) == "Case/" + nameOf (c))
                    chosen.push_back (c);
            }
        return chosen;
    }

    static void TearDownTestSuite() { Matrix::get().finish(); }
};
} // namespace

TEST_P (FaultMatrix, Case)
{
    auto& matrix = Matrix::get();
    matrix.start (selected());
    const Record* record = matrix.await (GetParam(), 120s);
    ASSERT_NE (record, nullptr) << "the case did not end: a hang";
    for (const auto& problem : record->problems)
        ADD_FAILURE() << problem;
    // Every user action and every status code ran on the message thread meanwhile.
    EXPECT_LT (matrix.largestGap(), messageThreadBound);
    std::printf ("%s: %s; lost %s; %s; %.2f s (case %.2f s)\n", nameOf (GetParam()).c_str(), record->outcome.c_str(),
                 record->loss.c_str(), record->recovery.c_str(), record->seconds, record->caseSeconds);
}

INSTANTIATE_TEST_SUITE_P (Sequences, FaultMatrix, ::testing::ValuesIn (allCases()),
                          [] (const ::testing::TestParamInfo<Case>& param) { return nameOf (param.param); });
