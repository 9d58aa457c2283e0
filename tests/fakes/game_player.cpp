#include "fakes/game_player.h"

#include "platform/cp1250.h"
#include "runtime/velcommands.h"

#include <algorithm>
#include <utility>

namespace velira::testing
{

// ---- ScreenTranscript ----

ScreenTranscript::ScreenTranscript()
{
	last_ = screenBuffer().lines();
	last_row_ = screenCursor.getrow();
	last_column_ = screenCursor.getcolumn();
	history_.assign(last_.begin(), last_.end());
	listening_ = services().screenChanged.Add([this] { OnChange(); });
}

ScreenTranscript::~ScreenTranscript() = default;

void ScreenTranscript::OnChange()
{
	const ScreenBuffer::Lines &now = screenBuffer().lines();
	const auto prefix = [](const std::string &line, int length) {
		return line.substr(0, std::min(line.size(), static_cast<size_t>(length)));
	};
	// A print changes nothing above its start: the number of scrolls is the
	// shift that maps the old rows above the start onto the new ones.
	int scrolls = 0;
	for (; scrolls <= kScreenRows; ++scrolls) {
		bool matches = true;
		for (int row = 0; row + scrolls < last_row_ && matches; ++row)
			matches = now[static_cast<size_t>(row)] == last_[static_cast<size_t>(row + scrolls)];
		const int start_row = last_row_ - scrolls;
		if (matches && start_row >= 0 && start_row < kScreenRows)
			matches = prefix(now[static_cast<size_t>(start_row)], last_column_) ==
			          prefix(last_[static_cast<size_t>(last_row_)], last_column_);
		if (matches)
			break;
	}
	top_ += static_cast<size_t>(scrolls);
	if (history_.size() < top_ + kScreenRows)
		history_.resize(top_ + kScreenRows);
	for (size_t row = 0; row < now.size(); ++row)
		history_[top_ + row] = now[row];
	last_ = now;
	last_row_ = screenCursor.getrow();
	last_column_ = screenCursor.getcolumn();
}

std::vector<std::string> ScreenTranscript::Lines() const
{
	size_t end = history_.size();
	// Rows never written to below the last text are not part of it.
	while (end > 0 && history_[end - 1].empty())
		--end;
	std::vector<std::string> lines;
	lines.reserve(end);
	for (size_t i = 0; i < end; ++i) {
		std::string line = history_[i];
		while (!line.empty() && line.back() == ' ')
			line.pop_back();
		lines.push_back(Utf8FromCp1250(line));
	}
	return lines;
}

int ScreenTranscript::CountContaining(const std::string &utf8) const
{
	const std::string wanted = Cp1250FromUtf8(utf8);
	return static_cast<int>(std::count_if(history_.begin(), history_.end(), [&](const std::string &line) {
		return line.find(wanted) != std::string::npos;
	}));
}

// ---- GamePlayer ----

struct GamePlayer::State {
	enum class Cue { Printed, RandomDraws, Siren, Polls, Ms };
	struct Move {
		Cue cue;
		std::string text;
		int64_t amount = 0;
		std::vector<std::function<void()>> actions;
	};

	State(FakePlatform &p, const ScreenTranscript *t) : platform(p), transcript(t) {}

	void Add(Move move)
	{
		moves.push_back(std::move(move));
		if (started && current + 1 == moves.size())
			Activate();
	}
	void AddAction(std::function<void()> action)
	{
		// An action without a cue of its own, or after the last move has
		// been done, is done at once.
		if (moves.empty() || current >= moves.size())
			Add(Move{Cue::Polls, {}, 0, {}});
		moves.back().actions.push_back(std::move(action));
	}

	void Activate()
	{
		const Move &move = moves[current];
		baseline_polls = platform.pump.process_calls;
		baseline_time = platform.clock.now_ms;
		baseline_sirens = sirens;
		baseline_count = move.cue == Cue::Printed && transcript != nullptr
		                     ? transcript->CountContaining(move.text)
		                     : 0;
	}

	bool CueHasCome(const Move &move, bool poll_tick) const
	{
		switch (move.cue) {
		case Cue::Printed:
			return transcript != nullptr &&
			       transcript->CountContaining(move.text) > baseline_count;
		case Cue::RandomDraws:
			return platform.random.next >= static_cast<size_t>(move.amount);
		case Cue::Siren:
			return sirens > baseline_sirens;
		case Cue::Polls:
			return move.amount == 0 ||
			       (poll_tick && platform.pump.process_calls - baseline_polls >= move.amount);
		case Cue::Ms:
			return platform.clock.now_ms - baseline_time >= move.amount;
		}
		return false;
	}

	// What a key going down does in the main window: the voice stops and a
	// tone being waited for ends at once.
	void KeyDown()
	{
		soundWaiting = false;
		platform.timer.Stop();
	}

