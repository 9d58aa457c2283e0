#include "platform/qt/dbus_screen_reader.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

namespace velira
{

namespace
{

const QString kLauncherService = QStringLiteral("org.a11y.Bus");
const QString kLauncherPath = QStringLiteral("/org/a11y/bus");
const QString kRegistryService = QStringLiteral("org.a11y.atspi.Registry");
const QString kRegistryPath = QStringLiteral("/org/a11y/atspi/registry");
const QString kConnectionName = QStringLiteral("velira-screen-reader-watch");
// A bus that does not answer within this time is taken as none: the shell
// starts as fast without one.
constexpr int kStartUpTimeout_ms = 1000;
// Registering its listeners takes a screen reader dozens of calls; they are
// counted once after the last of them.
constexpr int kSettle_ms = 100;

// How many keystroke listeners a GetKeystrokeListeners reply lists:
// a(souua(iisi)u(bbb)), one entry per listener.
int CountKeystrokeListeners(const QDBusMessage &reply)
{
	if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
		return 0;
	const auto listeners = reply.arguments().at(0).value<QDBusArgument>();
	if (listeners.currentSignature() != QLatin1String("a(souua(iisi)u(bbb))"))
		return 0;
	int count = 0;
	listeners.beginArray();
	while (!listeners.atEnd()) {
		QString owner;
		QDBusObjectPath path;
		uint device = 0, types = 0, mask = 0;
		bool synchronous = false, preemptive = false, global = false;
		listeners.beginStructure();
		listeners >> owner >> path >> device >> types;
		listeners.beginArray();
		while (!listeners.atEnd()) {
			int code = 0, symbol = 0, state = 0;
			QString text;
			listeners.beginStructure();
			listeners >> code >> symbol >> text >> state;
			listeners.endStructure();
		}
		listeners.endArray();
		listeners >> mask;
		listeners.beginStructure();
		listeners >> synchronous >> preemptive >> global;
		listeners.endStructure();
		listeners.endStructure();
		++count;
	}
	listeners.endArray();
	return count;
}

bool ReadSwitch(const QDBusMessage &reply)
{
	if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
		return false;
	return reply.arguments().at(0).value<QDBusVariant>().variant().toBool();
}

} // namespace

DBusScreenReaderWatch::DBusScreenReaderWatch()
{
	ask_again_.setSingleShot(true);
	ask_again_.setInterval(kSettle_ms);
	connect(&ask_again_, &QTimer::timeout, this, [this] { AskListeners(false); });

	QDBusConnection session = QDBusConnection::sessionBus();
	if (!session.isConnected())
		return;
	session.connect(kLauncherService, kLauncherPath, QStringLiteral("org.freedesktop.DBus.Properties"),
	                QStringLiteral("PropertiesChanged"), this,
	                SLOT(StatusChanged(QString, QVariantMap, QStringList)));
	// The accessibility bus may come after the shell (a desktop that starts
	// it on demand).
	auto *launcher = new QDBusServiceWatcher(kLauncherService, session,
	                                         QDBusServiceWatcher::WatchForRegistration, this);
	connect(launcher, &QDBusServiceWatcher::serviceRegistered, this, [this] {
		ConnectToAccessibilityBus();
		AskStatus(false);
		AskListeners(false);
	});
	AskStatus(true);
	ConnectToAccessibilityBus();
	AskListeners(true);
}

DBusScreenReaderWatch::~DBusScreenReaderWatch()
{
	if (connected_)
		QDBusConnection::disconnectFromBus(kConnectionName);
}

void DBusScreenReaderWatch::ConnectToAccessibilityBus()
{
	if (connected_)
		return;
	const QDBusMessage reply = QDBusConnection::sessionBus().call(
	    QDBusMessage::createMethodCall(kLauncherService, kLauncherPath, kLauncherService,
	                                   QStringLiteral("GetAddress")),
	    QDBus::Block, kStartUpTimeout_ms);
	if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
		return;
	const QString address = reply.arguments().at(0).toString();
	if (address.isEmpty())
		return;
	QDBusConnection bus = QDBusConnection::connectToBus(address, kConnectionName);
	if (!bus.isConnected()) {
		QDBusConnection::disconnectFromBus(kConnectionName);
		return;
	}
	connected_ = true;
	for (const char *signal : {"EventListenerRegistered", "EventListenerDeregistered"})
		bus.connect(kRegistryService, kRegistryPath, kRegistryService, QString::fromLatin1(signal),
		            this, SLOT(ListenersMayHaveChanged()));
	// A screen reader that ends without a word leaves the bus; the registry
	// drops its listeners then.
	bus.connect(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
	            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameOwnerChanged"), this,
	            SLOT(ListenersMayHaveChanged()));
}

void DBusScreenReaderWatch::AskListeners(bool wait)
{
	if (!connected_)
		return;
	QDBusConnection bus(kConnectionName);
	const QDBusMessage call = QDBusMessage::createMethodCall(
	    kRegistryService, kRegistryPath + QStringLiteral("/deviceeventcontroller"),
	    QStringLiteral("org.a11y.atspi.DeviceEventController"), QStringLiteral("GetKeystrokeListeners"));
	Ask(bus, call, wait,
	    [this](const QDBusMessage &reply) { keystroke_listeners_ = CountKeystrokeListeners(reply); });
}

void DBusScreenReaderWatch::AskStatus(bool wait)
{
	QDBusMessage call = QDBusMessage::createMethodCall(kLauncherService, kLauncherPath,
	                                                   QStringLiteral("org.freedesktop.DBus.Properties"),
	                                                   QStringLiteral("Get"));
	call << QStringLiteral("org.a11y.Status") << QStringLiteral("ScreenReaderEnabled");
	Ask(QDBusConnection::sessionBus(), call, wait,
	    [this](const QDBusMessage &reply) { desktop_switch_ = ReadSwitch(reply); });
}

void DBusScreenReaderWatch::Ask(const QDBusConnection &bus, const QDBusMessage &call, bool wait,
                                const std::function<void(const QDBusMessage &)> &take)
{
	if (wait) {
		take(bus.call(call, QDBus::Block, kStartUpTimeout_ms));
		return;
	}
	auto *pending = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
	connect(pending, &QDBusPendingCallWatcher::finished, this, [take](QDBusPendingCallWatcher *done) {
		take(done->reply());
		done->deleteLater();
	});
}

void DBusScreenReaderWatch::StatusChanged(const QString &interface_name, const QVariantMap &changed,
                                          const QStringList &invalidated)
{
	if (interface_name != QLatin1String("org.a11y.Status"))
		return;
	const QString key = QStringLiteral("ScreenReaderEnabled");
	if (changed.contains(key))
		desktop_switch_ = changed.value(key).toBool();
	else if (invalidated.contains(key))
		AskStatus(false);
}

void DBusScreenReaderWatch::ListenersMayHaveChanged()
{
	ask_again_.start();
}

} // namespace velira
