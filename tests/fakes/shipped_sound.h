#pragma once

#include "fakes/fake_mixer.h"
#include "fakes/fake_platform.h"

namespace velira::testing
{

// The shipped sound bank loaded into a recording mixer on the virtual clock,
// as the main window's start-up loads it; released again at the end.
class ShippedSound
{
public:
	explicit ShippedSound(FakePlatform &platform);
	~ShippedSound();
	ShippedSound(const ShippedSound &) = delete;
	ShippedSound &operator=(const ShippedSound &) = delete;

	FakeMixer mixer;
};

} // namespace velira::testing
