#pragma once

#include "platform/audio_mixer.h"

#include <map>
#include <memory>

namespace velira
{

// The sound mixer over the shared OpenAL device: a wave's samples live in one
// OpenAL buffer, and every mixer buffer (a master and each of its copies) is
// a source on it. The accepted ranges are those of the original mixer:
// 100..200000 samples per second and -10000..0 hundredths of a decibel.
// The device has a fixed number of sources; the mixer leaves one of them to
// the speech engine, so that sounds never silence the voice.
class OpenAlMixer final : public AudioMixer
{
public:
	OpenAlMixer();
	~OpenAlMixer() override;
	OpenAlMixer(const OpenAlMixer &) = delete;
	OpenAlMixer &operator=(const OpenAlMixer &) = delete;

	MixerResult Open() override;
	bool IsOpen() const override;
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
	// The device's sources but the one kept for speech.
	size_t Capacity() const override { return capacity_; }

	// Releases every buffer (before the device closes).
	void ReleaseAll();

	// The OpenAL gain of a volume in hundredths of a decibel.
	static float GainOfVolume(int32_t volume_cb);

private:
	struct Samples;
	struct Voice;
	Voice *Find(MixerBufferId buffer);
	MixerResult NewVoice(Voice &&voice, MixerBufferId *buffer);

	std::map<MixerBufferId, std::unique_ptr<Voice>> voices_;
	MixerBufferId next_id_ = 1;
	size_t capacity_ = static_cast<size_t>(-1);
};

} // namespace velira
