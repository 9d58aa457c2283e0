#include "platform/message_pump.h"
#include "platform/services.h"
#include "platform/timer.h"
#include "runtime/velcommands.h"
#include "settings/shared_settings.h"
#include "sound/sound_bank.h"

#include <algorithm>
#include <limits>

// The tone statement and the click and beep signals, over the sound bank.
namespace velira
{

namespace
{

// A whole number for a 32-bit field: out-of-range values saturate, so a
// huge note or duration cannot wrap into a small or negative one.
int32_t Saturated32(int64_t value)
{
	return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
	                                                std::numeric_limits<int32_t>::max()));
}

// Plays the wave `name` once at the user's volume and waits for its end,
// without handling the user's input: keys wait for the next poll.
void PlayOnceAndWait(const std::string &name)
{
	if (!deviceSounds)
		return;
	SetWaveVolume(FindWave(name), soundVolume);
	PlayWave(FindWave(name), true);
}

} // namespace

void SoundStatement(const std::vector<double> &notes, double duration, double instrument)
{
	if (!deviceSounds)
		return;
	if (instrument > 9)
		instrument = lastInstrument;
	if (!(duration >= 0))
		duration = lastDuration;
	lastInstrument = static_cast<uint8_t>(Trunc(instrument) & 0xFF);
	lastDuration = Saturated32(Trunc(duration));
	soundWaiting = true;

	const std::string instrument_text = std::to_string(Trunc(instrument));
	std::vector<TWaveCollectionItem *> channels;
	channels.reserve(notes.size());
	try {
		for (size_t k = 0; k < notes.size(); ++k) {
			int64_t f = Trunc(notes[k]);
			if (f == 0)
				f = 2;
			TWaveCollectionItem &wave = FindWave("snd" + std::to_string(k + 1) + instrument_text);
			channels.push_back(&wave);
			SetWaveLooped(wave, true);
			// A rate the mixer refuses (a note above 3125) keeps the previous
			// one.
			SetWaveFrequency(wave, Saturated32(int64_t{Saturated32(f)} * 64));
			SetWaveVolume(wave, soundVolume);
			PlayWave(wave, false);
		}
	} catch (...) {
		// A missing wave ends the statement: the notes already started must
		// not loop on forever, and no wait is pending.
		soundWaiting = false;
		for (TWaveCollectionItem *wave : channels) {
			try {
				StopWave(*wave);
			} catch (...) {
			}
		}
		throw;
	}

	services().MainTimer().Start(lastDuration);
	services().Pump().WaitWhile(soundWaiting);

	for (TWaveCollectionItem *wave : channels)
		StopWave(*wave);
}

void BeepSound()
{
	PlayOnceAndWait("beep");
}

void ClickSound(double n)
{
	PlayOnceAndWait("click" + std::to_string(Trunc(n)));
}

} // namespace velira
