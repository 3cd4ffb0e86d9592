// The delay, limiter and phase controls of the EQ panels: the unit
// conversions, typing into the real dialogs, and what one OK, Cancel or click
// sends, checked where it lands, in the simulated processor.
#include "TranscriptMarker.h"
#include "app/Settings.h"
#include "engine/SimulatedProcessor.h"
#include "panels/DelayDialog.h"
#include "panels/DelayPanel.h"
#include "panels/DialogSupport.h"
#include "panels/LimiterDialog.h"
#include "panels/LimiterPanel.h"
#include "panels/PhasePanel.h"
#include "support/StateHarness.h"
#include "ui/TavikLookAndFeel.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

namespace
{
using namespace std::chrono_literals;

void pump (int ms = 20)
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil (ms);
}

// What a user does in a label: open its editor, type, leave it (the typed
// text is kept when the editor loses the focus).
void typeInto (juce::Label& label, const juce::String& text)
{
    label.showEditor();
    auto* editor = label.getCurrentTextEditor();
    ASSERT_NE (editor, nullptr);
    editor->selectAll();
    editor->insertTextAtCaret (text);
    label.hideEditor (false);
}

// Waits for the modal dialog window holding a Dialog, checks its title, acts
// on the dialog (typing, then clicking a button or closing the window), and
// lets the modal call under test return.
template <typename Dialog>
class DialogDriver : private juce::Timer
{
public:
    DialogDriver (juce::String expectedTitle, std::function<void (Dialog&, juce::DialogWindow&)> actOnDialog)
        : title (std::move (expectedTitle))
        , act (std::move (actOnDialog))
    {
        startTimer (20);
    }

    bool acted = false;

private:
    void timerCallback() override
    {
        auto& modal = *juce::ModalComponentManager::getInstance();
        for (int i = 0; i < modal.getNumModalComponents(); ++i)
            if (auto* window = dynamic_cast<juce::DialogWindow*> (modal.getModalComponent (i)))
                if (auto* dialog = dynamic_cast<Dialog*> (window->getContentComponent()))
                {
                    stopTimer();
                    acted = true;
                    EXPECT_EQ (window->getName(), title);
                    act (*dialog, *window);
                    return;
                }
    }

    juce::String title;
    std::function<void (Dialog&, juce::DialogWindow&)> act;
};

struct DelayLimiterPhase : ::testing::Test
{
    TavikLookAndFeel lookAndFeel;
    std::unique_ptr<taviksim::SimulatedProcessor> sim;
    StateHarness h;
    juce::TemporaryFile settingsFile;
    juce::PropertiesFile settings{ settingsFile.getFile(), Settings::options() };
    int shown = 2; // the channel the owning EQ panel shows

    void SetUp() override
    {
        juce::LookAndFeel::setDefaultLookAndFeel (&lookAndFeel);
        taviksim::SimulatorOptions options;
        options.logProblems = false;
        sim = std::make_unique<taviksim::SimulatedProcessor> (options);
        ASSERT_TRUE (sim->start()) << sim->error();
        juce::String error;
        ASSERT_TRUE (h.port.open (sim->slavePath(), error)) << error;
    }

    void TearDown() override
    {
        h.worker.stopThread (10000);
        h.port.close (false);
        juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
    }

    // Clicks the button and returns once the dialog it opened has closed.
    template <typename Dialog>
    void clickAndDrive (juce::Button& button, const juce::String& title,
                        std::function<void (Dialog&, juce::DialogWindow&)> act)
    {
        DialogDriver<Dialog> driver (title, std::move (act));
        button.triggerClick();
        for (int i = 0; i < 500 && !driver.acted; ++i)
            pump (10);
        pump (50); // the window closes and the click handler finishes
        EXPECT_TRUE (driver.acted) << "no " << title << " window";
        EXPECT_EQ (juce::ModalComponentManager::getInstance()->getNumModalComponents(), 0);
    }

    std::size_t seen = 0; // transcript entries already returned

    // What the processor received since the last call (input A's gain, which
    // nothing here sends, marks the end).
    std::vector<Bytes> sentBeforeMarker()
    {
        return ::sentBeforeMarker (
            *sim, seen, [this] { h.inputs().setChannelGain (0, -1.0); }, 0xA0);
    }
};

