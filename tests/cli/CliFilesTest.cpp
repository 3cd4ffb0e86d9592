// tavikctl's arguments and files: help, usage errors, bad files refused with
// the program's messages before any port is touched, and show.
#include "CliFixture.h"

#include "state/StatePreset.h"
#include "state/StateXml.h"
#include "support/StateHarness.h"

#include <sys/stat.h>

using namespace clitest;

TEST_F (Cli, EveryCommandHasHelpAndBadUsageExitsTwo)
{
    for (const std::string command :
         { "ports", "identify", "push", "pull", "firmware", "set", "get", "show", "eq", "serve" })
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
        { { "get", "input.A.gain", "output.1.volume", "--port", sim.port },
          "tavikctl: \"output.1.volume\" names nothing a channel has\n" },
        { { "set", "output.1.gain", "-3", "output.2.gain", "loud", "--port", sim.port },
          "tavikctl: output.2.gain takes a number in dB, not \"loud\"\n" },
        { { "set", "output.1.lowcut.slope", "48", "output.1.lowcut.type", "bes", "--port", sim.port },
          "tavikctl: output.1.lowcut.slope: 48 dB per octave is not available for bes\n" },
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
    for (const auto* line : { "\ninput.B           gain -3 dB  delay 21.000 ms  name \"Vox\"\n",
                              "output.6.lowcut   freq 80 Hz  type lr  slope 24 dB/oct\n",
                              "output.5.band.1   gain 0 dB  freq 3000000000 Hz  bw 0.04 oct\n", // not wrapped round
                              "\noutput.1.route    A off  B off  C off\n", "output.2.route    A off  B on  C on\n" })
        EXPECT_TRUE (contains (table.out, line)) << line << "\n" << table.out;

    const auto json = run ({ "show", whole.getFullPathName().toStdString(), "--json" });
    const auto parsed = juce::JSON::parse (juce::String (json.out));
    EXPECT_EQ (parsed["kind"].toString(), "whole-state preset");
    EXPECT_EQ (parsed.getDynamicObject()->getProperties().size(), 1 + (int) Param::all().size()) << json.out;
    EXPECT_EQ (parsed["input.B.band.6.freq"], juce::var (1250));
    EXPECT_EQ (parsed["output.6.lowcut.type"], juce::var ("lr"));
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
    EXPECT_EQ (one.out.rfind ("output channel preset\noutput.1          gain -7.5 dB", 0), 0u) << one.out;
    EXPECT_TRUE (contains (one.out, "output.1.band.3   gain -4 dB  freq 63 Hz  bw 2 oct\n")) << one.out;
    EXPECT_FALSE (contains (one.out, "route") || contains (one.out, "name") || contains (one.out, "mute"));
}

// set --file rewrites a preset as the program saves it, changing only what it
// names; get --file reads it. A slope the cut's type refuses changes nothing.
TEST_F (Cli, SetAndGetWorkOnAPresetFileKeepingWhatIsNotNamed)
{
    StateHarness h;
    h.outputs().setCutFilter (1, 0, 2, 3); // BES 24
    const auto file = folder.getChildFile ("venue.TavikPreset");
    const auto path = file.getFullPathName().toStdString();
    juce::String error;
    ASSERT_TRUE (DeviceState::writePresetFile (file, *statePresetElement (h.state), error)) << error;
    const auto set = run ({ "set", "--file", path, "input.B.name", "Lead Vox", "output.2.lowcut.type", "lr" });
    EXPECT_EQ (set.out, "input.B.name Lead Vox\noutput.2.lowcut.type lr\n") << set.err;
    h.inputs().setChannelName (1, "Lead Vox", false);
    h.outputs().setCutFilter (1, 0, 3, 3);
    const auto expected = statePresetElement (h.state)->toString (StateXml::documentFormat());
    EXPECT_EQ (file.loadFileAsString(), expected);
    EXPECT_EQ (run ({ "get", "output.2.lowcut.slope", "input.B.name", "--file", path }).out,
               "output.2.lowcut.slope 24\ninput.B.name Lead Vox\n");

    const auto refused = run ({ "set", "output.2.lowcut.slope", "6", "--file", path });
    EXPECT_TRUE (contains (refused.err, "6 dB per octave is not available for lr; venue.TavikPreset is unchanged"));
    EXPECT_EQ (refused.status, 2);
    EXPECT_EQ (file.loadFileAsString(), expected);
}
