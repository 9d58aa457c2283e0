#pragma once

#include <cstdint>

namespace velira
{

// The user's choices, held for the whole run and kept in the settings file.
extern bool voiceAllowed;    // the older speech interface may speak
extern bool deviceSounds;    // the device's tones and clicks play
extern int32_t soundVolume;  // hundredths of a decibel, -10000..0
extern bool brailleKeyboard; // F D S J K L type braille chords
extern int32_t echoMode;     // 0 sounds, 1 characters, 2 words
extern bool autoChange;      // automatic keyboard switching
extern bool useSapi5;        // speak through the desktop's voice

// The values before the settings file is read.
void ResetSharedSettings();

// Writes, in this order, [voice] voiceallowed, [sounds] velirasounds and
// sndvolume, [keyboard] braillekeys, echo and autochanging.
void SaveSettings();

} // namespace velira
