#include "settings/shared_settings.h"

#include "settings/localized_texts.h"
#include "settings/settings_file.h"
#include "settings/view_settings.h"

#include "platform/audio_mixer.h"
#include "platform/screen_reader.h"
#include "platform/services.h"

#include <array>

namespace velira
{

namespace
{

struct ScreenReaderModeRow {
	ScreenReaderMode value;
	const char *word;
};

constexpr std::array<ScreenReaderModeRow, 3> kScreenReaderModes = {{
    {ScreenReaderMode::kAuto, "auto"},
    {ScreenReaderMode::kAlways, "always"},
    {ScreenReaderMode::kNever, "never"},
}};

} // namespace

bool voiceAllowed = false;
bool deviceSounds = true;
int32_t soundVolume = 0;
bool brailleKeyboard = false;
int32_t echoMode = 0;
bool autoChange = false;
bool useSapi5 = false;
ScreenReaderMode screenReaderMode = ScreenReaderMode::kAuto;
bool firstStartVoicePending = false;
bool quietOrca = true;
bool orcaNoticeGiven = false;

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
	quietOrca = true;
	orcaNoticeGiven = false;
}

bool ServesScreenReader()
{
	const ScreenReaderWatch *watch = services().screenReader;
	return velira::ServesScreenReader(screenReaderMode, watch != nullptr && watch->ScreenReaderRunning());
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
	for (const ScreenReaderModeRow &row : kScreenReaderModes)
		if (row.value == mode)
			return row.word;
	return kScreenReaderModes[0].word;
}

ScreenReaderMode ParseScreenReaderMode(const std::string &value)
{
	return ParseSettingWord(value, kScreenReaderModes).value_or(ScreenReaderMode::kAuto);
}

void SaveScreenReaderSetting()
{
	SettingsFile().WriteString("voice", "screenreader", ScreenReaderModeName(screenReaderMode));
}

void SaveOrcaSettings()
{
	SettingsFile().WriteValues({{"voice", "quietorca", quietOrca ? "1" : "0"},
	                            {"voice", "orcanotice", orcaNoticeGiven ? "1" : "0"}});
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
	// In one write: this runs at every start.
	SettingsFile().WriteValues({{"voice", "voiceallowed", voiceAllowed ? "1" : "0"},
	                            {"sounds", "velirasounds", deviceSounds ? "1" : "0"},
	                            {"sounds", "sndvolume", std::to_string(soundVolume)},
	                            {"keyboard", "braillekeys", brailleKeyboard ? "1" : "0"},
	                            {"keyboard", "echo", std::to_string(echoMode)},
	                            {"keyboard", "autochanging", autoChange ? "1" : "0"}});
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
	quietOrca = file.ReadBool("voice", "quietorca", true);
	orcaNoticeGiven = file.ReadBool("voice", "orcanotice", false);
	voiceAllowed = file.ReadBool("voice", "voiceallowed", true);
	deviceSounds = file.ReadBool("sounds", "velirasounds", true);
	// A volume or an echo the shell has no use for reads as the default.
	soundVolume = file.ReadNumber("sounds", "sndvolume", kMixerMinVolume, kMixerMaxVolume).value_or(0);
	brailleKeyboard = file.ReadBool("keyboard", "braillekeys", false);
	menu.SetUseSapi5Checked(file.ReadBool("Voice", "sapi5", false));
	menu.SetBrailleKeyboardChecked(brailleKeyboard);
	echoMode = file.ReadNumber("keyboard", "echo", 0, kEchoModeCount - 1).value_or(1);
	autoChange = file.ReadBool("keyboard", "autochanging", false);
	menu.SetAutoChangeChecked(autoChange);
	menu.RefreshStatusBar();
	SaveSettings();
}

} // namespace velira
