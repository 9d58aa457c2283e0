#include "screen_reader/qt/dbus_screen_reader.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QFile>
#include <QPointer>
#include <QThreadPool>

#include <memory>

namespace velira
{

namespace
{

const QString kLauncherService = QStringLiteral("org.a11y.Bus");
const QString kLauncherPath = QStringLiteral("/org/a11y/bus");
const QString kRegistryService = QStringLiteral("org.a11y.atspi.Registry");
const QString kRegistryPath = QStringLiteral("/org/a11y/atspi/registry");
const QString kControllerPath = QStringLiteral("/org/a11y/atspi/registry/deviceeventcontroller");
const QString kControllerInterface = QStringLiteral("org.a11y.atspi.DeviceEventController");
const QString kBusService = QStringLiteral("org.freedesktop.DBus");
const QString kBusPath = QStringLiteral("/org/freedesktop/DBus");
const QString kPropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
// Orca's remote-control service: without the "1" in Orca 49 and 50.
const QStringList kOrcaServices = {QStringLiteral("org.gnome.Orca1.Service"),
                                   QStringLiteral("org.gnome.Orca.Service")};
// A source that does not answer within this time is taken as showing no
// screen reader, so that the presence becomes known; a busy desktop starting
// its accessibility bus on demand answers well within it.
constexpr int kAnswerTimeout_ms = 5000;
// Registering its listeners takes a screen reader dozens of calls; they are
// counted once after the last of them.
constexpr int kSettle_ms = 100;

bool IsReply(const QDBusMessage &reply)
{
	return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty();
}

// How many keystroke listeners a GetKeystrokeListeners reply lists, and
// their bus names: a(souua(iisi)u(bbb)), one entry per listener.
int ReadKeystrokeListeners(const QDBusMessage &reply, QStringList &owners)
{
	if (!IsReply(reply))
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
		owners.append(owner);
		++count;
	}
	listeners.endArray();
	return count;
}

// The bus names of a GetRegisteredEvents reply, each once: an array of
// structures whose first member is the listener's bus name, then the event
// (and, in some versions of the registry, more members).
QStringList ReadEventListeners(const QDBusMessage &reply)
{
	QStringList names;
	if (!IsReply(reply))
		return names;
	const auto events = reply.arguments().at(0).value<QDBusArgument>();
	if (!events.currentSignature().startsWith(QLatin1String("a(s")))
		return names;
	events.beginArray();
	while (!events.atEnd()) {
		events.beginStructure();
		QString name;
		events >> name;
		while (!events.atEnd())
			events.asVariant();
		events.endStructure();
		if (!names.contains(name))
			names.append(name);
	}
	events.endArray();
	return names;
}

bool ReadSwitch(const QDBusMessage &reply)
{
	return IsReply(reply) && reply.arguments().at(0).value<QDBusVariant>().variant().toBool();
}

// The process as its entries under /proc show it; empty when it is gone or
// lives in another process namespace than the bus that named it.
ListeningProgram ReadProgram(uint pid)
{
	ListeningProgram program;
	QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
	if (comm.open(QIODevice::ReadOnly))
		program.name = comm.readAll().trimmed().toStdString();
	QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
	if (cmdline.open(QIODevice::ReadOnly))
		for (const QByteArray &argument : cmdline.readAll().split('\0'))
			if (!argument.isEmpty())
				program.arguments.push_back(argument.toStdString());
	return program;
}

} // namespace

DBusScreenReaderWatch::DBusScreenReaderWatch(const QDBusConnection &session) : session_(session)
{
	ask_again_.setSingleShot(true);
	ask_again_.setInterval(kSettle_ms);
	connect(&ask_again_, &QTimer::timeout, this, [this] { AskRegistry(); });

	if (!session_.isConnected()) {
		// No session bus: no source can answer.
		facts_.desktop_switch = false;
		facts_.orca_service = false;
		Leave();
		return;
	}
	// Signals are matched from any sender: naming a well-known service makes
	// QtDBus ask the bus for its owner and wait for the answer.
	session_.connect(QString(), kLauncherPath, kPropertiesInterface, QStringLiteral("PropertiesChanged"),
	                 this, SLOT(StatusChanged(QString, QVariantMap, QStringList)));
	// The accessibility bus may come after the shell (a desktop that starts
	// it on demand), go, and come again.
	auto *launcher = new QDBusServiceWatcher(kLauncherService, session_,
	                                         QDBusServiceWatcher::WatchForOwnerChange, this);
	connect(launcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
	        [this](const QString &, const QString &, const QString &new_owner) {
		        if (new_owner.isEmpty()) {
			        facts_.desktop_switch = false;
			        switch_order_.Take(switch_order_.Ask());
			        Leave();
			        return;
		        }
		        AskStatus();
		        Join();
	        });
	auto *orca = new QDBusServiceWatcher(this);
	orca->setConnection(session_);
	orca->setWatchMode(QDBusServiceWatcher::WatchForOwnerChange);
	orca->setWatchedServices(kOrcaServices);
	connect(orca, &QDBusServiceWatcher::serviceOwnerChanged, this,
	        [this](const QString &name, const QString &, const QString &new_owner) {
		        OrcaName &known = orca_names_[name];
		        TakeOrcaService(name, known.order.Ask(), !new_owner.isEmpty());
	        });
	AskStatus();
	for (const QString &name : kOrcaServices)
		AskOrcaService(name);
	Join();
}

