#pragma once

// What the other dialogs ask of the voice selection.
namespace velira
{

// Whether the older speech interface's engine enumerator exists (InitSpeech
// could create it).
bool SpeechEnginesAvailable();

// The sounds dialog allows the voice: fill the voice list, select the voice
// and save the voice settings, through the voice dialog's selection
// (services().allowVoice, which the voice dialog sets when it is created).
// Raises a ShellError when there is no voice dialog to select with.
void AllowVoiceFromSoundsDialog();

} // namespace velira
