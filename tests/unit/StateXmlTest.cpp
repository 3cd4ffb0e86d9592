// The XML forms of the record: exact attribute text, round trips, lookup
// without regard to case or order, partial elements, and hostile numbers.
#include "state/StateXml.h"
#include "common/EqTables.h"
#include "state/StatePreset.h"
#include "support/StateHarness.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
using Attributes = std::vector<std::pair<juce::String, juce::String>>;

Attributes attributesOf (const juce::XmlElement& e)
{
    Attributes result;
    for (int i = 0; i < e.getNumAttributes(); ++i)
        result.emplace_back (e.getAttributeName (i), e.getAttributeValue (i));
    return result;
}

juce::StringArray childTags (const juce::XmlElement& e)
{
    juce::StringArray tags;
    for (auto* child : e.getChildIterator())
        tags.add (child->getTagName());
    return tags;
}

std::unique_ptr<juce::XmlElement> wholeState (DeviceState& state)
{
    auto root = std::make_unique<juce::XmlElement> (statePresetTag);
    state.input2EQState.writeSection (*root);
    state.outputEQState.writeSection (*root);
    state.routerState.writeRouterSection (*root);
    state.muteState.writeMuteSection (*root);
    return root;
}

juce::String wholeStateText (DeviceState& state)
{
    return StateXml::toDocument (*wholeState (state));
}

void readWholeState (DeviceState& state, const juce::XmlElement& root)
{
    state.input2EQState.readSection (root);
    state.outputEQState.readSection (root);
    state.routerState.readRouterSection (root);
    state.muteState.readMuteSection (root);
}

// Different value for every parameter, some outside the editors' ranges.
void fillWithDistinctValues (DeviceState& s)
{
    auto& in = s.input2EQState;
    for (int c = 0; c < 3; ++c)
    {
        in.setChannelGain (c, -59.5 + c);
        for (int b = 0; b < 6; ++b)
        {
            in.setBandGain (c, b, -11.5 + c * 6 + b);
            in.setBandFrequency (c, b, EQFrequencyTable[size_t (5 + 13 * c + b)]);
            in.setBandWidth (c, b, EQBandwidthTable[size_t (b + c * 5)]);
        }
        in.setDelaySteps (c, 1000 * c + 7);
        in.setChannelName (c, "In " + juce::String (c) + "~x", false);
    }
    in.setBandFrequency (2, 5, 5.0);  // below the table, as a file may hold it
    in.setBandWidth (2, 4, 0.0);      // no bandwidth at all
    in.setBandGain (1, 3, 1.0 / 3.0); // needs all nine digits
    auto& out = s.outputEQState;
    for (int o = 0; o < 6; ++o)
    {
        out.setChannelGain (o, -o * 2.5);
        for (int b = 0; b < 4; ++b)
        {
            out.setBandGain (o, b, 11.5 - o - b);
            out.setBandFrequency (o, b, EQFrequencyTable[size_t (40 + 7 * o + b)]);
            out.setBandWidth (o, b, EQBandwidthTable[size_t (o * 2 + b)]);
        }
        out.setCutFrequency (o, 0, EQFrequencyTable[size_t (3 + o)]);
        out.setCutFrequency (o, 1, EQFrequencyTable[size_t (80 + o)]);
        out.setCutFilter (o, 0, 1, o % 5);
        out.setCutFilter (o, 1, 3, o % 2 == 0 ? 1 : 4);
        out.setPhase (o, o % 2);
        out.setLimiterThreshold (o, float (-20 + 7 * o));
        out.setDelaySteps (o, 5760 - o * 99);
        out.setChannelName (o, "Out" + juce::String (o), false);
        s.routerState.setRoute (o, o % 3, true);
        s.routerState.setRoute (o, (o + 1) % 3, o > 2);
    }
    out.setBandFrequency (5, 3, 30000.0);
    out.setBandWidth (5, 2, 7.5);
    out.setLimiterThreshold (4, -2.5f);
    s.muteState.setOutputMute (1, true);
    s.muteState.setOutputMute (4, true);
}

