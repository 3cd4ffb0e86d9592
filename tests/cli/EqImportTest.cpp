// Room EQ Wizard filter exports into channel bands: the mapping itself, and
// tavikctl eq import into the processor and into preset files.
#include "CliFixture.h"

#include "cli/RewFilters.h"
#include "device/Protocol.h"
#include "state/StateXml.h"

#include <sys/stat.h>
#include <unistd.h>

using namespace clitest;

namespace
{
// As REW writes it (generic equaliser, 20 filter slots; the rest shortened).
const char* const roomExport = R"(Filter Settings file

Room EQ V5.20.13
Dated: 14-Mar-2023 21:41:07

Notes:Main left, 1 m from the back wall

Equaliser: Generic
14-Mar-2023 21:40:31
Filter  1: ON  PK       Fc   42.5 Hz  Gain  -8.0 dB  Q  5.000
Filter  2: ON  PK       Fc   63.0 Hz  Gain  -5.0 dB  Q  4.320
Filter  3: ON  PK       Fc    118 Hz  Gain  -6.7 dB  Q  3.100
Filter  4: ON  PK       Fc    241 Hz  Gain   3.0 dB  Q  1.410
Filter  5: ON  None
Filter  6: OFF PK       Fc   1000 Hz  Gain   2.0 dB  Q  1.000
Filter  7: ON  None
)";

// Worked out by hand from the tables and bw = 2/ln 2 * asinh(1/(2Q)), code round(25 bw):
//   42.5 Hz: 43 (index 9) is nearer than 40 as a ratio; -8 dB: 2 * (-8 + 12) = 8; Q 5: 0.2881 oct, code 7
//   63 Hz: index 14; -5 dB: 14; Q 4.32: 0.3332 oct, code 8
//   118 Hz: 117 (index 22); -6.7 dB: 2 * 5.3 = 10.6, code 11 (-6.5 dB); Q 3.1: 0.4634 oct, code 12
//   241 Hz: 250 (index 32) is nearer than 230; +3 dB: 30; Q 1.41: 1.0029 oct, code 25
const int expectedBands[4][3] = {
    { 9, 8, 7 }, { 14, 14, 8 }, { 22, 11, 12 }, { 32, 30, 25 }
}; // frequency, gain, bandwidth

std::string withDecimalCommas (std::string text)
{
    std::replace (text.begin(), text.end(), '.', ',');
    return text;
}

juce::File writeText (const juce::File& file, const std::string& text)
{
    file.replaceWithText (text);
    return file;
}

RewFilters::Filter peaking (double hz, double gain, double q)
{
    RewFilters::Filter f;
    f.line = 1;
    f.number = 1;
    f.on = true;
    f.type = "PK";
    f.frequencyHz = hz;
    f.gainDb = gain;
    f.q = q;
    return f;
}
} // namespace

TEST (RewFilters, ReadsFilterLinesPastHeadersWithEitherDecimalMark)
{
    for (const auto& text : { std::string (roomExport), withDecimalCommas (roomExport) })
    {
        const auto parsed = RewFilters::parse (text);
        ASSERT_TRUE (parsed.error.isEmpty()) << parsed.error;
        ASSERT_EQ (parsed.filters.size(), 7u);
        const auto& third = parsed.filters[2];
        EXPECT_EQ (third.line, 12);
        EXPECT_EQ (third.number, 3);
        EXPECT_TRUE (third.on);
        EXPECT_EQ (third.type, "PK");
        EXPECT_DOUBLE_EQ (*third.frequencyHz, 118.0);
        EXPECT_DOUBLE_EQ (*third.gainDb, -6.7);
        EXPECT_DOUBLE_EQ (*third.q, 3.1);
        EXPECT_TRUE (parsed.filters[4].isEmpty());
        EXPECT_FALSE (parsed.filters[5].on);
    }
    EXPECT_DOUBLE_EQ (*RewFilters::parse ("Filter 1: ON PK Fc 1,25 kHz Gain 1 dB Q 2").filters[0].frequencyHz, 1250.0);
    EXPECT_EQ (RewFilters::parse ("Filter 2: ON PK Fc 100 Hz Gain -3 dB\n").error,
               "line 1: a peaking filter needs a Q above 0");
    EXPECT_EQ (RewFilters::parse ("x\nFilter 3: ON PK Fc abc Hz Gain 1 dB Q 1").error,
               "line 2: \"abc\" after \"Fc\" is not a number");
    EXPECT_EQ (RewFilters::parse ("Filter 4: ON PK Fc 1e306 kHz Gain 1 dB Q 1").error,
               "line 1: \"1e306 kHz\" after \"Fc\" is beyond any frequency");
    EXPECT_TRUE (
        RewFilters::parse ("Filter Settings file\n\nnothing else").error.startsWith ("no \"Filter N:\" lines"));
}