using Numbers = std::pair<juce::String, juce::String>;
Numbers numbersOf (int unit, int steps)
{
    const auto t = DelayUnits::numberTexts (unit, steps);
    return { t.left, t.right };
}
Numbers labelsOf (DelayDialogBase& d)
{
    return { d.getLeftLabel().getText(), d.getRightLabel().getText() };
}
} // namespace

TEST (DelayUnitsTest, StepsConvertBothWaysInEveryUnitAndStayInRange)
{
    using namespace DelayUnits;
    EXPECT_EQ (buttonText (msec, 0), "0.000 msec");
    EXPECT_EQ (buttonText (feet, 0), "0' 0.00\"");
    EXPECT_EQ (buttonText (meters, 0), "0.000 m");
    EXPECT_EQ (buttonText (msec, 5760), "120.960 msec");
    EXPECT_EQ (buttonText (feet, 5760), "134' 4.80\"");
    EXPECT_EQ (buttonText (meters, 5760), "40.320 m");
    EXPECT_EQ (buttonText (meters, 65535), "458.745 m") << "a read-back past the limit shows what it holds";
    EXPECT_EQ (buttonText (7, 100), "");
    EXPECT_EQ (buttonText (-1, 100), "");

    EXPECT_EQ (stepsFromNumbers (msec, 200, 0), 5760);
    EXPECT_EQ (stepsFromNumbers (msec, 5, 1500), 310);
    EXPECT_EQ (stepsFromNumbers (feet, 10, 0), 429);
    EXPECT_EQ (stepsFromNumbers (meters, 1, 0), 143);
    EXPECT_EQ (stepsFromNumbers (msec, 0, 10.5), 0) << "half a step rounds to the even 0";
    EXPECT_EQ (stepsFromNumbers (msec, 0, 31.5), 2) << "one and a half steps round to the even 2";
    EXPECT_EQ (stepsFromNumbers (msec, 99999999999.0, 0), 5760);
    EXPECT_EQ (stepsFromNumbers (meters, -3, 0), 0);
    EXPECT_EQ (stepsFromNumbers (msec, 1e308, 1e308), std::nullopt) << "an infinite sum is refused";
    EXPECT_EQ (stepsFromNumbers (7, 1, 0), std::nullopt);

    EXPECT_EQ (numbersOf (msec, 5760), Numbers ("120", "960"));
    EXPECT_EQ (numbersOf (msec, 310), Numbers ("6", "510"));
    EXPECT_EQ (numbersOf (msec, 100), Numbers ("2", "100"));
    EXPECT_EQ (numbersOf (feet, 429), Numbers ("10", "0.12"));
    EXPECT_EQ (numbersOf (feet, 43), Numbers ("1", "0.04"));
    EXPECT_EQ (numbersOf (feet, 300), Numbers ("7", "0")) << "no floating-point residue";
    EXPECT_EQ (numbersOf (meters, 143), Numbers ("1", "1"));
    EXPECT_EQ (numbersOf (7, 143), Numbers ("", ""));
    for (int unit = 0; unit < count; ++unit)
        for (int steps = 0; steps <= 5760; ++steps)
        {
            const auto t = numberTexts (unit, steps);
            const auto back = stepsFromNumbers (unit, *DialogSupport::readTypedNumber (t.left),
                                                *DialogSupport::readTypedNumber (t.right));
            ASSERT_EQ (back, steps) << "unit " << unit << " shows " << t.left << " " << t.right;
        }

    using DialogSupport::readTypedNumber;
    EXPECT_EQ (readTypedNumber ("1,5"), 1.0);
    EXPECT_EQ (readTypedNumber ("-.5"), -0.5);
    EXPECT_EQ (readTypedNumber ("12-3"), 12.0);
    EXPECT_EQ (readTypedNumber ("+-3"), 0.0);
    EXPECT_EQ (readTypedNumber (""), 0.0);
    EXPECT_EQ (readTypedNumber ("abc"), std::nullopt);
    EXPECT_EQ (readTypedNumber ("inf"), std::nullopt);
    EXPECT_EQ (readTypedNumber (" 5"), std::nullopt);
    EXPECT_EQ (readTypedNumber ("1" + juce::String::repeatedString ("0", 400)), std::nullopt);
}

