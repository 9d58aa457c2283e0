#pragma once

#include <string>

namespace velira
{

// What the core asks of the desktop beyond the message loop: a modal message
// box and ending the process at once.
class Desktop
{
public:
	virtual ~Desktop() = default;

	// Shows a modal message box with `text` (code page 1250) and returns when
	// the user has closed it.
	virtual void ShowMessage(const std::string &text) = 0;

	// The error report: a message box with the failure's text.
	virtual void ShowError(const std::string &text) { ShowMessage(text); }

	// Ends the process at once with `exit_code`; nothing after it runs.
	[[noreturn]] virtual void TerminateProcess(int exit_code) = 0;
};

} // namespace velira
