#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <vector>

namespace velira
{

// What the shell's controls report to the accessibility bridge, filtered:
// the focus of a control in a hidden window is left out, and so are the
// text events of the device's controls (text inserted, removed or replaced,
// caret moved, selection changed) from the accessibility bridge while
// `quiet` holds: a screen reader reads a focused text control's line at each
// move of its caret, and the shell's screen moves its caret with every
// print; in the data-entry field the shell echoes what is typed and read
// itself. The controls' text stays readable on request; only the events
// that make a screen reader speak on its own are left out. No controls end
// the filtering.
void FilterAccessibilityEvents(std::vector<QObject *> controls, std::function<bool()> quiet);

// Hands `message` to the screen reader to present in its own voice and on
// its braille display, as an announcement of the shell's active window
// (Qt 6.8 and later, where a screen reader listens). Returns false where
// it cannot: older Qt, no accessibility bridge, no window; the caller then
// says it itself.
bool AnnounceToScreenReader(const QString &message);

} // namespace velira
