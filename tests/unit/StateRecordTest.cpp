// The parameter record: initial values, invariants, read-back and the
// notifications that make the response graph redraw. The port is closed, so
// the queue discards every command; what reaches the device is checked
// through the simulator in the link tests.
#include "common/EqTables.h"
#include "common/Status.h"
#include "support/StateHarness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();
const double tableBandwidth = EQBandwidthTable[0]; // 0.04 as the table holds it

int countOf (const std::vector<int>& codes, int code)
{
    return int (std::count (codes.begin(), codes.end(), code));
}

ChannelBlock blockWithName (const char* name)
{
    ChannelBlock block{};
    for (int i = 0; i < 8 && name[i] != 0; ++i)
        block[size_t (24 + i)] = std::uint8_t (name[i]);
    return block;
}
} // namespace

TEST (DeviceStateRecord, StartsWithTheDocumentedValues)
{
    StateHarness h;
    for (int c = 0; c < 3; ++c)
    {
        EXPECT_EQ (h.inputs().getChannelName (c), juce::String ("INPUT ") + char ('A' + c));
        EXPECT_EQ (h.inputs().getChannelGain (c), 0.0);
        EXPECT_EQ (h.inputs().getDelaySteps (c), 0);
        for (int b = 0; b < 6; ++b)
        {
            EXPECT_EQ (h.inputs().getBandFrequency (c, b), 800.0);
            EXPECT_EQ (h.inputs().getBandWidth (c, b), tableBandwidth);
            EXPECT_EQ (h.inputs().getBandGain (c, b), 0.0);
        }
    }
    for (int o = 0; o < 6; ++o)
    {
        EXPECT_EQ (h.outputs().getChannelName (o), "OUTPUT " + juce::String (o + 1));
        EXPECT_NEAR (h.outputs().getDerivedQ (o, 3), 36.066, 0.001);
        EXPECT_EQ (h.outputs().getCutFrequency (o, 0), 20.0);
        EXPECT_EQ (h.outputs().getCutFrequency (o, 1), 20000.0);
        for (int cut = 0; cut < 2; ++cut)
        {
            EXPECT_EQ (h.outputs().getCutType (o, cut), 0);
            EXPECT_EQ (h.outputs().getCutTapsIndex (o, cut), 4);
        }
        EXPECT_EQ (h.outputs().getLimiterThreshold (o), 0.0f);
        EXPECT_EQ (h.state.routerState.getInputMask (o), 0);
    }
    EXPECT_EQ (h.state.muteState.getMask(), 0);
    EXPECT_EQ (h.inputs().getChannelName (3), juce::String());
    EXPECT_EQ (h.outputs().getChannelName (-1), juce::String());
}

TEST (DeviceStateRecord, PresetFolderIsTheDocumentsFolderChildAndIsNotCreated)
{
    const auto expected =
        juce::File::getSpecialLocation (juce::File::userDocumentsDirectory).getChildFile ("Orveth Tavik");
    const bool existedBefore = expected.exists();
    StateHarness h;
    const DeviceState state (h.worker, h.status, h.ask);
    EXPECT_EQ (state.presetFolder, expected);
    EXPECT_EQ (expected.exists(), existedBefore);
}

TEST (DeviceStateRecord, SettersIgnoreIndicesOutsideTheirSection)
{
    StateHarness h;
    const auto before = [&]
    {
        juce::XmlElement root ("r");
        h.inputs().writeSection (root);
        h.outputs().writeSection (root);
        h.state.routerState.writeRouterSection (root);
        h.state.muteState.writeMuteSection (root);
        return root.toString();
    };
    const auto original = before();
    for (int bad : { -1, 3, 6, 99 })
    {
        h.inputs().setChannelGain (bad, 5);
        h.inputs().setBandGain (bad, 0, 5);
        h.inputs().setDelaySteps (bad, 5);
        h.inputs().setChannelName (bad, "X", true);
    }
    for (int badBand : { -1, 6 })
    {
        h.inputs().setBandFrequency (0, badBand, 100);
        h.inputs().setBandWidth (0, badBand, 1);
    }
    for (int bad : { -1, 6 })
    {
        h.outputs().setChannelGain (bad, 5);
        h.outputs().setPhase (bad, 1);
        h.outputs().setLimiterThreshold (bad, 5);
        h.outputs().setDelaySteps (bad, 5);
        h.outputs().setChannelName (bad, "X", true);
        h.state.routerState.setRoute (bad, 0, true);
        h.state.muteState.setOutputMute (bad, true);
    }
    for (int badBand : { -1, 4 })
        h.outputs().setBandGain (0, badBand, 5);
    for (int badCut : { -1, 2 })
    {
        h.outputs().setCutFrequency (0, badCut, 100);
        h.outputs().setCutFilter (0, badCut, 1, 1);
    }
    h.state.routerState.setRoute (0, 3, true);
    h.state.routerState.setRoute (0, -1, true);
    EXPECT_EQ (before(), original);
}

