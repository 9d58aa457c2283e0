// The screen-reader watch on a D-Bus session bus of the test's own, with the
// real accessibility bus launcher and registry on it, and stand-ins for Orca:
// a name claimed on the session bus, and a process named orca that
// registers an event listener with the registry, as Orca 46 and later do.
#include "fakes/fake_platform.h"
#include "screen_reader/qt/dbus_screen_reader.h"

#include <QDBusConnection>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

namespace velira
{
namespace
{

const char *const kLauncher = "/usr/libexec/at-spi-bus-launcher";

// Registers one event listener with the registry, as a screen reader does,
// and stays until it is ended.
const char *const kListener = R"(
import signal
import pyatspi
pyatspi.Registry.registerEventListener(lambda event: None, "object:state-changed:focused")
signal.pause()
)";

// The processes are started with posix_spawn, not QProcess: QProcess's
// child runs in this process's memory until it executes its program, which
// ThreadSanitizer takes for a fork after which no thread may start.
class ScreenReaderWatchOnABusTest : public ::testing::Test
{
protected:
	void SetUp() override
	{
#if defined(__SANITIZE_THREAD__)
		// QtDBus and Qt's thread pool hand calls, replies and the watch's
		// background connection between threads under Qt's own locks, which
		// ThreadSanitizer cannot see in the uninstrumented libraries.
		GTEST_SKIP() << "the watch's threads are Qt's, unseen by ThreadSanitizer";
#endif
		if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
			GTEST_SKIP() << "dbus-daemon is not installed";
		ASSERT_TRUE(folder.isValid());
		// A session bus that starts no service on demand: every service on
		// it is one the test started.
		const QString bus = folder.filePath(QStringLiteral("bus"));
		QFile config(folder.filePath(QStringLiteral("session.conf")));
		ASSERT_TRUE(config.open(QIODevice::WriteOnly));
		config.write(("<busconfig><type>session</type><listen>unix:path=" + bus.toStdString() +
		              "</listen><policy context=\"default\"><allow send_destination=\"*\" "
		              "eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/></policy>"
		              "</busconfig>")
		                 .c_str());
		config.close();
		address = QStringLiteral("unix:path=") + bus;
		environment = {"DBUS_SESSION_BUS_ADDRESS=" + address.toStdString(),
		               "XDG_RUNTIME_DIR=" + folder.path().toStdString(),
		               "HOME=" + folder.path().toStdString(), "PATH=/usr/bin:/bin"};
		daemon = Spawn(
		    {"/usr/bin/dbus-daemon", "--nofork", "--config-file=" + config.fileName().toStdString()});
		ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(bus); }, testing::kWait_ms))
		    << "no session bus";
		session = std::make_unique<QDBusConnection>(
		    QDBusConnection::connectToBus(address, QStringLiteral("test-session")));
		ASSERT_TRUE(session->isConnected());
	}

	void TearDown() override
	{
		// A skipped test has started nothing, QtDBus's thread included.
		if (IsSkipped())
			return;
		for (pid_t *process : {&orca, &launcher})
			Stop(*process);
		session.reset();
		QDBusConnection::disconnectFromBus(QStringLiteral("test-session"));
		QDBusConnection::disconnectFromBus(QStringLiteral("test-orca"));
		Stop(daemon);
	}

	pid_t Spawn(std::vector<std::string> command)
	{
		std::vector<char *> argv;
		for (std::string &argument : command)
			argv.push_back(argument.data());
		argv.push_back(nullptr);
		std::vector<char *> env;
		for (std::string &entry : environment)
			env.push_back(entry.data());
		env.push_back(nullptr);
		pid_t pid = 0;
		EXPECT_EQ(posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), env.data()), 0)
		    << argv[0];
		return pid;
	}

	// Ends the process (at once: each ends on SIGTERM) and reaps it.
	static void Stop(pid_t &pid)
	{
		if (pid <= 0)
			return;
		kill(pid, SIGTERM);
		waitpid(pid, nullptr, 0);
		pid = 0;
	}

	void StartLauncher()
	{
		launcher = Spawn({kLauncher, "--launch-immediately"});
	}

	// A process whose name is orca (the interpreter started under that
	// name) with an event listener on the accessibility bus.
	void StartOrca()
	{
		const QString orca_name = folder.filePath(QStringLiteral("orca"));
		QFile::remove(orca_name);
		ASSERT_TRUE(QFile::link(QStringLiteral("/usr/bin/python3"), orca_name));
		orca = Spawn({orca_name.toStdString(), "-c", kListener});
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
	pid_t daemon = 0;
	pid_t launcher = 0;
	pid_t orca = 0;
	QString address;
	std::vector<std::string> environment;
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
	if (!QFile::exists(QString::fromLatin1(kLauncher)) ||
	    !QFile::exists(QStringLiteral("/usr/lib/python3/dist-packages/pyatspi")))
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
