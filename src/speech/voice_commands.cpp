#include "speech/voice_commands.h"

#include "platform/error.h"
#include "platform/services.h"
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

} // namespace velira
