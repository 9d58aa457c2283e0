#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velira
{

// What a mixer call reports. The sound bank stores these and goes on: a
// refused value simply has no effect, as the original mixer behaved.
enum class MixerResult {
	kOk,
	kInvalidParameter, // a value out of the accepted range: nothing changed
	kBadFormat,        // the format record cannot be used at all
	kOutOfMemory,
	kBufferLost, // the buffer's samples are gone and must be refilled
	kFailed,
};

// A mixer buffer: a wave's samples with its own play position, rate, level
// and state. 0 is no buffer.
using MixerBufferId = uint32_t;

// Frequencies the mixer accepts (samples per second); 0 means the wave's
// own rate.
constexpr int32_t kMixerMinFrequency = 100;
constexpr int32_t kMixerMaxFrequency = 200000;
// Volumes in hundredths of a decibel: 0 is full level, -10000 silence.
constexpr int32_t kMixerMinVolume = -10000;
constexpr int32_t kMixerMaxVolume = 0;

// The sound mixer the sound bank plays through: buffers that can be
// duplicated (sharing their samples), played once or looping, stopped,
// rewound, and set to a sample rate and a level.
class AudioMixer
{
public:
	virtual ~AudioMixer() = default;

	// Opens the default output; opening it again succeeds at once.
	virtual MixerResult Open() = 0;
	virtual bool IsOpen() const = 0;

	// A buffer of `size_bytes` bytes for samples in the wave format record
	// `format` (the bytes of a RIFF "fmt " chunk: format tag, channels,
	// sample rate, bytes per second, block alignment, bits per sample, and
	// any further bytes). Formats other than 8- or 16-bit PCM are accepted
	// and play silently; a record too short to hold a format is refused.
	virtual MixerResult CreateBuffer(const std::vector<uint8_t> &format, uint32_t size_bytes,
	                                 MixerBufferId *buffer) = 0;
	// Copies the samples into the buffer (the whole buffer from offset 0).
	virtual MixerResult WriteSamples(MixerBufferId buffer, const std::vector<uint8_t> &samples) = 0;
	// A further buffer sharing the samples of `master`.
	virtual MixerResult DuplicateBuffer(MixerBufferId master, MixerBufferId *copy) = 0;

	// Plays from the current position; a buffer already playing goes on.
	virtual MixerResult Play(MixerBufferId buffer, bool looping) = 0;
	virtual MixerResult Stop(MixerBufferId buffer) = 0;
	virtual MixerResult SetCurrentPosition(MixerBufferId buffer, uint32_t position_bytes) = 0;
	// kMixerMinFrequency..kMixerMaxFrequency, or 0 for the wave's own rate.
	virtual MixerResult SetFrequency(MixerBufferId buffer, int32_t frequency_hz) = 0;
	// kMixerMinVolume..kMixerMaxVolume, hundredths of a decibel.
	virtual MixerResult SetVolume(MixerBufferId buffer, int32_t volume_cb) = 0;
	// Whether the buffer is sounding (playing once or looping).
	virtual MixerResult GetPlaying(MixerBufferId buffer, bool *playing) = 0;

	virtual void Release(MixerBufferId buffer) = 0;

	// How many buffers (masters and copies together) can exist at once;
	// the largest size_t when the mixer sets no limit.
	virtual size_t Capacity() const { return static_cast<size_t>(-1); }
};

} // namespace velira
