#include "state/OutputEQState.h"

#include "common/AskUser.h"
#include "common/EqTables.h"
#include "device/Commands.h"
#include "state/DeviceState.h"
#include "state/StateXml.h"

#include <cmath>

namespace
{
juce::String cutTag (int cut)
{
    return "Cut_" + juce::String (cut);
}

juce::String sectionChildTag (int output)
{
    return juce::String::formatted ("Output_EQ_channel_%02d", output);
}

// Type and taps_index of the low four bits of a read-back filter byte.
struct ReadBackFilter
{
    int type, tapsIndex;
};
constexpr ReadBackFilter readBackFilters[16]{ { 1, 0 }, { 1, 1 }, { 1, 2 }, { 1, 3 }, { 1, 4 }, { 2, 1 },
                                              { 2, 3 }, { 3, 1 }, { 3, 3 }, { 3, 4 }, { 0, 1 }, { 0, 1 },
                                              { 0, 1 }, { 0, 1 }, { 0, 1 }, { 0, 1 } };

float limitThreshold (double thresholdDb) noexcept
{
    // NaN takes the quietest setting, as the device encoding does.
    if (std::isnan (thresholdDb))
        return OutputEQState::minimumThreshold;
    return float (juce::jlimit<double> (OutputEQState::minimumThreshold, OutputEQState::maximumThreshold, thresholdDb));
}

} // namespace

OutputEQState::OutputEQState (DeviceState& owner)
    : state (owner)
    , bands (owner, EQBands::Section::outputs)
{
    for (auto& output : outputs)
    {
        output.cuts[lowCut].frequencyHz = EQFrequencyTable[0];
        output.cuts[highCut].frequencyHz = EQFrequencyTable[eqFrequencyLastDistinctIndex];
    }
    for (int output = 0; output < outputCount; ++output)
        names.add ("OUTPUT " + juce::String (output + 1));
}

int OutputEQState::allowedSlope (int type, int slope) noexcept
{
    if (Protocol::isCutFilterAllowed (type, slope))
        return slope;
    for (int k = slope - 1; k >= 0; --k)
        if (Protocol::isCutFilterAllowed (type, k))
            return k;
    for (int k = slope + 1; k < Protocol::cutFilterTapsCount; ++k)
        if (Protocol::isCutFilterAllowed (type, k))
            return k;
    return slope;
}

double OutputEQState::derivedQ (double octaves) noexcept
{
    // Clamped first: a bandwidth of 0 or less from a file would divide by zero.
    const double ratio = std::pow (2.0, clampBandwidth (octaves));
    return std::sqrt (ratio) / (ratio - 1.0);
}

void OutputEQState::setChannelGain (int output, double gainDb)
{
    const DeviceState::Edit edit (state);
    if (!isOutput (output))
        return;
    outputs[(size_t) output].gainDb = gainDb;
    state.enqueue (std::make_unique<OutputEQGainChange> (output, gainDb));
    state.notifyChanged();
}

void OutputEQState::setCutFrequency (int output, int cut, double hz)
{
    const DeviceState::Edit edit (state);
    if (!isOutput (output) || !isCut (cut))
        return;
    outputs[(size_t) output].cuts[(size_t) cut].frequencyHz = hz;
    state.enqueue (std::make_unique<OutputEQCutFreqChange> (output, cut, hz));
    state.notifyChanged();
}

void OutputEQState::setCutFilter (int output, int cut, int type, int tapsIndex)
{
    const DeviceState::Edit edit (state);
    if (!isOutput (output) || !isCut (cut) || !Protocol::isCutFilterAllowed (type, tapsIndex))
        return;
    auto& c = outputs[(size_t) output].cuts[(size_t) cut];
    c.type = type;
    c.tapsIndex = tapsIndex;
    sendCutFilter (output, cut);
}

void OutputEQState::sendCutFilter (int output, int cut)
{
    const auto& c = outputs[(size_t) output].cuts[(size_t) cut];
    state.enqueue (std::make_unique<OutputEQCutFilterChange> (output, cut, c.type, c.tapsIndex));
    state.notifyChanged();
}

void OutputEQState::setPhase (int output, int phase)
{
    const DeviceState::Edit edit (state);
    if (!isOutput (output))
        return;
    outputs[(size_t) output].phase = juce::jlimit (0, 1, phase);
    state.enqueue (std::make_unique<PhaseChange> (output, outputs[(size_t) output].phase));
}

void OutputEQState::setLimiterThreshold (int output, float thresholdDb)
{
    const DeviceState::Edit edit (state);
    if (!isOutput (output))
        return;
    outputs[(size_t) output].limiterThresholdDb = limitThreshold (thresholdDb);
    state.enqueue (std::make_unique<LimiterThresholdChange> (output, outputs[(size_t) output].limiterThresholdDb));
}