std::unique_ptr<juce::XmlElement> parse (const juce::String& text)
{
    auto e = juce::XmlDocument::parse (text);
    EXPECT_NE (e, nullptr) << text;
    return e;
}
} // namespace

TEST (StateXmlNumbers, AreWrittenAsNineSignificantDigits)
{
    struct Case
    {
        double value;
        const char* text;
    };
    const Case cases[] = { { 800, "800" },
                           { EQBandwidthTable[0], "0.0399999991" },
                           { -3, "-3" },
                           { 0, "0" },
                           { 0.1, "0.1" },
                           { 1.0 / 3.0, "0.333333333" },
                           { 12.5, "12.5" },
                           { 1e300, "1e+300" },
                           { 123456789012.0, "1.23456789e+11" },
                           { 0.00001, "1e-05" } };
    for (const auto& c : cases)
        EXPECT_EQ (StateXml::formatNumber (c.value), c.text);
}

TEST (StateXml, ANewInputChannelWritesTheDocumentedAttributes)
{
    StateHarness h;
    juce::XmlElement e ("Orveth_Tavik_input2_EQ_state");
    h.inputs().writeChannel (0, e);
    EXPECT_EQ (attributesOf (e), (Attributes{ { "gain", "0" } }));
    EXPECT_EQ (childTags (e),
               juce::StringArray ("Band_0", "Band_1", "Band_2", "Band_3", "Band_4", "Band_5", "Delay", "channel_name"));
    for (int b = 0; b < 6; ++b)
        EXPECT_EQ (attributesOf (*e.getChildElement (b)),
                   (Attributes{ { "gain", "0" }, { "freq", "800" }, { "Q", "0.0399999991" } }));
    EXPECT_EQ (attributesOf (*e.getChildByName ("Delay")), (Attributes{ { "delay_steps", "0" } }));
    EXPECT_EQ (attributesOf (*e.getChildByName ("channel_name")), (Attributes{ { "name", "INPUT A" } }));
}

TEST (StateXml, ANewOutputChannelWritesTheDocumentedAttributes)
{
    StateHarness h;
    juce::XmlElement e ("x");
    h.outputs().writeChannel (0, e, true);
    EXPECT_EQ (attributesOf (e), (Attributes{ { "gain", "0" } }));
    EXPECT_EQ (childTags (e), juce::StringArray ("Band_0", "Band_1", "Band_2", "Band_3", "Cut_0", "Cut_1", "Phase",
                                                 "Limiter", "Delay", "ChannelName"));
    for (int b = 0; b < 4; ++b)
        EXPECT_EQ (attributesOf (*e.getChildElement (b)),
                   (Attributes{ { "gain", "0" }, { "freq", "800" }, { "Q", "0.0399999991" } }));
    EXPECT_EQ (attributesOf (*e.getChildByName ("Cut_0")),
               (Attributes{ { "freq", "20" }, { "type", "0" }, { "taps_index", "4" } }));
    EXPECT_EQ (attributesOf (*e.getChildByName ("Cut_1")),
               (Attributes{ { "freq", "20000" }, { "type", "0" }, { "taps_index", "4" } }));
    EXPECT_EQ (attributesOf (*e.getChildByName ("Phase")), (Attributes{ { "phase", "0" } }));
    EXPECT_EQ (attributesOf (*e.getChildByName ("Limiter")), (Attributes{ { "threshold", "0" } }));
    EXPECT_EQ (attributesOf (*e.getChildByName ("Delay")), (Attributes{ { "delay_steps", "0" } }));
    EXPECT_EQ (attributesOf (*e.getChildByName ("ChannelName")), (Attributes{ { "name", "OUTPUT 1" } }));

    juce::XmlElement withoutName ("x");
    h.outputs().setLimiterThreshold (0, -3);
    h.outputs().writeChannel (0, withoutName, false);
    EXPECT_EQ (withoutName.getChildByName ("ChannelName"), nullptr);
    EXPECT_EQ (withoutName.getChildByName ("Limiter")->getStringAttribute ("threshold"), "-3");
}

