#pragma once

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
};

} // namespace velira