TEST (RewFilters, QBecomesTheBandwidthInOctavesWithinTheChannelsRange)
{
    EXPECT_NEAR (RewFilters::bandwidthFromQ (1.41), 1.0, 0.005);
    EXPECT_NEAR (RewFilters::bandwidthFromQ (std::sqrt (2.0)), 1.0, 1e-12);
    EXPECT_NEAR (RewFilters::bandwidthFromQ (0.6667), 1.9995, 0.001);

    const auto one = [] (double q, bool output)
    {
        return RewFilters::map ({ peaking (1000, -3, q) }, output ? 4 : 6,
                                output ? Protocol::maximumOutputBandwidthCode : Protocol::maximumInputBandwidthCode,
                                false)
            .filters[0];
    };
    EXPECT_DOUBLE_EQ (one (1.41, true).sent.bandwidthOctaves, 25 * 0.04);
    EXPECT_FALSE (one (1.41, true).bandwidthLimited);
    // Far narrower than 0.04 octave: the narrowest band, on either side.
    EXPECT_DOUBLE_EQ (one (100.0, true).sent.bandwidthOctaves, 0.04);
    EXPECT_TRUE (one (100.0, false).bandwidthLimited);
    // Wider than the range: 3 octaves on an output, 0.68 on an input.
    EXPECT_DOUBLE_EQ (one (0.3, true).sent.bandwidthOctaves, 75 * 0.04);
    EXPECT_TRUE (one (0.3, true).bandwidthLimited);
    EXPECT_DOUBLE_EQ (one (1.41, false).sent.bandwidthOctaves, 17 * 0.04);
    EXPECT_TRUE (one (1.41, false).bandwidthLimited);
    // At the range's own ends nothing is limited.
    EXPECT_FALSE (one (0.404, true).bandwidthLimited); // 3.0 octaves
    EXPECT_FALSE (one (36.0, true).bandwidthLimited);  // 0.04 octave
}

TEST (RewFilters, FrequencyGainAndErrorFollowTheTablesAndTheLevelModel)
{
    const auto m =
        RewFilters::map ({ peaking (10, 15, 2), peaking (19000, -12.24, 2), peaking (1000, 15, std::sqrt (2.0)) }, 4,
                         Protocol::maximumOutputBandwidthCode, false);
    EXPECT_DOUBLE_EQ (m.filters[0].sent.frequencyHz, 20.0);
    EXPECT_TRUE (m.filters[0].frequencyLimited);
    EXPECT_DOUBLE_EQ (m.filters[0].sent.gainDb, 12.0);
    EXPECT_TRUE (m.filters[0].gainLimited);
    EXPECT_DOUBLE_EQ (m.filters[1].sent.frequencyHz, 18700.0); // nearer than 20000 as a ratio
    EXPECT_DOUBLE_EQ (m.filters[1].sent.gainDb, -12.0);        // -12.24 rounds to the -12 step: not limited
    EXPECT_FALSE (m.filters[1].gainLimited);
    EXPECT_FALSE (m.bands[3].has_value());
    // Held exactly but for its gain: the model's bells differ by the 3 dB cut off at the centre.
    EXPECT_NEAR (m.filters[2].largestErrorDb, 3.0, 0.01);
    // Refused before anything is mapped or evaluated (a huge export took minutes to be refused).
    const auto refused = RewFilters::map (std::vector<RewFilters::Filter> (5, peaking (1000, 6, 1)), 4, 75, false);
    EXPECT_TRUE (refused.refusal.isNotEmpty() && refused.filters.empty() && refused.bands.empty());
    // A filter the bands hold exactly (1000 Hz, 6 dB, Q of exactly 1 octave) has no error.
    const auto exact = RewFilters::map ({ peaking (1000, 6, std::sqrt (2.0)) }, 4, 75, false);
    EXPECT_NEAR (exact.filters[0].largestErrorDb, 0.0, 1e-9);
    EXPECT_NEAR (exact.largestErrorDb, 0.0, 1e-9);
}

