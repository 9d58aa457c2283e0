#pragma once

#include <string>

namespace velira
{

// What decides the Qt platform the shell runs on, read before the
// application is made.
struct WindowSystemFacts {
	std::string qt_platform;     // QT_QPA_PLATFORM or the -platform argument, as the user set it
	std::string x_display;       // DISPLAY or -display: an X server, or XWayland in a Wayland session
	std::string wayland_display; // WAYLAND_DISPLAY
	bool wayland_plugin = false; // Qt's Wayland platform (Debian's qt6-wayland) is installed
};

// The shell's keys, its held-key query and BRLTTY's focus rules are proven
// on X11, so the shell asks for Qt's X11 platform (`xcb`) whenever there is
// an X server, XWayland in a Wayland session included, instead of letting
// Qt take its Wayland platform there. A platform the user set is kept.
struct WindowSystemChoice {
	std::string platform;  // what to ask Qt for; empty: leave the choice as it is
	std::string notice;    // what to tell the user on standard error; empty: nothing
	bool can_start = true; // false: no window system the shell can show its window on
};

WindowSystemChoice ChooseWindowSystem(const WindowSystemFacts &facts);

// The facts of this process: its environment, the arguments Qt reads
// (-platform, -display) and Qt's plugin folder.
WindowSystemFacts ProbeWindowSystem(int argc, char *argv[]);

// Puts the choice into the environment for the application about to be made
// and prints its notice; false when the shell cannot start.
bool ApplyWindowSystemChoice(const WindowSystemChoice &choice);

} // namespace velira
