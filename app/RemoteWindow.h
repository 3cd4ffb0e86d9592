#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

// The small window shown while the remote control is on: the address to
// open, the same as a QR code for a phone's camera, and how many pages are
// connected. Closing it turns the remote off.
class RemoteWindow final : public juce::DocumentWindow
{
public:
    static constexpr const char* title = "Tavik remote control";

    RemoteWindow (const juce::String& url, std::function<void()> closed);
    ~RemoteWindow() override;

    void showClients (int count);
    juce::String getClientsText() const;
    juce::String getUrlText() const;

    void closeButtonPressed() override;

    // The QR code of text: one bool per module, row by row, and its side;
    // empty when the text does not fit in a QR code.
    static std::vector<bool> qrModules (const juce::String& text, int& side);

private:
    class Content;
    std::function<void()> onClose;

    Content& content() const;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (RemoteWindow)
};
