#pragma once

#include <QObject>

#include <functional>

namespace velira
{

// What the shell's controls report to the accessibility bridge, filtered:
// the focus of a control in a hidden window is left out, and so are the
// text events of one control (text inserted, removed or replaced,
// caret moved, selection changed) from the accessibility bridge while
// `quiet` holds: a screen reader reads a focused text control's line at each
// move of its caret, and the shell's screen moves its caret with every
// print. The control's text stays readable on request; only the events that
// make a screen reader speak on its own are left out. A null control ends
// the filtering.
void FilterAccessibilityEvents(QObject *control, std::function<bool()> quiet);

} // namespace velira
