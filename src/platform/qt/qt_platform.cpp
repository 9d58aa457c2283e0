#include "platform/qt/qt_platform.h"

#include "input/qt/held_key_query.h"
#include "input/qt/key_mapping.h"
#include "platform/cp1250.h"
#include "platform/qt/qt_text.h"
#include "platform/services.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QThread>

#include <cstdio>
#include <cstdlib>

namespace velira
{

namespace
{
// Short enough that a poll loop still runs a thousand times a second.
constexpr unsigned long kIdlePollPause_us = 500;
} // namespace

void QtMessagePump::ProcessPendingMessages()
{
	QCoreApplication::sendPostedEvents();
	const bool handled = QCoreApplication::eventDispatcher()->processEvents(QEventLoop::AllEvents);
	// A program that polls the keyboard in a tight loop (the game with its
	// sounds off) would keep a core busy; when nothing was waiting, give the
	// processor back for a moment. Nothing the program sees changes: a key
	// that arrives meanwhile is handled at the next poll, as it would be.
	if (!handled)
		QThread::usleep(kIdlePollPause_us);
}

void QtMessagePump::WaitWhile(const bool &flag)
{
	// WaitForMoreEvents blocks in the operating system until something
	// arrives; the handler that clears the flag runs inside processEvents.
	while (flag)
		QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
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
		ReleaseAll();
		break;
	case QEvent::ApplicationStateChange:
		if (QGuiApplication::applicationState() != Qt::ApplicationActive)
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

void ShowErrorMessage(const std::exception &error)
{
	services().desktop->ShowError(error.what());
}

} // namespace velira
