#include "app/RemoteWindow.h"

#include "ui/ColourScheme.h"

#include <qrcodegen/qrcodegen.hpp>

namespace
{
constexpr int quietZone = 4; // modules of white around the code, as readers expect

juce::String clientsText (int count)
{
    return count == 1 ? "1 page connected" : juce::String (count) + " pages connected";
}
} // namespace

std::vector<bool> RemoteWindow::qrModules (const juce::String& text, int& side)
{
    side = 0;
    try
    {
        const auto code = qrcodegen::QrCode::encodeText (text.toRawUTF8(), qrcodegen::QrCode::Ecc::MEDIUM);
        side = code.getSize();
        std::vector<bool> modules ((size_t) (side * side));
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x)
                modules[(size_t) (y * side + x)] = code.getModule (x, y);
        return modules;
    }
    catch (const std::exception&) // too long for any QR code
    {
        side = 0;
        return {};
    }
}

class QrCodeView final : public juce::Component
{
public:
    explicit QrCodeView (const juce::String& text) { modules = RemoteWindow::qrModules (text, side); }

    void paint (juce::Graphics& g) override
    {
        g.fillAll (juce::Colours::white);
        if (side == 0)
            return;
        // Whole pixels per module, so every module is as sharp as a reader needs.
        const int total = side + 2 * quietZone;
        const int unit = juce::jmax (1, juce::jmin (getWidth(), getHeight()) / total);
        const int x0 = (getWidth() - unit * total) / 2 + quietZone * unit;
        const int y0 = (getHeight() - unit * total) / 2 + quietZone * unit;
        g.setColour (juce::Colours::black);
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x)
                if (modules[(size_t) (y * side + x)])
                    g.fillRect (x0 + x * unit, y0 + y * unit, unit, unit);
    }

private:
    std::vector<bool> modules;
    int side = 0;
};

class RemoteWindow::Content final : public juce::Component
{
public:
    explicit Content (const juce::String& url)
        : qr (url)
    {
        address.setMultiLine (true, true);
        address.setReadOnly (true);
        address.setCaretVisible (false);
        address.setText (url, false);
        address.setFont (juce::Font (juce::Font::getDefaultMonospacedFontName(), 14.0f, juce::Font::plain));
        hint.setText ("Open this address on a phone or tablet on the same network. "
                      "Anyone with it can change the processor: close this window to turn the remote off.",
                      juce::dontSendNotification);
        hint.setFont (juce::Font (13.0f));
        clients.setFont (juce::Font (15.0f, juce::Font::bold));
        clients.setText (clientsText (0), juce::dontSendNotification);
        for (auto* c : std::initializer_list<juce::Component*>{ &qr, &address, &clients, &hint })
            addAndMakeVisible (c);
        setSize (360, 520);
    }

    void resized() override
    {
        auto area = getLocalBounds().reduced (10);
        qr.setBounds (area.removeFromTop (area.getWidth()).reduced (10));
        area.removeFromTop (6);
        address.setBounds (area.removeFromTop (44));
        area.removeFromTop (6);
        clients.setBounds (area.removeFromTop (22));
        hint.setBounds (area);
    }

    void paint (juce::Graphics& g) override { g.fillAll (SchemeColours::windowBackground); }

    QrCodeView qr;
    juce::TextEditor address;
    juce::Label clients, hint;
};

RemoteWindow::RemoteWindow (const juce::String& url, std::function<void()> closed)
    : DocumentWindow (title, SchemeColours::windowBackground, DocumentWindow::closeButton, true)
    , onClose (std::move (closed))
{
    setUsingNativeTitleBar (true);
    setContentOwned (new Content (url), true);
    centreWithSize (getWidth(), getHeight());
    setVisible (true);
}

RemoteWindow::~RemoteWindow()
{
    clearContentComponent();
}

RemoteWindow::Content& RemoteWindow::content() const
{
    return *static_cast<Content*> (getContentComponent());
}

void RemoteWindow::showClients (int count)
{
    content().clients.setText (clientsText (count), juce::dontSendNotification);
}

juce::String RemoteWindow::getClientsText() const
{
    return content().clients.getText();
}

juce::String RemoteWindow::getUrlText() const
{
    return content().address.getText();
}

void RemoteWindow::closeButtonPressed()
{
    if (onClose)
        onClose(); // may delete this window
}
