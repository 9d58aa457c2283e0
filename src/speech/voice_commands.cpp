#include "speech/voice_commands.h"

#include "speech/speech_output.h"

namespace velira
{

namespace
{
std::function<void()> g_allow_voice;
}

bool SpeechEnginesAvailable()
{
	return speechObjects().engineEnum != nullptr;
}

void SetAllowVoiceOperation(std::function<void()> operation)
{
	g_allow_voice = std::move(operation);
}

void AllowVoiceFromSoundsDialog()
{
	if (g_allow_voice)
		g_allow_voice();
}

} // namespace velira