TEST (DelayDialogTest, TypedNumbersAreNormalisedAndUnitsRewriteTheLabels)
{
    const auto l = DelayDialogBase::layoutFor (DelayDialogBase::width, DelayDialogBase::height);
    EXPECT_EQ (l.ok, juce::Rectangle<int> (125, 109, 100, 22)); // 22.5 rounds to the even 22
    EXPECT_EQ (l.cancel, juce::Rectangle<int> (275, 109, 100, 22));
    EXPECT_EQ (l.leftLabel, juce::Rectangle<int> (38, 41, 75, 30)); // 37.5 rounds to the even 38
    EXPECT_EQ (l.rightCombo, juce::Rectangle<int> (362, 45, 100, 22));
    EXPECT_EQ (l.labelFontHeight, 15.0f);

    DelayDialog d (0, DelayUnits::msec);
    d.addToDesktop (0);
    d.setVisible (true);
    EXPECT_EQ (d.getBounds().getWidth(), 500);
    EXPECT_EQ (d.getLeftLabel().getBounds(), l.leftLabel);
    EXPECT_TRUE (d.getLeftLabel().isEditableOnSingleClick());
    EXPECT_FALSE (d.getLeftLabel().isEditableOnDoubleClick());
    EXPECT_FALSE (d.getRightLabel().doesLossOfFocusDiscardChanges());
    EXPECT_EQ (d.getLeftCombo().getText(), "msec");
    EXPECT_EQ (d.getRightCombo().getText(), "usec");
    EXPECT_EQ (labelsOf (d), Numbers ("0", "0"));

    // Each entry is normalised at once, so 5 ms typed first would become 4998 us;
    // both numbers are read whenever either label changes.
    d.getLeftLabel().setText ("5", juce::dontSendNotification);
    typeInto (d.getRightLabel(), "1500");
    EXPECT_EQ (d.getSteps(), 310);
    EXPECT_EQ (labelsOf (d), Numbers ("6", "510"));

    typeInto (d.getLeftLabel(), "99999999999");
    EXPECT_EQ (d.getSteps(), 5760);
    EXPECT_EQ (labelsOf (d), Numbers ("120", "960"));
    typeInto (d.getRightLabel(), "12a");
    typeInto (d.getLeftLabel(), "nan");
    EXPECT_EQ (d.getSteps(), 5760) << "text with a letter is refused";
    EXPECT_EQ (labelsOf (d), Numbers ("120", "960"));

    d.getRightCombo().setSelectedItemIndex (DelayUnits::feet, juce::sendNotificationSync);
    EXPECT_EQ (d.getUnit(), DelayUnits::feet);
    EXPECT_EQ (d.getLeftCombo().getText(), "feet");
    EXPECT_EQ (d.getSteps(), 5760) << "a unit change keeps the delay";
    EXPECT_EQ (labelsOf (d), Numbers ("134", "4.8"));
    typeInto (d.getLeftLabel(), "10");
    typeInto (d.getRightLabel(), "0");
    EXPECT_EQ (d.getSteps(), 429);
    EXPECT_EQ (labelsOf (d), Numbers ("10", "0.12"));

    d.getLeftCombo().setSelectedItemIndex (DelayUnits::meters, juce::sendNotificationSync);
    EXPECT_EQ (d.getRightCombo().getText(), "millimeters");
    typeInto (d.getLeftLabel(), "1");
    typeInto (d.getRightLabel(), "0");
    EXPECT_EQ (d.getSteps(), 143);
    EXPECT_EQ (labelsOf (d), Numbers ("1", "1"));
    typeInto (d.getRightLabel(), "-8000");
    EXPECT_EQ (d.getSteps(), 0);

    // An unknown unit from the settings: nothing to show, nothing typed counts.
    Delay2Dialog unknown (100, 7);
    unknown.addToDesktop (0);
    unknown.setVisible (true);
    EXPECT_EQ (labelsOf (unknown), Numbers ("", ""));
    EXPECT_EQ (unknown.getLeftCombo().getSelectedItemIndex(), -1);
    typeInto (unknown.getLeftLabel(), "5");
    EXPECT_EQ (unknown.getSteps(), 100);
    EXPECT_EQ (labelsOf (unknown), Numbers ("", ""));
}

