#pragma once

#include <cstdint>

namespace velira
{

// The user-interface thread's message loop, as the core sees it. Everything
// runs on that one thread: a wait inside the program (speech, a tone, a
// keyboard poll) hands control to the loop so that key handlers, timers and
// menu commands run nested inside it.
class MessagePump
{
public:
	virtual ~MessagePump() = default;

	// Handles every message that is already waiting, then returns at once.
	virtual void ProcessPendingMessages() = 0;

	// Handles messages until `flag` is false. Between messages the thread
	// blocks in the operating system; it never spins.
	virtual void WaitWhile(const bool &flag) = 0;

	// Blocks for `duration_ms` and handles every message but the user's
	// input meanwhile: repaints, accessibility requests, timers and the
	// engines' notifications go on, while key and mouse events stay queued,
	// in their order, for the next ProcessPendingMessages or WaitWhile. The
	// waits in which the program must not see keys (a click or a beep
	// played to its end, the pause of a leading punctuation mark) use it,
	// so that the screen and what a screen reader reads of it stay current.
	virtual void WaitHoldingInput(int64_t duration_ms) = 0;
};

} // namespace velira
