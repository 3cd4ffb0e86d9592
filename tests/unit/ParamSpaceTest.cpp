// Named parameters: every name, the text forms of values, and the record's
// announcements of what an edit changed. What a named write puts on the line
// is compared with the setters' own bytes in the link tests.
#include "state/ParamSpace.h"
#include "control/EditHistory.h"
#include "state/StatePreset.h"
#include "support/StateHarness.h"

#include <gtest/gtest.h>

#include <set>

namespace
{
struct Recorder : DeviceState::Listener
{
    explicit Recorder (DeviceState& s)
        : state (s)
    {
        state.addListener (this);
    }
    ~Recorder() override { state.removeListener (this); }
    void recordChanged (const DeviceState::RecordChange& change) override { changes.push_back (change); }

    std::string namesOf (size_t i) const
    {
        juce::StringArray names;
        for (const auto& p : changes.at (i).params)
            names.add (p.param.toString());
        return names.joinIntoString (" ").toStdString();
    }

    DeviceState& state;
    std::vector<DeviceState::RecordChange> changes;
};

// The value shown after the write, or "!" and the reason it was refused.
juce::String setByName (DeviceState& state, const char* name, const char* text)
{
    const auto param = Param::fromString (name);
    if (!param)
        return "! no such name";
    juce::String why;
    const auto value = ParamSpace::parse (*param, text, &why);
    if (!value || !ParamSpace::write (state, *param, *value, &why))
        return "! " + why;
    return ParamSpace::format (*param, ParamSpace::read (state, *param));
}
} // namespace

TEST (ParamNames, EveryParameterHasOneNameThatReadsBack)
{
    const auto& all = Param::all();
    EXPECT_EQ (all.size(), 3u * 21u + 6u * 23u + 18u + 6u);
    std::set<juce::String> seen;
    for (size_t i = 0; i < all.size(); ++i)
    {
        const auto text = all[i].toString();
        EXPECT_TRUE (seen.insert (text).second) << text;
        EXPECT_EQ (all[i].ordinal(), int (i)) << text;
        const auto back = Param::fromString (text);
        ASSERT_TRUE (back.has_value()) << text;
        EXPECT_EQ (*back, all[i]) << text;
    }
    EXPECT_EQ (all.front().toString(), "input.A.gain");
    EXPECT_EQ (Param::fromString ("input.c.band.6.bw")->toString(), "input.C.band.6.bw");
    EXPECT_EQ (Param::fromString ("output.6.highcut.slope")->describe(), "output 6 high cut slope");

    for (const char* bad :
         { "", "input", "input.D.gain", "input.A.band.7.gain", "output.0.gain", "output.7.mute", "output.1.band.5.freq",
           "output.1.band.1.q", "input.A.phase", "input.A.lowcut.freq", "output.1.route.D", "output.1.gain.x",
           "output.01x.gain", "mute.1", "output.1.band.+1.gain" })
    {
        juce::String why;
        EXPECT_FALSE (Param::fromString (bad, &why).has_value()) << bad;
        EXPECT_TRUE (why.isNotEmpty()) << bad;
    }
}

TEST (ParamValues, TypedTextTakesThePanelsLimitsAndStepsAndPrintsInTheirUnits)
{
    StateHarness h;
    struct Case
    {
        const char* name;
        const char* typed;
        const char* shown; // after write and read; starts with "!" for a refusal
    } const cases[] = {
        { "input.A.gain", "-3.5", "-3.5" },
        { "input.A.gain", "-99 dB", "-60" },
        { "output.2.band.1.gain", "+20", "12" },
        { "input.B.band.3.freq", "1.08k", "1080" },
        { "input.B.band.3.freq", "1234 Hz", "1234" },
        { "input.B.band.3.freq", "5", "20" },
        { "output.3.band.4.bw", "0.3", "0.3" },
        { "output.3.band.4.bw", "0", "0.04" },
        { "output.3.band.4.bw", "1.6400000000000001", "1.64" }, // 41 steps of 0.04 as a read-back holds them
        { "output.1.limiter", "-2.5", "-2" },
        { "output.1.limiter", "40", "20" },
        { "input.C.delay", "2.5", "2.499" }, // the nearest 21 us step
        { "output.6.delay", "500 ms", "120.960" },
        { "output.4.name", "Sub left long", "Sub left" },
        { "output.4.lowcut.type", "BES", "bes" },
        { "output.4.lowcut.slope", "24 dB/oct", "24" },
        { "output.4.lowcut.slope", "48", "!" }, // not a slope BES offers
        { "output.4.lowcut.type", "lr", "lr" }, // keeps 24, which L-R allows
        { "output.4.highcut.freq", "12k", "12000" },
        { "output.5.phase", "inverted", "inverted" },
        { "output.5.route.B", "on", "on" },
        { "output.5.mute", "ON", "on" },
        { "input.A.gain", "", "!" },
        { "input.A.gain", "loud", "!" },
        { "input.A.gain", "nan", "!" },
        { "input.A.gain", "1e999", "!" },
        { "input.A.gain", "0x10", "!" },
        { "input.A.band.1.freq", "3 dB", "!" },
        { "output.5.phase", "1", "!" },
        { "output.5.mute", "yes", "!" },
        { "output.4.lowcut.type", "notch", "!" },
    };
    for (const auto& c : cases)
    {
        const auto result = setByName (h.state, c.name, c.typed);
        if (c.shown[0] == '!')
            EXPECT_TRUE (result.startsWith ("! ") && result.length() > 4) << c.name << " " << c.typed << ": " << result;
        else
            EXPECT_EQ (result, c.shown) << c.name << " " << c.typed;
    }
    // A type that cannot keep the slope takes the panel's fallback: two values change.
    EXPECT_EQ (setByName (h.state, "output.4.lowcut.type", "bes"), "bes");
    EXPECT_EQ (ParamSpace::format (*Param::fromString ("output.4.lowcut.slope"),
                                   ParamSpace::read (h.state, *Param::fromString ("output.4.lowcut.slope"))),
               "24");
    h.outputs().setCutFilter (3, 0, 3, 4); // L-R 48
    EXPECT_EQ (setByName (h.state, "output.4.lowcut.type", "bes"), "bes");
    EXPECT_EQ (h.outputs().getCutTapsIndex (3, 0), 3);
}

