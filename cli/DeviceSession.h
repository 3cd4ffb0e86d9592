#pragma once

#include "cli/ConsoleAskUser.h"
#include "device/FirmwareImage.h"
#include "device/HwThread.h"
#include "device/SerialPort.h"
#include "device/SyncToHardwareCommand.h"
#include "state/DeviceState.h"

#include <juce_events/juce_events.h>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

// Exit statuses of tavikctl.
enum ExitStatus
{
    exitSuccess = 0,
    exitLineFailure = 1, // the port, the processor or the line failed
    exitBadUsage = 2     // bad arguments or a bad file
};

// The program's objects, built as the application builds them (port,
// status broadcaster, worker, record), for one command. The calling thread
// is the message thread: it pumps the messages while it waits, so the
// worker's reports and the read-back's hand-over reach it.
class DeviceSession final : private juce::ActionListener
{
public:
    DeviceSession();
    ~DeviceSession() override;

    // The port to use: the option, else the program's remembered port, else
    // the only port there is. Empty, with the reason printed, when none.
    static juce::String choosePort (const juce::String& portOption, int& exitStatus);

    // Opens and identifies; prints why not and gives the exit status on failure.
    int connect (const juce::String& portOption);
    void close (bool sendGoodbye);

    // Runs queueCommands (record operations that queue commands) and waits
    // until they have all been sent, with progress on standard error.
    // exitSuccess only when every message was echoed; at the first one that
    // was not, the rest is dropped and exitLineFailure given.
    int send (const juce::String& what, const std::function<void()>& queueCommands);

    // SYNC TO HARDWARE into the record (or only the parts given); exitSuccess
    // once it has been stored. what names the command in its progress;
    // lost says what a failure leaves undone.
    int readBack (const ReadBackParts& parts = ReadBackParts::everything(), const juce::String& what = "pull",
                  const juce::String& lost = "nothing was written");

    // Uploads a checked image; Ctrl-C asks before abandoning it.
    int uploadFirmware (std::unique_ptr<FirmwareImage> image);

    // Runs the message loop until Ctrl-C.
    void runUntilInterrupted();

    SerialPort port;
    juce::ActionBroadcaster status;
    std::atomic<double> progress{ 0.0 };
    ConsoleAskUser ask;
    HwThread worker{ port, status, progress };
    DeviceState state{ worker, status, ask };

private:
    std::vector<int> codes; // status codes delivered so far

    void actionListenerCallback (const juce::String& message) override;
    bool received (int code) const;
    // Runs the message loop for a moment.
    static void pump (int ms);
    // After Ctrl-C during an upload: true when the user confirms abandoning it.
    bool confirmAbandon (bool& warned);

    JUCE_DECLARE_NON_COPYABLE (DeviceSession)
};
