#include "fakes/test_banks.h"

#include "fakes/fake_platform.h"
#include "sound/sound_bank.h"

namespace velira::testing
{

SoundBankEntry PcmEntry(const std::string &name, uint32_t frames, uint32_t rate_hz, bool looped,
                        int32_t max_playing_count)
{
	SoundBankEntry entry;
	entry.name = name;
	entry.looped = looped;
	entry.max_playing_count = max_playing_count;
	entry.format = PcmFormatRecord(1, rate_hz, 16);
	for (uint32_t i = 0; i < frames; ++i) {
		entry.samples.push_back(static_cast<uint8_t>(i + name.size()));
		entry.samples.push_back(static_cast<uint8_t>(i >> 8));
	}
	return entry;
}

void LoadBank(const std::vector<SoundBankEntry> &entries)
{
	WriteFile("sounds.dat", WriteSoundBank(entries));
	LoadSoundBank("sounds.dat");
}

std::vector<SoundBankEntry> StatementWaves(int instrument)
{
	std::vector<SoundBankEntry> entries;
	for (int channel = 1; channel <= 4; ++channel)
		entries.push_back(
		    PcmEntry("snd" + std::to_string(channel) + std::to_string(instrument), 64, 28160, true));
	// 2205 frames at 22050 per second: 100 ms.
	entries.push_back(PcmEntry("beep", 2205));
	for (int n = 0; n <= 16; ++n)
		entries.push_back(
		    PcmEntry("click" + std::to_string(n), 2205 + 2205 * static_cast<uint32_t>(n)));
	return entries;
}

} // namespace velira::testing
