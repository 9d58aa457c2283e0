#include "platform/qt/qt_platform.h"

#include "platform/cp1250.h"
#include "platform/qt/qt_text.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>

namespace velira
{

void QtMessagePump::ProcessPendingMessages()
{
	QCoreApplication::sendPostedEvents();
	QCoreApplication::processEvents(QEventLoop::AllEvents);
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

bool QtKeyState::IsKeyDown(int virtual_key) const
{
	return down_.count(virtual_key) != 0;
}

void QtKeyState::SetKeyDown(int virtual_key, bool down)
{
	if (down)
		down_.insert(virtual_key);
	else
		down_.erase(virtual_key);
}

void QtDesktop::ShowMessage(const std::string &text)
{
	QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), FromCp1250(text),
	                QMessageBox::Ok, QApplication::activeWindow());
	box.exec();
}

void QtDesktop::TerminateProcess(int exit_code)
{
	std::fflush(nullptr);
	std::_Exit(exit_code);
}

void ShowErrorMessage(const std::exception &error)
{
	QMessageBox box(QMessageBox::Critical, QCoreApplication::applicationName(), FromCp1250(error.what()),
	                QMessageBox::Ok, QApplication::activeWindow());
	box.exec();
}

} // namespace velira
