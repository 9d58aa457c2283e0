#pragma once

#include <stdexcept>
#include <string>

namespace velira
{

// A failure that carries its message text (code page 1250). Failures are not
// caught where they arise: they reach the window's error report, a message
// box, and the shell runs on.
class ShellError : public std::runtime_error
{
public:
	explicit ShellError(const std::string &message) : std::runtime_error(message) {}
};

} // namespace velira
