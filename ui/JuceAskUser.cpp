#include "ui/JuceAskUser.h"

#include <juce_gui_basics/juce_gui_basics.h>

void JuceAskUser::showMessage (const juce::String& title, const juce::String& message)
{
    juce::AlertWindow::showMessageBox (juce::MessageBoxIconType::NoIcon, title, message, "OK");
}

bool JuceAskUser::askOkCancel (const juce::String& title, const juce::String& message)
{
    return juce::AlertWindow::showOkCancelBox (juce::MessageBoxIconType::NoIcon, title, message, "OK", "Cancel");
}

juce::String JuceAskUser::chooseFromList (const ListChoice& choice)
{
    juce::AlertWindow window (choice.title, choice.message, juce::MessageBoxIconType::NoIcon);
    window.addComboBox (choice.comboName, choice.items, choice.comboLabel);
    auto* combo = window.getComboBoxComponent (choice.comboName);
    if (combo != nullptr && choice.preselected >= 0 && choice.preselected < choice.items.size())
        combo->setSelectedItemIndex (choice.preselected, juce::dontSendNotification);
    window.addButton ("OK", 1, juce::KeyPress (juce::KeyPress::returnKey));
    window.addButton ("Cancel", 0, juce::KeyPress (juce::KeyPress::escapeKey));

    if (window.runModalLoop() != 1 || combo == nullptr)
        return {};
    return combo->getText();
}

juce::File JuceAskUser::chooseFileToSave (const juce::String& title, const juce::File& folder,
                                          const juce::String& patterns)
{
    juce::FileChooser chooser (title, folder, patterns, true);
    return chooser.browseForFileToSave (true) ? chooser.getResult() : juce::File();
}

juce::File JuceAskUser::chooseFileToOpen (const juce::String& title, const juce::File& folder,
                                          const juce::String& patterns)
{
    juce::FileChooser chooser (title, folder, patterns, true);
    return chooser.browseForFileToOpen() ? chooser.getResult() : juce::File();
}

juce::String JuceAskUser::getClipboardText()
{
    return juce::SystemClipboard::getTextFromClipboard();
}

void JuceAskUser::setClipboardText (const juce::String& text)
{
    juce::SystemClipboard::copyTextToClipboard (text);
}
