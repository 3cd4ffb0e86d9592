// The real alert windows, inspected while they are up and then dismissed.
#include "ui/ColourScheme.h"
#include "ui/JuceAskUser.h"

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

namespace
{
// Runs a check against the modal window once it is up, then closes it with
// the given result, so the modal call under test returns.
class ModalInspector : private juce::Timer
{
public:
    ModalInspector (std::function<void (juce::AlertWindow&)> inspect, int result)
        : check (std::move (inspect))
        , exitResult (result)
    {
        startTimer (50);
    }

    bool sawWindow = false;

private:
    void timerCallback() override
    {
        auto* alert = dynamic_cast<juce::AlertWindow*> (juce::Component::getCurrentlyModalComponent());
        if (alert == nullptr)
            return;
        stopTimer();
        sawWindow = true;
        check (*alert);
        alert->exitModalState (exitResult);
    }

    std::function<void (juce::AlertWindow&)> check;
    int exitResult;
};

juce::StringArray buttonTexts (juce::AlertWindow& w)
{
    juce::StringArray texts;
    for (int i = 0; i < w.getNumButtons(); ++i)
        if (auto* b = dynamic_cast<juce::Button*> (w.getChildComponent (i)))
            texts.add (b->getButtonText());
    for (auto* child : w.getChildren())
        if (auto* b = dynamic_cast<juce::TextButton*> (child))
            texts.addIfNotAlreadyThere (b->getButtonText());
    return texts;
}
} // namespace

TEST (PortChooserWindow, ShowsTheListWithThePreselectedPortAndReturnsTheChoice)
{
    applyColourScheme (juce::LookAndFeel::getDefaultLookAndFeel());
    JuceAskUser ask;
    AskUser::ListChoice choice{ "Orveth Tavik", "Please select a serial port:", "Serial ports",
                                "Serial port",  { "COM1", "COM3", "COM10" },    1 };

    ModalInspector okInspector (
        [] (juce::AlertWindow& w)
        {
            const auto at = w.getLocalPoint (w.getComboBoxComponent ("Serial ports"), juce::Point<int> (5, 5));
            for (const int button : { (int) juce::ModifierKeys::leftButtonModifier, 0 }) // a click opens the list
                w.getPeer()->handleMouseEvent ({}, at.toFloat(), button, 1.0f, 0.0f, juce::Time::currentTimeMillis());
            for (int i = 0; i < 100 && !juce::PopupMenu::dismissAllActiveMenus(); ++i) // once it is open
                juce::MessageManager::getInstance()->runDispatchLoopUntil (20);
            EXPECT_EQ (w.getName(), "Orveth Tavik");
            auto* combo = w.getComboBoxComponent ("Serial ports");
            ASSERT_NE (combo, nullptr);
            EXPECT_EQ (combo->getNumItems(), 3);
            EXPECT_EQ (combo->getText(), "COM3");
            combo->setSelectedItemIndex (2);
            const auto buttons = buttonTexts (w);
            EXPECT_TRUE (buttons.contains ("OK"));
            EXPECT_TRUE (buttons.contains ("Cancel"));
            EXPECT_EQ (w.findColour (juce::AlertWindow::backgroundColourId), juce::Colour (0xFF008EB0));
            w.getPeer()->handleKeyPress (juce::KeyPress (juce::KeyPress::returnKey));
            juce::MessageManager::getInstance()->runDispatchLoopUntil (100);
        },
        0); // unless Return pressed OK
    EXPECT_EQ (ask.chooseFromList (choice), "COM10");
    EXPECT_TRUE (okInspector.sawWindow);

    ModalInspector cancelInspector ([] (juce::AlertWindow&) {}, 0);
    EXPECT_EQ (ask.chooseFromList (choice), juce::String());
    EXPECT_TRUE (cancelInspector.sawWindow);
}

TEST (MessageWindows, OkCancelReportsTheButton)
{
    JuceAskUser ask;
    ModalInspector ok ([] (juce::AlertWindow& w) { EXPECT_EQ (w.getName(), "Tavik"); }, 1);
    EXPECT_TRUE (ask.askOkCancel ("Tavik", "Quit?"));
    ModalInspector cancel ([] (juce::AlertWindow&) {}, 0);
    EXPECT_FALSE (ask.askOkCancel ("Tavik", "Quit?"));
}