TEST_F (DelayLimiterPhase, DelayOkSendsOneDelayAndAnythingElseLeavesEverything)
{
    EXPECT_EQ (DelayPanelBase::layoutFor (132, 20).button, juce::Rectangle<int> (66, 0, 59, 18));
    EXPECT_EQ (DelayPanelBase::layoutFor (132, 20).caption, juce::Rectangle<int> (0, 0, 59, 20));

    DelayPanel panel (h.state, settings, [this] { return shown; });
    panel.refresh();
    EXPECT_EQ (panel.getButton().getButtonText(), "0.000 msec");
    const auto title = DelayDialog::windowTitle;
    EXPECT_STREQ (title, "Tavik Output Delay");

    ChannelBlock block{}; // a read-back past what can be typed: shown as held, and OK alone keeps it
    block[Protocol::Address::delayHigh] = 6000 >> 8, block[Protocol::Address::delayLow] = 6000 & 0xFF;
    h.outputs().applyReadBack (2, block);
    panel.refresh();
    EXPECT_EQ (panel.getButton().getButtonText(), "126.000 msec");
    clickAndDrive<DelayDialog> (panel.getButton(), title, [] (auto& d, auto&) { d.getOkButton().triggerClick(); });
    EXPECT_EQ (h.outputs().getDelaySteps (2), 6000);

    clickAndDrive<DelayDialog> (panel.getButton(), title,
                                [] (DelayDialog& d, juce::DialogWindow&)
                                {
                                    typeInto (d.getLeftLabel(), "200");
                                    d.getOkButton().triggerClick();
                                });
    EXPECT_EQ (h.outputs().getDelaySteps (2), 5760);
    EXPECT_EQ (panel.getButton().getButtonText(), "120.960 msec");
    EXPECT_EQ (sentBeforeMarker(), (std::vector<Bytes>{ { 0xA6, 0x00, 0x01, 0x16 }, { 0xA6, 0x00, 0x02, 0x80 } }));

    // A new unit and value, then Cancel; a new value, then the window's close button.
    clickAndDrive<DelayDialog> (panel.getButton(), title,
                                [] (DelayDialog& d, juce::DialogWindow&)
                                {
                                    d.getLeftCombo().setSelectedItemIndex (1, juce::sendNotificationSync);
                                    typeInto (d.getLeftLabel(), "1");
                                    d.getCancelButton().triggerClick();
                                });
    clickAndDrive<DelayDialog> (panel.getButton(), title,
                                [] (DelayDialog& d, juce::DialogWindow& window)
                                {
                                    typeInto (d.getLeftLabel(), "1");
                                    window.closeButtonPressed();
                                });
    EXPECT_EQ (panel.getUnit(), DelayUnits::msec);
    EXPECT_EQ (h.outputs().getDelaySteps (2), 5760);
    EXPECT_EQ (panel.getButton().getButtonText(), "120.960 msec");
    EXPECT_TRUE (sentBeforeMarker().empty());

    // OK with nothing changed sends the delay again; the unit chosen stays.
    clickAndDrive<DelayDialog> (panel.getButton(), title,
                                [] (DelayDialog& d, juce::DialogWindow&)
                                {
                                    EXPECT_EQ (labelsOf (d), Numbers ("120", "960"));
                                    d.getOkButton().triggerClick();
                                });
    shown = 4;
    clickAndDrive<DelayDialog> (panel.getButton(), title,
                                [] (DelayDialog& d, juce::DialogWindow&)
                                {
                                    d.getLeftCombo().setSelectedItemIndex (2, juce::sendNotificationSync);
                                    typeInto (d.getLeftLabel(), "1");
                                    d.getOkButton().triggerClick();
                                });
    EXPECT_EQ (sentBeforeMarker(), (std::vector<Bytes>{ { 0xA6, 0x00, 0x01, 0x16 },
                                                        { 0xA6, 0x00, 0x02, 0x80 },
                                                        { 0xA8, 0x00, 0x01, 0x00 },
                                                        { 0xA8, 0x00, 0x02, 143 } }));
    EXPECT_EQ (panel.getButton().getButtonText(), "1.001 m");
    shown = 2;
    panel.refresh();
    EXPECT_EQ (panel.getButton().getButtonText(), "40.320 m");

    // The unit is remembered for both panels; the input panel edits inputs.
    panel.saveSettings();
    EXPECT_EQ (settings.getIntValue (DelayUnits::settingsKey), DelayUnits::meters);
    shown = 1;
    Delay2Panel inputs (h.state, settings, [this] { return shown; });
    inputs.refresh();
    EXPECT_EQ (inputs.getButton().getButtonText(), "0.000 m");
    clickAndDrive<Delay2Dialog> (inputs.getButton(), Delay2Dialog::windowTitle,
                                 [] (Delay2Dialog& d, juce::DialogWindow&)
                                 {
                                     typeInto (d.getLeftLabel(), "2");
                                     d.getOkButton().triggerClick();
                                 });
    EXPECT_EQ (h.inputs().getDelaySteps (1), 286);
    EXPECT_EQ (h.outputs().getDelaySteps (1), 0);
    EXPECT_EQ (sentBeforeMarker(), (std::vector<Bytes>{ { 0xA1, 0x00, 0x01, 0x01 }, { 0xA1, 0x00, 0x02, 0x1E } }));

    // A unit the program does not know shows nothing; OK still sends the delay as it was.
    settings.setValue (DelayUnits::settingsKey, 7);
    Delay2Panel unknown (h.state, settings, [this] { return shown; });
    unknown.refresh();
    EXPECT_EQ (unknown.getButton().getButtonText(), "");
    clickAndDrive<Delay2Dialog> (unknown.getButton(), Delay2Dialog::windowTitle,
                                 [] (Delay2Dialog& d, juce::DialogWindow&)
                                 {
                                     typeInto (d.getLeftLabel(), "3");
                                     d.getOkButton().triggerClick();
                                 });
    EXPECT_EQ (sentBeforeMarker(), (std::vector<Bytes>{ { 0xA1, 0x00, 0x01, 0x01 }, { 0xA1, 0x00, 0x02, 0x1E } }));
    unknown.saveSettings();
    EXPECT_EQ (settings.getIntValue (DelayUnits::settingsKey), 7);

    settings.setValue (DelayUnits::settingsKey, "99999999999999999999");
    Delay2Panel mangled (h.state, settings, [this] { return shown; });
    mangled.refresh();
    EXPECT_EQ (mangled.getButton().getButtonText(), "");
}

