// tavikctl's arguments and files: help, usage errors, bad files refused with
// the program's messages before any port is touched, and show.
#include "CliFixture.h"

#include "state/StateXml.h"

#include <sys/stat.h>

using namespace clitest;

TEST_F (Cli, EveryCommandHasHelpAndBadUsageExitsTwo)
{
    for (const std::string command : { "ports", "identify", "push", "pull", "firmware", "show", "eq", "serve" })
    {
        const auto r = run ({ command, "--help" });
        EXPECT_EQ (r.status, 0) << command;
        EXPECT_EQ (r.out.rfind ("Usage: tavikctl " + command, 0), 0u) << r.out;
    }
    EXPECT_EQ (run ({ "--version" }).out, "tavikctl 0.0\n");
    EXPECT_EQ (run ({ "--help" }).status, 0);

    const struct
    {
        std::vector<std::string> arguments;
        std::string message;
    } bad[] = {
        { {}, "tavikctl: no command given\n" },
        { { "reboot" }, "tavikctl: unknown command reboot\n" },
        { { "push" }, "tavikctl: missing file argument\n" },
        { { "identify", "--port" }, "tavikctl: --port needs a value\n" },
        { { "identify", "--port=" }, "tavikctl: --port needs a value\n" }, // not the remembered port
        { { "show", "\xe0\x9d\x8d" }, "tavikctl: argument 2 is not UTF-8 text\n" },
        { { "pull", "x", "--speed", "9" }, "tavikctl: unknown option --speed\n" },
        { { "eq", "export", "f.txt" }, "tavikctl: eq takes the subcommand import\n" },
        { { "eq", "import", "f.txt", "--output", "7" }, "tavikctl: --output takes 1 to 6\n" },
        { { "eq", "import", "f.txt", "--output", "4294967297" }, "tavikctl: --output takes 1 to 6\n" },
        { { "eq", "import", "f.txt", "--output", "1", "--input", "A" },
          "tavikctl: give either --output 1..6 or --input A..C\n" },
        { { "serve", "--listen", "127.0.0.1:65536" },
          "tavikctl: \"127.0.0.1:65536\" is not [ADDRESS:]PORT (e.g. 8765 or 127.0.0.1:8765)\n" },
        { { "serve", "--listen", "[::1]8765" },
          "tavikctl: \"[::1]8765\" is not [ADDRESS:]PORT (e.g. 8765 or 127.0.0.1:8765)\n" },
    };
    for (const auto& b : bad)
    {
        const auto r = run (b.arguments);
        EXPECT_EQ (r.status, 2) << b.message;
        EXPECT_EQ (r.err.substr (0, r.err.find ('\n') + 1), b.message);
        EXPECT_TRUE (r.out.empty());
    }
}

TEST_F (Cli, BadFilesExitTwoWithTheProgramsMessageAndTouchNoPort)
{
    Simulator sim (folder);
    const auto missing = path ("missing.TavikPreset");
    const auto other = path ("other.TavikPreset");
    folder.getChildFile ("other.TavikPreset").replaceWithText ("<Orveth_Tavik_router_state/>");
    const auto broken = path ("broken.TavikFirmware");
    folder.getChildFile ("broken.TavikFirmware").replaceWithText ("<Orveth_Corporation><Tavik_Firmware>");
    const auto short_ = path ("short.TavikFirmware");
    folder.getChildFile ("short.TavikFirmware")
        .replaceWithText ("<Orveth_Corporation><Tavik_Firmware><Version>1</Version><Code>00 01 02</Code>"
                          "</Tavik_Firmware></Orveth_Corporation>");
    const auto text = path ("notes.txt");
    folder.getChildFile ("notes.txt").replaceWithText ("not XML at all");
    // Only regular files are read, and only so much of them: neither waits
    // for a writer nor reads until memory runs out.
    const auto fifo = path ("fifo");
    ASSERT_EQ (::mkfifo (fifo.c_str(), 0600), 0);
    // An overlong form (U+074D in three bytes) in a channel name.
    const auto overlong = path ("overlong.TavikPreset");
    const std::string name =
        "<Orveth_Tavik_state><Orveth_Tavik_input2_EQ_state><Input2_EQ_channel_00>"
        "<channel_name name=\"A\xe0\x9d\x8d\"/></Input2_EQ_channel_00></Orveth_Tavik_input2_EQ_state>"
        "</Orveth_Tavik_state>";
    folder.getChildFile ("overlong.TavikPreset").replaceWithData (name.data(), name.size());
    const auto overlongFirmware = path ("overlong.TavikFirmware");
    const std::string firmware = "<Orveth_Corporation><Tavik_Firmware><Version>\xe0\x9d\x8d</Version><Code>00</Code>"
                                 "</Tavik_Firmware></Orveth_Corporation>";
    folder.getChildFile ("overlong.TavikFirmware").replaceWithData (firmware.data(), firmware.size());

    const struct
    {
        std::vector<std::string> arguments;
        std::string message;
    } bad[] = {
        { { "push", missing, "--port", sim.port }, "tavikctl: " + missing + ": File does not exist\n" },
        { { "push", other, "--port", sim.port }, "tavikctl: " + other + ": Invalid file format\n" },
        { { "show", text }, "tavikctl: " + text + ": Invalid file format\n" },
        { { "show", other }, "tavikctl: " + other + ": Invalid file format\n" },
        { { "firmware", short_, "--port", sim.port }, "tavikctl: This firmware file is not correctly formatted.\n" },
        { { "firmware", broken, "--port", sim.port }, "tavikctl: Unable to parse firmware file due to error: " },
        { { "eq", "import", text, "--output", "1", "--port", sim.port },
          "tavikctl: " + text + ": no \"Filter N:\" lines" },
        { { "show", fifo }, "tavikctl: " + fifo + ": Invalid file format\n" },
        { { "show", "/dev/zero" }, "tavikctl: /dev/zero: Invalid file format\n" },
        { { "show", overlong }, "tavikctl: " + overlong + ": Invalid file format\n" },
        { { "firmware", fifo, "--port", sim.port }, "tavikctl: Unable to parse firmware file due to error: " },
        { { "firmware", "/dev/zero", "--port", sim.port }, "tavikctl: Unable to parse firmware file due to error: " },
        { { "firmware", overlongFirmware, "--port", sim.port },
          "tavikctl: Unable to parse firmware file due to error: " },
        { { "eq", "import", fifo, "--output", "1", "--port", sim.port }, "tavikctl: " + fifo + ": not a filter" },
        { { "eq", "import", "/dev/zero", "--output", "1", "--port", sim.port }, "tavikctl: /dev/zero: not a filter" },
    };
    for (const auto& b : bad)
    {
        const auto r = run (b.arguments, 10000);
        EXPECT_EQ (r.status, 2) << b.message;
        EXPECT_EQ (r.err.rfind (b.message, 0), 0u) << r.err;
    }
    sim.stop();
    EXPECT_TRUE (sim.transcript().empty()); // not even opened and identified
}

