#include "app/MainAppWindow.h"

#include <algorithm>
#include <cmath>
#include <utility>

// The window's placement alone, apart from the window, so that the settings
// fuzz target runs it on any saved rectangle without the whole UI.
juce::Rectangle<int> MainAppWindow::boundsOnDisplays (juce::Rectangle<int> saved,
                                                      const juce::Array<juce::Rectangle<int>>& displayAreas,
                                                      juce::BorderSize<int> frame)
{
    if (displayAreas.isEmpty())
        return saved;

    // In doubles: the numbers come from a file and their sums may not fit an int.
    const juce::Rectangle<double> outer (
        (double) saved.getX() - frame.getLeft(), (double) saved.getY() - frame.getTop(),
        (double) saved.getWidth() + frame.getLeftAndRight(), (double) saved.getHeight() + frame.getTopAndBottom());
    const auto rank = [&outer] (juce::Rectangle<int> area)
    {
        const auto a = area.toDouble();
        const auto overlap = a.getIntersection (outer);
        const auto centre = outer.getCentre();
        return std::make_pair (-overlap.getWidth() * overlap.getHeight(),
                               a.getConstrainedPoint (centre).getDistanceFrom (centre));
    };
    const auto display = *std::min_element (displayAreas.begin(), displayAreas.end(),
                                            [&rank] (auto a, auto b) { return rank (a) < rank (b); });
    auto room = frame.subtractedFrom (display);
    if (room.isEmpty())
        room = display;

    // Never so small (or so thin) that nobody finds it again.
    const double scale =
        std::min ({ 1.0, room.getWidth() / (double) saved.getWidth(), room.getHeight() / (double) saved.getHeight() });
    const auto side = [scale] (int length, int minimum, int available)
    { return juce::jlimit (std::min (minimum, available), available, (int) std::lround (length * scale)); };
    const int width = side (saved.getWidth(), defaultWidth / 4, room.getWidth());
    const int height = side (saved.getHeight(), defaultHeight / 4, room.getHeight());
    const auto x = juce::jlimit ((double) room.getX(), (double) (room.getRight() - width), (double) saved.getX());
    const auto y = juce::jlimit ((double) room.getY(), (double) (room.getBottom() - height), (double) saved.getY());
    return { (int) x, (int) y, width, height };
}
