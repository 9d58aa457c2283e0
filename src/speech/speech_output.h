#pragma once

#include <string>

namespace velira
{

// Everything the shell says goes through these four operations.

// A speech engine is ready.
extern bool voiceReady;

// Speaks `text` (code page 1250) and returns when it has been spoken or cut
// short; the message loop runs meanwhile.
void SpeakAndWait(const std::string &text);
// Starts speaking and returns at once.
void SpeakAsync(const std::string &text);
// Speaks the spoken name of the first character, with a tone before capitals.
void SpeakCharacter(const std::string &text);
// Silences the voice at once and drops everything queued.
void StopSpeech();

// Creates the speech objects; once, while the main window is created.
void InitSpeech();

} // namespace velira
