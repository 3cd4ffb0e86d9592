#pragma once

#include "engine/LineModel.h"
#include "engine/PortAnnouncement.h"
#include "engine/ProcessorEngine.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace taviksim
{

struct SimulatorOptions
{
    EngineConfig engine;
    LineConfig line;
    std::vector<Fault> faults;
    // A half message or an unfinished upload is given up after this much
    // quiet on the line (0: never), so one lost byte cannot shift every
    // later message.
    int idleResetMs = 2000;
    std::string transcriptPath;           // one line per message; empty: none
    bool logProblems = true;              // garbage and unknown opcodes to the log
    bool logEverything = false;           // every message to the log
    bool announce = false;                // publish the port for the program's chooser
    std::size_t transcriptLimit = 500000; // oldest entries go first beyond this
    // Where log lines go; standard error when empty. Called on the simulator's thread.
    std::function<void (const std::string&)> log;
};

// The processor on a pseudo-terminal, served by its own thread. The program
// (or a test) opens slavePath() as its serial port.
class SimulatedProcessor
{
public:
    explicit SimulatedProcessor (SimulatorOptions options = {});
    ~SimulatedProcessor();
    SimulatedProcessor (const SimulatedProcessor&) = delete;
    SimulatedProcessor& operator= (const SimulatedProcessor&) = delete;

    // Opens the pseudo-terminal and starts serving; false with error() set on failure.
    bool start();
    void stop();
    const std::string& error() const { return failure; }

    std::string slavePath() const { return slave; }
    bool running() const { return serving.load(); }
    bool hungUp() const { return lineHungUp.load(); }

    // Thread-safe snapshots.
    Memory memory() const;
    std::vector<Message> transcript() const;
    std::uint64_t messageCount() const;
    std::string memoryJson() const;

    void addFault (const Fault& fault);
    void clearFaults();

    // True once at least count messages have been received in total.
    bool waitForMessages (std::uint64_t count, std::chrono::milliseconds timeout) const;

private:
    SimulatorOptions options;
    std::string failure;
    std::string slave;
    int masterFd = -1;
    int slaveFd = -1; // held open so the master never sees a hangup between the program's opens
    int wakeRead = -1;
    int wakeWrite = -1;
    std::thread worker;
    std::atomic<bool> serving{ false };
    std::atomic<bool> lineHungUp{ false };
    std::FILE* transcriptFile = nullptr;
    std::unique_ptr<PortAnnouncement> announcement;

    mutable std::mutex lock;
    mutable std::condition_variable messagesArrived;
    ProcessorEngine engine;
    std::deque<Message> entries;
    std::uint64_t totalMessages = 0;

    bool openTerminal();
    void closeTerminal();
    void run();
    void record (std::vector<Message>& completed, LineModel& line, Clock::time_point arrival,
                 Clock::time_point started);
    void report (const std::string& text) const;
};

} // namespace taviksim
