#pragma once

// Driving the program's modal dialogs as a user does: typing into their
// labels, then OK, Cancel or the window's close button.
#include <juce_gui_basics/juce_gui_basics.h>

#include <gtest/gtest.h>

#include <functional>

// What a user does in a label: open its editor, type, leave it (the typed
// text is kept when the editor loses the focus).
inline void typeInto (juce::Label& label, const juce::String& text)
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

// Clicks the button and returns once the dialog it opened has closed.
template <typename Dialog>
void clickAndDrive (juce::Button& button, const juce::String& title,
                    std::function<void (Dialog&, juce::DialogWindow&)> act)
{
    const auto pump = [] (int ms) { juce::MessageManager::getInstance()->runDispatchLoopUntil (ms); };
    DialogDriver<Dialog> driver (title, std::move (act));
    button.triggerClick();
    for (int i = 0; i < 500 && !driver.acted; ++i)
        pump (10);
    pump (50); // the window closes and the click handler finishes
    EXPECT_TRUE (driver.acted) << "no " << title << " window";
    EXPECT_EQ (juce::ModalComponentManager::getInstance()->getNumModalComponents(), 0);
}
