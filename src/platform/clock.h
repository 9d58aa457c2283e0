#pragma once

#include <cstdint>

namespace velira
{

struct TimeOfDay {
	int hour = 0;   // 0..23
	int minute = 0; // 0..59
	int second = 0; // 0..59
};

// Time as the shell sees it. Tests run on a virtual clock, so nothing in the
// core reads the system time directly.
class Clock
{
public:
	virtual ~Clock() = default;

	// Milliseconds on a monotonic scale; only differences mean anything.
	virtual int64_t NowMs() = 0;

	// Local wall-clock time of day (for TIME$).
	virtual TimeOfDay LocalTimeOfDay() = 0;

	// Blocks the thread without handling any message.
	virtual void SleepMs(int64_t duration_ms) = 0;
};

} // namespace velira
