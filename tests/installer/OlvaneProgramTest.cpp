#include "tests/installer/InstallerTestFolders.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#ifndef OLVANE_EXECUTABLE
#error "OLVANE_EXECUTABLE (the path of the built program) is set by installer/CMakeLists.txt"
#endif

using namespace olvanetest;

namespace
{
// Kills the process if it is still running when the time is up, so that a
// blocking read of its output cannot hang the test.
class Watchdog
{
public:
    Watchdog (juce::ChildProcess& process, int milliseconds)
        : thread (
              [this, &process, milliseconds]
              {
                  std::unique_lock<std::mutex> lock (mutex);
                  if (!wake.wait_for (lock, std::chrono::milliseconds (milliseconds), [this] { return done; }))
                      process.kill();
              })
    {
    }

    ~Watchdog()
    {
        {
            std::lock_guard<std::mutex> lock (mutex);
            done = true;
        }
        wake.notify_all();
        thread.join();
    }

    Watchdog (const Watchdog&) = delete;
    Watchdog& operator= (const Watchdog&) = delete;

private:
    std::mutex mutex;
    std::condition_variable wake;
    bool done = false;
    std::thread thread;
};

// The built program, copied into a scratch folder with the INF files beside
// it, run on a stand-in driver store and without a display, so every message
// goes to its standard error.
class ProgramSetup
{
public:
    ProgramSetup()
    {
        const juce::File built (OLVANE_EXECUTABLE);
        EXPECT_TRUE (built.existsAsFile()) << built.getFullPathName();
        EXPECT_TRUE (built.copyFileTo (program));
        program.setExecutePermission (true);
        windows.file ("inf").createDirectory();
    }

    bool start (juce::ChildProcess& process) const
    {
        return process.start (juce::StringArray{ "env", "-u", "DISPLAY",
                                                 "OLVANE_WINDOWS_DIR=" + windows.folder.getFullPathName(),
                                                 program.getFullPathName() });
    }

    // Runs the program to its end and returns what it printed.
    juce::String run (int& exitCode) const
    {
        juce::ChildProcess process;
        if (!start (process))
            return "(not started)";
        Watchdog watchdog (process, 60000);
        const auto output = process.readAllProcessOutput();
        process.waitForProcessToFinish (10000);
        exitCode = static_cast<int> (process.getExitCode());
        return output;
    }

    juce::StringArray storeContents() const
    {
        juce::StringArray names;
        for (const auto& f : windows.file ("inf").findChildFiles (juce::File::findFiles, false))
            names.add (f.getFileName());
        names.sort (false);
        return names;
    }

    ScratchFolder shipped;
    ScratchFolder windows;
    const juce::File program = shipped.file ("Olvane");
};

juce::StringArray messagesIn (const juce::String& output)
{
    juce::StringArray lines, result;
    lines.addLines (output);
    for (const auto& line : lines)
        if (line.startsWith ("Ruvi Serial Port Drivers: "))
            result.add (line.fromFirstOccurrenceOf (": ", false, false));
    return result;
}
} // namespace

// One test, because the program's single-instance lock is shared by every
// copy of it on the machine: parts run in parallel would stop each other.
TEST (OlvaneProgram, InstallsRefusesWhilePendingAndRunsOnlyOnce)
{
    ProgramSetup setup;
    ASSERT_TRUE (setup.program.existsAsFile());
    auto& windows = setup.windows;

    {
        SCOPED_TRACE ("a whole installation");
        windows.write ("inf/oem3.inf", infText (usbClass, "05/16/2008,2.04.06.4", busId.toLowerCase()));
        const auto oem7 = windows.write ("inf/oem7.inf", infText (usbClass, "08/27/2012,2.08.24", busId));
        const auto bus = setup.shipped.write ("ftdibus.inf", infText (usbClass, "08/27/2012,2.08.24", busId));
        const auto port = setup.shipped.write ("ftdiport.inf", infText (portsClass, "08/27/2012,2.08.24", portId));

        int exitCode = -1;
        const auto output = setup.run (exitCode);

        EXPECT_EQ (0, exitCode);
        EXPECT_TRUE (messagesIn (output).isEmpty()) << output;
        EXPECT_EQ (juce::StringArray ("oem0.inf", "oem7.inf"), setup.storeContents());
        EXPECT_EQ (port.loadFileAsString(), windows.file ("inf/oem0.inf").loadFileAsString());
        EXPECT_EQ (busId + "\t" + bus.getFullPathName() + "\n" + portId + "\t" + port.getFullPathName() + "\n",
                   windows.file ("driver-updates.log").loadFileAsString());
    }

    windows.file ("driver-updates.log").deleteFile();

    {
        SCOPED_TRACE ("another installation pending");
        const auto marker = windows.write ("pending-install", {});
        windows.write ("inf/oem3.inf", infText (usbClass, "05/16/2008,2.04.06.4", busId));

        int exitCode = -1;
        const auto output = setup.run (exitCode);

        EXPECT_EQ (0, exitCode);
        EXPECT_EQ (juce::StringArray ("Another device installation is currently active.  Please wait until that "
                                      "installation is complete and try this installer again."),
                   messagesIn (output))
            << output;
        EXPECT_EQ (juce::StringArray ("oem0.inf", "oem3.inf", "oem7.inf"), setup.storeContents());
        EXPECT_FALSE (windows.file ("driver-updates.log").exists());
        marker.deleteFile();
    }

    {
        SCOPED_TRACE ("a second copy while the first runs");
        // The first copy finds no bus INF, says so, then blocks opening the
        // port INF, a FIFO that nobody writes to: it holds the lock till killed.
        setup.shipped.file ("ftdibus.inf").deleteFile();
        const auto fifo = setup.shipped.file ("ftdiport.inf");
        fifo.deleteFile();
        juce::ChildProcess mkfifo;
        ASSERT_TRUE (mkfifo.start (juce::StringArray{ "mkfifo", fifo.getFullPathName() }));
        ASSERT_TRUE (mkfifo.waitForProcessToFinish (10000));
        ASSERT_EQ (0u, mkfifo.getExitCode());

        juce::ChildProcess first;
        ASSERT_TRUE (setup.start (first));
        Watchdog firstWatchdog (first, 60000);

        // Byte by byte: a longer read waits for its buffer to fill.
        juce::MemoryOutputStream firstOutputBytes;
        juce::String firstOutput;
        while (!firstOutput.contains ("Unable to find the file"))
        {
            char c = 0;
            if (first.readProcessOutput (&c, 1) != 1)
                break;
            firstOutputBytes.writeByte (c);
            if (c == '\n')
                firstOutput = firstOutputBytes.toString();
        }
        ASSERT_TRUE (firstOutput.contains ("Unable to find the file")) << firstOutput;

        juce::ChildProcess second;
        ASSERT_TRUE (setup.start (second));
        Watchdog secondWatchdog (second, 30000);
        const auto secondOutput = second.readAllProcessOutput();
        const bool secondEnded = second.waitForProcessToFinish (10000);

        EXPECT_TRUE (secondEnded);
        EXPECT_EQ (0u, second.getExitCode());
        EXPECT_TRUE (messagesIn (secondOutput).isEmpty()) << secondOutput;
        EXPECT_TRUE (first.isRunning());
        first.kill();

        EXPECT_FALSE (windows.file ("driver-updates.log").exists());
        EXPECT_EQ (juce::StringArray ("oem0.inf", "oem3.inf", "oem7.inf"), setup.storeContents());
    }
}
