#include "panels/UndoRedoButtons.h"

#include "control/EditHistory.h"

namespace
{
// A button face like the text buttons' with a curved arrow: left for undo, right for redo.
class CurvedArrowButton final : public juce::Button
{
public:
    CurvedArrowButton (const juce::String& name, bool pointsLeft)
        : juce::Button (name)
        , left (pointsLeft)
    {
        setConnectedEdges (ConnectedOnLeft | ConnectedOnRight);
    }

    void paintButton (juce::Graphics& g, bool highlighted, bool down) override
    {
        auto& lf = getLookAndFeel();
        lf.drawButtonBackground (g, *this, findColour (juce::TextButton::buttonColourId), highlighted, down);

        const float size = (float) juce::jmin (getWidth(), getHeight()) * 0.8f;
        const auto box = juce::Rectangle<float> (size, size).withCentre (getLocalBounds().toFloat().getCentre());
        // Drawn for undo in a unit square, mirrored for redo.
        const auto at = [&] (float x, float y)
        { return juce::Point<float> (box.getX() + (left ? x : 1.0f - x) * size, box.getY() + y * size); };
        juce::Path tail;
        tail.startNewSubPath (at (0.85f, 0.85f));
        tail.quadraticTo (at (0.85f, 0.35f), at (0.4f, 0.35f));
        juce::Path head;
        head.addTriangle (at (0.08f, 0.35f), at (0.45f, 0.08f), at (0.45f, 0.62f));

        auto colour = findColour (juce::TextButton::textColourOffId);
        if (!isEnabled())
            colour = colour.withMultipliedAlpha (0.4f);
        g.setColour (colour);
        g.strokePath (tail, juce::PathStrokeType (juce::jmax (1.5f, size * 0.14f)));
        g.fillPath (head);
    }

private:
    const bool left;
};
} // namespace

UndoRedoButtons::UndoRedoButtons (EditHistory& editHistory)
    : history (editHistory)
    , undoButton (std::make_unique<CurvedArrowButton> ("undo", true))
    , redoButton (std::make_unique<CurvedArrowButton> ("redo", false))
{
    undoButton->onClick = [this] { history.undo(); };
    redoButton->onClick = [this] { history.redo(); };
    // Clicking must not take the keyboard focus away from where the user works.
    for (auto* button : { undoButton.get(), redoButton.get() })
    {
        button->setWantsKeyboardFocus (false);
        addAndMakeVisible (*button);
    }
    history.addChangeListener (this);
    update();
}

UndoRedoButtons::~UndoRedoButtons()
{
    history.removeChangeListener (this);
}

void UndoRedoButtons::resized()
{
    auto area = getLocalBounds();
    undoButton->setBounds (area.removeFromLeft (getWidth() / 2));
    redoButton->setBounds (area);
}

void UndoRedoButtons::changeListenerCallback (juce::ChangeBroadcaster*)
{
    update();
}

void UndoRedoButtons::update()
{
    undoButton->setEnabled (history.canUndo());
    redoButton->setEnabled (history.canRedo());
    undoButton->setTooltip (history.undoText());
    redoButton->setTooltip (history.redoText());
}
