#pragma once

#include "platform/speech_engines.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace velira
{

// Everything the shell says goes through these four operations.

// A speech engine is ready: gates SpeakCharacter and StopSpeech.
extern bool voiceReady;
// The older engine is producing audio (AudioStart .. AudioStop).
extern bool sapi4Speaking;
// A text handed to the newer interface has not finished.
extern bool sapi5Speaking;

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

// The older interface's sink: it only sets and clears sapi4Speaking.
class TTTSNotifySink final : public TtsNotifySink
{
public:
	void AudioStart(uint64_t time_stamp) override;
	void AudioStop(uint64_t time_stamp) override;
};

// The older interface's object slots; empty means absent.
struct SpeechObjectSlots {
	std::unique_ptr<TtsEnum> engineEnum;
	std::unique_ptr<TtsAudioDestination> audioDestination;
	std::unique_ptr<TtsCentral> central;
	TtsAttributes *attributes = nullptr; // belongs to the central
	std::shared_ptr<TtsNotifySink> notifySink;
	uint32_t registrationKey = 0;
	std::optional<TtsModeInfo> selectedMode;
};
SpeechObjectSlots &speechObjects();

// Releases the central and its attributes. The audio of a released engine
// has ended, so sapi4Speaking is cleared: no AudioStop can come from it.
void ReleaseCentral();
// Releases every slot (at program end).
void ReleaseSpeechObjects();
// Ends all speech before the process ends: the older interface's engines
// are released (their worker threads joined) and the newer interface's
// voice is closed (its connection and threads ended). A thread left
// blocked in a read of the speech server would otherwise hold the locks
// that the end of the process waits for. Every way out calls it.
void ShutDownSpeech();

// The newer interface's events.
void voice5StartStream(int32_t stream_number, int64_t stream_position);
void voice5EndStream(int32_t stream_number, int64_t stream_position);
// Sets the voice's event interests (which connects it) and routes its
// events to the handlers above. Nothing happens without a voice.
void ConnectVoice5();

// Empties the speech state: flags down, every object slot released.
void ResetSpeechState();

} // namespace velira
