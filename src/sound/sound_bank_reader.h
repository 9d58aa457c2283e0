#pragma once

#include "sound/sound_bank.h"

#include <cstdint>
#include <string_view>

namespace velira
{

// Reads a sound bank file image into `items`. The collection is emptied when
// its list begins; items are added as they are read, so an error leaves the
// items read so far. A bank file is untrusted: every length is checked
// against the bytes that are left before anything is allocated, and reading
// past the end raises "Stream read error".
void ReadSoundBank(std::string_view file, TWaveCollection &items);

// Reads a RIFF wave image into `wave`; raises "Wave is invalid" when it lacks
// the RIFF and WAVE marks.
void ReadWaveImage(std::string_view image, TWave &wave);

} // namespace velira
