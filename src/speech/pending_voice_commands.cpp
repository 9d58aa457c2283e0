#include "speech/voice_commands.h"

// Until the speech engines are connected there is no engine enumerator.
namespace velira
{

bool SpeechEnginesAvailable()
{
	return false;
}

void AllowVoiceFromSoundsDialog() {}

} // namespace velira