TEST (DeviceStateRecord, LimitedValuesAreStoredLimited)
{
    StateHarness h;
    struct Case
    {
        int steps, expected;
    };
    for (auto c : { Case{ -5, 0 }, Case{ 6000, 5760 }, Case{ 5760, 5760 }, Case{ 1234, 1234 } })
    {
        h.inputs().setDelaySteps (1, c.steps);
        h.outputs().setDelaySteps (4, c.steps);
        EXPECT_EQ (h.inputs().getDelaySteps (1), c.expected) << c.steps;
        EXPECT_EQ (h.outputs().getDelaySteps (4), c.expected) << c.steps;
    }
    for (auto c : { Case{ -3, 0 }, Case{ 2, 1 }, Case{ 1, 1 }, Case{ 0, 0 } })
    {
        h.outputs().setPhase (2, c.steps);
        EXPECT_EQ (h.outputs().getPhase (2), c.expected) << c.steps;
    }
    struct Threshold
    {
        float value, expected;
    };
    for (auto c : { Threshold{ 25, 20 }, Threshold{ -25, -20 }, Threshold{ -2.5f, -2.5f },
                    Threshold{ float (notANumber), -20 }, Threshold{ float (infinity), 20 } })
    {
        h.outputs().setLimiterThreshold (0, c.value);
        EXPECT_EQ (h.outputs().getLimiterThreshold (0), c.expected) << c.value;
    }
}

TEST (DeviceStateRecord, CutFilterKeepsOnlyPairsTheTableAllows)
{
    StateHarness h;
    struct Case
    {
        int type, taps;
        bool stored;
    };
    const Case cases[] = { { 2, 0, false }, { 2, 1, true },   { 0, 2, true },  { 3, 0, false }, { 3, 4, true },
                           { 4, 0, false }, { -1, 1, false }, { 1, 5, false }, { 1, -1, false } };
    for (const auto& c : cases)
    {
        h.outputs().setCutFilter (1, 1, 1, 3); // a known allowed pair first
        h.outputs().setCutFilter (1, 1, c.type, c.taps);
        EXPECT_EQ (h.outputs().getCutType (1, 1), c.stored ? c.type : 1) << c.type << "," << c.taps;
        EXPECT_EQ (h.outputs().getCutTapsIndex (1, 1), c.stored ? c.taps : 3) << c.type << "," << c.taps;
        EXPECT_EQ (h.outputs().getCutType (1, 0), 0); // the other cut is untouched
    }
}

TEST (DeviceStateRecord, NamesAreCutAndCleanedBeforeTheyAreStored)
{
    StateHarness h;
    struct Case
    {
        juce::String typed, stored;
    };
    const Case cases[] = { { "Front Left Main", "Front Le" },
                           { "a\tb~c", "a-b-c" },
                           { "KICK", "KICK" },
                           { juce::String (juce::CharPointer_UTF8 ("\xc3\xa9t\xc3\xa9")), "-t-" },
                           { "", "" } };
    for (const auto& c : cases)
    {
        h.inputs().setChannelName (2, c.typed, false);
        h.outputs().setChannelName (5, c.typed, true);
        EXPECT_EQ (h.inputs().getChannelName (2), c.stored);
        EXPECT_EQ (h.outputs().getChannelName (5), c.stored);
    }
}

