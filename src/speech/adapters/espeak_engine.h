#pragma once

#include "platform/speech_engines.h"

#include <atomic>
#include <chrono>
#include <cstdint>

namespace velira
{

// The older speech interface over espeak-ng: one engine mode per espeak-ng
// voice (Czech, Slovak and English first, each led by its main voice),
// synthesis on a worker thread per central, playback through the shared
// OpenAL device. The audio destination is that device: it cannot be created
// when no OpenAL device opens.
class EspeakObjectFactory final : public TtsObjectFactory
{
public:
	// The centrals deliver their notifications through `post`.
	explicit EspeakObjectFactory(PostToUiThread post);

	SpeechResult CreateEngineEnum(std::unique_ptr<TtsEnum> &engine_enum) override;
	SpeechResult CreateAudioDestination(std::unique_ptr<TtsAudioDestination> &destination) override;

private:
	const PostToUiThread post_;
};

// What an espeak-ng central measured last, for the benchmark: the steady
// time at which the newest text was accepted and at which its first samples
// started to play (zero until they did).
struct EspeakTimings {
	std::atomic<int64_t> text_accepted_ns{0};
	std::atomic<int64_t> first_audio_ns{0};
};
EspeakTimings &espeakTimings();

} // namespace velira
