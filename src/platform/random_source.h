#pragma once

namespace velira
{

// The uniform generator behind RND.
class RandomSource
{
public:
	virtual ~RandomSource() = default;

	// A number in [0, 1).
	virtual double NextUniform() = 0;

	// Starts a new sequence seeded from the clock.
	virtual void ReseedFromClock() = 0;
};

} // namespace velira
