// The main window's voice commands, the Start command's voice preparation,
// and the names the main window's controls give to screen readers.
#include "platform/desktop.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/qt_text.h"
#include "platform/services.h"
#include "runtime/velcommands.h"
#include "settings/localized_texts.h"
#include "settings/qt/captions.h"
#include "settings/settings_file.h"
#include "settings/shared_settings.h"
#include "shell/qt/tform1.h"
#include "speech/qt/tform4.h"
#include "speech/speech_output.h"

#include <QMenuBar>

namespace velira
{

namespace
{

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

void TForm1::SetAccessibleNames()
{
	// Menu items are named by their captions; the other controls need names
	// of their own.
	printmemo->setAccessibleName(FromCp1250(LocalizedText(languageBase, 26)));
	StatusBar->setAccessibleName(LanguageName("Stavový řádek", "Status bar", "Stavový riadok"));
	menuBar()->setAccessibleName(LanguageName("Hlavní nabídka", "Main menu", "Hlavná ponuka"));
	for (QMenu *menu : {Programmenu, settingsmenu, helpmenu})
		menu->setAccessibleName(SpokenCaption(menu->title()));
}

void TForm1::VoicesubmenuClick()
{
	if (form4_ == nullptr)
		return;
	try {
		if (!voiceAllowed) {
			services().desktop->ShowMessage(LocalizedText(languageBase, 18));
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
			SpeakAndWait(LocalizedText(languageBase, 19));
		} else {
			SpeakAndWait(ToCp1250(windowTitle()));
		}
	} catch (const std::exception &error) {
		ShowErrorMessage(error);
	}
}

void TForm1::usesapi5submenuClick()
{
	try {
		// The item is checkable: the menu has already toggled its check
		// mark when it reports the click.
		const bool checked = usesapi5submenu->isChecked();
		useSapi5 = checked;
		voiceReady = checked;
		Voicesubmenu->setEnabled(!checked);
		SettingsFile().WriteBool("Voice", "SAPI5", checked);
		SoundStatement({checked ? 400.0 : 600.0}, 50, 3);
		SoundStatement({checked ? 600.0 : 400.0}, 50, 3);
	} catch (const std::exception &error) {
		ShowErrorMessage(error);
	}
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