TEST (StateXml, WholeStateHasItsSectionsInOrder)
{
    StateHarness h;
    h.state.routerState.setRoute (3, 2, true);
    h.state.muteState.setOutputMute (5, true);
    const auto root = parse (wholeStateText (h.state));
    EXPECT_EQ (root->getTagName(), "Orveth_Tavik_state");
    EXPECT_EQ (root->getNumAttributes(), 0);
    EXPECT_EQ (childTags (*root), juce::StringArray ("Orveth_Tavik_input2_EQ_state", "Orveth_Tavik_output_EQ_state",
                                                     "Orveth_Tavik_router_state", "Orveth_Tavik_output_mute_state"));
    EXPECT_EQ (childTags (*root->getChildElement (0)),
               juce::StringArray ("Input2_EQ_channel_00", "Input2_EQ_channel_01", "Input2_EQ_channel_02"));
    EXPECT_EQ (childTags (*root->getChildElement (1)),
               juce::StringArray ("Output_EQ_channel_00", "Output_EQ_channel_01", "Output_EQ_channel_02",
                                  "Output_EQ_channel_03", "Output_EQ_channel_04", "Output_EQ_channel_05"));
    const auto* router = root->getChildElement (2);
    EXPECT_EQ (childTags (*router),
               juce::StringArray ("output0", "output1", "output2", "output3", "output4", "output5"));
    EXPECT_EQ (attributesOf (*router->getChildElement (3)), (Attributes{ { "input_mask", "4" } }));
    EXPECT_EQ (attributesOf (*root->getChildElement (3)), (Attributes{ { "output_mask", "32" } }));
    EXPECT_EQ (
        root->getChildElement (1)->getChildElement (5)->getChildByName ("ChannelName")->getStringAttribute ("name"),
        "OUTPUT 6");

    const auto text = wholeStateText (h.state);
    EXPECT_TRUE (text.startsWith ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
    EXPECT_FALSE (text.contains ("DOCTYPE"));
}

TEST (StateXml, RouterSectionWritesIntoItsOwnElement)
{
    StateHarness h;
    h.state.routerState.setRoute (0, 2, true);
    juce::XmlElement own ("ORVETH_TAVIK_ROUTER_STATE");
    h.state.routerState.writeRouterSection (own);
    EXPECT_EQ (own.getNumChildElements(), 6);
    EXPECT_EQ (own.getChildElement (0)->getStringAttribute ("input_mask"), "4");

    StateHarness other;
    other.state.routerState.readRouterSection (own); // reads the element itself too
    EXPECT_EQ (other.state.routerState.getInputMask (0), 4);
}

TEST (StateXml, SaveThenLoadReproducesEveryValue)
{
    StateHarness source, target;
    fillWithDistinctValues (source.state);
    const auto text = wholeStateText (source.state);
    ASSERT_NE (text, wholeStateText (target.state));

    readWholeState (target.state, *parse (text));
    EXPECT_EQ (wholeStateText (target.state), text);
    // A few values checked directly, so the comparison above cannot hide a writer fault.
    EXPECT_EQ (target.inputs().getBandFrequency (2, 5), 5.0);
    EXPECT_EQ (target.inputs().getBandWidth (2, 4), 0.0);
    EXPECT_EQ (target.inputs().getBandGain (1, 3), 0.333333333); // nine digits are what a file keeps
    EXPECT_EQ (target.inputs().getChannelName (1), "In 1-x");
    EXPECT_EQ (target.outputs().getBandFrequency (5, 3), 30000.0);
    EXPECT_EQ (target.outputs().getBandWidth (5, 2), 7.5);
    EXPECT_EQ (target.outputs().getDerivedQ (5, 2), OutputEQState::derivedQ (3.0));
    EXPECT_EQ (target.outputs().getLimiterThreshold (4), -2.5f);
    EXPECT_EQ (target.outputs().getCutTapsIndex (3, 1), 4);
    EXPECT_EQ (target.outputs().getPhase (5), 1);
    EXPECT_EQ (target.outputs().getDelaySteps (5), 5760 - 5 * 99);
    EXPECT_EQ (target.outputs().getChannelName (5), "Out5");
    EXPECT_EQ (target.state.routerState.getInputMask (4), 0b110);
    EXPECT_EQ (target.state.muteState.getMask(), 0b10010);
}

TEST (StateXml, ChildrenInAnotherOrderAndNamesInAnotherCaseLoadTheSame)
{
    StateHarness source, target;
    fillWithDistinctValues (source.state);
    const auto expected = wholeStateText (source.state);

    // Reverse every list of children and shout every name.
    std::function<void (juce::XmlElement&)> scramble = [&] (juce::XmlElement& e)
    {
        std::vector<std::unique_ptr<juce::XmlElement>> children;
        while (auto* child = e.getFirstChildElement())
        {
            e.removeChildElement (child, false);
            children.emplace_back (child);
        }
        for (auto it = children.rbegin(); it != children.rend(); ++it)
        {
            scramble (**it);
            juce::XmlElement* renamed = new juce::XmlElement ((*it)->getTagName().toUpperCase());
            for (int i = 0; i < (*it)->getNumAttributes(); ++i)
                renamed->setAttribute ((*it)->getAttributeName (i).toLowerCase() == "q"
                                           ? juce::String ("q")
                                           : (*it)->getAttributeName (i).toUpperCase(),
                                       (*it)->getAttributeValue (i));
            while (auto* grandChild = (*it)->getFirstChildElement())
            {
                (*it)->removeChildElement (grandChild, false);
                renamed->addChildElement (grandChild);
            }
            e.addChildElement (renamed);
        }
    };
    auto root = wholeState (source.state);
    scramble (*root);
    ASSERT_EQ (root->getFirstChildElement()->getTagName(), "ORVETH_TAVIK_OUTPUT_MUTE_STATE");

    readWholeState (target.state, *root);
    EXPECT_EQ (wholeStateText (target.state), expected);
}

TEST (StateXml, MissingElementsLeaveTheirPartAlone)
{
    StateHarness source;
    fillWithDistinctValues (source.state);
    auto root = wholeState (source.state);

    auto* inputs = root->getChildByName ("Orveth_Tavik_input2_EQ_state");
    inputs->removeChildElement (inputs->getChildByName ("Input2_EQ_channel_00"), true);
    inputs->removeChildElement (inputs->getChildByName ("Input2_EQ_channel_02"), true);
    auto* outputs = root->getChildByName ("Orveth_Tavik_output_EQ_state");
    outputs->removeChildElement (outputs->getChildByName ("Output_EQ_channel_02"), true);
    auto* output3 = outputs->getChildByName ("Output_EQ_channel_03");
    output3->removeChildElement (output3->getChildByName ("Band_1"), true);
    output3->removeChildElement (output3->getChildByName ("Cut_1"), true);
    output3->removeAttribute ("gain");
    output3->getChildByName ("Band_2")->removeAttribute ("freq");
    output3->getChildByName ("Cut_0")->removeAttribute ("taps_index");
    root->removeChildElement (root->getChildByName ("Orveth_Tavik_router_state"), true);

    StateHarness target;
    target.outputs().setCutFilter (3, 0, 3, 4); // L-R 48: the slope that Cut_0 now lacks
    target.outputs().setCutFilter (3, 1, 2, 3);
    target.state.routerState.setRoute (5, 2, true);
    readWholeState (target.state, *root);

    EXPECT_EQ (target.inputs().getChannelGain (0), 0.0);
    EXPECT_EQ (target.inputs().getChannelName (0), "INPUT A");
    EXPECT_EQ (target.inputs().getChannelName (2), "INPUT C");
    EXPECT_EQ (target.inputs().getChannelName (1), "In 1-x");
    EXPECT_EQ (target.outputs().getChannelName (2), "OUTPUT 3");
    EXPECT_EQ (target.outputs().getChannelGain (2), 0.0);
    EXPECT_EQ (target.outputs().getChannelName (3), "Out3");
    EXPECT_EQ (target.outputs().getChannelGain (3), 0.0); // gain missing: kept
    EXPECT_EQ (target.outputs().getBandGain (3, 1), 0.0); // Band_1 missing
    EXPECT_EQ (target.outputs().getBandGain (3, 2), source.outputs().getBandGain (3, 2));
    EXPECT_EQ (target.outputs().getBandFrequency (3, 2), 800.0); // freq missing: kept
    EXPECT_EQ (target.outputs().getCutType (3, 0), 1);           // BUT with the current slope...
    EXPECT_EQ (target.outputs().getCutTapsIndex (3, 0), 4);      // ...48, an allowed pair
    EXPECT_EQ (target.outputs().getCutType (3, 1), 2);           // Cut_1 missing
    EXPECT_EQ (target.state.routerState.getInputMask (5), 4);    // no router element
    EXPECT_EQ (target.state.muteState.getMask(), source.state.muteState.getMask());
}

TEST (StateXml, RouterAndMuteBytesKeepTheirLowEightBits)
{
    struct Case
    {
        const char* text; // nullptr: attribute missing
        int expected;
    };
    const Case cases[] = { { "300", 44 }, { "255", 255 }, { "-1", 255 },  { nullptr, 0 },
                           { "nan", 0 },  { "abc", 0 },   { "1e300", 0 }, { "7.9", 7 } };
    for (const auto& c : cases)
    {
        StateHarness h;
        h.state.routerState.setRoute (5, 0, true);
        juce::XmlElement root ("Orveth_Tavik_state");
        auto* router = root.createNewChildElement ("Orveth_Tavik_router_state");
        auto* output3 = router->createNewChildElement ("output3");
        auto* mutes = root.createNewChildElement ("Orveth_Tavik_output_mute_state");
        if (c.text != nullptr)
        {
            output3->setAttribute ("input_mask", c.text);
            mutes->setAttribute ("output_mask", c.text);
        }
        h.state.routerState.readRouterSection (root);
        h.state.muteState.readMuteSection (root);
        EXPECT_EQ (h.state.routerState.getInputMask (3), c.expected) << (c.text ? c.text : "missing");
        EXPECT_EQ (h.state.muteState.getMask(), c.expected) << (c.text ? c.text : "missing");
        EXPECT_EQ (h.state.routerState.getInputMask (5), 1); // output5 absent: left alone
    }
}

TEST (StateXml, MuteSectionIsLookedUpAmongChildrenOnly)
{
    StateHarness h;
    juce::XmlElement own ("Orveth_Tavik_output_mute_state");
    own.setAttribute ("output_mask", 5);
    h.state.muteState.readMuteSection (own);
    EXPECT_EQ (h.state.muteState.getMask(), 0);
}

TEST (StateXml, NumbersThatAreNotFiniteKeepTheCurrentValueAndLimitsComeFirst)
{
    struct Case
    {
        const char* element; // child of the output channel, or "" for the channel itself
        const char* attribute;
        const char* text;
        std::function<double (OutputEQState&)> read;
        double expected;
    };
    const auto gain = [] (OutputEQState& s) { return s.getChannelGain (1); };
    const auto freq = [] (OutputEQState& s) { return s.getBandFrequency (1, 0); };
    const auto width = [] (OutputEQState& s) { return s.getBandWidth (1, 0); };
    const auto phase = [] (OutputEQState& s) { return double (s.getPhase (1)); };
    const auto threshold = [] (OutputEQState& s) { return double (s.getLimiterThreshold (1)); };
    const auto delay = [] (OutputEQState& s) { return double (s.getDelaySteps (1)); };
    const auto type = [] (OutputEQState& s) { return double (s.getCutType (1, 1)); };
    const auto cutFreq = [] (OutputEQState& s) { return s.getCutFrequency (1, 1); };
    // Current values: gain -6, band 0 at 1000 Hz and 1 octave, phase 1, threshold -4, delay 100, high cut BUT 24.
    const Case cases[] = {
        { "", "gain", "nan", gain, -6 },
        { "", "gain", "-inf", gain, -6 },
        { "", "gain", "1e300", gain, 1e300 }, // finite: stored as read
        { "", "gain", "loud", gain, 0 },      // not a number reads as 0
        { "Band_0", "freq", "inf", freq, 1000 },
        { "Band_0", "freq", "5", freq, 5 },
        { "Band_0", "freq", "1e300", freq, 1e300 },
        { "Band_0", "Q", "NaN", width, 1 },
        { "Band_0", "Q", "0", width, 0 },
        { "Band_0", "Q", "-2", width, -2 },
        { "Phase", "phase", "1e10", phase, 1 },
        { "Phase", "phase", "1.9", phase, 1 },
        { "Phase", "phase", "-3", phase, 0 },
        { "Phase", "phase", "2", phase, 1 },
        { "Phase", "phase", "0.7", phase, 0 },
        { "Phase", "phase", "nan", phase, 1 },
        { "Limiter", "threshold", "1e300", threshold, 20 },
        { "Limiter", "threshold", "-1e300", threshold, -20 },
        { "Limiter", "threshold", "inf", threshold, -4 },
        { "Limiter", "threshold", "-2.5", threshold, -2.5 },
        { "Delay", "delay_steps", "1e10", delay, 5760 },
        { "Delay", "delay_steps", "-1e10", delay, 0 },
        { "Delay", "delay_steps", "nan", delay, 100 },
        { "Delay", "delay_steps", "99.9", delay, 99 },
        { "Cut_1", "type", "1e300", type, 1 }, // not a type: pair refused
        { "Cut_1", "type", "-inf", type, 1 },  // missing: the current pair is re-sent
        { "Cut_1", "type", "3", type, 3 },     // L-R 24 is allowed
        { "Cut_1", "freq", "-inf", cutFreq, 20000 },
    };
    for (const auto& c : cases)
    {
        StateHarness h;
        auto& out = h.outputs();
        out.setChannelGain (1, -6);
        out.setBandFrequency (1, 0, 1000);
        out.setBandWidth (1, 0, 1);
        out.setPhase (1, 1);
        out.setLimiterThreshold (1, -4);
        out.setDelaySteps (1, 100);
        out.setCutFilter (1, 1, 1, 3);

        juce::XmlElement channel ("Orveth_Tavik_output_EQ_state");
        auto* target = juce::String (c.element).isEmpty() ? &channel : channel.createNewChildElement (c.element);
        target->setAttribute (c.attribute, c.text);
        out.readChannel (1, channel, false);
        const double got = c.read (out);
        // Parsers differ in the last bits of "1e300"; what matters is that it is kept as read.
        EXPECT_NEAR (got, c.expected, std::abs (c.expected) * 1e-12)
            << c.element << "." << c.attribute << "=" << c.text;
        EXPECT_TRUE (std::isfinite (out.getDerivedQ (1, 0)));
    }
}

TEST (StateXml, InputNumbersFromAFileAreHandledLikeTheOutputs)
{
    StateHarness h;
    h.inputs().setBandFrequency (2, 3, 1000);
    const auto channel = parse ("<x gain='inf'><band_3 gain='-1e300' FREQ='nan' q='0'/>"
                                "<DELAY delay_steps='70000'/><Channel_Name NAME='Sub Left Long'/></x>");
    h.inputs().readChannel (2, *channel);
    EXPECT_EQ (h.inputs().getChannelGain (2), 0.0);
    EXPECT_NEAR (h.inputs().getBandGain (2, 3), -1e300, 1e288); // kept as read, to the parser's last bits
    EXPECT_EQ (h.inputs().getBandFrequency (2, 3), 1000.0);
    EXPECT_EQ (h.inputs().getBandWidth (2, 3), 0.0);
    EXPECT_EQ (h.inputs().getDelaySteps (2), 5760);
    EXPECT_EQ (h.inputs().getChannelName (2), "Sub Left");
}

TEST (StateClipboard, AnInputPastesIntoAnotherInput)
{
    StateHarness h;
    fillWithDistinctValues (h.state);
    juce::XmlElement bBefore ("x");
    h.inputs().writeChannel (1, bBefore);
    h.inputs().copyChannelToClipboard (0);
    EXPECT_TRUE (h.ask.clipboard.startsWith ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
    EXPECT_TRUE (h.inputs().pasteChannelFromClipboard (2));
    EXPECT_TRUE (h.ask.messages().isEmpty());

    juce::XmlElement a ("x"), c ("x");
    h.inputs().writeChannel (0, a);
    h.inputs().writeChannel (2, c);
    EXPECT_EQ (a.toString(), c.toString());
    juce::XmlElement b ("x");
    h.inputs().writeChannel (1, b);
    EXPECT_EQ (b.toString(), bBefore.toString());
}

TEST (StateClipboard, AnOutputPastesIntoAnotherOutputWhichKeepsItsName)
{
    StateHarness h;
    fillWithDistinctValues (h.state);
    h.outputs().copyChannelToClipboard (0);
    EXPECT_FALSE (h.ask.clipboard.contains ("Out0"));
    ASSERT_TRUE (h.outputs().pasteChannelFromClipboard (2));
    EXPECT_EQ (h.outputs().getChannelName (2), "Out2");

    juce::XmlElement zero ("x"), two ("x");
    h.outputs().writeChannel (0, zero, false);
    h.outputs().writeChannel (2, two, false);
    EXPECT_EQ (zero.toString(), two.toString());
    EXPECT_NE (h.outputs().getChannelGain (1), h.outputs().getChannelGain (0));
}

TEST (StateClipboard, OtherTextIsRefusedWithTheRightWords)
{
    struct Case
    {
        juce::String clipboard;
        bool toInput;
        juce::String message; // empty: silently ignored
    };
    const juce::String inputMessage ("The system clipboard does not contain valid data for the input EQ controls.");
    const juce::String outputMessage ("The system clipboard does not contain valid data for the output EQ controls.");
    const Case cases[] = {
        { "just some words", true, {} },
        { "just some words", false, {} },
        { "", true, {} },
        { "<unclosed gain='3'>", false, {} },
        { "<Orveth_Tavik_output_EQ_state gain='3'/>", true, inputMessage },
        { "<Orveth_Tavik_input2_EQ_state gain='3'/>", false, outputMessage },
        { "<Orveth_Tavik_state/>", true, inputMessage },
        // Nested far deeper than any real document: refused before the parser recurses.
        { "<Orveth_Tavik_output_EQ_state>" + juce::String::repeatedString ("<a>", 200000), false, {} },
        { "<Orveth_Tavik_output_EQ_state><!--" + juce::String::repeatedString ("</a>", 100000) + "-->" +
              juce::String::repeatedString ("<a>", 100000),
          false,
          {} },
    };
    for (const auto& c : cases)
    {
        StateHarness h;
        const auto before = wholeStateText (h.state);
        h.ask.clipboard = c.clipboard;
        const bool pasted =
            c.toInput ? h.inputs().pasteChannelFromClipboard (1) : h.outputs().pasteChannelFromClipboard (1);
        EXPECT_FALSE (pasted);
        EXPECT_EQ (wholeStateText (h.state), before) << c.clipboard.substring (0, 80);
        if (c.message.isEmpty())
            EXPECT_TRUE (h.ask.asked.empty()) << c.clipboard;
        else
        {
            ASSERT_EQ (h.ask.asked.size(), 1u);
            EXPECT_EQ (h.ask.asked[0].kind, "message");
            EXPECT_EQ (h.ask.asked[0].title, "Tavik");
            EXPECT_EQ (h.ask.asked[0].message, c.message);
        }
    }
}

TEST (StateClipboard, RootNameIsMatchedWithoutRegardToCase)
{
    StateHarness h;
    h.ask.clipboard = "<ORVETH_TAVIK_OUTPUT_EQ_STATE GAIN='-7.5'/>";
    EXPECT_TRUE (h.outputs().pasteChannelFromClipboard (4));
    EXPECT_EQ (h.outputs().getChannelGain (4), -7.5);
}

TEST (StateXmlParsing, NestingIsCountedAsTheParserReadsIt)
{
    const auto nested = [] (int levels, const juce::String& inside = {})
    { return juce::String::repeatedString ("<e>", levels) + inside + juce::String::repeatedString ("</e>", levels); };
    const auto deep = juce::String::repeatedString ("<a>", 100000);

    EXPECT_NE (StateXml::parseDocument (nested (64)), nullptr);
    EXPECT_EQ (StateXml::parseDocument (nested (65)), nullptr);
    EXPECT_NE (StateXml::parseDocument ("<?xml version=\"1.0\"?><!DOCTYPE r><!-- a > b --><a x='<b>' y=\"</a>\">"
                                        "<b><c/><![CDATA[</b></a>]]></b>&amp;&LT;&#10;&#x41;</a>"),
               nullptr);
    // Tags inside comments, CDATA and attribute values are no elements.
    EXPECT_NE (StateXml::parseDocument (nested (1, "<!--" + juce::String::repeatedString ("<a>", 70) + "-->")),
               nullptr);
    EXPECT_NE (StateXml::parseDocument (nested (1, "<b x='" + juce::String::repeatedString ("<a>", 70) + "'/>")),
               nullptr);
    // What the parser reads past the root is not counted.
    EXPECT_NE (StateXml::parseDocument ("<r/>" + deep), nullptr);

    // Each of these hides closing tags from a count that does not read as the
    // parser does (or lets the parser read markup the count skipped): the
    // recursive parser would then overflow the stack.
    const auto closes = juce::String::repeatedString ("</a>", 100000);
    const juce::String crafted[] = {
        "<r><!--" + closes + "-->" + deep + "</r>",
        "<r><![CDATA[" + closes + "]]>" + deep + "</r>",
        "<r><?pi " + closes + "?>" + deep + "</r>",
        "<r x='" + closes + "'>" + deep + "</r>",
        closes + "<r>" + deep,                  // closing tags with nothing open
        "<r>&z" + closes + ";" + deep + "</r>", // the parser reads an unknown entity's name up to ';'
        "<r x='&z" + closes + ";'>" + deep + "</r>",
        "<r>&" + deep + ";</r>", // and parses such a name as markup
        "<!DOCTYPE r [<!ENTITY z '" + deep + "'>]><r>&z;</r>",
        "<r <!-- " + closes + " -->>" + deep + "</r>",
    };
    for (const auto& text : crafted)
        EXPECT_EQ (StateXml::parseDocument (text), nullptr) << text.substring (0, 60);

    // Bytes as a file holds them: a broken UTF-8 sequence at the end would
    // walk the check and the parser past the end of the text.
    // The parser loops for ever on a processing instruction followed by text
    // inside an element.
    EXPECT_EQ (StateXml::parseDocument ("<r><?pi ?>text</r>"), nullptr);

    // Whatever the framework's own check lets through of ill-formed UTF-8
    // (as files and the clipboard give it) is refused as well: its strings
    // copy such bytes past their buffers.
    for (const std::string broken : { "<r>a</r>\xf8", "<r>\xe2\x82</r>", "<r>\xc0\xaf</r>", "<r>\xe0\x9d\x8d</r>",
                                      "<r>\xed\xa0\x80</r>", "<r>\xf4\x90\x80\x80</r>", "<r>\xf0\x8f\xbf\xbf</r>" })
        EXPECT_EQ (StateXml::parseDocument (juce::String::fromUTF8 (broken.data(), (int) broken.size())), nullptr)
            << juce::String::toHexString (broken.data(), (int) broken.size());
    EXPECT_NE (StateXml::parseDocument (juce::CharPointer_UTF8 ("<r>\xe2\x82\xac \xed\x9f\xbf \xf4\x8f\xbf\xbf</r>")),
               nullptr);
}
