#pragma once

#include "platform/clock.h"
#include "platform/random_source.h"

#include <random>

namespace velira
{

// The real clock: steady time, local time of day, thread sleep.
class SystemClock final : public Clock
{
public:
	int64_t NowMs() override;
	TimeOfDay LocalTimeOfDay() override;
	void SleepMs(int64_t duration_ms) override;
};

// The real generator: a Mersenne twister seeded from the clock.
class SystemRandom final : public RandomSource
{
public:
	SystemRandom();
	double NextUniform() override;
	void ReseedFromClock() override;

private:
	std::mt19937_64 engine_;
};

} // namespace velira
