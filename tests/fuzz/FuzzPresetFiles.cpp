#include "FuzzSupport.h"
#include "state/StatePreset.h"
#include "state/StateXml.h"
#include "support/StateHarness.h"

#include <cstdlib>

namespace
{
void require (bool holds)
{
    if (!holds)
        std::abort();
}

// Every value of the record set, through the setters rather than the readers
// under test, to one of two sets that differ in every value: a reload into
// both that leaves any value out cannot give the same record twice.
void setEveryValue (DeviceState& s, bool other)
{
    auto& in = s.input2EQState;
    auto& out = s.outputEQState;
    for (int c = 0; c < Input2EQState::channelCount; ++c)
    {
        in.setChannelGain (c, other ? -3.0 : 2.0);
        for (int band = 0; band < Input2EQState::bandCount; ++band)
        {
            in.setBandGain (c, band, other ? 1.5 : -1.0);
            in.setBandFrequency (c, band, other ? 1000.0 : 63.0);
            in.setBandWidth (c, band, other ? 0.5 : 0.1);
        }
        in.setDelaySteps (c, other ? 100 : 7);
        in.setChannelName (c, other ? "X" : "Y", false);
    }
    for (int o = 0; o < OutputEQState::outputCount; ++o)
    {
        out.setChannelGain (o, other ? -3.0 : 2.0);
        for (int band = 0; band < OutputEQState::bandCount; ++band)
        {
            out.setBandGain (o, band, other ? 1.5 : -1.0);
            out.setBandFrequency (o, band, other ? 1000.0 : 63.0);
            out.setBandWidth (o, band, other ? 0.5 : 0.1);
        }
        for (int cut = 0; cut < OutputEQState::cutCount; ++cut)
        {
            out.setCutFrequency (o, cut, other ? 100.0 : 12000.0);
            out.setCutFilter (o, cut, other ? 1 : 3, other ? 1 : 4);
        }
        out.setPhase (o, other ? 1 : 0);
        out.setLimiterThreshold (o, other ? -5.0f : 3.0f);
        out.setDelaySteps (o, other ? 100 : 7);
        out.setChannelName (o, other ? "X" : "Y", false);
        s.routerState.applyReadBack (o, other ? 0x05 : 0xFA);
    }
    s.muteState.applyReadBack (other ? 0x15 : 0x2A);
}

// One record for every run, as the program has one; its worker sits on a
// closed port, so loading queues nothing.
struct Fixture
{
    StateHarness h{ fuzzFolder() };

    juce::String record() const { return StateXml::toDocument (*statePresetElement (h.state)); }
    juce::File saved (const char* extension) const
    {
        return fuzzFolder().getChildFile ("saved").withFileExtension (extension);
    }
};

Fixture& fixture()
{
    static auto* f = []
    {
        juce::MessageManager::getInstance()->setCurrentThreadAsMessageThread();
        return new Fixture();
    }();
    return *f;
}

// What was taken is never changed by being kept: the channel written the way
// it came in (preset file or clipboard) and read back is written the same
// again, and so is the whole record through a whole-state file, whatever the
// record held before the reload.
template <typename Section>
void channelRoundTrip (Fixture& f, Section& section, int channel, bool viaClipboard)
{
    const auto written = [&] { return StateXml::toDocument (*section.channelElement (channel)); };
    const auto before = written();
    const auto file = f.saved (Section::presetExtension);
    if (viaClipboard)
    {
        section.copyChannelToClipboard (channel);
    }
    else
    {
        f.h.ask.fileAnswers.push_back (file);
        section.saveChannelPreset (channel);
    }
    for (const bool other : { false, true })
    {
        setEveryValue (f.h.state, other);
        f.h.ask.fileAnswers.push_back (file);
        require ((viaClipboard ? section.pasteChannelFromClipboard (channel) : section.loadChannelPreset (channel)) &&
                 written() == before);
        f.h.ask.fileAnswers.clear();
    }
}

void stateRoundTrip (Fixture& f)
{
    const auto before = f.record();
    const auto file = f.saved (statePresetExtension);
    f.h.ask.fileAnswers.push_back (file);
    saveStatePreset (f.h.state);
    for (const bool other : { false, true })
    {
        setEveryValue (f.h.state, other);
        f.h.ask.fileAnswers.push_back (file);
        require (loadStatePreset (f.h.state, [] {}) && f.record() == before);
    }
}
} // namespace

// The first byte picks the reader (whole-state, input or output preset file,
// or the clipboard of either section) and the channel; the rest is the text.
extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    auto& f = fixture();
    auto& h = f.h;
    const int input = data[0] % 3, output = data[0] % 6;
    const int reader = (data[0] >> 3) % 5;
    bool taken = false;
    switch (reader)
    {
        case 0:
            h.ask.fileAnswers.push_back (fuzzFile ("f.TavikPreset", data + 1, size - 1));
            taken = loadStatePreset (h.state, [] {});
            break;
        case 1:
            h.ask.fileAnswers.push_back (fuzzFile ("f.TavikInput2Preset", data + 1, size - 1));
            taken = h.inputs().loadChannelPreset (input);
            break;
        case 2:
            h.ask.fileAnswers.push_back (fuzzFile ("f.TavikOutputPreset", data + 1, size - 1));
            taken = h.outputs().loadChannelPreset (output);
            break;
        case 3:
            h.ask.clipboard = fuzzText (data + 1, size - 1);
            taken = h.inputs().pasteChannelFromClipboard (input);
            break;
        default:
            h.ask.clipboard = fuzzText (data + 1, size - 1);
            taken = h.outputs().pasteChannelFromClipboard (output);
            break;
    }
    if (taken && (reader == 1 || reader == 3))
        channelRoundTrip (f, h.inputs(), input, reader == 3);
    if (taken && (reader == 2 || reader == 4))
        channelRoundTrip (f, h.outputs(), output, reader == 4);
    if (taken)
        stateRoundTrip (f);
    h.ask.asked.clear();
    h.ask.fileAnswers.clear();
    juce::MessageManager::getInstance()->runDispatchLoopUntil (0); // the status broadcasts
    return 0;
}