void OutputEQState::setDelaySteps (int output, int steps)
{
    const DeviceState::Edit edit (state);
    if (!isOutput (output))
        return;
    outputs[(size_t) output].delaySteps = std::uint16_t (juce::jlimit (0, Protocol::maximumDelaySteps, steps));
    state.enqueue (std::make_unique<DelayChange> (output, outputs[(size_t) output].delaySteps));
}

void OutputEQState::setChannelName (int output, const juce::String& text, bool send)
{
    const DeviceState::Edit edit (state);
    if (!isOutput (output))
        return;
    const auto name = sanitizeChannelName (text);
    names.set (output, name);
    if (!send)
        return;
    for (int position = 0; position < Protocol::nameLength; ++position)
    {
        const int code = nameCharacterCode (name, position);
        state.enqueue (std::make_unique<OutputChannelNameChange> (output, position, code));
    }
}

double OutputEQState::getChannelGain (int output) const noexcept
{
    return isOutput (output) ? outputs[(size_t) output].gainDb : 0.0;
}

double OutputEQState::getDerivedQ (int output, int band) const noexcept
{
    return isOutput (output) && isBand (band) ? derivedQ (getBandWidth (output, band)) : 0.0;
}

double OutputEQState::getCutFrequency (int output, int cut) const noexcept
{
    return isOutput (output) && isCut (cut) ? outputs[(size_t) output].cuts[(size_t) cut].frequencyHz : 0.0;
}

int OutputEQState::getCutType (int output, int cut) const noexcept
{
    return isOutput (output) && isCut (cut) ? outputs[(size_t) output].cuts[(size_t) cut].type : 0;
}

int OutputEQState::getCutTapsIndex (int output, int cut) const noexcept
{
    return isOutput (output) && isCut (cut) ? outputs[(size_t) output].cuts[(size_t) cut].tapsIndex : 0;
}

int OutputEQState::getPhase (int output) const noexcept
{
    return isOutput (output) ? outputs[(size_t) output].phase : 0;
}

float OutputEQState::getLimiterThreshold (int output) const noexcept
{
    return isOutput (output) ? outputs[(size_t) output].limiterThresholdDb : 0.0f;
}

std::uint16_t OutputEQState::getDelaySteps (int output) const noexcept
{
    return isOutput (output) ? outputs[(size_t) output].delaySteps : std::uint16_t (0);
}

juce::String OutputEQState::getChannelName (int output) const
{
    return isOutput (output) ? names[output] : juce::String();
}

void OutputEQState::sendAllToDevice()
{
    const DeviceState::Edit edit (state);
    for (int output = 0; output < outputCount; ++output)
    {
        auto& o = outputs[(size_t) output];
        state.enqueue (std::make_unique<OutputEQGainChange> (output, o.gainDb));
        state.notifyChanged();
        bands.sendChannel (output);
        for (int cut = 0; cut < cutCount; ++cut)
        {
            const auto& c = o.cuts[(size_t) cut];
            state.enqueue (std::make_unique<OutputEQCutFreqChange> (output, cut, c.frequencyHz));
            state.notifyChanged();
            if (Protocol::isCutFilterAllowed (c.type, c.tapsIndex))
                sendCutFilter (output, cut);
        }
        // A read-back may have stored values outside the setters' limits.
        o.phase = juce::jlimit (0, 1, o.phase);
        state.enqueue (std::make_unique<PhaseChange> (output, o.phase));
        o.limiterThresholdDb = limitThreshold (o.limiterThresholdDb);
        state.enqueue (std::make_unique<LimiterThresholdChange> (output, o.limiterThresholdDb));
        o.delaySteps = std::min (o.delaySteps, std::uint16_t (Protocol::maximumDelaySteps));
        state.enqueue (std::make_unique<DelayChange> (output, o.delaySteps));
        setChannelName (output, names[output], true);
    }
}

void OutputEQState::applyReadBack (int output, const ChannelBlock& block)
{
    if (!isOutput (output))
        return;
    namespace A = Protocol::Address;
    auto& o = outputs[(size_t) output];
    o.gainDb = 12.0 - block[A::gain] * 0.5;
    bands.applyReadBack (output, block);
    for (int cut = 0; cut < cutCount; ++cut)
    {
        auto& c = o.cuts[(size_t) cut];
        c.frequencyHz = frequencyOfCode (block[A::cutFrequency (cut)]);
        const auto filter = readBackFilters[block[A::cutFilter (cut)] & 0x0F];
        c.type = filter.type;
        c.tapsIndex = filter.tapsIndex;
    }
    o.phase = block[A::phase];
    o.limiterThresholdDb = float (28 - int (block[A::limiterThreshold]));
    o.delaySteps = std::uint16_t (256 * block[A::delayHigh] + block[A::delayLow]);
    setChannelName (output, nameFromBlock (block), false);
}

