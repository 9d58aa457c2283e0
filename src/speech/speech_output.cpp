#include "speech/speech_output.h"

// Until the speech engines are connected the shell is silent: every text is
// accepted and has been spoken at once.
namespace velira
{

bool voiceReady = false;

void SpeakAndWait(const std::string &) {}
void SpeakAsync(const std::string &) {}
void SpeakCharacter(const std::string &) {}
void StopSpeech() {}
void InitSpeech() {}

} // namespace velira
