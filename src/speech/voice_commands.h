#pragma once

// What the other dialogs ask of the voice selection.
namespace velira
{

// Whether the older speech interface's engine enumerator exists (InitSpeech
// could create it).
bool SpeechEnginesAvailable();

// The sounds dialog allows the voice: fill the voice list, select the voice
// and save the voice settings.
void AllowVoiceFromSoundsDialog();

} // namespace velira
