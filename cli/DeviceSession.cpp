#include "cli/DeviceSession.h"

#include "cli/Progress.h"
#include "cli/Terminal.h"
#include "common/SettingsLocation.h"
#include "common/Status.h"
#include "device/DeviceLink.h"
#include "device/Protocol.h"

#include <iostream>

namespace
{
// Runs on the worker once every command queued before it has been sent.
class Marker final : public HardwareCommand
{
public:
    explicit Marker (std::shared_ptr<std::atomic<bool>> flag)
        : reached (std::move (flag))
    {
    }
    void execute (WorkerContext&) override { *reached = true; }

private:
    std::shared_ptr<std::atomic<bool>> reached;
};

constexpr int pumpMs = 20;

// Ctrl-C counted instead of ending the program, for one transfer.
struct ScopedInterrupts
{
    ScopedInterrupts() { Terminal::watchInterrupts(); }
    ~ScopedInterrupts() { Terminal::stopWatchingInterrupts(); }
};
} // namespace

DeviceSession::DeviceSession()
{
    status.addActionListener (this);
}

DeviceSession::~DeviceSession()
{
    status.removeActionListener (this);
    worker.stopThread (10000);
    port.close (true);
}

void DeviceSession::actionListenerCallback (const juce::String& message)
{
    codes.push_back (statusFromMessage (message));
}

bool DeviceSession::received (int code) const
{
    return std::find (codes.begin(), codes.end(), code) != codes.end();
}

void DeviceSession::pump (int ms)
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil (ms);
}

juce::String DeviceSession::choosePort (const juce::String& portOption, int& exitStatus)
{
    if (portOption.isNotEmpty())
        return portOption;
    if (const auto settings = Settings::openForReading())
    {
        const auto remembered = settings->getValue (Settings::serialPortKey);
        if (remembered.isNotEmpty())
            return remembered;
    }
    juce::StringArray ports;
    if (!listSerialPorts (ports))
    {
        printError (DeviceLink::cannotListPortsMessage);
        exitStatus = exitLineFailure;
        return {};
    }
    if (ports.isEmpty())
    {
        printError (DeviceLink::noPortsMessage);
        exitStatus = exitLineFailure;
        return {};
    }
    if (ports.size() > 1)
    {
        printError ("no remembered port and " + juce::String (ports.size()) + " ports (" + ports.joinIntoString (", ") +
                    "): choose one with --port");
        exitStatus = exitBadUsage;
        return {};
    }
    return ports[0];
}

int DeviceSession::connect (const juce::String& portOption)
{
    int exitStatus = exitSuccess;
    const auto name = choosePort (portOption, exitStatus);
    if (name.isEmpty())
        return exitStatus;

    // As the program does: the worker takes no command while the port changes.
    const juce::ScopedLock sl (worker.queueLock);
    juce::String error;
    if (DeviceLink::connectAndIdentify (port, name, error) != DeviceLink::ConnectResult::connected)
    {
        printError (name + ": " + error);
        return exitLineFailure;
    }
    return exitSuccess;
}

void DeviceSession::close (bool sendGoodbye)
{
    const juce::ScopedLock sl (worker.queueLock);
    port.close (sendGoodbye);
}

int DeviceSession::send (const juce::String& what, const std::function<void()>& queueCommands)
{
    const auto failedBefore = worker.getFailedMessageCount();
    const auto failedCommandsBefore = worker.getFailedCommandCount();
    const auto queuedBefore = worker.getEnqueuedCount();
    queueCommands();
    const int total = (int) (worker.getEnqueuedCount() - queuedBefore);
    // Once the line is gone every command fails at once: say so, and how many.
    const auto lineLost = [&] (int left)
    {
        const int missing = (int) (worker.getFailedCommandCount() - failedCommandsBefore) + left;
        return DeviceLink::lineLostMessage + (" " + what + ": ") + juce::String (missing) + " of " +
               juce::String (total) + " commands did not reach the processor";
    };
    auto reached = std::make_shared<std::atomic<bool>> (false);
    worker.enqueue (std::make_unique<Marker> (reached));

    Progress shown (what, "commands", total, Terminal::isTerminal (Terminal::Stream::error));
    // Ctrl-C stops after the command being sent, and the port is let go of properly.
    const ScopedInterrupts interrupts;
    while (!*reached)
    {
        pump (pumpMs);
        // Waiting: the commands still queued, the marker, and the one being sent.
        shown.update (total - juce::jmax (0, worker.getPendingCount() - 1) - 1);
        const bool failed = worker.getFailedMessageCount() != failedBefore;
        if (failed || Terminal::takeInterrupts() > 0)
        {
            const bool lost = port.isLineLost();
            shown.finish();
            const int left = juce::jmax (0, worker.getPendingCount() - 1);
            // Each further command would wait out its own time-out: drop them,
            // and closing the port ends the one being sent at once.
            worker.clearQueue();
            close (true);
            const auto stopped = what + " stopped with " + juce::String (left) + " of " + juce::String (total) +
                                 " commands not sent; the processor holds only part of it";
            printError (lost     ? lineLost (left)
                        : failed ? "the processor did not echo a message within " +
                                       juce::String (Protocol::commandTimeoutMs / 1000) + " s: " + stopped
                                 : "interrupted: " + stopped);
            return exitLineFailure;
        }
        if (!port.isConnected())
            break;
    }
    shown.update (total);
    shown.finish();
    if (!*reached || worker.getFailedMessageCount() != failedBefore)
    {
        printError (port.isLineLost() ? lineLost (0) : what + ": the port closed before every command was sent");
        return exitLineFailure;
    }
    return exitSuccess;
}

