#pragma once

#include "settings/view_settings.h"

#include <QObject>
#include <QRect>
#include <QTimer>

#include <functional>
#include <optional>

class QWidget;

namespace velira
{

// The free area of the desktop on the window's screen.
QRect DesktopArea(const QWidget *window);

// The main window's place and size, kept in [view]: put back before the
// window is shown, kept while the window moves or changes size, at most once
// per half second, and on the way out. The five keys of a place go into the
// settings file in one write, so the file never holds half of a move.
class WindowPlace : public QObject
{
public:
	using Keeper = std::function<void(const WindowPlacement &)>;

	// `keep` writes a place; the settings file's [view] unless a test
	// watches the writes.
	explicit WindowPlace(QWidget *window, Keeper keep = SaveWindowPlacement);

	// Puts the window where [view] keeps it. Without a kept place (a first
	// start) it takes `first_start`, which is asked only then.
	void Restore(const std::function<QRect()> &first_start);
	// Keeps the window's place now, unless it is kept already.
	void Keep();

	// The shortest time between two writes while the window moves.
	static constexpr int kInterval_ms = 500;

protected:
	bool eventFilter(QObject *watched, QEvent *event) override;

private:
	QWidget *window_;
	Keeper keep_;
	QTimer timer_;
	bool restored_ = false;
	std::optional<WindowPlacement> kept_;
};

} // namespace velira