TEST (LimiterDialogTest, TypedThresholdsAreWholeDecibelsWithinTwentyAndBadTextKeepsThePrevious)
{
    const auto l = LimiterDialog::layoutFor (LimiterDialog::width, LimiterDialog::height);
    EXPECT_EQ (l.editor, juce::Rectangle<int> (180, 22, 60, 36)); // 22.5 rounds to the even 22
    EXPECT_EQ (l.ok, juce::Rectangle<int> (100, 133, 80, 27));
    EXPECT_EQ (l.thresholdCaption, juce::Rectangle<int> (0, 22, 156, 36)); // up to the editor less 2 x 12
    EXPECT_EQ (l.unitCaption, juce::Rectangle<int> (252, 22, 148, 36));
    EXPECT_EQ (LimiterPanel::layoutFor (168, 20).button, juce::Rectangle<int> (60, 0, 50, 18));
    EXPECT_EQ (LimiterPanel::layoutFor (168, 20).caption, juce::Rectangle<int> (0, 0, 51, 20));

    const std::vector<std::pair<const char*, const char*>> typed{
        { "-7.5", "-7" }, { "2.5", "+3" }, { "30", "+20" }, { "-30", "-20" }, { "1,5", "+1" },
        { "abc", "+1" },  { "", "+0" },    { "-6", "-6" },  { "6-", "+6" },
    };
    LimiterDialog d (0.0f);
    d.addToDesktop (0);
    d.setVisible (true);
    EXPECT_EQ (d.getEditor().getText(), "+0");
    EXPECT_EQ (d.getEditor().getName(), "mLeftLabel");
    for (const auto& [text, shown] : typed)
    {
        typeInto (d.getEditor(), text);
        EXPECT_EQ (d.getEditor().getText(), shown) << "typed " << text;
        EXPECT_EQ (LimiterDialog::editorText (d.getThreshold()), shown);
    }
    EXPECT_EQ (LimiterDialog::thresholdFromText ("1" + juce::String::repeatedString ("0", 400), -4.0f), -4.0f);
    EXPECT_EQ (LimiterDialog::thresholdFromText ("99999999999", -4.0f), 20.0f);
    EXPECT_EQ (LimiterPanel::thresholdText (0.0f), "+0 dB");
    EXPECT_EQ (LimiterPanel::thresholdText (-6.0f), "-6 dB");
    EXPECT_EQ (LimiterPanel::thresholdText (20.0f), "+20 dB");
}

