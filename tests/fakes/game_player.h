#pragma once

#include "fakes/fake_platform.h"
#include "platform/services.h"
#include "runtime/screen.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace velira::testing
{

// Everything printed during a test, lines that scrolled off the top
// included. It listens to the screen's change notices (one per print) and
// works out how far each print scrolled by matching the rows above the
// print position before and after.
class ScreenTranscript
{
public:
	ScreenTranscript();
	~ScreenTranscript();
	ScreenTranscript(const ScreenTranscript &) = delete;
	ScreenTranscript &operator=(const ScreenTranscript &) = delete;

	// Every line written so far, in UTF-8, trailing blanks removed.
	std::vector<std::string> Lines() const;
	// How many lines contain `utf8`.
	int CountContaining(const std::string &utf8) const;

private:
	void OnChange();

	std::vector<std::string> history_; // code page 1250, as on the screen
	size_t top_ = 0;                   // history index of screen row 0
	ScreenBuffer::Lines last_{};
	int last_row_ = 0;
	int last_column_ = 0;
	// Beside the main window or the braille display, never in their place.
	Listeners::Subscription listening_;
};

// Thrown from inside the game when the player's script has run out of
// patience: the game would otherwise wait for a key for ever.
struct GameStalled {
	std::string what;
};

// A scripted player at the keyboard. It acts from inside the message loop,
// as the main window's key handlers do: on every handling of messages it
// looks at what it can observe (the screen, the keyboard polls, the tones
// through the timer, the generator's draws) and, when the cue of its next
// move has come, does that move's keys.
//
// Keys follow the main window's rules: a typed letter or digit is delivered
// at its release and stays in the key slot until read; a cursor key or chord
// is in the slot only while held, and its release empties the slot again.
// Every key going down cuts the current tone short.
class GamePlayer
{
public:
	explicit GamePlayer(FakePlatform &platform, const ScreenTranscript *transcript = nullptr);
	~GamePlayer();
	GamePlayer(const GamePlayer &) = delete;
	GamePlayer &operator=(const GamePlayer &) = delete;

	// Cues. Each starts a new move; it is counted from the moment the
	// previous move was done (or the player was started).
	GamePlayer &OnPrinted(const std::string &utf8); // a line holding the text appears
	GamePlayer &OnRandomDraws(size_t draws);        // the generator has given so many numbers
	GamePlayer &OnSiren();                          // a new 1800 ms tone starts
	GamePlayer &AfterPolls(int polls);              // so many keyboard polls later
	GamePlayer &AfterMs(int64_t ms);                // so much virtual time later

	// Actions of the current move.
	GamePlayer &Type(const std::string &key); // press and release a character key
	GamePlayer &Hold(int code);               // press cursor keys, release after the next poll
	GamePlayer &Tap(int code);                // press and release before the next poll
	GamePlayer &MarkPoll(int *poll);          // note the keyboard poll count
	GamePlayer &MarkTime(int64_t *time_ms);   // note the virtual time
	GamePlayer &Do(std::function<void()> action);

	// Starts listening. Moves may still be added later.
	void Start();
	bool Finished() const;
	// The number of keyboard polls so far.
	int Polls() const;

	// Virtual time after which a game still waiting is taken as stuck.
	int64_t give_up_after_ms = 30 * 60 * 1000;

private:
	struct State;
	std::shared_ptr<State> state_;
};

} // namespace velira::testing
