// tavikctl.exe under Wine against the processor simulator on the mapped COM
// port that scripts/test-windows.sh sets up (TAVIK_TEST_COM_PORT, a paced
// simulator answering version "2.7e"; TAVIK_TEST_UNMAPPED_PORT, nothing).
#include "app/Settings.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace
{
juce::String fromEnvironment (const char* variable)
{
    const char* value = std::getenv (variable);
    return value != nullptr ? juce::String (value) : juce::String();
}

struct Outcome
{
    int status = -1;
    juce::String output; // standard output and error together
};

struct CliWin32 : ::testing::Test
{
    // Built next to this test: <build>/tests/this.exe and <build>/tavikctl.exe.
    const juce::File program = juce::File::getSpecialLocation (juce::File::currentExecutableFile)
                                   .getParentDirectory()
                                   .getSiblingFile ("tavikctl.exe");
    const juce::String port = fromEnvironment ("TAVIK_TEST_COM_PORT");
    juce::TemporaryFile scratch;
    juce::File folder = scratch.getFile();

    void SetUp() override
    {
        ASSERT_TRUE (program.existsAsFile()) << program.getFullPathName();
        ASSERT_TRUE (port.isNotEmpty()) << "TAVIK_TEST_COM_PORT not set: run scripts/test-windows.sh";
        ASSERT_TRUE (folder.createDirectory());
    }
    void TearDown() override { folder.deleteRecursively(); }

    Outcome run (juce::StringArray arguments) const
    {
        arguments.insert (0, program.getFullPathName());
        juce::ChildProcess process;
        Outcome r;
        if (!process.start (arguments))
            return r;
        r.output = process.readAllProcessOutput();
        if (process.waitForProcessToFinish (60000))
            r.status = (int) process.getExitCode();
        else
            process.kill();
        return r;
    }
};
} // namespace

TEST_F (CliWin32, IdentifiesOnTheNamedAndOnTheRememberedPort)
{
    const auto named = run ({ "identify", "--port", port });
    EXPECT_EQ (named.status, 0) << named.output;
    EXPECT_TRUE (named.output.contains ("firmware  2.7e (2007004)")) << named.output;

    // The settings file the program keeps in %APPDATA%.
    const auto settingsFile = Settings::defaultFile (Settings::options());
    ASSERT_FALSE (settingsFile.exists()) << "left over: " << settingsFile.getFullPathName();
    {
        auto settings = Settings::create();
        settings->setValue (Settings::serialPortKey, port);
    }
    const auto remembered = run ({ "identify" });
    settingsFile.getParentDirectory().deleteRecursively();
    EXPECT_EQ (remembered.status, 0) << remembered.output;
    EXPECT_TRUE (remembered.output.contains ("port      " + port)) << remembered.output;

    const auto unmapped = run ({ "identify", "--port", fromEnvironment ("TAVIK_TEST_UNMAPPED_PORT") });
    EXPECT_EQ (unmapped.status, 1) << unmapped.output;
}

// Push, pull and an equaliser import through the COM port, at the line rate.
TEST_F (CliWin32, PushPullAndImportThroughTheComPort)
{
    const auto before = folder.getChildFile ("before.TavikPreset");
    ASSERT_EQ (run ({ "pull", before.getFullPathName(), "--port", port }).status, 0);

    const auto preset = folder.getChildFile ("venue.TavikPreset");
    preset.replaceWithText ("<Orveth_Tavik_state><Orveth_Tavik_output_EQ_state><Output_EQ_channel_04 gain=\"-7.5\">"
                            "<Band_1 gain=\"4.5\" freq=\"2150\" Q=\"0.52\"/><Delay delay_steps=\"777\"/>"
                            "<ChannelName name=\"FILL 4  \"/></Output_EQ_channel_04></Orveth_Tavik_output_EQ_state>"
                            "<Orveth_Tavik_output_mute_state output_mask=\"16\"/></Orveth_Tavik_state>");
    const auto pushed = run ({ "push", preset.getFullPathName(), "--port", port });
    EXPECT_EQ (pushed.status, 0) << pushed.output;

    const auto filters = folder.getChildFile ("room.txt");
    filters.replaceWithText (
        "Filter Settings file\r\n\r\nFilter  1: ON  PK       Fc   63,0 Hz  Gain  -5,0 dB  Q  4,320\r\n");
    const auto imported = run ({ "eq", "import", filters.getFullPathName(), "--output", "5", "--port", port });
    EXPECT_EQ (imported.status, 0) << imported.output;

    const auto after = folder.getChildFile ("after.TavikPreset");
    ASSERT_EQ (run ({ "pull", after.getFullPathName(), "--port", port }).status, 0);
    const auto shown = run ({ "show", after.getFullPathName() });
    EXPECT_EQ (shown.status, 0);
    for (const auto* line : { "output.5          gain -7.5 dB  ", "delay 16.317 ms  name \"FILL 4  \"  mute on",
                              "output.5.band.2   gain 0 dB  freq 2150 Hz  bw 0.52 oct", // flat after the import
                              "output.5.band.1   gain -5 dB  freq 63 Hz  bw 0.32 oct" })
        EXPECT_TRUE (shown.output.contains (line)) << line << "\n" << shown.output;

    // Bad files are refused before the port is opened.
    EXPECT_EQ (run ({ "push", filters.getFullPathName(), "--port", port }).status, 2);

    // Back as it was, for the other tests on this simulator.
    EXPECT_EQ (run ({ "push", before.getFullPathName(), "--port", port }).status, 0);
}
