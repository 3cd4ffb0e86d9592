#pragma once

// The built tavikctl and tavik-sim, each run as its own process, in a
// scratch folder that also holds the settings folder tavikctl reads.
#include "engine/Memory.h"
#include "support/ProgramRun.h"

#include <gtest/gtest.h>
#include <juce_core/juce_core.h>

#include <csignal>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#ifndef TAVIKCTL_EXECUTABLE
#error "TAVIKCTL_EXECUTABLE and TAVIK_SIM_EXECUTABLE are set by tests/CMakeLists.txt"
#endif

namespace clitest
{
using Bytes = std::vector<std::uint8_t>;

// The built programs; scripts/test-unprivileged.sh points at copies an
// ordinary user can run when the build folder is closed to them.
inline std::string programPath (const char* variable, const char* built)
{
    const char* set = std::getenv (variable);
    return set != nullptr && *set != '\0' ? std::string (set) : std::string (built);
}
inline const std::string tavikctlProgram = programPath ("TAVIKCTL_PROGRAM", TAVIKCTL_EXECUTABLE);
inline const std::string simulatorProgram = programPath ("TAVIK_SIM_PROGRAM", TAVIK_SIM_EXECUTABLE);

struct Result
{
    int status = -1;
    std::string out, err;
};

// A tavik-sim process with a dump, a transcript and a firmware file of its own.
class Simulator
{
public:
    Simulator (const juce::File& folder, std::vector<std::string> options = {})
        : dump (folder.getNonexistentChildFile ("memory", ".json"))
        , transcriptFile (folder.getNonexistentChildFile ("transcript", ".txt"))
        , firmwareFile (folder.getNonexistentChildFile ("firmware", ".bin"))
    {
        std::vector<std::string> arguments{ simulatorProgram,
                                            "--dump",
                                            dump.getFullPathName().toStdString(),
                                            "--transcript",
                                            transcriptFile.getFullPathName().toStdString(),
                                            "--firmware-out",
                                            firmwareFile.getFullPathName().toStdString() };
        if (std::find (options.begin(), options.end(), "--announce") == options.end())
            arguments.push_back ("--no-announce");
        else
            options.erase (std::find (options.begin(), options.end(), "--announce"));
        arguments.insert (arguments.end(), options.begin(), options.end());
        process = std::make_unique<ProgramRun> (arguments);
        port = process->firstLine (5000);
    }

    // Ends the simulator, which writes its memory and firmware files.
    taviksim::Memory stop()
    {
        process->signal (SIGTERM);
        process->wait (10000);
        auto memory = taviksim::Memory::powerOn();
        std::string error;
        EXPECT_TRUE (taviksim::loadMemoryFile (dump.getFullPathName().toStdString(), memory, error)) << error;
        return memory;
    }

    // What the dump holds beyond the memory proper (after stop): "goodbyes"
    // and "firmware" with "complete" and "uploads".
    juce::var dumpExtras() const { return juce::JSON::parse (dump); }

    // The bytes of every message received, in order (after stop).
    std::vector<Bytes> transcript() const
    {
        std::vector<Bytes> messages;
        juce::StringArray lines;
        transcriptFile.readLines (lines);
        for (const auto& line : lines)
        {
            // "#12 4.180ms A4 00 15 03  meaning  -> answer": the bytes come before the double space.
            juce::StringArray tokens;
            tokens.addTokens (line.upToFirstOccurrenceOf ("  ", false, false), " ", "");
            if (tokens.size() < 3)
                continue;
            Bytes bytes;
            for (int i = 2; i < tokens.size(); ++i)
                bytes.push_back ((std::uint8_t) tokens[i].getHexValue32());
            messages.push_back (bytes);
        }
        return messages;
    }

    Bytes firmware() const
    {
        juce::MemoryBlock block;
        firmwareFile.loadFileAsData (block);
        const auto* data = static_cast<const std::uint8_t*> (block.getData());
        return Bytes (data, data + block.getSize());
    }

    std::unique_ptr<ProgramRun> process;
    std::string port;

private:
    juce::File dump, transcriptFile, firmwareFile;
};

struct Cli : ::testing::Test
{
    juce::File folder =
        juce::File::getSpecialLocation (juce::File::tempDirectory).getNonexistentChildFile ("tavikctl-test", "", false);
    juce::File config = folder.getChildFile ("config");

    void SetUp() override { ASSERT_TRUE (config.createDirectory()); }
    void TearDown() override { folder.deleteRecursively(); }

    // Never the user's own settings: the program's settings live below config.
    ProgramRun::Options options (const std::string& standardInput = {}) const
    {
        ProgramRun::Options o;
        o.environment = { "XDG_CONFIG_HOME=" + config.getFullPathName().toStdString() };
        o.standardInput = standardInput;
        return o;
    }

    std::unique_ptr<ProgramRun> start (std::vector<std::string> arguments, const std::string& standardInput = {}) const
    {
        arguments.insert (arguments.begin(), tavikctlProgram);
        return std::make_unique<ProgramRun> (arguments, options (standardInput));
    }

    Result run (const std::vector<std::string>& arguments, int timeoutMs = 60000) const
    {
        auto process = start (arguments);
        Result r;
        r.status = process->wait (timeoutMs);
        r.out = process->output();
        r.err = process->errors();
        // A debug build of the framework announces its version first.
        if (const std::string banner = "JUCE v"; r.err.rfind (banner, 0) == 0)
            r.err.erase (0, r.err.find ('\n') + 1);
        return r;
    }

    std::string path (const juce::String& name) const
    {
        return folder.getChildFile (name).getFullPathName().toStdString();
    }
};

inline bool contains (const std::string& text, const std::string& part)
{
    return text.find (part) != std::string::npos;
}
} // namespace clitest