TEST (RecordChanges, EachEditIsToldOnceWithItsSourceAndOnlyWhatChanged)
{
    StateHarness h;
    Recorder first (h.state), second (h.state);

    h.inputs().setBandGain (1, 2, -4.0);
    h.inputs().setBandGain (1, 2, -4.0); // the same value again: nothing changed
    {
        const DeviceState::Edit edit (h.state, DeviceState::ChangeSource::flat);
        for (int band = 0; band < 6; ++band)
            h.inputs().setBandGain (1, band, 0.0);
    }
    h.outputs().setCutFilter (0, 1, 2, 1);
    h.state.muteState.setOutputMute (5, true);

    for (const auto* r : { &first, &second })
    {
        ASSERT_EQ (r->changes.size(), 4u);
        EXPECT_EQ (r->changes[0].source, DeviceState::ChangeSource::panel);
        EXPECT_EQ (r->namesOf (0), "input.B.band.3.gain");
        EXPECT_EQ (std::get<double> (r->changes[0].params[0].before), 0.0);
        EXPECT_EQ (std::get<double> (r->changes[0].params[0].after), -4.0);
        EXPECT_EQ (r->changes[1].source, DeviceState::ChangeSource::flat);
        EXPECT_EQ (r->namesOf (1), "input.B.band.3.gain");
        EXPECT_EQ (r->namesOf (2), "output.1.highcut.type output.1.highcut.slope");
        EXPECT_EQ (r->namesOf (3), "output.6.mute");
    }

    // A whole-state load is one change from the preset, naming every value it moved.
    StateHarness other;
    other.outputs().setDelaySteps (2, 100);
    other.state.routerState.setRoute (0, 2, true);
    other.inputs().setChannelName (0, "KICK", false);
    first.changes.clear();
    applyStatePreset (h.state, *statePresetElement (other.state));
    ASSERT_EQ (first.changes.size(), 1u);
    EXPECT_EQ (first.changes[0].source, DeviceState::ChangeSource::statePreset);
    EXPECT_EQ (first.namesOf (0),
               juce::StringArray ({ "input.A.name", "output.1.highcut.type", "output.1.highcut.slope", "output.3.delay",
                                    "output.1.route.C", "output.6.mute" })
                   .joinIntoString (" "));
}

TEST (EditHistorySize, KeepsAtLeastFiveHundredStepsInAFewMegabytes)
{
    StateHarness h, other;
    EditHistory history (h.state, h.ask, [] { return false; });
    h.inputs().setBandGain (0, 0, 0.0); // nothing changed: no step
    EXPECT_FALSE (history.canUndo());
    for (int i = 0; i < 600; ++i)
        h.inputs().setBandGain (0, 0, i % 2 == 0 ? -1.0 : 1.0);
    EXPECT_GE (history.getNumSteps(), EditHistory::minimumSteps);
    EXPECT_EQ (history.undoText(), "Undo input A band 1 gain");

    // The largest step, a whole-state load that changes every value, still
    // fits five hundred times in a few megabytes.
    other.inputs().setChannelName (0, "N", false);
    for (const auto& p : Param::all())
        if (p.kind == Param::Kind::gain || p.kind == Param::Kind::bandGain || p.kind == Param::Kind::bandFrequency)
            ParamSpace::write (other.state, p, 100.0);
    const int sizeBefore = history.getSizeInBytes();
    applyStatePreset (h.state, *statePresetElement (other.state));
    EXPECT_EQ (history.undoText(), "Undo LOAD");
    EXPECT_LE ((history.getSizeInBytes() - sizeBefore) * EditHistory::minimumSteps, 8 * 1024 * 1024);
}
