#include "settings/shared_settings.h"

#include "settings/localized_texts.h"
#include "settings/settings_file.h"
#include "settings/view_settings.h"

namespace velira
{

bool voiceAllowed = false;
bool deviceSounds = true;
int32_t soundVolume = 0;
bool brailleKeyboard = false;
int32_t echoMode = 0;
bool autoChange = false;
bool useSapi5 = false;

void ResetSharedSettings()
{
	voiceAllowed = false;
	deviceSounds = true;
	soundVolume = 0;
	brailleKeyboard = false;
	echoMode = 0;
	autoChange = false;
	useSapi5 = false;
}

void ResetSettingsState()
{
	ResetSharedSettings();
	languageBase = kCzechBase;
	ResetSettingsFilePath();
	colourScheme = ColourScheme::Desktop;
}

void SaveSettings()
{
	IniFile file = SettingsFile();
	file.WriteBool("voice", "voiceallowed", voiceAllowed);
	file.WriteBool("sounds", "velirasounds", deviceSounds);
	file.WriteInteger("sounds", "sndvolume", soundVolume);
	file.WriteBool("keyboard", "braillekeys", brailleKeyboard);
	file.WriteInteger("keyboard", "echo", echoMode);
	file.WriteBool("keyboard", "autochanging", autoChange);
}

void LoadSettings(SettingsMenu &menu, bool speech_engines_available)
{
	IniFile file = SettingsFile();
	if (!file.Exists()) {
		// First start: the file gets the values as they stand, then the
		// voice follows whether there is anything to speak with.
		SaveSettings();
		voiceAllowed = speech_engines_available;
		file.WriteBool("voice", "voiceallowed", voiceAllowed);
		return;
	}
	voiceAllowed = file.ReadBool("voice", "voiceallowed", true);
	deviceSounds = file.ReadBool("sounds", "velirasounds", true);
	soundVolume = file.ReadInteger("sounds", "sndvolume", 0);
	brailleKeyboard = file.ReadBool("keyboard", "braillekeys", false);
	menu.SetUseSapi5Checked(file.ReadBool("Voice", "sapi5", false));
	menu.SetBrailleKeyboardChecked(brailleKeyboard);
	echoMode = file.ReadInteger("keyboard", "echo", 1);
	autoChange = file.ReadBool("keyboard", "autochanging", false);
	menu.SetAutoChangeChecked(autoChange);
	menu.RefreshStatusBar();
	SaveSettings();
}

} // namespace velira