// The joined bus's connection is left to QtDBus, which drops this watch's
// signal hooks as the watch goes: closing it here would have QtDBus's thread
// undo the hooks while the watch is being destroyed.
DBusScreenReaderWatch::~DBusScreenReaderWatch() = default;

void DBusScreenReaderWatch::Ask(const QDBusConnection &bus, const QDBusMessage &call,
                                std::function<void(const QDBusMessage &)> take)
{
	auto *pending = new QDBusPendingCallWatcher(bus.asyncCall(call, kAnswerTimeout_ms), this);
	connect(pending, &QDBusPendingCallWatcher::finished, this,
	        [take = std::move(take)](QDBusPendingCallWatcher *done) {
		        take(done->reply());
		        done->deleteLater();
	        });
}

void DBusScreenReaderWatch::AskStatus()
{
	QDBusMessage call = QDBusMessage::createMethodCall(kLauncherService, kLauncherPath,
	                                                   kPropertiesInterface, QStringLiteral("Get"));
	call << QStringLiteral("org.a11y.Status") << QStringLiteral("ScreenReaderEnabled");
	const uint64_t question = switch_order_.Ask();
	Ask(session_, call, [this, question](const QDBusMessage &reply) {
		if (!switch_order_.Take(question))
			return;
		facts_.desktop_switch = ReadSwitch(reply);
		Decide();
	});
}

void DBusScreenReaderWatch::StatusChanged(const QString &interface_name, const QVariantMap &changed,
                                          const QStringList &invalidated)
{
	if (interface_name != QLatin1String("org.a11y.Status"))
		return;
	const QString key = QStringLiteral("ScreenReaderEnabled");
	if (changed.contains(key)) {
		switch_order_.Take(switch_order_.Ask());
		facts_.desktop_switch = changed.value(key).toBool();
		Decide();
	} else if (invalidated.contains(key)) {
		AskStatus();
	}
}

void DBusScreenReaderWatch::AskOrcaService(const QString &name)
{
	QDBusMessage call = QDBusMessage::createMethodCall(kBusService, kBusPath, kBusService,
	                                                   QStringLiteral("NameHasOwner"));
	call << name;
	const uint64_t question = orca_names_[name].order.Ask();
	Ask(session_, call, [this, name, question](const QDBusMessage &reply) {
		TakeOrcaService(name, question, IsReply(reply) && reply.arguments().at(0).toBool());
	});
}

void DBusScreenReaderWatch::TakeOrcaService(const QString &name, uint64_t question, bool owned)
{
	OrcaName &known = orca_names_[name];
	if (!known.order.Take(question))
		return;
	known.owned = owned;
	bool any = false;
	for (const QString &service : kOrcaServices) {
		const std::optional<bool> &answer = orca_names_[service].owned;
		if (!answer.has_value())
			return;
		any = any || *answer;
	}
	facts_.orca_service = any;
	Decide();
}

void DBusScreenReaderWatch::Join()
{
	const uint64_t join = join_order_.Ask();
	Ask(session_,
	    QDBusMessage::createMethodCall(kLauncherService, kLauncherPath, kLauncherService,
	                                   QStringLiteral("GetAddress")),
	    [this, join](const QDBusMessage &reply) {
		    if (!join_order_.IsLatest(join))
			    return;
		    const QString address = IsReply(reply) ? reply.arguments().at(0).toString() : QString();
		    if (address.isEmpty()) {
			    Leave();
			    return;
		    }
		    const QString name = QStringLiteral("velira-screen-reader-watch-%1").arg(++joins_);
		    QPointer<DBusScreenReaderWatch> self(this);
		    QThreadPool::globalInstance()->start([self, address, name, join] {
			    const bool connected = QDBusConnection::connectToBus(address, name).isConnected();
			    QCoreApplication *application = QCoreApplication::instance();
			    if (application == nullptr)
				    return;
			    QMetaObject::invokeMethod(
			        application,
			        [self, name, join, connected] {
				        if (self)
					        self->Joined(join, name, connected);
				        else
					        QDBusConnection::disconnectFromBus(name);
			        },
			        Qt::QueuedConnection);
		    });
	    });
}

