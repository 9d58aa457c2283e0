#pragma once

#include "platform/screen_reader.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velira
{

// A process that listens to the accessibility registry's events, as the
// process table shows it.
struct ListeningProgram {
	std::string name;                   // the name the process goes by (/proc/PID/comm)
	std::vector<std::string> arguments; // its command line (/proc/PID/cmdline)
};

// What the session's buses tell of a screen reader. A fact stays empty until
// its source has answered; a source that cannot answer (no accessibility
// bus, an error, no answer in time) gives its "none" value, so that the
// presence becomes known without it.
struct ScreenReaderFacts {
	// The desktop's switch (org.a11y.Status ScreenReaderEnabled): set when
	// the desktop starts its screen reader, not when the user starts one by
	// hand.
	std::optional<bool> desktop_switch;
	// Orca's remote-control service has an owner on the session bus
	// (org.gnome.Orca.Service in Orca 49 and 50, org.gnome.Orca1.Service
	// from 51 on), however Orca was started.
	std::optional<bool> orca_service;
	// Keystroke listeners of the registry's device event controller: Orca up
	// to 45 takes the keys there; 46 and later take them from the window
	// system and register none.
	std::optional<int> keystroke_listeners;
	// The processes of the registry's event listeners: every Orca registers
	// object events, and names its process "orca".
	std::optional<std::vector<ListeningProgram>> event_listeners;
};

// Decides from the facts: any one that shows a screen reader suffices (each
// is proof on its own), and only when every source has answered is none
// there. So a first "yes" is acted on at once, without waiting for the
// slower sources.
ScreenReaderPresence ChooseScreenReaderPresence(const ScreenReaderFacts &facts);

// Whether a listening process is a screen reader: its name or its command
// (also as an interpreter's script: python3 /usr/bin/orca) is one of the
// screen readers that run on the accessibility bus, Orca and Odilia.
bool IsScreenReaderProgram(const ListeningProgram &program);

// The program a process runs: its command's base name, or the script's
// when the command is a Python interpreter (python3 /usr/bin/orca: orca).
std::string_view ProgramCommand(const ListeningProgram &program);

// Numbers the questions asked of one source, again and again as it changes,
// and lets through only an answer newer than the last one taken: an answer
// that arrives after a newer one (a slow reply after a change notice that
// carried the value) never overrides it. A notice that carries its value is
// a question answered at once: Take(Ask()).
class AnswerOrder
{
public:
	uint64_t Ask() { return ++asked_; }
	// Whether no question was asked after question `number`.
	bool IsLatest(uint64_t number) const { return number == asked_; }
	// True when the answer to question `number` is to be taken.
	bool Take(uint64_t number)
	{
		if (number <= taken_)
			return false;
		taken_ = number;
		return true;
	}

private:
	uint64_t asked_ = 0;
	uint64_t taken_ = 0;
};

} // namespace velira
