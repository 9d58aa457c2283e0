#pragma once

#include <QObject>

#include <functional>

namespace velira
{

// Keeps the text events of one control (text inserted, removed or replaced,
// caret moved, selection changed) from the accessibility bridge while
// `quiet` holds: a screen reader reads a focused text control's line at each
// move of its caret, and the shell's screen moves its caret with every
// print. The control's text stays readable on request; only the events that
// make a screen reader speak on its own are left out. One control at a
// time; a null control ends it.
void QuietTextEventsOf(QObject *control, std::function<bool()> quiet);

} // namespace velira