TEST_F (Cli, ImportsARealExportIntoAnOutputOfTheProcessor)
{
    const auto filters = writeText (folder.getChildFile ("room.txt"), roomExport);
    Simulator sim (folder);
    const auto r =
        run ({ "eq", "import", filters.getFullPathName().toStdString(), "--output", "3", "--port", sim.port });
    EXPECT_EQ (r.status, 0) << r.err;
    EXPECT_TRUE (contains (r.out, "PK 42.5 Hz -8.0 dB Q 5.00 (0.29 oct)  ->  band 1: 43.0 Hz -8.0 dB 0.28 oct, "
                                  "largest error "))
        << r.out;
    EXPECT_TRUE (contains (r.out, "line  15  filter  6  OFF, left out")) << r.out;
    EXPECT_TRUE (contains (r.out, "largest error of the whole response, 20 Hz to 20 kHz: ")) << r.out;
    const auto memory = sim.stop();

    auto expected = taviksim::Memory::powerOn();
    for (int band = 0; band < 4; ++band)
        for (int i = 0; i < 3; ++i)
            expected.output (2)[size_t (3 + 3 * band + i)] = std::uint8_t (expectedBands[band][i]);
    EXPECT_EQ (memory.blocks, expected.blocks); // those twelve bytes and nothing else
    EXPECT_EQ (sim.transcript().size(), 2u + 12u + 1u);
}

TEST_F (Cli, RefusesTooManyFiltersAndShelvesWithTheirLinesUnlessToldToDrop)
{
    std::string seven = roomExport;
    seven += "Filter  8: ON  PK       Fc   2000 Hz  Gain  -2.0 dB  Q  2.000\n"
             "Filter  9: ON  PK       Fc   4000 Hz  Gain  -2.0 dB  Q  2.000\n"
             "Filter 10: ON  PK       Fc   8000 Hz  Gain  -2.0 dB  Q  2.000\n";
    const auto tooMany = writeText (folder.getChildFile ("seven.txt"), seven);
    const auto target = folder.getChildFile ("out.TavikOutputPreset");
    const auto refused = run ({ "eq", "import", tooMany.getFullPathName().toStdString(), "--output", "1", "--into",
                                target.getFullPathName().toStdString() });
    EXPECT_EQ (refused.status, 2);
    EXPECT_TRUE (
        contains (refused.err, "7 peaking filters, but the channel has 4 bands; line 17 is the first too many"))
        << refused.err;
    EXPECT_FALSE (target.exists());
    // An input has six bands: still one too many.
    EXPECT_EQ (run ({ "eq", "import", tooMany.getFullPathName().toStdString(), "--input", "b", "--into",
                      path ("in.TavikInput2Preset") })
                   .status,
               2);

    std::string shelf = roomExport;
    shelf.replace (shelf.find ("Filter  5: ON  None"), 19, "Filter  5: ON  LS       Fc  100.0 Hz  Gain  4.0 dB");
    const auto withShelf = writeText (folder.getChildFile ("shelf.txt"), shelf);
    const auto noShelf = run ({ "eq", "import", withShelf.getFullPathName().toStdString(), "--output", "1", "--into",
                                target.getFullPathName().toStdString() });
    EXPECT_EQ (noShelf.status, 2);
    EXPECT_TRUE (contains (noShelf.err, "line 14: filter 5 is of type LS, a shelf, which the bands cannot express"))
        << noShelf.err;
    EXPECT_FALSE (target.exists());

    const auto dropped = run ({ "eq", "import", tooMany.getFullPathName().toStdString(), "--output", "1", "--into",
                                target.getFullPathName().toStdString(), "--drop-extra" });
    EXPECT_EQ (dropped.status, 0) << dropped.err;
    EXPECT_TRUE (contains (dropped.out, "line  17  filter  8  PK 2000 Hz -2.0 dB: no band left, dropped"))
        << dropped.out;
    const auto written = StateXml::parseDocument (target.loadFileAsString());
    ASSERT_NE (written, nullptr);
    EXPECT_EQ (written->getChildByName ("Band_3")->getDoubleAttribute ("freq"), 250.0); // the fourth in file order
}

