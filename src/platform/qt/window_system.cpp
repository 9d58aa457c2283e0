#include "platform/qt/window_system.h"

#include <QDir>
#include <QDirIterator>
#include <QLibraryInfo>

#include <cstdio>
#include <cstdlib>

namespace velira
{

namespace
{

std::string Environment(const char *name)
{
	const char *value = std::getenv(name);
	return value != nullptr ? value : "";
}

} // namespace

WindowSystemChoice ChooseWindowSystem(const WindowSystemFacts &facts)
{
	if (!facts.qt_platform.empty())
		return {};
	if (!facts.x_display.empty())
		return {"xcb", "", true};
	if (!facts.wayland_display.empty() && facts.wayland_plugin)
		return {"wayland",
		        "velira: no X server (DISPLAY is not set): the window runs on Wayland itself, "
		        "where the keys held are not asked of the window system and BRLTTY cannot tell "
		        "which window has the focus; with XWayland the shell runs on X11.",
		        true};
	if (!facts.wayland_display.empty())
		return {"",
		        "velira: no X server (DISPLAY is not set) and no Qt Wayland platform (the package "
		        "qt6-wayland): start XWayland or install qt6-wayland.",
		        false};
	return {"", "velira: no window system: neither DISPLAY nor WAYLAND_DISPLAY is set.", false};
}

WindowSystemFacts ProbeWindowSystem(int argc, char *argv[])
{
	WindowSystemFacts facts;
	facts.qt_platform = Environment("QT_QPA_PLATFORM");
	facts.x_display = Environment("DISPLAY");
	facts.wayland_display = Environment("WAYLAND_DISPLAY");
	// Qt's own arguments win over the environment, as in Qt.
	for (int i = 1; i + 1 < argc; ++i) {
		const std::string argument = argv[i];
		if (argument == "-platform" || argument == "--platform")
			facts.qt_platform = argv[i + 1];
		else if (argument == "-display" || argument == "--display")
			facts.x_display = argv[i + 1];
	}
	// Compared by hand: a name filter would be made into a regular
	// expression, whose compiler takes half a megabyte of memory for the
	// life of the process.
	QDirIterator platforms(QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms"),
	                       QDir::Files);
	while (platforms.hasNext() && !facts.wayland_plugin) {
		const QString name = platforms.next().section(QLatin1Char('/'), -1);
		facts.wayland_plugin =
		    name.startsWith(QLatin1String("libqwayland-")) && name.endsWith(QLatin1String(".so"));
	}
	return facts;
}

bool ApplyWindowSystemChoice(const WindowSystemChoice &choice)
{
	if (!choice.notice.empty())
		std::fprintf(stderr, "%s\n", choice.notice.c_str());
	if (!choice.platform.empty())
		setenv("QT_QPA_PLATFORM", choice.platform.c_str(), 1);
	return choice.can_start;
}

} // namespace velira
