#pragma once

#include "sound/sound_bank_writer.h"

#include <string>
#include <vector>

namespace velira::testing
{

// A wave of `frames` frames of 16-bit mono PCM at `rate_hz`, filled with a
// ramp so that every wave's bytes differ.
SoundBankEntry PcmEntry(const std::string &name, uint32_t frames, uint32_t rate_hz = 22050,
                        bool looped = false, int32_t max_playing_count = 0);

// Writes `entries` as "sounds.dat" in the working directory and loads it into
// the wave list (which must exist).
void LoadBank(const std::vector<SoundBankEntry> &entries);

// The waves of the tone statement for `instrument`, channels 1..4, and the
// signals beep and click0..click16.
std::vector<SoundBankEntry> StatementWaves(int instrument);

} // namespace velira::testing
