#pragma once

#include "panels/RecordWatch.h"
#include "panels/SliderWithTextBox.h"
#include "state/ParamSpace.h"
#include "state/ValueRules.h"

#include <utility>

// A slider for one number of the channel its panel shows: the channel's gain,
// a band's gain, frequency or bandwidth, a cut's frequency. A change of the
// slider is stored through the record's setter, which queues its command; a
// change of that number announced by the record, whatever its source, is
// shown without storing or sending anything. While the user drags the slider
// or types into its box the record is not shown, so the gesture stays the
// user's; once it ends the record is shown, unless the gesture stored a value
// of its own.
template <typename Base>
class ParamSlider : public Base, private juce::Label::Listener
{
public:
    ~ParamSlider() override { this->getTextBox().removeListener (this); }

    // The parameter the slider edits now: its kind and index, in the shown channel.
    Param getParam() const noexcept
    {
        return { editedParam.output, owningPanel.getShownChannel(), editedParam.kind, editedParam.index };
    }

    // Shows the stored value, or holds it back until the user's gesture ends.
    void showRecord()
    {
        heldBack = dragging || this->getTextBox().isBeingEdited();
        if (!heldBack)
            this->showValue (std::get<double> (ParamSpace::read (owningPanel.getDeviceState(), getParam())));
    }

    void valueChanged() override
    {
        ParamSpace::write (owningPanel.getDeviceState(), getParam(), this->getValue());
        Base::valueChanged();
    }

protected:
    // edited gives the kind and index; the channel is always the panel's shown one.
    template <typename... BaseArguments>
    ParamSlider (ShownChannelSource& shownBy, const Param& edited, BaseArguments&&... baseArguments)
        : Base (std::forward<BaseArguments> (baseArguments)...)
        , owningPanel (shownBy)
        , editedParam (edited)
    {
        this->getTextBox().addListener (this);
    }

    void startedDragging() override
    {
        dragging = true;
        Base::startedDragging();
    }

    // Called after a release has stored its value, if it had one.
    void stoppedDragging() override
    {
        dragging = false;
        Base::stoppedDragging();
        if (heldBack)
            showRecord();
    }

private:
    void labelTextChanged (juce::Label*) override {}
    // Before a typed value is applied, which then still wins.
    void editorHidden (juce::Label*, juce::TextEditor&) override
    {
        if (heldBack)
            showRecord();
    }

    ShownChannelSource& owningPanel;
    const Param editedParam;
    bool dragging = false;
    bool heldBack = false;
    const RecordWatch watch{ owningPanel.getDeviceState(), [this] (const Param& p) { return p == getParam(); },
                             [this] { showRecord(); } };
};

// The shown channel's gain, -60 to +12 dB.
class ChannelGainSlider : public ParamSlider<SliderWithTextBox>
{
protected:
    ChannelGainSlider (const char* name, ShownChannelSource& panel, juce::Component& owner, bool output)
        : ParamSlider (panel, { output, 0, Param::Kind::gain, 0 }, name, owner)
    {
        setRange (ValueRules::minimumGain, ValueRules::maximumGain, 0.0);
    }
};

// A band's gain, -12 to +12 dB.
class BandGainSlider : public ParamSlider<SliderWithTextBox>
{
protected:
    BandGainSlider (const char* name, ShownChannelSource& panel, juce::Component& owner, bool output, int band)
        : ParamSlider (panel, { output, 0, Param::Kind::bandGain, band }, name, owner)
    {
        setRange (ValueRules::minimumBandGain, ValueRules::maximumBandGain, 0.0);
    }
};

// A band's or a cut's frequency on the frequency table's steps; FrequencyBase names the slider.
template <typename FrequencyBase>
class FrequencyParamSlider : public ParamSlider<FrequencyBase>
{
protected:
    FrequencyParamSlider (ShownChannelSource& panel, juce::Component& owner, const Param& edited)
        : ParamSlider<FrequencyBase> (panel, edited, owner)
    {
    }
};

// A band's bandwidth on the bandwidth table's steps, shown with two decimals.
template <typename WidthBase>
class BandWidthSlider : public ParamSlider<WidthBase>
{
public:
    juce::String getTextFromValue (double value) override { return SliderWithTextBox::twoDecimalText (value); }

protected:
    BandWidthSlider (ShownChannelSource& panel, juce::Component& owner, bool output, int band)
        : ParamSlider<WidthBase> (panel, { output, 0, Param::Kind::bandWidth, band }, owner)
    {
    }
};
