#include "speech/adapters/espeak_engine.h"

#include "platform/adapters/openal_device.h"
#include "platform/cp1250.h"
#include "platform/error.h"
#include "speech/voice_order.h"

#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace velira
{

namespace
{

using SteadyClock = std::chrono::steady_clock;

int64_t SteadyNs()
{
	return std::chrono::duration_cast<std::chrono::nanoseconds>(SteadyClock::now().time_since_epoch())
	    .count();
}

// espeak-ng is one process-wide synthesizer: it is initialised once and its
// calls are serialised through this lock.
std::mutex g_espeak_mutex;
bool g_espeak_tried = false;
int g_sample_rate = 0;

// In the order of the voice list (OrderVoices).
std::vector<ListedVoice> g_voices;

int SynthCallback(short *wav, int sample_count, espeak_EVENT *events);

bool InitialiseEspeak()
{
	std::lock_guard lock(g_espeak_mutex);
	if (g_espeak_tried)
		return g_sample_rate > 0;
	g_espeak_tried = true;
	// Synchronous output: espeak_Synth renders on the calling thread (the
	// central's worker) and hands the samples to the callback in pieces of
	// about 20 ms, so the first piece is ready quickly.
	const int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 20, nullptr, 0);
	if (rate <= 0)
		return false;
	espeak_SetSynthCallback(SynthCallback);
	g_sample_rate = rate;
	return true;
}

// The voices, listed when the enumerator is first asked for them rather
// than at start-up: espeak-ng reads every voice file to list them. Only
// the user-interface thread enumerates.
const std::vector<ListedVoice> &Voices()
{
	static bool listed = false;
	if (listed)
		return g_voices;
	listed = true;
	std::lock_guard lock(g_espeak_mutex);
	const espeak_VOICE **list = espeak_ListVoices(nullptr);
	for (; list != nullptr && *list != nullptr; ++list) {
		const espeak_VOICE *voice = *list;
		if (voice->name == nullptr)
			continue;
		// languages: a priority byte, then the language name, repeated.
		std::string language = voice->languages != nullptr ? voice->languages + 1 : "";
		g_voices.push_back({voice->name, language});
	}
	g_voices = OrderVoices(std::move(g_voices));
	return g_voices;
}

constexpr uint32_t kSpeedMin = espeakRATE_MINIMUM;
constexpr uint32_t kSpeedMax = espeakRATE_MAXIMUM;
constexpr uint32_t kSpeedNormal = espeakRATE_NORMAL;
constexpr uint16_t kPitchMax = 100;
constexpr uint16_t kPitchNormal = 50;

// Parses "\Tag=n\" sequences; unknown tags and malformed values are skipped.
template <typename Apply> void ForEachTag(const std::string &tags, Apply apply)
{
	size_t pos = 0;
	while ((pos = tags.find('\\', pos)) != std::string::npos) {
		const size_t end = tags.find('\\', pos + 1);
		if (end == std::string::npos)
			break;
		const std::string tag = tags.substr(pos + 1, end - pos - 1);
		const size_t equals = tag.find('=');
		if (equals != std::string::npos) {
			const std::string name = tag.substr(0, equals);
			const std::string digits = tag.substr(equals + 1);
			if (!digits.empty() && digits.size() <= 10 &&
			    std::all_of(digits.begin(), digits.end(),
			                [](char c) { return c >= '0' && c <= '9'; }))
				apply(name, std::stoull(digits));
		}
		pos = end;
	}
}

bool TagIs(const std::string &name, const char *wanted)
{
	return name.size() == std::strlen(wanted) &&
	       std::equal(name.begin(), name.end(), wanted,
	                  [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

class EspeakCentral final : public TtsCentral, public TtsAttributes
{
public:
	EspeakCentral(std::string voice_name, PostToUiThread post)
	    : voice_name_(std::move(voice_name)), post_(std::move(post))
	{
		{
			const auto calls = OpenAlDevice::LockCalls();
			alGetError();
			alGenSources(1, &source_);
			if (alGetError() != AL_NO_ERROR) {
				// The device has no source left: this central cannot
				// speak, and Select reports it instead of handing it out.
				source_ = 0;
				return;
			}
			alSourcef(source_, AL_GAIN, 1.0f);
		}
		worker_ = std::thread([this] { WorkerLoop(); });
	}

	bool HasSource() const { return source_ != 0; }

	~EspeakCentral() override
	{
		{
			std::lock_guard lock(mutex_);
			quit_ = true;
			++generation_;
			jobs_.clear();
			if (busy_) {
				busy_ = false;
				NotifyLocked(false);
			}
		}
		wake_.notify_all();
		if (worker_.joinable())
			worker_.join();
		if (source_ == 0)
			return;
		const auto calls = OpenAlDevice::LockCalls();
		StopSourceLocked();
		alDeleteSources(1, &source_);
	}

	SpeechResult TextData(const std::string &text) override
	{
		{
			std::lock_guard lock(mutex_);
			// A zero byte ends the text, as for the original engine.
			jobs_.push_back(Utf8FromCp1250(std::string(text.c_str())));
			espeakTimings().text_accepted_ns = SteadyNs();
			espeakTimings().first_audio_ns = 0;
			// The audio starts when an idle engine takes a text: the
			// notification is queued at once, so that a wait that begins
			// right after handing the text over sees it on its first pass.
			if (!busy_) {
				busy_ = true;
				NotifyLocked(true);
			}
		}
		wake_.notify_all();
		return kSpeechOk;
	}

	SpeechResult AudioReset() override
	{
		{
			std::lock_guard lock(mutex_);
			++generation_;
			jobs_.clear();
			StopSourceLocked();
			busy_ = false;
			NotifyLocked(false);
		}
		wake_.notify_all();
		return kSpeechOk;
	}

	SpeechResult Inject(const std::string &tags) override
	{
		std::lock_guard lock(mutex_);
		ForEachTag(tags, [this](const std::string &name, unsigned long long value) {
			if (TagIs(name, "spd"))
				speed_ = ClampSpeed(value);
			else if (TagIs(name, "pit"))
				pitch_ =
				    static_cast<uint16_t>(std::min<unsigned long long>(value, kPitchMax));
			else if (TagIs(name, "vol")) {
				const uint32_t level =
				    static_cast<uint32_t>(std::min<unsigned long long>(value, 0xFFFF));
				SetVolumeLocked(level | (level << 16));
			}
		});
		return kSpeechOk;
	}

	SpeechResult Register(std::shared_ptr<TtsNotifySink> sink, uint32_t &key) override
	{
		if (!sink)
			return kSpeechInvalidArgument;
		std::lock_guard lock(mutex_);
		key = next_key_++;
		sinks_[key] = std::move(sink);
		return kSpeechOk;
	}

	SpeechResult UnRegister(uint32_t key) override
	{
		std::lock_guard lock(mutex_);
		return sinks_.erase(key) != 0 ? kSpeechOk : kSpeechInvalidArgument;
	}

	SpeechResult QueryAttributes(TtsAttributes *&attributes) override
	{
		attributes = this;
		return kSpeechOk;
	}

	SpeechResult SpeedGet(uint32_t &speed) override
	{
		std::lock_guard lock(mutex_);
		speed = speed_;
		return kSpeechOk;
	}
	SpeechResult SpeedSet(uint32_t speed) override
	{
		std::lock_guard lock(mutex_);
		speed_ = ClampSpeed(speed);
		return kSpeechOk;
	}
	SpeechResult PitchGet(uint16_t &pitch) override
	{
		std::lock_guard lock(mutex_);
		pitch = pitch_;
		return kSpeechOk;
	}
	SpeechResult PitchSet(uint16_t pitch) override
	{
		std::lock_guard lock(mutex_);
		pitch_ = std::min(pitch, kPitchMax);
		return kSpeechOk;
	}
	SpeechResult VolumeGet(uint32_t &volume) override
	{
		std::lock_guard lock(mutex_);
		volume = volume_;
		return kSpeechOk;
	}
	SpeechResult VolumeSet(uint32_t volume) override
	{
		std::lock_guard lock(mutex_);
		SetVolumeLocked(volume);
		return kSpeechOk;
	}

	// Called by espeak-ng on the worker thread; 1 aborts the synthesis.
	int OnSamples(const short *samples, int sample_count)
	{
		std::lock_guard lock(mutex_);
		if (quit_ || synth_generation_ != generation_)
			return 1;
		const auto calls = OpenAlDevice::LockCalls();
		RecycleProcessedLocked();
		if (samples == nullptr || sample_count <= 0)
			return 0;
		// Audio that cannot be queued or played is not waited for: the text
		// ends instead of keeping the shell waiting for silence.
		ALuint buffer = 0;
		alGetError();
		alGenBuffers(1, &buffer);
		if (alGetError() != AL_NO_ERROR)
			return 1;
		alBufferData(buffer, AL_FORMAT_MONO16, samples,
		             sample_count * static_cast<int>(sizeof(short)), g_sample_rate);
		if (alGetError() == AL_NO_ERROR)
			alSourceQueueBuffers(source_, 1, &buffer);
		if (alGetError() != AL_NO_ERROR) {
			alDeleteBuffers(1, &buffer);
			alGetError();
			return 1;
		}
		buffers_.push_back(buffer);
		queued_samples_ += sample_count;
		if (!EnsurePlayingLocked()) {
			StopSourceLocked();
			return 1;
		}
		if (espeakTimings().first_audio_ns == 0)
			espeakTimings().first_audio_ns = SteadyNs();
		return 0;
	}

private:
	static uint32_t ClampSpeed(unsigned long long speed)
	{
		return static_cast<uint32_t>(std::clamp<unsigned long long>(speed, kSpeedMin, kSpeedMax));
	}

	void SetVolumeLocked(uint32_t volume)
	{
		volume_ = volume;
		// OpenAL plays mono: the left channel's level is the gain.
		const auto calls = OpenAlDevice::LockCalls();
		alSourcef(source_, AL_GAIN, static_cast<float>(volume & 0xFFFF) / 65535.0f);
	}

	void NotifyLocked(bool start)
	{
		if (!post_)
			return;
		const uint64_t stamp = static_cast<uint64_t>(SteadyNs());
		for (const auto &entry : sinks_) {
			std::shared_ptr<TtsNotifySink> sink = entry.second;
			post_([sink, start, stamp] {
				if (start)
					sink->AudioStart(stamp);
				else
					sink->AudioStop(stamp);
			});
		}
	}

	// Starts the source when it has run dry; false when it cannot play.
	bool EnsurePlayingLocked()
	{
		const auto calls = OpenAlDevice::LockCalls();
		alGetError();
		ALint state = AL_STOPPED;
		alGetSourcei(source_, AL_SOURCE_STATE, &state);
		if (alGetError() == AL_NO_ERROR && state != AL_PLAYING)
			alSourcePlay(source_);
		return alGetError() == AL_NO_ERROR;
	}

	// Deletes the buffers that have played. One that cannot be taken off the
	// source stays counted, and the drain ends at its time limit.
	void RecycleProcessedLocked()
	{
		const auto calls = OpenAlDevice::LockCalls();
		alGetError();
		ALint processed = 0;
		alGetSourcei(source_, AL_BUFFERS_PROCESSED, &processed);
		if (alGetError() != AL_NO_ERROR)
			return;
		while (processed-- > 0 && !buffers_.empty()) {
			ALuint buffer = 0;
			alSourceUnqueueBuffers(source_, 1, &buffer);
			if (alGetError() != AL_NO_ERROR)
				return;
			alDeleteBuffers(1, &buffer);
			alGetError();
			const auto found = std::find(buffers_.begin(), buffers_.end(), buffer);
			if (found != buffers_.end())
				buffers_.erase(found);
		}
	}

	// Takes every buffer off the source and deletes them; after a stop
	// nothing is left to fail but the source itself, so the errors are
	// cleared rather than left for the next call's check.
	void StopSourceLocked()
	{
		const auto calls = OpenAlDevice::LockCalls();
		alSourceStop(source_);
		alSourcei(source_, AL_BUFFER, 0);
		if (!buffers_.empty())
			alDeleteBuffers(static_cast<ALsizei>(buffers_.size()), buffers_.data());
		alGetError();
		buffers_.clear();
		queued_samples_ = 0;
	}

	void WorkerLoop()
	{
		for (;;) {
			std::string text;
			uint32_t speed = 0;
			uint16_t pitch = 0;
			{
				std::unique_lock lock(mutex_);
				wake_.wait(lock, [this] { return quit_ || !jobs_.empty(); });
				if (quit_)
					return;
				text = std::move(jobs_.front());
				jobs_.pop_front();
				synth_generation_ = generation_;
				speed = speed_;
				pitch = pitch_;
				queued_samples_ = 0;
			}
			Synthesize(text, speed, pitch);
			DrainPlayback();
			std::lock_guard lock(mutex_);
			if (!quit_ && synth_generation_ == generation_ && jobs_.empty() && busy_) {
				busy_ = false;
				NotifyLocked(false);
			}
		}
	}

	void Synthesize(const std::string &text, uint32_t speed, uint16_t pitch)
	{
		std::lock_guard lock(g_espeak_mutex);
		espeak_SetVoiceByName(voice_name_.c_str());
		espeak_SetParameter(espeakRATE, static_cast<int>(speed), 0);
		espeak_SetParameter(espeakPITCH, pitch, 0);
		espeak_SetParameter(espeakVOLUME, 100, 0);
		espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr,
		             this);
	}

	// Waits until the queued audio has played, the text was reset, or far
	// longer than the audio lasts (a device that stopped playing must not
	// keep the shell waiting for ever).
	void DrainPlayback()
	{
		std::unique_lock lock(mutex_);
		const auto audio =
		    std::chrono::milliseconds(g_sample_rate > 0 ? queued_samples_ * 1000 / g_sample_rate : 0);
		const auto give_up = SteadyClock::now() + audio + std::chrono::seconds(2);
		while (!quit_ && synth_generation_ == generation_) {
			RecycleProcessedLocked();
			if (buffers_.empty())
				return;
			if (SteadyClock::now() > give_up || !EnsurePlayingLocked()) {
				StopSourceLocked();
				return;
			}
			wake_.wait_for(lock, std::chrono::milliseconds(5));
		}
	}

	const std::string voice_name_;
	const PostToUiThread post_;
	ALuint source_ = 0;
	std::thread worker_;

	std::mutex mutex_;
	std::condition_variable wake_;
	std::deque<std::string> jobs_;
	uint64_t generation_ = 0;
	uint64_t synth_generation_ = 0; // the worker's text
	bool busy_ = false;
	bool quit_ = false;
	std::vector<ALuint> buffers_;
	int64_t queued_samples_ = 0;
	std::map<uint32_t, std::shared_ptr<TtsNotifySink>> sinks_;
	uint32_t next_key_ = 1;
	uint32_t speed_ = kSpeedNormal;
	uint16_t pitch_ = kPitchNormal;
	uint32_t volume_ = 0xFFFFFFFF;
};

int SynthCallback(short *wav, int sample_count, espeak_EVENT *events)
{
	if (events == nullptr || events->user_data == nullptr)
		return 0;
	return static_cast<EspeakCentral *>(events->user_data)->OnSamples(wav, sample_count);
}

class OpenAlDestination final : public TtsAudioDestination
{
};

// Mode identifiers carry the voice's place in the ordered list.
std::array<uint8_t, 16> ModeId(uint32_t index)
{
	std::array<uint8_t, 16> id{'e', 's', 'p', 'k'};
	for (int i = 0; i < 4; ++i)
		id[4 + i] = static_cast<uint8_t>(index >> (8 * i));
	return id;
}

bool IndexOfModeId(const std::array<uint8_t, 16> &id, uint32_t &index)
{
	if (id[0] != 'e' || id[1] != 's' || id[2] != 'p' || id[3] != 'k')
		return false;
	index = 0;
	for (int i = 0; i < 4; ++i)
		index |= static_cast<uint32_t>(id[4 + i]) << (8 * i);
	return index < Voices().size();
}

class EspeakEngineEnum final : public TtsEnum
{
public:
	explicit EspeakEngineEnum(PostToUiThread post) : post_(std::move(post)) {}

	SpeechResult Reset() override
	{
		next_ = 0;
		return kSpeechOk;
	}

	SpeechResult Next(TtsModeInfo &mode, uint32_t &fetched) override
	{
		fetched = 0;
		const std::vector<ListedVoice> &voices = Voices();
		if (next_ >= voices.size())
			return kSpeechOk;
		mode.mode_id = ModeId(next_);
		mode.mode_name = voices[next_].name.substr(0, 262);
		++next_;
		fetched = 1;
		return kSpeechOk;
	}

	SpeechResult Select(const std::array<uint8_t, 16> &mode_id, TtsAudioDestination *destination,
	                    std::unique_ptr<TtsCentral> &central) override
	{
		uint32_t index = 0;
		if (destination == nullptr || !IndexOfModeId(mode_id, index) || !OpenAlDevice::IsOpen())
			return kSpeechInvalidArgument;
		auto made = std::make_unique<EspeakCentral>(Voices()[index].name, post_);
		if (!made->HasSource())
			return kSpeechOutOfMemory;
		central = std::move(made);
		return kSpeechOk;
	}

private:
	const PostToUiThread post_;
	uint32_t next_ = 0;
};

} // namespace

EspeakTimings &espeakTimings()
{
	static EspeakTimings timings;
	return timings;
}

EspeakObjectFactory::EspeakObjectFactory(PostToUiThread post) : post_(std::move(post))
{
	if (!post_)
		throw ShellError("The speech engines have no way to reach the user-interface thread");
}

SpeechResult EspeakObjectFactory::CreateEngineEnum(std::unique_ptr<TtsEnum> &engine_enum)
{
	if (!InitialiseEspeak())
		return kSpeechNotRegistered;
	engine_enum = std::make_unique<EspeakEngineEnum>(post_);
	return kSpeechOk;
}

SpeechResult EspeakObjectFactory::CreateAudioDestination(std::unique_ptr<TtsAudioDestination> &destination)
{
	if (!OpenAlDevice::Open())
		return kSpeechNotRegistered;
	destination = std::make_unique<OpenAlDestination>();
	return kSpeechOk;
}

} // namespace velira