TEST_F (Cli, ShowPrintsEveryKindOfPresetAsTableAndJson)
{
    const auto whole = folder.getChildFile ("show.TavikPreset");
    whole.replaceWithText (
        "<Orveth_Tavik_state><Orveth_Tavik_input2_EQ_state><Input2_EQ_channel_01 gain=\"-3\">"
        "<Band_5 gain=\"2.5\" freq=\"1250\" Q=\"0.5\"/><Delay delay_steps=\"1000\"/>"
        "<channel_name name=\"Vox\"/></Input2_EQ_channel_01></Orveth_Tavik_input2_EQ_state>"
        "<Orveth_Tavik_output_EQ_state><Output_EQ_channel_04><Band_0 freq=\"3e9\"/></Output_EQ_channel_04>"
        "<Output_EQ_channel_05><Cut_0 freq=\"80\" type=\"3\" "
        "taps_index=\"3\"/><Phase phase=\"1\"/></Output_EQ_channel_05></Orveth_Tavik_output_EQ_state>"
        "<Orveth_Tavik_router_state><output1 input_mask=\"6\"/></Orveth_Tavik_router_state>"
        "<Orveth_Tavik_output_mute_state output_mask=\"33\"/></Orveth_Tavik_state>");
    const auto table = run ({ "show", whole.getFullPathName().toStdString() });
    ASSERT_EQ (table.status, 0) << table.err;
    for (const auto* line : { "input B  \"Vox\"  gain -3.0 dB  delay 1000 steps (21.000 msec)\n",
                              "  band 6  1250 Hz +2.5 dB 0.50 oct\n", "output 6  \"OUTPUT 6\"  gain 0.0 dB",
                              "  band 1  3000000000 Hz 0.0 dB 0.04 oct\n", // not wrapped round to a negative int
                              "  low cut   L-R 24 dB/oct at 80 Hz\n", "  phase inverted  limiter 0.0 dB\n",
                              "  output 2 <- B + C\n", "  output 1 <- nothing\n", "muted outputs: 1, 6\n" })
        EXPECT_TRUE (contains (table.out, line)) << line << "\n" << table.out;

    const auto json = run ({ "show", whole.getFullPathName().toStdString(), "--json" });
    ASSERT_EQ (json.status, 0) << json.err;
    const auto parsed = juce::JSON::parse (juce::String (json.out));
    EXPECT_EQ (parsed["kind"].toString(), "whole-state preset");
    EXPECT_EQ ((double) parsed["inputs"][1]["bands"][5]["frequencyHz"], 1250.0);
    EXPECT_EQ ((int) parsed["inputs"][1]["delaySteps"], 1000);
    EXPECT_EQ (parsed["outputs"][5]["lowCut"]["typeName"].toString(), "L-R");
    EXPECT_EQ ((int) parsed["routing"][1]["inputMask"], 6);
    EXPECT_EQ ((int) parsed["muteMask"], 33);
    // Output that cannot be written is a failure.
    ProgramRun full ({ "/bin/sh", "-c", "exec \"$0\" show \"$1\" --json >/dev/full", tavikctlProgram,
                       whole.getFullPathName().toStdString() });
    EXPECT_EQ (full.wait (10000), 1);
    EXPECT_TRUE (contains (full.errors(), "tavikctl: cannot write to standard output\n")) << full.errors();

    const auto channel = folder.getChildFile ("one.TavikOutputPreset");
    channel.replaceWithText ("<Orveth_Tavik_output_EQ_state gain=\"-7.5\"><Band_2 gain=\"-4\" freq=\"63\" Q=\"2\"/>"
                             "</Orveth_Tavik_output_EQ_state>");
    const auto one = run ({ "show", channel.getFullPathName().toStdString() });
    ASSERT_EQ (one.status, 0) << one.err;
    EXPECT_EQ (one.out.rfind ("output channel preset\noutput 1  gain -7.5 dB", 0), 0u) << one.out;
    EXPECT_TRUE (contains (one.out, "  band 3  63.0 Hz -4.0 dB 2.00 oct\n")) << one.out;
    EXPECT_FALSE (contains (one.out, "routing"));
}
