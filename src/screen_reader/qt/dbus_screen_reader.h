#pragma once

#include "screen_reader/presence.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QTimer>

#include <functional>
#include <map>

namespace velira
{

// Whether a screen reader runs, as the session's buses tell it. It gathers
// the facts that ChooseScreenReaderPresence weighs: the desktop's switch
// (org.a11y.Status), the owner of Orca's remote-control service on the
// session bus, and on the accessibility bus the registry's keystroke
// listeners and the processes of its event listeners. Every question is
// asked without waiting: the presence is unknown when the watch is made
// and becomes known as the answers come, after the window is shown. It
// asks again whenever a listener registers or leaves, Orca's service or the
// accessibility bus comes or goes (the watch rejoins a restarted bus), or
// the switch changes; a late answer never overrides a newer one.
class DBusScreenReaderWatch final : public QObject, public ScreenReaderWatch
{
	Q_OBJECT

public:
	// Watches `session`: the desktop's session bus, or a test's own.
	explicit DBusScreenReaderWatch(const QDBusConnection &session = QDBusConnection::sessionBus());
	~DBusScreenReaderWatch() override;

	ScreenReaderPresence Presence() const override { return presence_; }
	// The facts as they stand.
	const ScreenReaderFacts &Facts() const { return facts_; }

private slots:
	void StatusChanged(const QString &interface_name, const QVariantMap &changed,
	                   const QStringList &invalidated);
	void ListenersMayHaveChanged();
	void AccessibilityClientChanged(const QString &name, const QString &old_owner,
	                                const QString &new_owner);

private:
	struct OrcaName {
		AnswerOrder order;
		std::optional<bool> owned;
	};

	void AskStatus();
	void AskOrcaService(const QString &name);
	void TakeOrcaService(const QString &name, uint64_t question, bool owned);
	// Asks the session bus for the accessibility bus's address and connects
	// to it in the background: a connection's handshake waits for the bus.
	void Join();
	void Joined(uint64_t join, const QString &connection_name, bool connected);
	// The accessibility bus went (or was never there): its facts are none.
	void Leave();
	void AskRegistry();
	void AskProcesses(uint64_t question, const QStringList &bus_names);
	void TakeEventListeners(uint64_t question, const QStringList &bus_names);
	void Decide();
	// Sends `call` on `bus` and hands the reply, or the error that stands
	// for it, to `take` when it comes.
	void Ask(const QDBusConnection &bus, const QDBusMessage &call,
	         std::function<void(const QDBusMessage &)> take);

	QDBusConnection session_;
	ScreenReaderFacts facts_;
	ScreenReaderPresence presence_ = ScreenReaderPresence::kUnknown;
	AnswerOrder switch_order_;
	std::map<QString, OrcaName> orca_names_;
	AnswerOrder join_order_;
	AnswerOrder keystroke_order_;
	AnswerOrder listener_order_;
	// The joined accessibility bus's connection, by name; empty: none.
	QString bus_name_;
	int joins_ = 0;
	// The processes behind the listeners' unique bus names on the joined
	// bus: a name is never given again while that bus runs.
	std::map<QString, ListeningProgram> programs_;
	// The bus names of the listeners last counted, to notice one leave.
	QStringList event_names_;
	QStringList keystroke_names_;
	QTimer ask_again_;
};

} // namespace velira
