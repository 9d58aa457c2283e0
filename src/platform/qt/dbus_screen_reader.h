#pragma once

#include "platform/screen_reader.h"

#include <QDBusConnection>
#include <QObject>
#include <QTimer>

#include <functional>

namespace velira
{

// Whether a screen reader runs, as the accessibility buses of the session
// tell it: the desktop's switch (org.a11y.Status ScreenReaderEnabled, set
// when the desktop starts one), or a client of the AT-SPI registry that
// listens to the keystrokes, as a screen reader does however it was started.
// It asks once when it is made, so the answer holds at start-up, and asks
// again whenever a client of the registry registers or drops its event
// listeners or leaves the bus, or the desktop's switch changes.
class DBusScreenReaderWatch final : public QObject, public ScreenReaderWatch
{
	Q_OBJECT

public:
	DBusScreenReaderWatch();
	~DBusScreenReaderWatch() override;

	bool ScreenReaderRunning() const override { return desktop_switch_ || keystroke_listeners_ > 0; }

private slots:
	void StatusChanged(const QString &interface_name, const QVariantMap &changed,
	                   const QStringList &invalidated);
	void ListenersMayHaveChanged();

private:
	void ConnectToAccessibilityBus();
	void AskListeners(bool wait);
	void AskStatus(bool wait);
	// Makes `call` on `bus` and hands the reply to `take`: at once when
	// `wait` (at start-up, bounded), else when it comes.
	void Ask(const QDBusConnection &bus, const QDBusMessage &call, bool wait,
	         const std::function<void(const QDBusMessage &)> &take);

	bool desktop_switch_ = false;
	int keystroke_listeners_ = 0;
	bool connected_ = false;
	QTimer ask_again_;
};

} // namespace velira