void DBusScreenReaderWatch::Joined(uint64_t join, const QString &connection_name, bool connected)
{
	if (!join_order_.IsLatest(join) || !connected) {
		QDBusConnection::disconnectFromBus(connection_name);
		if (join_order_.IsLatest(join))
			Leave();
		return;
	}
	if (!bus_name_.isEmpty())
		QDBusConnection::disconnectFromBus(bus_name_);
	bus_name_ = connection_name;
	programs_.clear();
	QDBusConnection bus(bus_name_);
	for (const char *signal : {"EventListenerRegistered", "EventListenerDeregistered"})
		bus.connect(QString(), kRegistryPath, kRegistryService, QString::fromLatin1(signal), this,
		            SLOT(ListenersMayHaveChanged()));
	for (const char *signal : {"KeystrokeListenerRegistered", "KeystrokeListenerDeregistered"})
		bus.connect(QString(), kControllerPath, kControllerInterface, QString::fromLatin1(signal),
		            this, SLOT(ListenersMayHaveChanged()));
	// A screen reader that ends without a word leaves the bus; the registry
	// drops its listeners then.
	bus.connect(kBusService, kBusPath, kBusService, QStringLiteral("NameOwnerChanged"), this,
	            SLOT(AccessibilityClientChanged(QString, QString, QString)));
	AskRegistry();
}

void DBusScreenReaderWatch::Leave()
{
	join_order_.Ask();
	if (!bus_name_.isEmpty())
		QDBusConnection::disconnectFromBus(bus_name_);
	bus_name_.clear();
	programs_.clear();
	event_names_.clear();
	keystroke_names_.clear();
	ask_again_.stop();
	keystroke_order_.Take(keystroke_order_.Ask());
	listener_order_.Take(listener_order_.Ask());
	facts_.keystroke_listeners = 0;
	facts_.event_listeners = std::vector<ListeningProgram>();
	Decide();
}

void DBusScreenReaderWatch::ListenersMayHaveChanged()
{
	ask_again_.start();
}

void DBusScreenReaderWatch::AccessibilityClientChanged(const QString &name, const QString &,
                                                       const QString &new_owner)
{
	if (!new_owner.isEmpty() || !(event_names_.contains(name) || keystroke_names_.contains(name)))
		return;
	programs_.erase(name);
	ask_again_.start();
}

void DBusScreenReaderWatch::AskRegistry()
{
	if (bus_name_.isEmpty())
		return;
	const QDBusConnection bus(bus_name_);
	const QString asked_on = bus_name_;
	const uint64_t keystrokes = keystroke_order_.Ask();
	Ask(bus,
	    QDBusMessage::createMethodCall(kRegistryService, kControllerPath, kControllerInterface,
	                                   QStringLiteral("GetKeystrokeListeners")),
	    [this, keystrokes, asked_on](const QDBusMessage &reply) {
		    if (asked_on != bus_name_ || !keystroke_order_.Take(keystrokes))
			    return;
		    keystroke_names_.clear();
		    facts_.keystroke_listeners = ReadKeystrokeListeners(reply, keystroke_names_);
		    Decide();
	    });
	const uint64_t events = listener_order_.Ask();
	Ask(bus,
	    QDBusMessage::createMethodCall(kRegistryService, kRegistryPath, kRegistryService,
	                                   QStringLiteral("GetRegisteredEvents")),
	    [this, events, asked_on](const QDBusMessage &reply) {
		    if (asked_on != bus_name_ || !listener_order_.IsLatest(events))
			    return;
		    AskProcesses(events, ReadEventListeners(reply));
	    });
}

void DBusScreenReaderWatch::AskProcesses(uint64_t question, const QStringList &bus_names)
{
	QStringList unknown;
	for (const QString &name : bus_names)
		if (programs_.count(name) == 0)
			unknown.append(name);
	if (unknown.isEmpty()) {
		TakeEventListeners(question, bus_names);
		return;
	}
	const QDBusConnection bus(bus_name_);
	const QString asked_on = bus_name_;
	auto waiting = std::make_shared<int>(static_cast<int>(unknown.size()));
	for (const QString &name : unknown) {
		QDBusMessage call = QDBusMessage::createMethodCall(
		    kBusService, kBusPath, kBusService, QStringLiteral("GetConnectionUnixProcessID"));
		call << name;
		Ask(bus, call,
		    [this, asked_on, name, question, bus_names, waiting](const QDBusMessage &reply) {
			    if (asked_on != bus_name_)
				    return;
			    // A name that left meanwhile has no process: it is no listener.
			    programs_[name] = IsReply(reply) ? ReadProgram(reply.arguments().at(0).toUInt())
			                                     : ListeningProgram();
			    if (--*waiting == 0)
				    TakeEventListeners(question, bus_names);
		    });
	}
}

void DBusScreenReaderWatch::TakeEventListeners(uint64_t question, const QStringList &bus_names)
{
	if (!listener_order_.Take(question))
		return;
	std::vector<ListeningProgram> programs;
	for (const QString &name : bus_names)
		programs.push_back(programs_[name]);
	event_names_ = bus_names;
	facts_.event_listeners = std::move(programs);
	Decide();
}

void DBusScreenReaderWatch::Decide()
{
	const ScreenReaderPresence presence = ChooseScreenReaderPresence(facts_);
	if (presence == presence_)
		return;
	presence_ = presence;
	changed.Notify();
}

} // namespace velira
