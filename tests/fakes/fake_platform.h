#pragma once

#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/key_state.h"
#include "platform/message_pump.h"
#include "platform/random_source.h"
#include "platform/screen_reader.h"
#include "platform/services.h"
#include "platform/timer.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace velira::testing
{

// How long a test waits in real time (a window to become active, a
// condition that the event loop brings about) before it calls it a hang:
// generous, for a slow and busy machine under the sanitizers.
constexpr int kWait_ms = 30000;

// Thrown by FakeDesktop::TerminateProcess so a test can see the process end.
struct ProcessTerminated {
	int exit_code = 0;
};

// Thrown when the program waits and nothing can ever wake it: in the real
// shell that wait would hang.
struct WaitWouldHang {
	std::string what;
};

class FakeMessagePump;

class VirtualClock final : public Clock
{
public:
	int64_t NowMs() override { return now_ms; }
	TimeOfDay LocalTimeOfDay() override { return time_of_day; }
	void SleepMs(int64_t duration_ms) override;

	int64_t now_ms = 0;
	TimeOfDay time_of_day{14, 7, 5};
	// Every sleep, in order.
	std::vector<int64_t> sleeps_ms;
};

class FakeTimer final : public Timer
{
public:
	explicit FakeTimer(VirtualClock &clock) : clock_(clock) {}
	void Start(int interval_ms) override;
	void Stop() override { active_ = false; }
	bool IsActive() const override { return active_; }

	int interval_ms() const { return interval_ms_; }
	// When it fires next; -1 when it never will.
	int64_t Deadline() const { return active_ && interval_ms_ > 0 ? deadline_ms_ : -1; }
	void FireNow();

private:
	VirtualClock &clock_;
	bool active_ = false;
	int interval_ms_ = 0;
	int64_t deadline_ms_ = 0;
};

// Messages are callbacks scheduled at virtual times. Handling pending
// messages runs those that are due; waiting moves the clock forward to the
// next message or timer expiry.
class FakeMessagePump final : public MessagePump
{
public:
	FakeMessagePump(VirtualClock &clock, FakeTimer &timer) : clock_(clock), timer_(timer) {}

	void ProcessPendingMessages() override;
	void WaitWhile(const bool &flag) override;
	// Moves the clock on by `duration_ms`, running only the output messages
	// that fall due meanwhile; the other messages and the timer, which
	// stand for the user's input and its handlers, stay queued.
	void WaitHoldingInput(int64_t duration_ms) override;

	// Schedules `message` at virtual time `at_ms` (after earlier ones at the
	// same time).
	void PostAt(int64_t at_ms, std::function<void()> message);
	// Schedules a message that is no user input (a repaint, a screen
	// reader's request): it runs in every kind of wait.
	void PostOutputAt(int64_t at_ms, std::function<void()> message);
	void Post(std::function<void()> message) { PostAt(clock_.now_ms, std::move(message)); }
	bool HasMessages() const { return !queue_.empty(); }

	// Virtual time that one handling of pending messages takes, so that a
	// polling loop moves on even when nothing else takes time.
	int64_t poll_cost_ms = 1;
	// A wait longer than this in virtual time is taken for a hang.
	static constexpr int64_t kLongestWaitMs = 24 * 3600 * 1000;
	int process_calls = 0;
	// Every wait that held the input back, in order.
	std::vector<int64_t> held_waits_ms;

private:
	bool RunNextDue();
	bool RunNextOutputDue();
	VirtualClock &clock_;
	FakeTimer &timer_;
	std::multimap<int64_t, std::function<void()>> queue_;
	std::multimap<int64_t, std::function<void()>> output_queue_;
};

class FakeKeyState final : public KeyState
{
public:
	bool IsKeyDown(int virtual_key) const override { return down.count(virtual_key) != 0; }
	std::set<int> down;
};

// Draws from a fixed list, cycling; or from a seeded LCG when the list is
// empty.
class ScriptedRandom final : public RandomSource
{
public:
	double NextUniform() override;
	void ReseedFromClock() override { ++reseeds; }

	std::vector<double> values;
	size_t next = 0;
	uint64_t state = 12345;
	int reseeds = 0;
};

class FakeDesktop final : public Desktop
{
public:
	void ShowMessage(const std::string &text) override { messages.push_back(text); }
	void ShowError(const std::string &text) override
	{
		errors.push_back(text);
		if (on_error)
			on_error(text);
	}
	[[noreturn]] void TerminateProcess(int exit_code) override { throw ProcessTerminated{exit_code}; }
	std::vector<std::string> messages;
	// The error reports, and what a test does while one is shown.
	std::vector<std::string> errors;
	std::function<void(const std::string &)> on_error;
};

// A screen reader whose presence is `presence`; Answer sets it and tells
// the listeners, as the watch does when an answer comes.
class FakeScreenReaderWatch final : public ScreenReaderWatch
{
public:
	ScreenReaderPresence Presence() const override { return presence; }
	void Answer(ScreenReaderPresence now)
	{
		presence = now;
		changed.Notify();
	}
	ScreenReaderPresence presence = ScreenReaderPresence::kAbsent;
};

// All fakes, installed into services() for the lifetime of the object. The
// shared state of every subsystem is reset when it is made and again when
// it goes (ResetCoreState), and services() is emptied each time, so that no
// test sees what another left behind, whatever their order in one process.
// The other fakes (speech, mixer, braille display) take the platform and go
// before it.
class FakePlatform
{
public:
	FakePlatform();
	~FakePlatform();
	FakePlatform(const FakePlatform &) = delete;
	FakePlatform &operator=(const FakePlatform &) = delete;

	VirtualClock clock;
	FakeTimer timer{clock};
	FakeMessagePump pump{clock, timer};
	FakeKeyState keys;
	ScriptedRandom random;
	FakeDesktop desktop;
};

// Runs the test body in a fresh scratch folder as the working directory.
class ScratchFolder
{
public:
	ScratchFolder();
	~ScratchFolder();
	const std::string &path() const { return path_; }

private:
	std::string path_;
	std::string previous_;
};

// The C library's number conventions (LC_NUMERIC) switched to `name` for the
// life of the object, as Qt switches them from the environment at start-up.
// The Czech and Slovak locales must be installed (scripts/common.sh
// generates them): a test checks `Installed()` and fails when it is false,
// never skips.
class NumericLocale
{
public:
	explicit NumericLocale(const std::string &name);
	~NumericLocale();
	NumericLocale(const NumericLocale &) = delete;
	NumericLocale &operator=(const NumericLocale &) = delete;

	bool Installed() const { return installed_; }
	// Why a test cannot run, for its failure message.
	std::string Missing() const;

private:
	std::string name_;
	std::string previous_;
	bool installed_ = false;
};

// Copies every shipped data file (sound bank, braille table, keyboard files,
// DATA file) into `folder`, as they lie beside the executable.
void CopyShippedData(const std::string &folder);

// Reads a whole file; empty when it does not exist.
std::string ReadFile(const std::string &path);
void WriteFile(const std::string &path, const std::string &data);

} // namespace velira::testing