void OutputEQState::writeChannel (int output, juce::XmlElement& element, bool withName) const
{
    if (!isOutput (output))
        return;
    using namespace StateXml;
    const auto& o = outputs[(size_t) output];
    setNumber (element, "gain", o.gainDb);
    bands.writeChannel (output, element);
    for (int cut = 0; cut < cutCount; ++cut)
    {
        const auto& c = o.cuts[(size_t) cut];
        auto& child = appendChild (element, cutTag (cut));
        setNumber (child, "freq", c.frequencyHz);
        setInteger (child, "type", c.type);
        setInteger (child, "taps_index", c.tapsIndex);
    }
    setInteger (appendChild (element, "Phase"), "phase", o.phase);
    setNumber (appendChild (element, "Limiter"), "threshold", double (o.limiterThresholdDb));
    setInteger (appendChild (element, "Delay"), "delay_steps", o.delaySteps);
    if (withName)
        setText (appendChild (element, "ChannelName"), "name", names[output]);
}

void OutputEQState::readChannel (int output, const juce::XmlElement& element, bool withName)
{
    if (!isOutput (output))
        return;
    using namespace StateXml;
    setChannelGain (output, readNumber (element, "gain", getChannelGain (output)));
    bands.readChannel (output, element);
    for (int cut = 0; cut < cutCount; ++cut)
    {
        const auto* child = findChild (element, cutTag (cut));
        if (child == nullptr)
            continue;
        setCutFrequency (output, cut, readNumber (*child, "freq", getCutFrequency (output, cut)));
        // Anything outside the table's rows and columns is refused by setCutFilter.
        setCutFilter (output, cut, readInteger (*child, "type", getCutType (output, cut), -1, 99),
                      readInteger (*child, "taps_index", getCutTapsIndex (output, cut), -1, 99));
    }
    if (const auto* phase = findChild (element, "Phase"))
        setPhase (output, readInteger (*phase, "phase", getPhase (output), -1, 2));
    if (const auto* limiter = findChild (element, "Limiter"))
        setLimiterThreshold (output, limitThreshold (readNumber (*limiter, "threshold", getLimiterThreshold (output))));
    if (const auto* delay = findChild (element, "Delay"))
        setDelaySteps (output,
                       readInteger (*delay, "delay_steps", getDelaySteps (output), 0, Protocol::maximumDelaySteps));
    if (!withName)
        return;
    if (const auto* name = findChild (element, "ChannelName"))
        setChannelName (output, findAttribute (*name, "name").value_or (getChannelName (output)), true);
}

void OutputEQState::writeSection (juce::XmlElement& root) const
{
    auto& section = StateXml::appendChild (root, elementTag);
    for (int output = 0; output < outputCount; ++output)
        writeChannel (output, StateXml::appendChild (section, sectionChildTag (output)), true);
}

void OutputEQState::readSection (const juce::XmlElement& root)
{
    const auto* section = StateXml::findChild (root, elementTag);
    if (section == nullptr)
        return;
    for (int output = 0; output < outputCount; ++output)
        if (const auto* child = StateXml::findChild (*section, sectionChildTag (output)))
            readChannel (output, *child, true);
}

std::unique_ptr<juce::XmlElement> OutputEQState::channelElement (int output) const
{
    auto element = std::make_unique<juce::XmlElement> (elementTag);
    writeChannel (output, *element, false);
    return element;
}

void OutputEQState::copyChannelToClipboard (int output) const
{
    if (isOutput (output))
        state.getAskUser().setClipboardText (StateXml::toDocument (*channelElement (output)));
}

bool OutputEQState::pasteChannelFromClipboard (int output)
{
    if (!isOutput (output))
        return false;
    const auto root = StateXml::parseDocument (state.getAskUser().getClipboardText());
    if (root == nullptr)
        return false;
    if (!StateXml::hasName (*root, elementTag))
    {
        state.getAskUser().showMessage (DeviceState::messageTitle,
                                        "The system clipboard does not contain valid data for the output EQ controls.");
        return false;
    }
    const DeviceState::Edit edit (state, DeviceState::ChangeSource::clipboard);
    readChannel (output, *root, false);
    return true;
}

void OutputEQState::saveChannelPreset (int output) const
{
    if (isOutput (output))
        state.savePresetFile (*channelElement (output), presetExtension);
}

bool OutputEQState::loadChannelPreset (int output)
{
    if (!isOutput (output))
        return false;
    const auto root = state.loadPresetFile (presetExtension, elementTag);
    if (root == nullptr)
        return false;
    const DeviceState::Edit edit (state, DeviceState::ChangeSource::channelPreset);
    readChannel (output, *root, false);
    return true;
}