TEST (DeviceStateRecord, DerivedQIsDefinedForEveryBandwidth)
{
    const double atLowest = OutputEQState::derivedQ (tableBandwidth);
    const double atHighest = OutputEQState::derivedQ (3.0);
    EXPECT_NEAR (atLowest, 36.07, 0.01);
    EXPECT_NEAR (OutputEQState::derivedQ (1.0), std::sqrt (2.0), 1e-12);
    EXPECT_NEAR (atHighest, std::sqrt (8.0) / 7.0, 1e-12);
    for (double w : { 0.0, -1.0, 0.01, notANumber, -infinity })
        EXPECT_EQ (OutputEQState::derivedQ (w), atLowest) << w;
    for (double w : { 3.5, 1e300, infinity })
        EXPECT_EQ (OutputEQState::derivedQ (w), atHighest) << w;

    StateHarness h;
    h.outputs().setBandWidth (3, 2, 0.0);
    EXPECT_EQ (h.outputs().getBandWidth (3, 2), 0.0); // stored as given
    EXPECT_EQ (h.outputs().getDerivedQ (3, 2), atLowest);
}

TEST (DeviceStateRecord, InputReadBackDecodesEveryField)
{
    StateHarness h;
    auto block = blockWithName ("KICK");
    block[0] = 1;                                 // +11.5 dB
    block[1] = 0x16, block[2] = 0x80;             // 5760
    block[3] = 47, block[4] = 0, block[5] = 8;    // band 0: 800 Hz, -12 dB, 0.32 octave
    block[6] = 200, block[7] = 48, block[8] = 17; // band 1: entry 91 (0 Hz), +12 dB, 0.68
    h.inputs().applyReadBack (1, block);
    EXPECT_EQ (h.inputs().getChannelGain (1), 11.5);
    EXPECT_EQ (h.inputs().getDelaySteps (1), 5760);
    EXPECT_EQ (h.inputs().getBandFrequency (1, 0), 800.0);
    EXPECT_EQ (h.inputs().getBandGain (1, 0), -12.0);
    EXPECT_DOUBLE_EQ (h.inputs().getBandWidth (1, 0), 0.32);
    EXPECT_EQ (h.inputs().getBandFrequency (1, 1), 0.0);
    EXPECT_EQ (h.inputs().getBandGain (1, 1), 12.0);
    EXPECT_EQ (h.inputs().getChannelName (1), "KICK");
    EXPECT_EQ (h.inputs().getChannelName (0), "INPUT A");

    block = blockWithName ("ab~\x01xyz");
    block[0] = 25;
    h.inputs().applyReadBack (0, block);
    EXPECT_EQ (h.inputs().getChannelGain (0), -0.5);
    EXPECT_EQ (h.inputs().getChannelName (0), "ab--xyz");
}

TEST (DeviceStateRecord, OutputReadBackDecodesFiltersLimiterAndPhase)
{
    StateHarness h;
    struct Case
    {
        std::uint8_t filterByte;
        int type, taps;
    };
    const Case cases[] = { { 0x0F, 0, 1 }, { 0x00, 1, 0 }, { 0x35, 2, 1 }, { 0x09, 3, 4 }, { 0xFA, 0, 1 } };
    for (const auto& c : cases)
    {
        auto block = blockWithName ("SUB");
        block[16] = c.filterByte; // high cut
        block[18] = 0x04;         // low cut: BUT 48
        block[15] = 89, block[17] = 0;
        block[19] = 28; // 0 dB
        block[20] = 7;  // stored as it comes
        block[5] = 0;   // a bandwidth of 0 octaves
        h.outputs().applyReadBack (3, block);
        EXPECT_EQ (h.outputs().getCutType (3, 1), c.type) << int (c.filterByte);
        EXPECT_EQ (h.outputs().getCutTapsIndex (3, 1), c.taps) << int (c.filterByte);
        EXPECT_EQ (h.outputs().getCutType (3, 0), 1);
        EXPECT_EQ (h.outputs().getCutTapsIndex (3, 0), 4);
        EXPECT_EQ (h.outputs().getCutFrequency (3, 1), 20000.0);
        EXPECT_EQ (h.outputs().getCutFrequency (3, 0), 20.0);
        EXPECT_EQ (h.outputs().getLimiterThreshold (3), 0.0f);
        EXPECT_EQ (h.outputs().getPhase (3), 7);
        EXPECT_EQ (h.outputs().getBandWidth (3, 0), 0.0);
        EXPECT_TRUE (std::isfinite (h.outputs().getDerivedQ (3, 0)));
        EXPECT_EQ (h.outputs().getChannelName (3), "SUB");
    }
}

