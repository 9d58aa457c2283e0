#pragma once

#include "platform/cp1250.h"

#include <cstring>
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

// What the system says goes into messages in the shell's code page: a file's
// path is UTF-8 on the system (a folder /home/jiří shows as it is), and so is
// the system's reason for a failure in the user's language.
inline std::string PathForMessage(const std::string &utf8_path)
{
	return Cp1250FromUtf8(utf8_path);
}
inline std::string SystemReason(int error_number)
{
	return Cp1250FromUtf8(std::strerror(error_number));
}

} // namespace velira
