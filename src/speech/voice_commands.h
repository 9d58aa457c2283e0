#pragma once

#include <functional>

// What the other dialogs ask of the voice selection.
namespace velira
{

// Whether the older speech interface's engine enumerator exists (InitSpeech
// could create it).
bool SpeechEnginesAvailable();

// The sounds dialog allows the voice: fill the voice list, select the voice
// and save the voice settings.
void AllowVoiceFromSoundsDialog();

// The voice dialog installs what AllowVoiceFromSoundsDialog runs when it is
// created; before that the call does nothing.
void SetAllowVoiceOperation(std::function<void()> operation);

} // namespace velira