	void Tick(const std::weak_ptr<State> &self)
	{
		tick_posted = false;
		const int polls = platform.pump.process_calls;
		const bool poll_tick = polls != last_polls_seen;
		last_polls_seen = polls;

		const bool siren_now = platform.timer.IsActive() && platform.timer.interval_ms() == 1800;
		if (siren_now && !siren_on)
			++sirens;
		siren_on = siren_now;

		// Held cursor keys are let go once a poll has had the chance to read
		// them.
		if (poll_tick) {
			const auto released =
			    std::remove_if(releases_after_poll.begin(), releases_after_poll.end(),
			                   [polls](int after) { return polls > after; });
			if (released != releases_after_poll.end())
				keyBuffer.clear();
			releases_after_poll.erase(released, releases_after_poll.end());
		}

		while (current < moves.size() && CueHasCome(moves[current], poll_tick)) {
			in_poll_tick = poll_tick;
			for (auto &action : moves[current].actions)
				action();
			++current;
			if (current < moves.size())
				Activate();
		}

		if (platform.clock.now_ms > give_up_after_ms)
			throw GameStalled{"the game still waits after " +
			                  std::to_string(platform.clock.now_ms) +
			                  " ms of virtual time, at move " + std::to_string(current)};
		Post(self);
	}

	void Post(const std::weak_ptr<State> &self)
	{
		if (tick_posted)
			return;
		tick_posted = true;
		platform.pump.PostAt(platform.clock.now_ms + 1, [self] {
			if (auto state = self.lock())
				state->Tick(self);
		});
	}

	FakePlatform &platform;
	const ScreenTranscript *transcript;
	std::vector<Move> moves;
	size_t current = 0;
	bool started = false;
	bool tick_posted = false;
	bool in_poll_tick = false;
	int last_polls_seen = -1;
	int baseline_polls = 0;
	int64_t baseline_time = 0;
	int baseline_sirens = 0;
	int baseline_count = 0;
	int sirens = 0;
	bool siren_on = false;
	std::vector<int> releases_after_poll;
	int64_t give_up_after_ms = 0;
};

GamePlayer::GamePlayer(FakePlatform &platform, const ScreenTranscript *transcript)
    : state_(std::make_shared<State>(platform, transcript))
{
}

GamePlayer::~GamePlayer() = default;

GamePlayer &GamePlayer::OnPrinted(const std::string &utf8)
{
	state_->Add({State::Cue::Printed, utf8, 0, {}});
	return *this;
}

GamePlayer &GamePlayer::OnRandomDraws(size_t draws)
{
	state_->Add({State::Cue::RandomDraws, {}, static_cast<int64_t>(draws), {}});
	return *this;
}

GamePlayer &GamePlayer::OnSiren()
{
	state_->Add({State::Cue::Siren, {}, 0, {}});
	return *this;
}

GamePlayer &GamePlayer::AfterPolls(int polls)
{
	state_->Add({State::Cue::Polls, {}, polls, {}});
	return *this;
}

GamePlayer &GamePlayer::AfterMs(int64_t ms)
{
	state_->Add({State::Cue::Ms, {}, ms, {}});
	return *this;
}

GamePlayer &GamePlayer::Type(const std::string &key)
{
	State *state = state_.get();
	state_->AddAction([state, key] {
		state->KeyDown();
		// The character arrives with the release.
		keyBuffer = key;
	});
	return *this;
}

GamePlayer &GamePlayer::Hold(int code)
{
	State *state = state_.get();
	state_->AddAction([state, code] {
		state->KeyDown();
		keyBuffer = std::string(1, static_cast<char>(code));
		// Pressed during a poll, that poll reads it; pressed while a tone
		// plays, the next one does.
		const int polls = state->platform.pump.process_calls;
		state->releases_after_poll.push_back(state->in_poll_tick ? polls : polls + 1);
	});
	return *this;
}

GamePlayer &GamePlayer::Tap(int code)
{
	State *state = state_.get();
	state_->AddAction([state, code] {
		// Both events wait in the queue and are handled together.
		state->KeyDown();
		keyBuffer = std::string(1, static_cast<char>(code));
		keyBuffer.clear();
	});
	return *this;
}

GamePlayer &GamePlayer::MarkPoll(int *poll)
{
	State *state = state_.get();
	state_->AddAction([state, poll] { *poll = state->platform.pump.process_calls; });
	return *this;
}

GamePlayer &GamePlayer::MarkTime(int64_t *time_ms)
{
	State *state = state_.get();
	state_->AddAction([state, time_ms] { *time_ms = state->platform.clock.now_ms; });
	return *this;
}

GamePlayer &GamePlayer::Do(std::function<void()> action)
{
	state_->AddAction(std::move(action));
	return *this;
}

void GamePlayer::Start()
{
	State &state = *state_;
	state.give_up_after_ms = state.platform.clock.now_ms + give_up_after_ms;
	if (!state.started) {
		state.started = true;
		state.last_polls_seen = state.platform.pump.process_calls;
		if (state.current < state.moves.size())
			state.Activate();
	}
	state.Post(state_);
}

bool GamePlayer::Finished() const
{
	return state_->current == state_->moves.size();
}

int GamePlayer::Polls() const
{
	return state_->platform.pump.process_calls;
}

} // namespace velira::testing
