#pragma once

#include "platform/screen_reader.h"
#include "screen_reader/decisions.h"

#include <cstdint>
#include <string>

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
constexpr int kEchoModeCount = 3;

// Beside a screen reader ([voice] screenreader): auto leaves the desktop's
// interface to one while one runs, always as if one ran, never as without.
extern ScreenReaderMode screenReaderMode;

// Whether the shell serves a screen reader now, as the setting and the
// desktop's watch decide: the desktop's interface (dialogs, menus, focus)
// is left to it, and the keys the device owns are kept from it.
bool ServesScreenReader();
// The same as the watch knows it so far: with auto, unknown until the
// watch's first answer (absent without a watch).
ScreenReaderPresence ScreenReaderPresenceNow();

// The setting's value as stored ("auto", "always", "never") and back; the
// word reads in any case and with blanks around it, an unknown one as auto.
const char *ScreenReaderModeName(ScreenReaderMode mode);
ScreenReaderMode ParseScreenReaderMode(const std::string &value);
void SaveScreenReaderSetting();

// Orca's echo in the shell's windows ([voice] quietorca): while the shell
// serves a screen reader it turns Orca's key echo off in Orca's settings for
// its own windows, unless the user chose to keep Orca's echo there.
extern bool quietOrca;
// The user was told what the shell set in Orca ([voice] orcanotice).
extern bool orcaNoticeGiven;
void SaveOrcaSettings();

// The values before the settings file is read.
void ResetSharedSettings();
// The settings subsystem's whole state as at start-up: the shared settings
// above, the language (Czech) and the settings file's path ("velira.ini" in
// the current directory).
void ResetSettingsState();

// Writes, in this order, [voice] voiceallowed, [sounds] velirasounds and
// sndvolume, [keyboard] braillekeys, echo and autochanging.
void SaveSettings();

// The parts of the main window that reading the settings file sets.
class SettingsMenu
{
public:
	virtual ~SettingsMenu() = default;
	virtual void SetUseSapi5Checked(bool checked) = 0;
	virtual void SetBrailleKeyboardChecked(bool checked) = 0;
	virtual void SetAutoChangeChecked(bool checked) = 0;
	virtual void RefreshStatusBar() = 0;
};

// Reads the settings file into the shared settings and the menu's check
// marks, then writes it back so that every key of SaveSettings is present.
// Without a settings file it creates one from the current values, and the
// voice is allowed exactly when `speech_engines_available`, and the desktop
// voice's choice is made at once when the screen reader's presence is
// known, else left pending (DecideFirstStartVoice); the menu is otherwise
// left alone.
void LoadSettings(SettingsMenu &menu, bool speech_engines_available);

// A first start chooses the desktop voice beside a running screen reader,
// so that both voices speak through one speech server, one after the
// other. The screen reader's presence is learnt after the window is shown:
// the choice waits for it, and is made once, when it is known. Until then
// it is pending; the user's own choice of the voice (the menu item) drops
// it.
extern bool firstStartVoicePending;
// Makes the pending choice once the presence is known: beside a screen
// reader the menu's check mark and [Voice] sapi5=1, and true; without one
// nothing more is pending, and false. Nothing while it is unknown.
bool DecideFirstStartVoice(SettingsMenu &menu);

} // namespace velira