TEST (DeviceStateRecord, PushStoresBackWhatAReadBackLeftOutOfRange)
{
    StateHarness h;
    auto block = blockWithName ("X");
    block[1] = 0xFF, block[2] = 0xFF; // 65535 steps
    block[19] = 0;                    // +28 dB
    block[20] = 9;
    h.outputs().applyReadBack (0, block);
    h.inputs().applyReadBack (0, block);
    EXPECT_EQ (h.outputs().getDelaySteps (0), 65535);
    EXPECT_EQ (h.outputs().getLimiterThreshold (0), 28.0f);

    h.inputs().sendAllToDevice();
    h.outputs().sendAllToDevice();
    EXPECT_EQ (h.inputs().getDelaySteps (0), 5760);
    EXPECT_EQ (h.outputs().getDelaySteps (0), 5760);
    EXPECT_EQ (h.outputs().getPhase (0), 1);
    EXPECT_EQ (h.outputs().getLimiterThreshold (0), 20.0f);
}

TEST (DeviceStateRecord, RouteAndMuteChangeOneBitEach)
{
    StateHarness h;
    auto& router = h.state.routerState;
    router.setRoute (2, 0, true);
    router.setRoute (2, 1, true);
    EXPECT_EQ (router.getInputMask (2), 3);
    router.setRoute (2, 1, false);
    EXPECT_EQ (router.getInputMask (2), 1);
    router.setRoute (2, 0, true); // already set
    EXPECT_EQ (router.getInputMask (2), 1);
    EXPECT_TRUE (router.isRouted (2, 0));
    EXPECT_FALSE (router.isRouted (2, 1));

    auto& mutes = h.state.muteState;
    mutes.setOutputMute (0, true);
    mutes.setOutputMute (5, true);
    mutes.setOutputMute (2, true);
    EXPECT_EQ (mutes.getMask(), 0x25);
    mutes.setOutputMute (2, false);
    EXPECT_EQ (mutes.getMask(), 0x21);
    EXPECT_TRUE (mutes.isMuted (5));
    EXPECT_FALSE (mutes.isMuted (2));
}

TEST (DeviceStateRecord, EqualiserEditsNotifyAndOtherEditsDoNot)
{
    StateHarness h;
    StatusRecorder status (h.status);
    status.drain();

    struct Case
    {
        const char* what;
        std::function<void()> edit;
        int notifications;
    };
    const Case cases[] = {
        { "input gain", [&] { h.inputs().setChannelGain (0, -3); }, 0 },
        { "input band gain", [&] { h.inputs().setBandGain (0, 1, 3); }, 1 },
        { "input band frequency", [&] { h.inputs().setBandFrequency (0, 1, 100); }, 1 },
        { "input bandwidth", [&] { h.inputs().setBandWidth (0, 1, 1); }, 1 },
        { "input delay", [&] { h.inputs().setDelaySteps (0, 10); }, 0 },
        { "input name", [&] { h.inputs().setChannelName (0, "x", true); }, 0 },
        { "output gain", [&] { h.outputs().setChannelGain (0, -3); }, 1 },
        { "output band", [&] { h.outputs().setBandWidth (0, 1, 1); }, 1 },
        { "cut frequency", [&] { h.outputs().setCutFrequency (0, 1, 100); }, 1 },
        { "cut filter", [&] { h.outputs().setCutFilter (0, 1, 1, 1); }, 1 },
        { "refused cut filter", [&] { h.outputs().setCutFilter (0, 1, 2, 0); }, 0 },
        { "phase", [&] { h.outputs().setPhase (0, 1); }, 0 },
        { "limiter", [&] { h.outputs().setLimiterThreshold (0, -3); }, 0 },
        { "route", [&] { h.state.routerState.setRoute (0, 1, true); }, 0 },
        { "mute", [&] { h.state.muteState.setOutputMute (0, true); }, 0 },
        { "input push", [&] { h.inputs().sendAllToDevice(); }, 3 * 18 },
        { "output push", [&] { h.outputs().sendAllToDevice(); }, 6 * (1 + 12 + 4) },
    };
    for (const auto& c : cases)
    {
        c.edit();
        const auto codes = status.drain (20);
        EXPECT_EQ (countOf (codes, StatusStateChanged), c.notifications) << c.what;
    }
}
