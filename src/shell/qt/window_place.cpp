#include "shell/qt/window_place.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <exception>

namespace velira
{

QRect DesktopArea(const QWidget *window)
{
	const QScreen *screen = window->screen();
	if (screen == nullptr)
		screen = QGuiApplication::primaryScreen();
	return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

WindowPlace::WindowPlace(QWidget *window, Keeper keep)
    : QObject(window), window_(window), keep_(std::move(keep))
{
	// Started by the first move and not again by the ones after it, so a
	// window dragged for a long time is still kept every half second, and
	// its last place half a second after it stops.
	timer_.setSingleShot(true);
	timer_.setInterval(kInterval_ms);
	connect(&timer_, &QTimer::timeout, this, [this] { Keep(); });
	window_->installEventFilter(this);
}

void WindowPlace::Restore(const std::function<QRect()> &first_start)
{
	if (const std::optional<WindowPlacement> kept = LoadWindowPlacement()) {
		QRect placed(kept->x, kept->y, kept->width, kept->height);
		// A place on a desktop that is gone (another monitor) comes back
		// onto this one.
		const QRect desktop = DesktopArea(window_);
		if (!desktop.intersects(placed))
			placed.moveCenter(desktop.center());
		window_->setGeometry(placed);
		if (kept->maximized)
			window_->setWindowState(window_->windowState() | Qt::WindowMaximized);
		kept_ = kept;
	} else {
		window_->setGeometry(first_start());
	}
	restored_ = true;
}

void WindowPlace::Keep()
{
	timer_.stop();
	if (!restored_)
		return;
	const bool maximized = window_->isMaximized();
	const QRect normal = maximized ? window_->normalGeometry() : window_->geometry();
	if (!normal.isValid())
		return;
	const WindowPlacement place{normal.x(), normal.y(), normal.width(), normal.height(), maximized};
	if (kept_ == place)
		return;
	try {
		keep_(place);
		kept_ = place;
	} catch (const std::exception &) {
		// The window's place is a convenience: a settings file that cannot
		// be written is reported by the commands that the user chose.
	}
}

bool WindowPlace::eventFilter(QObject *watched, QEvent *event)
{
	if (watched == window_ && restored_ && window_->isVisible() && !timer_.isActive()) {
		switch (event->type()) {
		case QEvent::Move:
		case QEvent::Resize:
		case QEvent::WindowStateChange:
			timer_.start();
			break;
		default:
			break;
		}
	}
	return QObject::eventFilter(watched, event);
}

} // namespace velira
