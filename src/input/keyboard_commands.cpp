#include "input/keyboard_commands.h"

#include "runtime/velcommands.h"
#include "settings/localized_texts.h"
#include "settings/shared_settings.h"
#include "speech/speech_output.h"

namespace velira
{

namespace
{

// A short tone of the switching signals.
void SwitchTone(double note)
{
	SoundStatement({note}, 50, 3);
}

} // namespace

std::string StatusBarText()
{
	return LocalizedText(languageBase, brailleKeyboard ? kTextBraille : kTextClassic) + " - " +
	       LocalizedText(languageBase, kTextEchoSounds + echoMode);
}

void UpdateStatusBar(KeyboardMenu &menu)
{
	menu.SetStatusText(StatusBarText());
}

void BrailleKeyboardCommand(KeyboardMenu &menu)
{
	// The setting decides which way to switch, not the check mark: a
	// checkable menu item may have flipped its mark already.
	if (brailleKeyboard) {
		menu.SetBrailleChecked(false);
		SwitchTone(600);
		SwitchTone(400);
		SpeakAndWait(LocalizedText(languageBase, kTextClassic));
	} else {
		SwitchTone(400);
		SwitchTone(600);
		menu.SetBrailleChecked(true);
		if (autoChange) {
			autoChange = false;
			menu.SetAutoChangeChecked(false);
		}
		SpeakAndWait(LocalizedText(languageBase, kTextBraille));
	}
	brailleKeyboard = menu.BrailleChecked();
	SaveSettings();
	UpdateStatusBar(menu);
}

void AutoChangeCommand(KeyboardMenu &menu)
{
	// The setting decides, not the check mark: a checkable menu item may
	// have flipped its mark already when the command runs.
	menu.SetAutoChangeChecked(!autoChange);
	autoChange = menu.AutoChangeChecked();
	SpeakAndWait(LocalizedText(languageBase, autoChange ? kTextAutoOn : kTextAutoOff));
	SaveSettings();
}

void KeyboardEchoCommand(KeyboardMenu &menu)
{
	// A mode out of range from a hand-edited settings file starts the cycle
	// again instead of counting on through texts that are not echo names.
	echoMode = echoMode >= 0 && echoMode < kEchoModeCount - 1 ? echoMode + 1 : 0;
	SpeakAndWait(LocalizedText(languageBase, kTextEchoSounds + echoMode));
	UpdateStatusBar(menu);
	SaveSettings();
}

void ReadStatusBarCommand(const KeyboardMenu &menu)
{
	SpeakAndWait(menu.StatusText());
}

} // namespace velira
