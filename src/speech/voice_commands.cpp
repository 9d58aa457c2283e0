#include "speech/voice_commands.h"

#include "platform/error.h"
#include "platform/services.h"
#include "settings/localized_texts.h"
#include "settings/shared_settings.h"
#include "speech/speech_output.h"

namespace velira
{

bool SpeechEnginesAvailable()
{
	return speechObjects().engineEnum != nullptr;
}

void AllowVoiceFromSoundsDialog()
{
	// Allowing the voice without selecting one would leave the voice
	// allowed and silent, with no word why.
	const auto &allow = services().allowVoice;
	if (!allow)
		throw ShellError("The shell has no voice selection connected");
	allow();
}

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
	SpeakAndWait(LocalizedText(languageBase, said));
}

} // namespace velira
