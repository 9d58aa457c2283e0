#include "sound/adapters/openal_mixer.h"

#include "platform/adapters/openal_device.h"

#include <AL/al.h>

#include <algorithm>
#include <cmath>

namespace velira
{

// One wave's samples in an OpenAL buffer, shared by the master and its
// copies. A format that cannot play has no OpenAL buffer and sounds silent.
struct OpenAlMixer::Samples {
	ALuint buffer = 0;
	~Samples()
	{
		const auto calls = OpenAlDevice::LockCalls();
		if (buffer != 0 && OpenAlDevice::IsOpen())
			alDeleteBuffers(1, &buffer);
	}
};

struct OpenAlMixer::Voice {
	ALuint source = 0;
	std::vector<uint8_t> format;
	uint32_t size_bytes = 0;
	// The wave's own rate, 0 when its format does not play.
	uint32_t rate_hz = 0;
	ALenum al_format = 0;
	uint32_t frame_bytes = 0;
	std::shared_ptr<Samples> samples;
};

namespace
{

constexpr uint16_t kFormatPcm = 1;
// The espeak-ng engine's central plays through one source of its own, and
// there is one central at a time.
constexpr size_t kSpeechSources = 1;
// A format record shorter than this (the fields up to the bits per sample)
// holds no format at all.
constexpr size_t kPcmFormatRecordSize = 16;

uint32_t Field(const std::vector<uint8_t> &record, size_t offset, int size_bytes)
{
	uint32_t value = 0;
	for (int i = size_bytes - 1; i >= 0; --i)
		value = (value << 8) | record[offset + static_cast<size_t>(i)];
	return value;
}

// The error of the calls since the last check; the caller holds
// OpenAlDevice::LockCalls() from before those calls.
MixerResult Checked()
{
	switch (alGetError()) {
	case AL_NO_ERROR:
		return MixerResult::kOk;
	case AL_OUT_OF_MEMORY:
		return MixerResult::kOutOfMemory;
	case AL_INVALID_VALUE:
		return MixerResult::kInvalidParameter;
	default:
		return MixerResult::kFailed;
	}
}

} // namespace

OpenAlMixer::OpenAlMixer() = default;

OpenAlMixer::~OpenAlMixer()
{
	ReleaseAll();
}

MixerResult OpenAlMixer::Open()
{
	const auto calls = OpenAlDevice::LockCalls();
	if (!OpenAlDevice::Open())
		return MixerResult::kFailed;
	ALCint mono = 0;
	ALCint stereo = 0;
	alcGetIntegerv(OpenAlDevice::Device(), ALC_MONO_SOURCES, 1, &mono);
	alcGetIntegerv(OpenAlDevice::Device(), ALC_STEREO_SOURCES, 1, &stereo);
	const size_t sources =
	    static_cast<size_t>(std::max(mono, 0)) + static_cast<size_t>(std::max(stereo, 0));
	// A device that does not say sets no limit but its own refusals.
	if (sources > 0)
		capacity_ = sources > kSpeechSources ? sources - kSpeechSources : 0;
	return MixerResult::kOk;
}

bool OpenAlMixer::IsOpen() const
{
	return OpenAlDevice::IsOpen();
}

float OpenAlMixer::GainOfVolume(int32_t volume_cb)
{
	return static_cast<float>(std::pow(10.0, volume_cb / 2000.0));
}

OpenAlMixer::Voice *OpenAlMixer::Find(MixerBufferId buffer)
{
	const auto it = voices_.find(buffer);
	return it == voices_.end() ? nullptr : it->second.get();
}

MixerResult OpenAlMixer::NewVoice(Voice &&voice, MixerBufferId *buffer)
{
	const auto calls = OpenAlDevice::LockCalls();
	*buffer = 0;
	if (!OpenAlDevice::IsOpen())
		return MixerResult::kFailed;
	if (voices_.size() >= capacity_)
		return MixerResult::kOutOfMemory;
	alGetError();
	alGenSources(1, &voice.source);
	if (alGetError() != AL_NO_ERROR)
		return MixerResult::kOutOfMemory;
	// The pan stays in the wave itself: a mono source sits at the listener.
	alSourcei(voice.source, AL_SOURCE_RELATIVE, AL_TRUE);
	alSource3f(voice.source, AL_POSITION, 0.0f, 0.0f, 0.0f);
	if (voice.samples && voice.samples->buffer != 0)
		alSourcei(voice.source, AL_BUFFER, static_cast<ALint>(voice.samples->buffer));
	alGetError();
	const MixerBufferId id = next_id_++;
	voices_[id] = std::make_unique<Voice>(std::move(voice));
	*buffer = id;
	return MixerResult::kOk;
}

MixerResult OpenAlMixer::CreateBuffer(const std::vector<uint8_t> &format, uint32_t size_bytes,
                                      MixerBufferId *buffer)
{
	*buffer = 0;
	if (format.size() < kPcmFormatRecordSize)
		return MixerResult::kBadFormat;
	Voice voice;
	voice.format = format;
	voice.size_bytes = size_bytes;
	const uint32_t tag = Field(format, 0, 2);
	const uint32_t channels = Field(format, 2, 2);
	const uint32_t rate_hz = Field(format, 4, 4);
	const uint32_t bits = Field(format, 14, 2);
	if (tag == kFormatPcm && (channels == 1 || channels == 2) && (bits == 8 || bits == 16) &&
	    rate_hz > 0 && rate_hz <= 0x7FFFFFFF) {
		voice.rate_hz = rate_hz;
		voice.frame_bytes = channels * bits / 8;
		if (channels == 1)
			voice.al_format = bits == 8 ? AL_FORMAT_MONO8 : AL_FORMAT_MONO16;
		else
			voice.al_format = bits == 8 ? AL_FORMAT_STEREO8 : AL_FORMAT_STEREO16;
	}
	return NewVoice(std::move(voice), buffer);
}

MixerResult OpenAlMixer::WriteSamples(MixerBufferId buffer, const std::vector<uint8_t> &samples)
{
	const auto calls = OpenAlDevice::LockCalls();
	Voice *voice = Find(buffer);
	if (voice == nullptr)
		return MixerResult::kInvalidParameter;
	if (voice->rate_hz == 0)
		return MixerResult::kOk; // a format that does not play: silence
	// Only whole frames play; a buffer is never read past its size.
	size_t size = std::min<size_t>(samples.size(), voice->size_bytes);
	size -= size % voice->frame_bytes;
	if (size == 0)
		return MixerResult::kOk;
	auto fresh = std::make_shared<Samples>();
	alGetError();
	alGenBuffers(1, &fresh->buffer);
	if (alGetError() != AL_NO_ERROR) {
		fresh->buffer = 0;
		return MixerResult::kOutOfMemory;
	}
	alBufferData(fresh->buffer, voice->al_format, samples.data(), static_cast<ALsizei>(size),
	             static_cast<ALsizei>(voice->rate_hz));
	MixerResult result = Checked();
	if (result != MixerResult::kOk)
		return result;
	alSourceStop(voice->source);
	alSourcei(voice->source, AL_BUFFER, static_cast<ALint>(fresh->buffer));
	result = Checked();
	if (result == MixerResult::kOk)
		voice->samples = std::move(fresh);
	return result;
}

MixerResult OpenAlMixer::DuplicateBuffer(MixerBufferId master, MixerBufferId *copy)
{
	*copy = 0;
	Voice *original = Find(master);
	if (original == nullptr)
		return MixerResult::kInvalidParameter;
	Voice voice;
	voice.format = original->format;
	voice.size_bytes = original->size_bytes;
	voice.rate_hz = original->rate_hz;
	voice.al_format = original->al_format;
	voice.frame_bytes = original->frame_bytes;
	voice.samples = original->samples;
	return NewVoice(std::move(voice), copy);
}

MixerResult OpenAlMixer::Play(MixerBufferId buffer, bool looping)
{
	const auto calls = OpenAlDevice::LockCalls();
	Voice *voice = Find(buffer);
	if (voice == nullptr)
		return MixerResult::kInvalidParameter;
	alGetError();
	alSourcei(voice->source, AL_LOOPING, looping ? AL_TRUE : AL_FALSE);
	ALint state = AL_STOPPED;
	alGetSourcei(voice->source, AL_SOURCE_STATE, &state);
	// A buffer already sounding goes on from where it is.
	if (state != AL_PLAYING)
		alSourcePlay(voice->source);
	return Checked();
}

MixerResult OpenAlMixer::Stop(MixerBufferId buffer)
{
	const auto calls = OpenAlDevice::LockCalls();
	Voice *voice = Find(buffer);
	if (voice == nullptr)
		return MixerResult::kInvalidParameter;
	alGetError();
	ALint state = AL_STOPPED;
	alGetSourcei(voice->source, AL_SOURCE_STATE, &state);
	// Stopping keeps the position, as the original mixer did; pausing does
	// that in OpenAL.
	if (state == AL_PLAYING)
		alSourcePause(voice->source);
	return Checked();
}

MixerResult OpenAlMixer::SetCurrentPosition(MixerBufferId buffer, uint32_t position_bytes)
{
	const auto calls = OpenAlDevice::LockCalls();
	Voice *voice = Find(buffer);
	if (voice == nullptr || position_bytes > voice->size_bytes)
		return MixerResult::kInvalidParameter;
	if (!voice->samples || voice->frame_bytes == 0)
		return MixerResult::kOk;
	alGetError();
	if (position_bytes == 0) {
		// Rewinding sets an idle source back to its start.
		alSourceRewind(voice->source);
	} else {
		alSourcei(voice->source, AL_BYTE_OFFSET,
		          static_cast<ALint>(position_bytes - position_bytes % voice->frame_bytes));
	}
	return Checked();
}

MixerResult OpenAlMixer::SetFrequency(MixerBufferId buffer, int32_t frequency_hz)
{
	const auto calls = OpenAlDevice::LockCalls();
	Voice *voice = Find(buffer);
	if (voice == nullptr)
		return MixerResult::kInvalidParameter;
	if (frequency_hz != 0 && (frequency_hz < kMixerMinFrequency || frequency_hz > kMixerMaxFrequency))
		return MixerResult::kInvalidParameter;
	if (voice->rate_hz == 0)
		return MixerResult::kOk;
	const double pitch = frequency_hz == 0 ? 1.0 : static_cast<double>(frequency_hz) / voice->rate_hz;
	alGetError();
	alSourcef(voice->source, AL_PITCH, static_cast<float>(pitch));
	return Checked();
}

MixerResult OpenAlMixer::SetVolume(MixerBufferId buffer, int32_t volume_cb)
{
	const auto calls = OpenAlDevice::LockCalls();
	Voice *voice = Find(buffer);
	if (voice == nullptr || volume_cb < kMixerMinVolume || volume_cb > kMixerMaxVolume)
		return MixerResult::kInvalidParameter;
	alGetError();
	alSourcef(voice->source, AL_GAIN, GainOfVolume(volume_cb));
	return Checked();
}

MixerResult OpenAlMixer::GetPlaying(MixerBufferId buffer, bool *playing)
{
	const auto calls = OpenAlDevice::LockCalls();
	*playing = false;
	Voice *voice = Find(buffer);
	if (voice == nullptr)
		return MixerResult::kInvalidParameter;
	alGetError();
	ALint state = AL_STOPPED;
	alGetSourcei(voice->source, AL_SOURCE_STATE, &state);
	*playing = state == AL_PLAYING;
	return Checked();
}

void OpenAlMixer::Release(MixerBufferId buffer)
{
	const auto calls = OpenAlDevice::LockCalls();
	const auto it = voices_.find(buffer);
	if (it == voices_.end())
		return;
	if (OpenAlDevice::IsOpen()) {
		alSourceStop(it->second->source);
		alSourcei(it->second->source, AL_BUFFER, 0);
		alDeleteSources(1, &it->second->source);
	}
	voices_.erase(it);
}

void OpenAlMixer::ReleaseAll()
{
	while (!voices_.empty())
		Release(voices_.begin()->first);
}

} // namespace velira