// Into files: a new channel preset from power-on values, an existing
// whole-state preset changed in that channel's bands only, and the same
// result from an export written with decimal commas.
TEST_F (Cli, ImportsIntoPresetFilesKeepingEverythingElse)
{
    const auto dots = writeText (folder.getChildFile ("dots.txt"), roomExport);
    const auto commas = writeText (folder.getChildFile ("commas.txt"), withDecimalCommas (roomExport));
    const auto fromDots = folder.getChildFile ("a.TavikInput2Preset");
    const auto fromCommas = folder.getChildFile ("b.TavikInput2Preset");
    for (const auto& [source, target] : { std::pair (dots, fromDots), std::pair (commas, fromCommas) })
    {
        const auto r = run ({ "eq", "import", source.getFullPathName().toStdString(), "--input", "C", "--into",
                              target.getFullPathName().toStdString() });
        ASSERT_EQ (r.status, 0) << r.err;
    }
    EXPECT_EQ (fromDots.loadFileAsString(), fromCommas.loadFileAsString());
    const auto input = StateXml::parseDocument (fromDots.loadFileAsString());
    ASSERT_NE (input, nullptr);
    EXPECT_EQ (input->getTagName(), "Orveth_Tavik_input2_EQ_state");
    EXPECT_EQ (input->getChildByName ("Band_3")->getDoubleAttribute ("Q"), 17 * 0.04); // an input's widest band
    EXPECT_EQ (input->getChildByName ("Band_4")->getDoubleAttribute ("gain"), 0.0);    // unused: flat
    EXPECT_EQ (input->getChildByName ("channel_name")->getStringAttribute ("name"),
               "INPUT C"); // as the program saves it

    // A whole-state preset: only output 2's bands change. Reached through a
    // link, the file it names changes and keeps its permissions (it is private).
    const auto whole = folder.getChildFile ("whole.TavikPreset");
    const auto kept = folder.getChildFile ("kept/whole.TavikPreset").getFullPathName();
    const auto original = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Orveth_Tavik_state>"
                          "<Orveth_Tavik_output_EQ_state><Output_EQ_channel_01 gain=\"-4.5\">"
                          "<Band_0 gain=\"1\" freq=\"63\" Q=\"1\"/><Limiter threshold=\"-3\"/>"
                          "<ChannelName name=\"SUB LEFT\"/></Output_EQ_channel_01></Orveth_Tavik_output_EQ_state>"
                          "<Orveth_Tavik_output_mute_state output_mask=\"5\"/></Orveth_Tavik_state>";
    ASSERT_TRUE (juce::File (kept).getParentDirectory().createDirectory() &&
                 juce::File (kept).replaceWithText (original));
    ASSERT_EQ (::chmod (kept.toRawUTF8(), 0600), 0);
    ASSERT_EQ (::symlink ("kept/whole.TavikPreset", whole.getFullPathName().toRawUTF8()), 0);
    const auto r = run ({ "eq", "import", dots.getFullPathName().toStdString(), "--output", "2", "--into",
                          whole.getFullPathName().toStdString() });
    ASSERT_EQ (r.status, 0) << r.err;
    const auto root = StateXml::parseDocument (whole.loadFileAsString());
    ASSERT_NE (root, nullptr);
    const auto* output = root->getChildByName ("Orveth_Tavik_output_EQ_state")->getChildByName ("Output_EQ_channel_01");
    EXPECT_EQ (output->getDoubleAttribute ("gain"), -4.5);
    EXPECT_EQ (output->getChildByName ("Limiter")->getDoubleAttribute ("threshold"), -3.0);
    EXPECT_EQ (output->getChildByName ("ChannelName")->getStringAttribute ("name"), "SUB LEFT");
    EXPECT_EQ (output->getChildByName ("Band_0")->getDoubleAttribute ("freq"), 43.0);
    EXPECT_EQ (output->getChildByName ("Band_2")->getDoubleAttribute ("gain"), -6.5);
    EXPECT_EQ (root->getChildByName ("Orveth_Tavik_output_mute_state")->getIntAttribute ("output_mask"), 5);
    struct stat info
    {
    };
    EXPECT_TRUE (whole.isSymbolicLink());
    ASSERT_EQ (::stat (kept.toRawUTF8(), &info), 0);
    EXPECT_EQ (info.st_mode & 07777, 0600u);

    // A channel preset of the other side, and an unknown kind of new file, are refused.
    EXPECT_EQ (run ({ "eq", "import", dots.getFullPathName().toStdString(), "--output", "2", "--into",
                      fromDots.getFullPathName().toStdString() })
                   .status,
               2);
    EXPECT_EQ (run ({ "eq", "import", dots.getFullPathName().toStdString(), "--output", "2", "--into", path ("x.xml") })
                   .status,
               2);
}
