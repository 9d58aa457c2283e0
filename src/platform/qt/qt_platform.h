#pragma once

#include "platform/desktop.h"
#include "platform/key_state.h"
#include "platform/message_pump.h"
#include "platform/timer.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <memory>
#include <set>

namespace velira
{

// The message loop of the QApplication. A program that polls again right
// after a poll that found nothing (the game with its sounds off) waits in
// the operating system for the next message, for a moment at most, so that
// it neither spins nor misses a key.
class QtMessagePump final : public MessagePump
{
public:
	QtMessagePump();
	~QtMessagePump() override;
	void ProcessPendingMessages() override;
	void WaitWhile(const bool &flag) override;
	void WaitHoldingInput(int64_t duration_ms) override;

private:
	// Ends a wait for the next message when none comes.
	std::unique_ptr<QTimer> idle_limit_;
	std::chrono::steady_clock::time_point last_poll_end_{};
};

// A QTimer that behaves like the original window timer: repeating, and an
// interval of 0 means it never fires.
class QtTimer final : public Timer
{
public:
	explicit QtTimer(QObject *parent);
	void Start(int interval_ms) override;
	void Stop() override;
	bool IsActive() const override;

private:
	QTimer *timer_;
	bool armed_ = false;
};

// Key state that answers like GetKeyState: a key is down from its press to
// its release as the application handles its key events, so a key handler
// sees the keys held as of the event it is handling. It watches every key
// event of the application (created after the QApplication); the release
// events of auto-repeat are not releases. When the application or one of its
// windows loses or gets the focus the table is emptied: releases that happen
// elsewhere never reach it, and no key may stay stuck.
class QtKeyState final : public QObject, public KeyState
{
public:
	QtKeyState();
	~QtKeyState() override;
	bool IsKeyDown(int virtual_key) const override;
	void SetKeyDown(int virtual_key, bool down);
	void ReleaseAll() { down_.clear(); }

protected:
	bool eventFilter(QObject *watched, QEvent *event) override;

private:
	std::set<int> down_;
};

class QtDesktop final : public Desktop
{
public:
	void ShowMessage(const std::string &text) override;
	void ShowError(const std::string &text) override;
	[[noreturn]] void TerminateProcess(int exit_code) override;
};

} // namespace velira