int DeviceSession::readBack (const ReadBackParts& parts, const juce::String& what, const juce::String& lost)
{
    if (!Protocol::versionAllowsReadBackAndUpload (port.getFirmwareVersion()))
    {
        printError (DeviceLink::noReadBackMessage);
        return exitLineFailure;
    }
    codes.clear();
    state.queueReadBack (parts);
    const int blocks = juce::jmax (1, (int) parts.blocks.count());
    Progress shown (what, "blocks", blocks, Terminal::isTerminal (Terminal::Stream::error));
    const ScopedInterrupts interrupts;
    bool interrupted = false;
    // The read-back always ends with the queue level report, after the stored read-back's own code.
    while (!received (StatusReadBackDone) && !(received (StatusIdle) && worker.getPendingCount() == 0))
    {
        pump (pumpMs);
        shown.update ((int) (progress.load() * blocks + 0.5));
        if (Terminal::takeInterrupts() > 0)
        {
            interrupted = true;
            close (true); // the read-back's next transfer fails at once
        }
    }
    shown.finish();
    if (!received (StatusReadBackDone))
    {
        printError (interrupted         ? "interrupted: " + lost
                    : port.isLineLost() ? DeviceLink::lineLostMessage + juce::String (" ") +
                                              lost.substring (0, 1).toUpperCase() + lost.substring (1) + "."
                                        : "the processor did not answer the read-back in time; " + lost);
        return exitLineFailure;
    }
    return exitSuccess;
}

bool DeviceSession::confirmAbandon (bool& warned)
{
    const juce::String question = DeviceLink::interruptUploadQuestion;
    if (Terminal::isTerminal (Terminal::Stream::input))
    {
        std::cerr << "\n" << question.toStdString() << " [y/N] " << std::flush;
        std::string answer;
        if (!Terminal::readLine (answer))
        {
            // No answer is no: abandoning may leave the unit unusable, going on cannot.
            std::cerr << "\n";
            printError ("end of input taken as no: the upload goes on");
            return false;
        }
        const auto a = juce::String (answer).trim();
        return a.equalsIgnoreCase ("y") || a.equalsIgnoreCase ("yes");
    }
    // Nobody to answer: a second Ctrl-C is the answer.
    if (warned)
        return true;
    warned = true;
    printError (question + " Press Ctrl-C again to abandon the upload.");
    return false;
}

int DeviceSession::uploadFirmware (std::unique_ptr<FirmwareImage> image)
{
    if (!Protocol::versionAllowsReadBackAndUpload (port.getFirmwareVersion()))
    {
        printError (DeviceLink::noUploadMessage);
        return exitLineFailure;
    }
    codes.clear();
    if (!worker.startFirmwareUpload (std::move (image)))
    {
        printError ("the firmware image was refused");
        return exitBadUsage;
    }

    Progress shown ("firmware", "bytes", FirmwareImage::size, Terminal::isTerminal (Terminal::Stream::error));
    bool warned = false, abandoned = false;
    const ScopedInterrupts interrupts;
    while (!received (StatusUploadComplete) && !received (StatusUploadFailed))
    {
        pump (50);
        shown.update ((int) (progress.load() * FirmwareImage::size + 0.5));
        if (Terminal::takeInterrupts() > 0 && confirmAbandon (warned))
        {
            abandoned = true;
            break;
        }
    }
    const int sent = (int) (progress.load() * FirmwareImage::size + 0.5);
    shown.finish();

    // Inside an upload the processor takes every byte as image data, the
    // goodbye byte too: after one that did not complete, nothing more is sent.
    if (abandoned)
    {
        // As quitting the program does: the upload ends at the next byte.
        worker.stopThread (10000);
        close (false);
        printError ("firmware upload abandoned after " + juce::String (sent) + " of " +
                    juce::String (FirmwareImage::size) + " bytes");
        return exitLineFailure;
    }
    if (received (StatusUploadFailed))
    {
        const bool lost = port.isLineLost();
        close (false);
        printError (lost ? DeviceLink::uploadFailedMessage + juce::String (" ") + DeviceLink::lineLostMessage
                         : juce::String (DeviceLink::uploadFailedMessage));
        return exitLineFailure;
    }
    // The processor restarts with its new firmware: no goodbye to send.
    close (false);
    std::cout << DeviceLink::uploadCompleteMessage << std::endl;
    return exitSuccess;
}

void DeviceSession::runUntilInterrupted()
{
    const ScopedInterrupts interrupts;
    while (Terminal::takeInterrupts() == 0)
        pump (50);
}
