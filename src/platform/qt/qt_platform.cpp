#include "platform/qt/qt_platform.h"

#include "platform/cp1250.h"
#include "platform/qt/held_key_query.h"
#include "platform/qt/key_mapping.h"
#include "platform/qt/qt_text.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace velira
{

namespace
{
// A poll that comes sooner than this after the previous one returned means
// that the program does nothing between its polls.
constexpr auto kBusyPollGap = std::chrono::milliseconds(1);
// How long such a poll waits for a message: short enough that a polling
// loop still runs several hundred times a second, long enough that it
// costs almost nothing. A message that arrives ends the wait at once.
constexpr int kIdlePollLimit_ms = 2;
// How often a wait that holds the input back handles the other messages:
// a repaint or a screen reader's request is answered within this time.
constexpr auto kHeldWaitSlice = std::chrono::milliseconds(5);
} // namespace

QtMessagePump::QtMessagePump() = default;
QtMessagePump::~QtMessagePump() = default;

void QtMessagePump::ProcessPendingMessages()
{
	using SteadyClock = std::chrono::steady_clock;
	const bool polling_again = SteadyClock::now() - last_poll_end_ < kBusyPollGap;
	QCoreApplication::sendPostedEvents();
	QAbstractEventDispatcher *dispatcher = QCoreApplication::eventDispatcher();
	if (!polling_again) {
		dispatcher->processEvents(QEventLoop::AllEvents);
	} else {
		// The program polls in a tight loop. When nothing is waiting, block
		// in the operating system until a message comes or the limit
		// passes, instead of coming straight back. What the program sees
		// does not change: a key that arrives meanwhile is handled in this
		// poll, as it would have been in the next.
		if (!idle_limit_) {
			idle_limit_ = std::make_unique<QTimer>();
			idle_limit_->setSingleShot(true);
			idle_limit_->setTimerType(Qt::PreciseTimer);
		}
		idle_limit_->start(kIdlePollLimit_ms);
		dispatcher->processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
		idle_limit_->stop();
	}
	last_poll_end_ = SteadyClock::now();
}

void QtMessagePump::WaitWhile(const bool &flag)
{
	// WaitForMoreEvents blocks in the operating system until something
	// arrives; the handler that clears the flag runs inside processEvents.
	while (flag)
		QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void QtMessagePump::WaitHoldingInput(int64_t duration_ms)
{
	using SteadyClock = std::chrono::steady_clock;
	const SteadyClock::time_point end = SteadyClock::now() + std::chrono::milliseconds(duration_ms);
	// Qt keeps the window system's key and mouse events queued, in order,
	// while ExcludeUserInputEvents is given, and delivers them at the next
	// processing without it. The thread sleeps between the rounds rather
	// than blocking in the dispatcher, which would wake at once for the
	// input it may not handle.
	for (;;) {
		QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
		const SteadyClock::duration left = end - SteadyClock::now();
		if (left <= SteadyClock::duration::zero())
			return;
		std::this_thread::sleep_for(std::min<SteadyClock::duration>(left, kHeldWaitSlice));
	}
}

QtTimer::QtTimer(QObject *parent) : timer_(new QTimer(parent))
{
	timer_->setTimerType(Qt::PreciseTimer);
	QObject::connect(timer_, &QTimer::timeout, timer_, [this] { Fire(); });
}

void QtTimer::Start(int interval_ms)
{
	armed_ = true;
	if (interval_ms > 0)
		timer_->start(interval_ms);
	else
		timer_->stop();
}

void QtTimer::Stop()
{
	armed_ = false;
	timer_->stop();
}

bool QtTimer::IsActive() const
{
	return armed_;
}

QtKeyState::QtKeyState()
{
	if (QCoreApplication::instance() != nullptr)
		QCoreApplication::instance()->installEventFilter(this);
}

QtKeyState::~QtKeyState()
{
	if (QCoreApplication::instance() != nullptr)
		QCoreApplication::instance()->removeEventFilter(this);
}

bool QtKeyState::IsKeyDown(int virtual_key) const
{
	return down_.count(virtual_key) != 0;
}

void QtKeyState::SetKeyDown(int virtual_key, bool down)
{
	if (virtual_key == 0)
		return;
	if (down)
		down_.insert(virtual_key);
	else
		down_.erase(virtual_key);
}

bool QtKeyState::eventFilter(QObject *watched, QEvent *event)
{
	switch (event->type()) {
	case QEvent::ShortcutOverride:
	case QEvent::KeyPress:
		// A key that runs a shortcut gets no KeyPress, only the override
		// query; it is held all the same.
		SetKeyDown(VirtualKeyOf(*static_cast<QKeyEvent *>(event)), true);
		break;
	case QEvent::KeyRelease: {
		const auto *key = static_cast<QKeyEvent *>(event);
		if (!IsRepeatRelease(*key))
			SetKeyDown(VirtualKeyOf(*key), false);
		break;
	}
	case QEvent::WindowDeactivate:
	case QEvent::WindowActivate:
		// Also when the focus comes back: a wait that holds the input back
		// lets the focus change through before the keys pressed earlier, so
		// such a key reaches a window that has lost the focus, and its
		// release goes to the program that has it. No key pressed in the
		// shell can still be held when one of its windows gets the focus.
		ReleaseAll();
		break;
	case QEvent::ApplicationStateChange:
		ReleaseAll();
		break;
	default:
		break;
	}
	return QObject::eventFilter(watched, event);
}

void QtDesktop::ShowMessage(const std::string &text)
{
	QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), FromCp1250(text),
	                QMessageBox::Ok, QApplication::activeWindow());
	box.exec();
}

void QtDesktop::TerminateProcess(int exit_code)
{
	// Only the shell's own output streams: flushing every stream would wait
	// for the lock of one that another thread holds while it blocks in a
	// read (libspeechd reads its server's events that way), and the
	// process would never end.
	std::fflush(stdout);
	std::fflush(stderr);
	std::_Exit(exit_code);
}

void QtDesktop::ShowError(const std::string &text)
{
	QMessageBox box(QMessageBox::Critical, QCoreApplication::applicationName(), FromCp1250(text),
	                QMessageBox::Ok, QApplication::activeWindow());
	box.exec();
}

} // namespace velira
