#include "screen_reader/presence.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace velira
{

namespace
{

// The screen readers that present the desktop through the accessibility
// bus, by the names their processes go by.
constexpr std::array<std::string_view, 2> kScreenReaderNames = {"orca", "odilia"};

std::string_view BaseName(std::string_view path)
{
	const size_t slash = path.rfind('/');
	return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool IsScreenReaderName(std::string_view name)
{
	return std::find(kScreenReaderNames.begin(), kScreenReaderNames.end(), name) !=
	       kScreenReaderNames.end();
}

} // namespace

std::string_view ProgramCommand(const ListeningProgram &program)
{
	const std::vector<std::string> &arguments = program.arguments;
	if (arguments.empty())
		return {};
	const std::string_view command = BaseName(arguments[0]);
	// A script run by its interpreter: the first argument that is not an
	// option is the script (python3 -O /usr/bin/orca, python3 -m orca).
	if (command.substr(0, 6) != "python")
		return command;
	for (size_t i = 1; i < arguments.size(); ++i) {
		if (arguments[i] == "-m")
			continue;
		if (!arguments[i].empty() && arguments[i][0] == '-')
			continue;
		return BaseName(arguments[i]);
	}
	return command;
}

bool IsScreenReaderProgram(const ListeningProgram &program)
{
	return IsScreenReaderName(program.name) || IsScreenReaderName(ProgramCommand(program));
}

ScreenReaderPresence ChooseScreenReaderPresence(const ScreenReaderFacts &facts)
{
	const bool listener_is_reader =
	    facts.event_listeners.has_value() &&
	    std::any_of(facts.event_listeners->begin(), facts.event_listeners->end(), IsScreenReaderProgram);
	if (facts.desktop_switch.value_or(false) || facts.orca_service.value_or(false) ||
	    facts.keystroke_listeners.value_or(0) > 0 || listener_is_reader)
		return ScreenReaderPresence::kPresent;
	const bool all_answered = facts.desktop_switch.has_value() && facts.orca_service.has_value() &&
	                          facts.keystroke_listeners.has_value() && facts.event_listeners.has_value();
	return all_answered ? ScreenReaderPresence::kAbsent : ScreenReaderPresence::kUnknown;
}

} // namespace velira
