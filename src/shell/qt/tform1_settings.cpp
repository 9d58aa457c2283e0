// The main window's settings: reading the settings file into its check
// marks, the sound objects and the sound bank, the commands of the Settings
// menu that open the sounds, voice and environment dialogs or switch the
// speech interface, the Start command's voice preparation, and the names the
// main window's controls give to screen readers.
#include "platform/desktop.h"
#include "platform/qt/error_boundary.h"
#include "platform/qt/qt_text.h"
#include "platform/services.h"
#include "runtime/velcommands.h"
#include "screen_reader/qt/orca_care.h"
#include "screen_reader/qt/screen_reader_command.h"
#include "settings/localized_texts.h"
#include "settings/qt/captions.h"
#include "settings/qt/tform3.h"
#include "settings/settings_file.h"
#include "settings/shared_settings.h"
#include "shell/file_locations.h"
#include "shell/qt/tform1.h"
#include "shell/shutdown.h"
#include "sound/qt/tform5.h"
#include "sound/sound_bank.h"
#include "speech/qt/tform4.h"
#include "speech/speech_output.h"
#include "speech/voice_commands.h"

#include <QMenuBar>

#include <filesystem>

namespace velira
{

namespace
{

constexpr const char *kSoundBankFileName = "sounds.dat";

class MainWindowSettingsMenu final : public SettingsMenu
{
public:
	explicit MainWindowSettingsMenu(TForm1 &form) : form_(form) {}
	void SetUseSapi5Checked(bool checked) override { form_.usesapi5submenu->setChecked(checked); }
	void SetBrailleKeyboardChecked(bool checked) override
	{
		form_.braillekeyboarditem->setChecked(checked);
	}
	void SetAutoChangeChecked(bool checked) override { form_.autochangeitem->setChecked(checked); }
	void RefreshStatusBar() override { form_.updatestatusbar(); }

private:
	TForm1 &form_;
};

// Names that no localized text holds, in the three languages.
QString LanguageName(const char *czech, const char *english, const char *slovak)
{
	if (languageBase == kEnglishBase)
		return QString::fromUtf8(english);
	if (languageBase == kSlovakBase)
		return QString::fromUtf8(slovak);
	return QString::fromUtf8(czech);
}

} // namespace

void TForm1::LoadSettings()
{
	MainWindowSettingsMenu menu(*this);
	velira::LoadSettings(menu, SpeechEnginesAvailable());
}

void TForm1::DecideFirstStartVoice()
{
	RunHandler([this] {
		MainWindowSettingsMenu menu(*this);
		const bool chosen = velira::DecideFirstStartVoice(menu);
		if (!firstStartVoicePending)
			screen_reader_known_.Cancel();
		if (!chosen)
			return;
		// As the menu item does it, and said in the voice now speaking.
		useSapi5 = true;
		voiceReady = true;
		Voicesubmenu->setEnabled(false);
		SpeakAsync(ToCp1250(SpokenCaption(usesapi5submenu->text())));
	});
}

void TForm1::CreateSoundObjects()
{
	// Released on every way out; errors while releasing are ignored.
	services().releaseSoundObjects = [] { ReleaseSoundDeviceAndWaveList(); };
	CreateSoundDeviceAndWaveList();
	// From the current directory, or the user's or the installed one.
	const std::string bank = DataFilePath(kSoundBankFileName);
	std::error_code error;
	if (!std::filesystem::exists(bank, error))
		ReportMissingFileAndEnd(bank);
	LoadSoundBank(bank);
}

void TForm1::SetAccessibleNames()
{
	// Menu items are named by their captions; the other controls need names
	// of their own.
	printmemo->setAccessibleName(FromCp1250(LocalizedText(languageBase, kTextScreen)));
	StatusBar->setAccessibleName(LanguageName("Stavový řádek", "Status bar", "Stavový riadok"));
	menuBar()->setAccessibleName(LanguageName("Hlavní nabídka", "Main menu", "Hlavná ponuka"));
	for (QMenu *menu : {Programmenu, settingsmenu, helpmenu})
		menu->setAccessibleName(SpokenCaption(menu->title()));
}

void TForm1::soundssubmenuClick()
{
	if (form5_ == nullptr || !soundssubmenu->isEnabled())
		return;
	RunHandler([this] {
		form5_->voicecheckbox->setChecked(voiceAllowed);
		form5_->velirasoundschk->setChecked(deviceSounds);
		// Moving the track bar sets the volume through its change handler;
		// the dialog is not active yet, so no preview sounds.
		form5_->sndvoltrackbar->setValue(TrackBarPositionForVolume(soundVolume));
		form5_->sndvoltrackbar->setEnabled(deviceSounds);
		const int32_t remembered_volume = soundVolume;
		form5_->voicecheckbox->setFocus();
		if (form5_->exec() != QDialog::Accepted) {
			soundVolume = remembered_volume;
			return;
		}
		if (form5_->voicecheckbox->isChecked() && !voiceAllowed) {
			if (SpeechEnginesAvailable()) {
				AllowVoiceFromSoundsDialog();
			} else {
				form5_->voicecheckbox->setChecked(false);
				services().DesktopService().ShowMessage(
				    LocalizedText(languageBase, kTextNoVoices));
			}
		}
		voiceAllowed = form5_->voicecheckbox->isChecked();
		Voicesubmenu->setEnabled(voiceAllowed);
		deviceSounds = form5_->velirasoundschk->isChecked();
		SaveSettings();
	});
}

void TForm1::environmentsubmenuClick()
{
	if (form3_ == nullptr || !environmentsubmenu->isEnabled())
		return;
	RunHandler([this] {
		// Cancel changes nothing: the language in force before the dialog
		// opened comes back, although picking an entry set it at once.
		const int base_before = languageBase;
		form3_->SelectLanguageIndex(LanguageIndexForBase(languageBase, form3_->LanguageCount()));
		const int remembered = form3_->SelectedLanguageIndex();
		form3_->FocusLanguages();
		if (form3_->exec() != QDialog::Accepted) {
			languageBase = base_before;
			return;
		}
		SaveLanguageSetting();
		if (form3_->SelectedLanguageIndex() != remembered)
			services().DesktopService().ShowMessage(
			    LocalizedText(languageBase, kTextRestartNotice));
	});
}

void TForm1::VoicesubmenuClick()
{
	if (form4_ == nullptr)
		return;
	RunHandler([this] {
		if (!voiceAllowed) {
			services().DesktopService().ShowMessage(LocalizedText(languageBase, kTextVoiceOff));
			return;
		}
		if (!voiceReady) {
			form4_->SelectVoice();
			form4_->SaveVoiceSettings();
		}
		form4_->LoadVoiceSettings();
		form4_->voicelist->setFocus();
		if (form4_->exec() == TForm4::kResultOk) {
			form4_->SaveVoiceSettings();
			form4_->LoadVoiceSettings();
			SpeakAndWait(LocalizedText(languageBase, kTextVoiceSelected));
		} else if (!ServesScreenReader()) {
			// A screen reader names the window that gets the focus back.
			SpeakAndWait(ToCp1250(windowTitle()));
		}
	});
}

void TForm1::usesapi5submenuClick()
{
	RunHandler([this] {
		// The item is checkable: the menu has already toggled its check
		// mark when it reports the click.
		const bool checked = usesapi5submenu->isChecked();
		// The user's choice: a first start's pending one is dropped.
		firstStartVoicePending = false;
		screen_reader_known_.Cancel();
		useSapi5 = checked;
		voiceReady = checked;
		Voicesubmenu->setEnabled(!checked);
		SettingsFile().WriteBool("Voice", "SAPI5", checked);
		SoundStatement({checked ? 400.0 : 600.0}, 50, 3);
		SoundStatement({checked ? 600.0 : 400.0}, 50, 3);
	});
}

void TForm1::screenreaderitemClick()
{
	RunHandler([] { ScreenReaderCommand(); });
}

void TForm1::orcaechoitemClick()
{
	RunHandler([] { OrcaEchoCommand(); });
}

void TForm1::PrepareVoiceForRun()
{
	if (form4_ == nullptr || usesapi5submenu->isChecked())
		return;
	if (voiceAllowed)
		form4_->LoadVoiceSettings();
	if (!voiceReady && voiceAllowed) {
		form4_->SelectVoice();
		form4_->SaveVoiceSettings();
		form4_->LoadVoiceSettings();
	}
}

} // namespace velira
