#include "settings/shared_settings.h"

#include "settings/settings_file.h"

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

} // namespace velira
