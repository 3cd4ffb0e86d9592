#include "cli/StateView.h"

#include "device/Protocol.h"
#include "state/DeviceState.h"
#include "state/StatePreset.h"
#include "state/StateXml.h"

#include <charconv>
#include <cmath>

namespace StateView
{
namespace
{
constexpr double msPerDelayStep = 0.021;
const char* const cutTypeNames[] = { "OFF", "BUT", "BES", "L-R" };
constexpr int slopes[] = { 6, 12, 18, 24, 48 };

juce::String inputLetter (int input)
{
    return juce::String::charToString (juce::juce_wchar ('A' + input));
}

juce::String signedDb (double value)
{
    return (value > 0 ? "+" : "") + number (value, 1);
}

juce::String cutText (int type, int tapsIndex, double hz)
{
    if (type <= 0 || type >= Protocol::cutFilterTypeCount)
        return "off (" + number (hz, 0) + " Hz)";
    return juce::String (cutTypeNames[type]) + " " + juce::String (slopes[juce::jlimit (0, 4, tapsIndex)]) +
           " dB/oct at " + number (hz, 0) + " Hz";
}

juce::String bandText (double hz, double gainDb, double octaves)
{
    return number (hz, hz < 100 ? 1 : 0) + " Hz " + signedDb (gainDb) + " dB " + number (octaves, 2) + " oct";
}

juce::String delayText (int steps)
{
    return juce::String (steps) + " steps (" + juce::String::formatted ("%.3f", steps * msPerDelayStep) + " msec)";
}

juce::String inputRows (const Input2EQState& in, int channel, bool withName)
{
    juce::String text = "input " + inputLetter (channel);
    if (withName)
        text << "  \"" << in.getChannelName (channel) << "\"";
    text << "  gain " << signedDb (in.getChannelGain (channel)) << " dB  delay "
         << delayText (in.getDelaySteps (channel)) << "\n";
    for (int band = 0; band < Input2EQState::bandCount; ++band)
        text << "  band " << (band + 1) << "  "
             << bandText (in.getBandFrequency (channel, band), in.getBandGain (channel, band),
                          in.getBandWidth (channel, band))
             << "\n";
    return text;
}

juce::String outputRows (const OutputEQState& out, int output, bool withName)
{
    juce::String text = "output " + juce::String (output + 1);
    if (withName)
        text << "  \"" << out.getChannelName (output) << "\"";
    text << "  gain " << signedDb (out.getChannelGain (output)) << " dB  delay "
         << delayText (out.getDelaySteps (output)) << "\n";
    for (int band = 0; band < OutputEQState::bandCount; ++band)
        text << "  band " << (band + 1) << "  "
             << bandText (out.getBandFrequency (output, band), out.getBandGain (output, band),
                          out.getBandWidth (output, band))
             << "\n";
    for (int cut = 0; cut < OutputEQState::cutCount; ++cut)
        text << (cut == OutputEQState::lowCut ? "  low cut   " : "  high cut  ")
             << cutText (out.getCutType (output, cut), out.getCutTapsIndex (output, cut),
                         out.getCutFrequency (output, cut))
             << "\n";
    text << "  phase " << (out.getPhase (output) != 0 ? "inverted" : "normal") << "  limiter "
         << signedDb (out.getLimiterThreshold (output)) << " dB\n";
    return text;
}

juce::var bandsJson (int count, const std::function<juce::var (int)>& band)
{
    juce::Array<juce::var> bands;
    for (int b = 0; b < count; ++b)
        bands.add (band (b));
    return bands;
}

juce::var bandJson (double hz, double gainDb, double octaves)
{
    auto* o = new juce::DynamicObject();
    o->setProperty ("frequencyHz", hz);
    o->setProperty ("gainDb", gainDb);
    o->setProperty ("bandwidthOctaves", octaves);
    return o;
}

juce::var inputJson (const Input2EQState& in, int channel, bool withName)
{
    auto* o = new juce::DynamicObject();
    o->setProperty ("input", inputLetter (channel));
    if (withName)
        o->setProperty ("name", in.getChannelName (channel));
    o->setProperty ("gainDb", in.getChannelGain (channel));
    o->setProperty ("delaySteps", (int) in.getDelaySteps (channel));
    o->setProperty ("bands", bandsJson (Input2EQState::bandCount,
                                        [&] (int b) {
                                            return bandJson (in.getBandFrequency (channel, b),
                                                             in.getBandGain (channel, b), in.getBandWidth (channel, b));
                                        }));
    return o;
}

juce::var outputJson (const OutputEQState& out, int output, bool withName)
{
    auto* o = new juce::DynamicObject();
    o->setProperty ("output", output + 1);
    if (withName)
        o->setProperty ("name", out.getChannelName (output));
    o->setProperty ("gainDb", out.getChannelGain (output));
    o->setProperty ("delaySteps", (int) out.getDelaySteps (output));
    o->setProperty ("bands", bandsJson (OutputEQState::bandCount,
                                        [&] (int b) {
                                            return bandJson (out.getBandFrequency (output, b),
                                                             out.getBandGain (output, b), out.getBandWidth (output, b));
                                        }));
    for (int cut = 0; cut < OutputEQState::cutCount; ++cut)
    {
        auto* c = new juce::DynamicObject();
        const int type = out.getCutType (output, cut), taps = out.getCutTapsIndex (output, cut);
        c->setProperty ("frequencyHz", out.getCutFrequency (output, cut));
        c->setProperty ("type", type);
        c->setProperty ("typeName", type >= 0 && type < Protocol::cutFilterTypeCount ? cutTypeNames[type] : "?");
        c->setProperty ("tapsIndex", taps);
        c->setProperty ("slopeDbPerOctave", slopes[juce::jlimit (0, 4, taps)]);
        o->setProperty (cut == OutputEQState::lowCut ? "lowCut" : "highCut", c);
    }
    o->setProperty ("phase", out.getPhase (output));
    o->setProperty ("limiterThresholdDb", (double) out.getLimiterThreshold (output));
    return o;
}
} // namespace

juce::String number (double value, int decimals)
{
    // Not the framework's: it rounds through int (3e9 became -1294967296) and
    // cuts its text at 48 characters. Too long for fixed point, in exponent form.
    char buffer[64];
    const auto end = buffer + sizeof (buffer);
    auto result = std::to_chars (buffer, end, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc() || std::abs (value) >= 1e15)
        result = std::to_chars (buffer, end, value, std::chars_format::general, 9);
    return juce::String (buffer, (size_t) (result.ptr - buffer));
}

bool kindOf (const juce::XmlElement& root, Kind& kind)
{
    if (StateXml::hasName (root, statePresetTag))
        kind = Kind::wholeState;
    else if (StateXml::hasName (root, Input2EQState::elementTag))
        kind = Kind::inputChannel;
    else if (StateXml::hasName (root, OutputEQState::elementTag))
        kind = Kind::outputChannel;
    else
        return false;
    return true;
}

juce::String table (const DeviceState& state, Kind kind)
{
    if (kind == Kind::inputChannel)
        return "input channel preset\n" + inputRows (state.input2EQState, 0, true);
    if (kind == Kind::outputChannel)
        return "output channel preset\n" + outputRows (state.outputEQState, 0, false);

    juce::String text;
    for (int channel = 0; channel < Protocol::inputCount; ++channel)
        text << inputRows (state.input2EQState, channel, true);
    for (int output = 0; output < Protocol::outputCount; ++output)
        text << outputRows (state.outputEQState, output, true);
    text << "routing\n";
    for (int output = 0; output < Protocol::outputCount; ++output)
    {
        juce::StringArray inputs;
        for (int input = 0; input < Protocol::inputCount; ++input)
            if (state.routerState.isRouted (output, input))
                inputs.add (inputLetter (input));
        text << "  output " << (output + 1) << " <- " << (inputs.isEmpty() ? "nothing" : inputs.joinIntoString (" + "))
             << "\n";
    }
    juce::StringArray muted;
    for (int output = 0; output < Protocol::outputCount; ++output)
        if (state.muteState.isMuted (output))
            muted.add (juce::String (output + 1));
    text << "muted outputs: " << (muted.isEmpty() ? "none" : muted.joinIntoString (", ")) << "\n";
    return text;
}

juce::String json (const DeviceState& state, Kind kind)
{
    auto* root = new juce::DynamicObject();
    juce::var result (root);
    if (kind == Kind::inputChannel)
    {
        root->setProperty ("kind", "input channel preset");
        root->setProperty ("input", inputJson (state.input2EQState, 0, true));
        return juce::JSON::toString (result);
    }
    if (kind == Kind::outputChannel)
    {
        root->setProperty ("kind", "output channel preset");
        root->setProperty ("output", outputJson (state.outputEQState, 0, false));
        return juce::JSON::toString (result);
    }
    root->setProperty ("kind", "whole-state preset");
    juce::Array<juce::var> inputs, outputs, routing, muted;
    for (int channel = 0; channel < Protocol::inputCount; ++channel)
        inputs.add (inputJson (state.input2EQState, channel, true));
    for (int output = 0; output < Protocol::outputCount; ++output)
    {
        outputs.add (outputJson (state.outputEQState, output, true));
        auto* r = new juce::DynamicObject();
        r->setProperty ("output", output + 1);
        r->setProperty ("inputMask", (int) state.routerState.getInputMask (output));
        juce::Array<juce::var> from;
        for (int input = 0; input < Protocol::inputCount; ++input)
            if (state.routerState.isRouted (output, input))
                from.add (inputLetter (input));
        r->setProperty ("inputs", from);
        routing.add (r);
        if (state.muteState.isMuted (output))
            muted.add (output + 1);
    }
    root->setProperty ("inputs", inputs);
    root->setProperty ("outputs", outputs);
    root->setProperty ("routing", routing);
    root->setProperty ("muteMask", (int) state.muteState.getMask());
    root->setProperty ("mutedOutputs", muted);
    return juce::JSON::toString (result);
}
} // namespace StateView
