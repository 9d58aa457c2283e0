#include "fakes/shipped_sound.h"

#include "sound/sound_bank.h"

namespace velira::testing
{

ShippedSound::ShippedSound(FakePlatform &platform) : mixer(platform.clock)
{
	mixer.Install();
	CreateSoundDeviceAndWaveList();
	LoadSoundBank(VELIRA_SHIPPED_DATA "/sounds.dat");
}

ShippedSound::~ShippedSound()
{
	ReleaseSoundDeviceAndWaveList();
}

} // namespace velira::testing
