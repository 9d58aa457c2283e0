#pragma once

#include "fakes/fake_platform.h"
#include "platform/audio_mixer.h"

#include <map>
#include <string>
#include <vector>

namespace velira::testing
{

// A mixer that records every call with the virtual time and keeps each
// buffer's state. An unlooped buffer counts as playing for the length of its
// samples at its rate, measured on the virtual clock; a looped one until it
// is stopped. Values outside the original mixer's ranges are refused.
class FakeMixer final : public AudioMixer
{
public:
	explicit FakeMixer(VirtualClock &clock) : clock_(clock) {}
	// Installs itself into services() for its lifetime.
	void Install();
	~FakeMixer() override;

	struct Call {
		int64_t at_ms = 0;
		std::string op; // "create", "write", "duplicate", "play", "loop", "stop", "position",
		                // "frequency", "volume", "playing", "release"
		MixerBufferId buffer = 0;
		int64_t value = 0;
		MixerResult result = MixerResult::kOk;
	};

	struct Buffer {
		std::vector<uint8_t> format;
		uint32_t size_bytes = 0;
		size_t samples_written = 0;
		MixerBufferId master = 0; // for a copy, the buffer it was made from
		bool looping = false;
		bool playing = false;
		int64_t started_ms = 0;
		uint32_t position_bytes = 0;
		int32_t frequency_hz = 0;
		int32_t volume_cb = 0;
		bool released = false;
	};

	MixerResult Open() override;
	bool IsOpen() const override { return open_; }
	MixerResult CreateBuffer(const std::vector<uint8_t> &format, uint32_t size_bytes,
	                         MixerBufferId *buffer) override;
	MixerResult WriteSamples(MixerBufferId buffer, const std::vector<uint8_t> &samples) override;
	MixerResult DuplicateBuffer(MixerBufferId master, MixerBufferId *copy) override;
	MixerResult Play(MixerBufferId buffer, bool looping) override;
	MixerResult Stop(MixerBufferId buffer) override;
	MixerResult SetCurrentPosition(MixerBufferId buffer, uint32_t position_bytes) override;
	MixerResult SetFrequency(MixerBufferId buffer, int32_t frequency_hz) override;
	MixerResult SetVolume(MixerBufferId buffer, int32_t volume_cb) override;
	MixerResult GetPlaying(MixerBufferId buffer, bool *playing) override;
	void Release(MixerBufferId buffer) override;

	// The calls of one operation, in order.
	std::vector<Call> CallsOf(const std::string &op) const;
	// "op buffer value" lines of every call from `from` on, for comparing
	// sequences.
	std::vector<std::string> Transcript(size_t from = 0) const;
	// Whether `buffer` sounds now.
	bool Sounding(MixerBufferId buffer);
	// Buffers that are not released.
	size_t LiveBuffers() const;

	std::map<MixerBufferId, Buffer> buffers;
	std::vector<Call> calls;

	// Failures to script.
	bool fail_open = false;
	bool fail_create = false;
	bool fail_write = false;
	// The next call to Play reports the buffer as lost.
	bool lose_next_play = false;

private:
	MixerResult Record(const std::string &op, MixerBufferId buffer, int64_t value, MixerResult result);
	int64_t LengthMs(const Buffer &buffer) const;
	VirtualClock &clock_;
	bool open_ = false;
	bool installed_ = false;
	AudioMixer *previous_ = nullptr;
	MixerBufferId next_id_ = 1;
};

} // namespace velira::testing
