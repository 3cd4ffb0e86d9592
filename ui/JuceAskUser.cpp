#include "ui/JuceAskUser.h"

#include "ui/SystemMessageBox.h"

#include <juce_gui_basics/juce_gui_basics.h>

void JuceAskUser::showMessage (const juce::String& title, const juce::String& message)
{
    SystemMessageBox::show (title, message);
}

bool JuceAskUser::askOkCancel (const juce::String& title, const juce::String& message)
{
    return SystemMessageBox::askOkCancel (title, message);
}

namespace
{
// A focused combo box takes Return to open its list again, so after a pick
// from the list Return would not reach OK. Here the list never takes the
// keyboard: Return presses OK wherever the focus is, and the arrow keys
// still step through the list.
class ListChoiceWindow final : public juce::AlertWindow
{
public:
    using juce::AlertWindow::AlertWindow;

    juce::ComboBox* list = nullptr;

    bool keyPressed (const juce::KeyPress& key) override
    {
        for (const int code :
             { juce::KeyPress::upKey, juce::KeyPress::downKey, juce::KeyPress::leftKey, juce::KeyPress::rightKey })
            if (list != nullptr && key.isKeyCode (code))
                return list->keyPressed (key);
        return juce::AlertWindow::keyPressed (key);
    }
};
} // namespace

juce::String JuceAskUser::chooseFromList (const ListChoice& choice)
{
    ListChoiceWindow window (choice.title, choice.message, juce::MessageBoxIconType::NoIcon);
    window.addComboBox (choice.comboName, choice.items, choice.comboLabel);
    auto* combo = window.getComboBoxComponent (choice.comboName);
    if (combo != nullptr)
        combo->setWantsKeyboardFocus (false);
    window.list = combo;
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
