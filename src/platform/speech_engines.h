#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// The two generations of the desktop's speech service, as the shell uses
// them. The older one is an engine layer: an enumerator of engine modes, a
// central per selected mode that queues texts and reports audio start and
// stop to a registered sink, and the central's attributes. The newer one is
// a single voice object that speaks with the desktop's default voice.
//
// Every call of the older interface answers a result code; the caller tests
// it and raises an error with SpeechResultText for any failure.
namespace velira
{

using SpeechResult = int32_t;
constexpr SpeechResult kSpeechOk = 0;
constexpr SpeechResult kSpeechNotImplemented = static_cast<SpeechResult>(0x80004001u);
constexpr SpeechResult kSpeechFailed = static_cast<SpeechResult>(0x80004005u);
constexpr SpeechResult kSpeechInvalidArgument = static_cast<SpeechResult>(0x80070057u);
constexpr SpeechResult kSpeechNotRegistered = static_cast<SpeechResult>(0x80040154u);
constexpr SpeechResult kSpeechOutOfMemory = static_cast<SpeechResult>(0x8007000Eu);

inline bool SpeechFailed(SpeechResult result)
{
	return result < 0;
}

// The platform's text for a result code.
std::string SpeechResultText(SpeechResult result);
// Raises a ShellError with that text when `result` is a failure.
void CheckSpeechResult(SpeechResult result);

// One engine mode, as the enumerator reports it.
struct TtsModeInfo {
	std::array<uint8_t, 16> mode_id{};
	std::string mode_name; // what the voice list shows; at most 262 characters
};

// Receives the audio notifications of the centrals it is registered with.
// They are delivered on the user-interface thread, as queued messages.
class TtsNotifySink
{
public:
	virtual ~TtsNotifySink() = default;
	virtual void AttribChanged(uint32_t attribute) { (void)attribute; }
	virtual void AudioStart(uint64_t time_stamp) = 0;
	virtual void AudioStop(uint64_t time_stamp) = 0;
	virtual void Visual(uint64_t time_stamp) { (void)time_stamp; }
};

// Speed in words per minute; pitch on the engine's own scale; volume with
// the left channel in the low 16 bits and the right in the high 16 bits.
// Set clamps to the engine's range, so setting 0 and all ones and reading
// back finds the limits.
class TtsAttributes
{
public:
	virtual ~TtsAttributes() = default;
	virtual SpeechResult SpeedGet(uint32_t &speed) = 0;
	virtual SpeechResult SpeedSet(uint32_t speed) = 0;
	virtual SpeechResult PitchGet(uint16_t &pitch) = 0;
	virtual SpeechResult PitchSet(uint16_t pitch) = 0;
	virtual SpeechResult VolumeGet(uint32_t &volume) = 0;
	virtual SpeechResult VolumeSet(uint32_t volume) = 0;
};

// One selected engine mode.
class TtsCentral
{
public:
	virtual ~TtsCentral() = default;

	// Queues `text` (code page 1250, plain, untagged) behind the texts
	// already queued. A zero byte ends the text, as for the original engine.
	virtual SpeechResult TextData(const std::string &text) = 0;
	// Stops the audio at once and empties the queue; an AudioStop follows.
	virtual SpeechResult AudioReset() = 0;
	// Applies control tags such as "\Spd=200\", "\Pit=50\", "\Vol=51200\".
	virtual SpeechResult Inject(const std::string &tags) = 0;
	virtual SpeechResult Register(std::shared_ptr<TtsNotifySink> sink, uint32_t &key) = 0;
	virtual SpeechResult UnRegister(uint32_t key) = 0;
	// The attributes of this central; they live as long as the central.
	virtual SpeechResult QueryAttributes(TtsAttributes *&attributes) = 0;
};

// Where the engines play: created once by InitSpeech.
class TtsAudioDestination
{
public:
	virtual ~TtsAudioDestination() = default;
};

class TtsEnum
{
public:
	virtual ~TtsEnum() = default;
	virtual SpeechResult Reset() = 0;
	// Fetches the next mode; `fetched` is 0 after the last one.
	virtual SpeechResult Next(TtsModeInfo &mode, uint32_t &fetched) = 0;
	virtual SpeechResult Select(const std::array<uint8_t, 16> &mode_id, TtsAudioDestination *destination,
	                            std::unique_ptr<TtsCentral> &central) = 0;
};

// Creation of the older interface's objects.
class TtsObjectFactory
{
public:
	virtual ~TtsObjectFactory() = default;
	virtual SpeechResult CreateEngineEnum(std::unique_ptr<TtsEnum> &engine_enum) = 0;
	virtual SpeechResult CreateAudioDestination(std::unique_ptr<TtsAudioDestination> &destination) = 0;
};

// Speak flags of the newer interface.
constexpr int32_t kSpeakAsync = 1;
constexpr int32_t kSpeakPurgeBeforeSpeak = 2;
constexpr int32_t kSpeakIsXml = 8;
// Every event of the voice.
constexpr int32_t kAllVoiceEvents = 33790;

// The newer interface's voice. StartStream and EndStream arrive on the
// user-interface thread as queued messages; EndStream arrives for every
// text handed over, also when it was purged.
class SpeechVoice
{
public:
	using StreamHandler = std::function<void(int32_t stream_number, int64_t stream_position)>;
	virtual ~SpeechVoice() = default;

	// Setting the event interests connects the voice to its server.
	virtual void SetEventInterests(int32_t interests) = 0;
	// `text` is UTF-8. Flags: kSpeakAsync, kSpeakIsXml, kSpeakPurgeBeforeSpeak;
	// an empty text with kSpeakPurgeBeforeSpeak only purges.
	virtual SpeechResult Speak(const std::string &text, int32_t flags, int32_t &stream_number) = 0;
	// Closes the connection to the voice's server and ends every thread the
	// voice started, so that the process can end; texts under way end
	// (EndStream). The next Speak connects again.
	virtual void Close() {}

	void SetStreamHandlers(StreamHandler start, StreamHandler end)
	{
		start_stream_ = std::move(start);
		end_stream_ = std::move(end);
	}

protected:
	void StartStream(int32_t stream, int64_t position)
	{
		if (start_stream_)
			start_stream_(stream, position);
	}
	void EndStream(int32_t stream, int64_t position)
	{
		if (end_stream_)
			end_stream_(stream, position);
	}

private:
	StreamHandler start_stream_;
	StreamHandler end_stream_;
};

// Runs `message` later on the user-interface thread, from its message loop.
// Callable from any thread; the messages run in the order posted.
using PostToUiThread = std::function<void(std::function<void()> message)>;

} // namespace velira
