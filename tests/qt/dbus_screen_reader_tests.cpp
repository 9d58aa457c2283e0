// The screen-reader watch on a D-Bus session bus of the test's own, with the
// real accessibility bus launcher and registry on it, and stand-ins for Orca:
// a name claimed on the session bus, and a process named orca that
// registers an event listener with the registry, as Orca 46 and later do.
#include "fakes/fake_platform.h"
#include "platform/qt/dbus_screen_reader.h"

#include <QDBusConnection>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace velira
{
namespace
{

const QString kLauncher = QStringLiteral("/usr/libexec/at-spi-bus-launcher");

// Registers one event listener with the registry, as a screen reader does,
// says so, and stays until its input closes.
const char *const kListener = R"(
import sys
import pyatspi
pyatspi.Registry.registerEventListener(lambda event: None, "object:state-changed:focused")
print("registered", flush=True)
sys.stdin.read()
)";

class ScreenReaderWatchOnABusTest : public ::testing::Test
{
protected:
	void SetUp() override
	{
		if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
			GTEST_SKIP() << "dbus-daemon is not installed";
		// A session bus that starts no service on demand: every service on
		// it is one the test started.
		QFile config(folder.filePath(QStringLiteral("session.conf")));
		ASSERT_TRUE(config.open(QIODevice::WriteOnly));
		config.write("<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>"
		             "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
		             "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>");
		config.close();
		daemon.start(QStringLiteral("dbus-daemon"),
		             {QStringLiteral("--nofork"), QStringLiteral("--print-address=1"),
		              QStringLiteral("--config-file=") + config.fileName()});
		ASSERT_TRUE(daemon.waitForStarted(testing::kWait_ms));
		while (!daemon.canReadLine())
			ASSERT_TRUE(daemon.waitForReadyRead(testing::kWait_ms)) << "no bus address";
		address = QString::fromUtf8(daemon.readLine().trimmed());
		session = std::make_unique<QDBusConnection>(
		    QDBusConnection::connectToBus(address, QStringLiteral("test-session")));
		ASSERT_TRUE(session->isConnected());
		environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
		environment.remove(QStringLiteral("DISPLAY"));
		environment.remove(QStringLiteral("AT_SPI_BUS_ADDRESS"));
	}

	void TearDown() override
	{
		for (QProcess *process : {&orca, &launcher})
			Stop(*process);
		session.reset();
		QDBusConnection::disconnectFromBus(QStringLiteral("test-session"));
		QDBusConnection::disconnectFromBus(QStringLiteral("test-orca"));
		Stop(daemon);
	}

	static void Stop(QProcess &process)
	{
		if (process.state() == QProcess::NotRunning)
			return;
		process.terminate();
		if (!process.waitForFinished(testing::kWait_ms))
			process.kill();
		process.waitForFinished(testing::kWait_ms);
	}

	void StartLauncher()
	{
		launcher.setProcessEnvironment(environment);
		launcher.start(kLauncher, {QStringLiteral("--launch-immediately")});
		ASSERT_TRUE(launcher.waitForStarted(testing::kWait_ms));
	}

	// A process whose name is orca (the interpreter started under that
	// name) with an event listener on the accessibility bus.
	void StartOrca()
	{
		const QString orca_name = folder.filePath(QStringLiteral("orca"));
		QFile::remove(orca_name);
		ASSERT_TRUE(QFile::link(QStringLiteral("/usr/bin/python3"), orca_name));
		orca.setProcessEnvironment(environment);
		orca.start(orca_name, {QStringLiteral("-c"), QString::fromUtf8(kListener)});
		ASSERT_TRUE(orca.waitForStarted(testing::kWait_ms));
		while (!orca.canReadLine())
			ASSERT_TRUE(orca.waitForReadyRead(testing::kWait_ms))
			    << "the listener did not register: " << orca.readAllStandardError().toStdString();
	}

	bool WaitFor(const DBusScreenReaderWatch &watch, ScreenReaderPresence presence)
	{
		return QTest::qWaitFor([&] { return watch.Presence() == presence; }, testing::kWait_ms);
	}

	static bool OrcaListens(const DBusScreenReaderWatch &watch)
	{
		const auto &listeners = watch.Facts().event_listeners;
		return listeners.has_value() &&
		       std::any_of(listeners->begin(), listeners->end(), IsScreenReaderProgram);
	}

	QTemporaryDir folder;
	QProcess daemon;
	QProcess launcher;
	QProcess orca;
	QString address;
	QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
	std::unique_ptr<QDBusConnection> session;
};

// Without an accessibility bus the presence becomes known from the session
// bus alone; Orca's service (49 on) is noticed as it appears and vanishes,
// under either of its names, and each change is told.
TEST_F(ScreenReaderWatchOnABusTest, OrcasServiceIsNoticedAsItComesAndGoes)
{
	DBusScreenReaderWatch watch(*session);
	int told = 0;
	const auto subscription = watch.changed.Add([&told] { ++told; });
	EXPECT_EQ(watch.Presence(), ScreenReaderPresence::kUnknown) << "nothing is waited for";
	ASSERT_TRUE(WaitFor(watch, ScreenReaderPresence::kAbsent));
	EXPECT_EQ(told, 1);

	QDBusConnection orca_bus = QDBusConnection::connectToBus(address, QStringLiteral("test-orca"));
	for (const char *name : {"org.gnome.Orca1.Service", "org.gnome.Orca.Service"}) {
		SCOPED_TRACE(name);
		ASSERT_TRUE(orca_bus.registerService(QString::fromLatin1(name)));
		EXPECT_TRUE(WaitFor(watch, ScreenReaderPresence::kPresent));
		ASSERT_TRUE(orca_bus.unregisterService(QString::fromLatin1(name)));
		EXPECT_TRUE(WaitFor(watch, ScreenReaderPresence::kAbsent));
	}
	EXPECT_EQ(told, 5);
}

// Orca 46 and later on the accessibility bus: no keystroke listener, no
// switch, only its event listeners, whose process is named orca. The watch
// rejoins the accessibility bus when it is started again.
TEST_F(ScreenReaderWatchOnABusTest, AnOrcaOnTheAccessibilityBusIsNoticedAlsoAfterTheBusRestarts)
{
	if (!QFile::exists(kLauncher) ||
	    QProcess::execute(QStringLiteral("/usr/bin/python3"),
	                      {QStringLiteral("-c"), QStringLiteral("import pyatspi")}) != 0)
		GTEST_SKIP() << "the AT-SPI bus launcher or python3-pyatspi is not installed";
	StartLauncher();
	DBusScreenReaderWatch watch(*session);
	ASSERT_TRUE(WaitFor(watch, ScreenReaderPresence::kAbsent));
	EXPECT_EQ(watch.Facts().keystroke_listeners, 0);

	for (const char *round : {"first bus", "bus started again"}) {
		SCOPED_TRACE(round);
		StartOrca();
		EXPECT_TRUE(WaitFor(watch, ScreenReaderPresence::kPresent));
		EXPECT_TRUE(OrcaListens(watch));
		EXPECT_EQ(watch.Facts().desktop_switch, false);
		Stop(orca);
		EXPECT_TRUE(WaitFor(watch, ScreenReaderPresence::kAbsent)) << "Orca left the bus";

		Stop(launcher);
		StartLauncher();
	}
}

} // namespace
} // namespace velira
