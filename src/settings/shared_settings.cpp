#include "settings/shared_settings.h"

#include "settings/localized_texts.h"
#include "settings/settings_file.h"
#include "settings/view_settings.h"

#include "platform/screen_reader.h"
#include "platform/services.h"

namespace velira
{

bool voiceAllowed = false;
bool deviceSounds = true;
int32_t soundVolume = 0;
bool brailleKeyboard = false;
int32_t echoMode = 0;
bool autoChange = false;
bool useSapi5 = false;
ScreenReaderMode screenReaderMode = ScreenReaderMode::kAuto;
bool firstStartVoicePending = false;

void ResetSharedSettings()
{
	voiceAllowed = false;
	deviceSounds = true;
	soundVolume = 0;
	brailleKeyboard = false;
	echoMode = 0;
	autoChange = false;
	useSapi5 = false;
	screenReaderMode = ScreenReaderMode::kAuto;
	firstStartVoicePending = false;
}

ScreenReaderPresence ScreenReaderPresenceNow()
{
	switch (screenReaderMode) {
	case ScreenReaderMode::kAlways:
		return ScreenReaderPresence::kPresent;
	case ScreenReaderMode::kNever:
		return ScreenReaderPresence::kAbsent;
	case ScreenReaderMode::kAuto:
		break;
	}
	const ScreenReaderWatch *watch = services().screenReader;
	return watch != nullptr ? watch->Presence() : ScreenReaderPresence::kAbsent;
}

bool ScreenReaderPresent()
{
	return ScreenReaderPresenceNow() == ScreenReaderPresence::kPresent;
}

bool DecideFirstStartVoice(SettingsMenu &menu)
{
	if (!firstStartVoicePending)
		return false;
	const ScreenReaderPresence presence = ScreenReaderPresenceNow();
	if (presence == ScreenReaderPresence::kUnknown)
		return false;
	firstStartVoicePending = false;
	if (presence == ScreenReaderPresence::kAbsent)
		return false;
	menu.SetUseSapi5Checked(true);
	SettingsFile().WriteBool("Voice", "sapi5", true);
	return true;
}

const char *ScreenReaderModeName(ScreenReaderMode mode)
{
	switch (mode) {
	case ScreenReaderMode::kAlways:
		return "always";
	case ScreenReaderMode::kNever:
		return "never";
	case ScreenReaderMode::kAuto:
		break;
	}
	return "auto";
}

ScreenReaderMode ParseScreenReaderMode(const std::string &value)
{
	std::string lower;
	for (const char c : value)
		if (c != ' ' && c != '\t')
			lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
	if (lower == "always")
		return ScreenReaderMode::kAlways;
	if (lower == "never")
		return ScreenReaderMode::kNever;
	return ScreenReaderMode::kAuto;
}

void SaveScreenReaderSetting()
{
	SettingsFile().WriteString("voice", "screenreader", ScreenReaderModeName(screenReaderMode));
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
		firstStartVoicePending = true;
		DecideFirstStartVoice(menu);
		return;
	}
	screenReaderMode = ParseScreenReaderMode(file.ReadString("voice", "screenreader", "auto"));
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
