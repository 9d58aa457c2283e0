#pragma once

#include <exception>

// The windows' error boundary. Core failures are raised as errors that are
// not caught where they arise; they end the operation in progress, reach the
// error report (a message box with the error's text) and the shell runs on.
// Every handler of a window that reaches the core runs through RunHandler,
// so that no core error unwinds through Qt's event loop, which cannot carry
// it.
namespace velira
{

// Shows an error's text through the desktop's error report, and writes it
// to the standard error stream.
void ShowErrorMessage(const std::exception &error);

// Runs one event handler. An error it raises is reported and ends there:
// the window stays open and usable, and the caller goes on with whatever
// brings the window back into shape (menus enabled again, a dialog closed).
// Returns false when the handler raised. Only errors (std::exception) are
// caught: anything else is not a failure of the shell.
template <typename Handler> bool RunHandler(Handler &&handler)
{
	try {
		handler();
		return true;
	} catch (const std::exception &error) {
		ShowErrorMessage(error);
	}
	return false;
}

} // namespace velira