TEST_F (DelayLimiterPhase, LimiterOkSendsOneThresholdCancelAndCloseSendNothing)
{
    LimiterPanel panel (h.state, [this] { return shown; });
    panel.refreshLimiterPanel();
    EXPECT_EQ (panel.getButton().getButtonText(), "+0 dB");
    const auto title = LimiterDialog::windowTitle;
    EXPECT_STREQ (title, "Tavik Output Limiter");

    const auto typeSixThen = [] (bool ok)
    {
        return [ok] (LimiterDialog& d, juce::DialogWindow& window)
        {
            typeInto (d.getEditor(), "6");
            if (ok)
                d.getOkButton().triggerClick();
            else
                window.closeButtonPressed();
        };
    };
    clickAndDrive<LimiterDialog> (panel.getButton(), title,
                                  [] (LimiterDialog& d, juce::DialogWindow&)
                                  {
                                      typeInto (d.getEditor(), "6");
                                      d.getCancelButton().triggerClick();
                                  });
    clickAndDrive<LimiterDialog> (panel.getButton(), title, typeSixThen (false));
    EXPECT_EQ (panel.getButton().getButtonText(), "+0 dB");
    EXPECT_EQ (h.outputs().getLimiterThreshold (2), 0.0f);
    EXPECT_TRUE (sentBeforeMarker().empty());

    clickAndDrive<LimiterDialog> (panel.getButton(), title, typeSixThen (true));
    EXPECT_EQ (panel.getButton().getButtonText(), "+6 dB");
    EXPECT_EQ (h.outputs().getLimiterThreshold (2), 6.0f);
    clickAndDrive<LimiterDialog> (panel.getButton(), title,
                                  [] (LimiterDialog& d, juce::DialogWindow&)
                                  {
                                      EXPECT_EQ (d.getEditor().getText(), "+6");
                                      d.getOkButton().triggerClick();
                                  });
    EXPECT_EQ (sentBeforeMarker(), (std::vector<Bytes>{ { 0xA6, 0x00, 0x13, 22 }, { 0xA6, 0x00, 0x13, 22 } }));

    shown = 3;
    panel.refreshLimiterPanel();
    EXPECT_EQ (panel.getButton().getButtonText(), "+0 dB");
    shown = 6; // past the outputs: reads as 0, and OK changes nothing
    clickAndDrive<LimiterDialog> (panel.getButton(), title, typeSixThen (true));
    EXPECT_EQ (panel.getButton().getButtonText(), "+0 dB");
    EXPECT_TRUE (sentBeforeMarker().empty());
}

TEST_F (DelayLimiterPhase, PhaseClickSendsOnePolarityAndRefreshFollowsTheRecord)
{
    EXPECT_EQ (PhasePanel::layoutFor (132, 20).button, LimiterPanel::layoutFor (132, 20).button);

    PhasePanel panel (h.state, [this] { return shown; });
    auto& button = panel.getButton();
    for (shown = 0; shown < 6; ++shown)
    {
        panel.refreshPhasePanel();
        EXPECT_EQ (button.getButtonText(), "IN");
        EXPECT_FALSE (button.getToggleState());
    }

    shown = 1;
    panel.refreshPhasePanel();
    button.triggerClick();
    pump (50);
    EXPECT_TRUE (button.getToggleState());
    EXPECT_EQ (button.getButtonText(), "OUT");
    EXPECT_EQ (h.outputs().getPhase (1), 1);
    button.triggerClick();
    pump (50);
    EXPECT_FALSE (button.getToggleState());
    EXPECT_EQ (button.getButtonText(), "IN");
    EXPECT_EQ (h.outputs().getPhase (1), 0);
    EXPECT_EQ (sentBeforeMarker(), (std::vector<Bytes>{ { 0xA5, 0x00, 0x14, 1 }, { 0xA5, 0x00, 0x14, 0 } }));

    // A polarity of 2 read back from the device shows as inverted; a click sends 0.
    ChannelBlock block{};
    block[Protocol::Address::phase] = 2;
    block[Protocol::Address::limiterThreshold] = 28;
    h.outputs().applyReadBack (4, block);
    shown = 4;
    panel.refreshPhasePanel();
    EXPECT_EQ (button.getButtonText(), "OUT");
    EXPECT_TRUE (button.getToggleState());
    shown = 1;
    panel.refreshPhasePanel();
    EXPECT_EQ (button.getButtonText(), "IN");
    EXPECT_TRUE (sentBeforeMarker().empty()) << "a refresh sends nothing";
    shown = 4;
    panel.refreshPhasePanel();
    button.triggerClick();
    pump (50);
    EXPECT_EQ (button.getButtonText(), "IN");
    EXPECT_EQ (h.outputs().getPhase (4), 0);
    EXPECT_EQ (sentBeforeMarker(), (std::vector<Bytes>{ { 0xA8, 0x00, 0x14, 0 } }));
}
