#pragma once

#include <QApplication>
#include <QtGlobal>

namespace velira::testing
{

// What the window tests' one application object holds between tests, as at
// its start: the screen-reader key gate with the keys it holds back, and
// its connections to a window. Runs after every test.
void ResetApplication();

// Makes `window` the active window at once, as the window system would when
// the user gives it the keyboard. Qt 6.5 deprecates the call for programs,
// which ask the window system instead; the offscreen platform has none to
// ask.
inline void SetActiveWindow(QWidget *window)
{
	QT_WARNING_PUSH
	QT_WARNING_DISABLE_DEPRECATED
	QApplication::setActiveWindow(window);
	QT_WARNING_POP
}

} // namespace velira::testing
