#include "screen_reader/qt/screen_reader_command.h"

#include "screen_reader/qt/orca_care.h"
#include "settings/localized_texts.h"
#include "settings/shared_settings.h"
#include "speech/speech_output.h"

namespace velira
{

void ScreenReaderCommand()
{
	int said = kTextScreenReaderAuto;
	switch (screenReaderMode) {
	case ScreenReaderMode::kAuto:
		screenReaderMode = ScreenReaderMode::kAlways;
		said = kTextScreenReaderAlways;
		break;
	case ScreenReaderMode::kAlways:
		screenReaderMode = ScreenReaderMode::kNever;
		said = kTextScreenReaderNever;
		break;
	case ScreenReaderMode::kNever:
		screenReaderMode = ScreenReaderMode::kAuto;
		break;
	}
	SaveScreenReaderSetting();
	// Orca's echo in the shell's windows follows: never gives it back.
	CareForOrca();
	SpeakAndWait(LocalizedText(languageBase, said));
}

} // namespace velira
