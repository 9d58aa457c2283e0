#include "fakes/fake_platform.h"

#include "app/core_state.h"
#include "runtime/velcommands.h"

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace velira::testing
{

void VirtualClock::SleepMs(int64_t duration_ms)
{
	sleeps_ms.push_back(duration_ms);
	if (duration_ms > 0)
		now_ms += duration_ms;
}

void FakeTimer::Start(int interval_ms)
{
	active_ = true;
	interval_ms_ = interval_ms;
	deadline_ms_ = clock_.now_ms + interval_ms;
}

void FakeTimer::FireNow()
{
	deadline_ms_ = clock_.now_ms + interval_ms_;
	Fire();
}

void FakeMessagePump::PostAt(int64_t at_ms, std::function<void()> message)
{
	queue_.emplace(at_ms, std::move(message));
}

void FakeMessagePump::PostOutputAt(int64_t at_ms, std::function<void()> message)
{
	output_queue_.emplace(at_ms, std::move(message));
}

bool FakeMessagePump::RunNextOutputDue()
{
	if (output_queue_.empty() || output_queue_.begin()->first > clock_.now_ms)
		return false;
	auto message = std::move(output_queue_.begin()->second);
	output_queue_.erase(output_queue_.begin());
	message();
	return true;
}

void FakeMessagePump::WaitHoldingInput(int64_t duration_ms)
{
	held_waits_ms.push_back(duration_ms);
	const int64_t end_ms = clock_.now_ms + std::max<int64_t>(duration_ms, 0);
	for (;;) {
		while (RunNextOutputDue()) {
		}
		if (output_queue_.empty() || output_queue_.begin()->first > end_ms)
			break;
		clock_.now_ms = output_queue_.begin()->first;
	}
	clock_.now_ms = end_ms;
}

bool FakeMessagePump::RunNextDue()
{
	if (RunNextOutputDue())
		return true;
	const int64_t deadline = timer_.Deadline();
	const bool message_due = !queue_.empty() && queue_.begin()->first <= clock_.now_ms;
	const bool timer_due = deadline >= 0 && deadline <= clock_.now_ms;
	if (timer_due && (!message_due || deadline <= queue_.begin()->first)) {
		timer_.FireNow();
		return true;
	}
	if (message_due) {
		auto message = std::move(queue_.begin()->second);
		queue_.erase(queue_.begin());
		message();
		return true;
	}
	return false;
}

void FakeMessagePump::ProcessPendingMessages()
{
	++process_calls;
	clock_.now_ms += poll_cost_ms;
	while (RunNextDue()) {
	}
}

void FakeMessagePump::WaitWhile(const bool &flag)
{
	const int64_t give_up_ms = clock_.now_ms + kLongestWaitMs;
	while (flag) {
		if (clock_.now_ms > give_up_ms)
			throw WaitWouldHang{"a wait went on for more than a virtual day"};
		if (RunNextDue())
			continue;
		int64_t next = -1;
		if (!queue_.empty())
			next = queue_.begin()->first;
		if (!output_queue_.empty() && (next < 0 || output_queue_.begin()->first < next))
			next = output_queue_.begin()->first;
		const int64_t deadline = timer_.Deadline();
		if (deadline >= 0 && (next < 0 || deadline < next))
			next = deadline;
		if (next < 0)
			throw WaitWouldHang{"waiting with no message and no timer to come"};
		if (next > clock_.now_ms)
			clock_.now_ms = next;
	}
}

double ScriptedRandom::NextUniform()
{
	if (!values.empty()) {
		const double value = values[next % values.size()];
		++next;
		return value;
	}
	state = state * 6364136223846793005ull + 1442695040888963407ull;
	return static_cast<double>(state >> 11) / static_cast<double>(1ull << 53);
}

FakePlatform::FakePlatform()
{
	services() = Services{};
	ResetCoreState();
	Services &s = services();
	s.pump = &pump;
	s.clock = &clock;
	s.timer = &timer;
	s.keys = &keys;
	s.random = &random;
	s.desktop = &desktop;
	// The main window's timer event, as the window connects it, and the
	// tone statement, as the process entry connects it.
	timer.SetHandler([] { TimerTimer(); });
	s.toneStatement = SoundStatement;
}

FakePlatform::~FakePlatform()
{
	ResetCoreState();
	services() = Services{};
}

NumericLocale::NumericLocale(const std::string &name) : name_(name)
{
	const char *previous = std::setlocale(LC_NUMERIC, nullptr);
	previous_ = previous != nullptr ? previous : "C";
	installed_ = std::setlocale(LC_NUMERIC, name.c_str()) != nullptr;
}

NumericLocale::~NumericLocale()
{
	std::setlocale(LC_NUMERIC, previous_.c_str());
}

std::string NumericLocale::Missing() const
{
	return "the locale " + name_ +
	       " is not installed; generate it with localedef or locale-gen "
	       "(scripts/common.sh, install_locales)";
}

ScratchFolder::ScratchFolder()
{
	previous_ = std::filesystem::current_path().string();
	std::string pattern = (std::filesystem::temp_directory_path() / "velira-test-XXXXXX").string();
	char *made = ::mkdtemp(pattern.data());
	if (made == nullptr)
		std::abort();
	path_ = made;
	std::filesystem::current_path(path_);
}

ScratchFolder::~ScratchFolder()
{
	std::error_code error;
	std::filesystem::current_path(previous_, error);
	std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
	                             std::filesystem::perm_options::add, error);
	std::filesystem::remove_all(path_, error);
}

void CopyShippedData(const std::string &folder)
{
	for (const auto &entry : std::filesystem::directory_iterator(VELIRA_SHIPPED_DATA)) {
		if (entry.is_regular_file())
			std::filesystem::copy_file(entry.path(),
			                           std::filesystem::path(folder) / entry.path().filename(),
			                           std::filesystem::copy_options::overwrite_existing);
	}
}

std::string ReadFile(const std::string &path)
{
	std::ifstream in(path, std::ios::binary);
	std::ostringstream contents;
	contents << in.rdbuf();
	return contents.str();
}

void WriteFile(const std::string &path, const std::string &data)
{
	std::ofstream out(path, std::ios::binary | std::ios::trunc);
	out << data;
}

} // namespace velira::testing
