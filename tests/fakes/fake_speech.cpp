#include "fakes/fake_speech.h"

#include "speech/speech_output.h"

#include <algorithm>

namespace velira::testing
{

namespace
{

class FakeTtsEnum final : public TtsEnum
{
public:
	explicit FakeTtsEnum(FakeTtsFactory &factory) : factory_(factory) {}

	SpeechResult Reset() override
	{
		factory_.log.push_back("Reset");
		next_ = 0;
		return kSpeechOk;
	}

	SpeechResult Next(TtsModeInfo &mode, uint32_t &fetched) override
	{
		fetched = 0;
		if (next_ >= factory_.voices.size())
			return kSpeechOk;
		mode.mode_id = {};
		mode.mode_id[0] = static_cast<uint8_t>(next_);
		mode.mode_name = factory_.voices[next_];
		++next_;
		fetched = 1;
		return kSpeechOk;
	}

	SpeechResult Select(const std::array<uint8_t, 16> &mode_id, TtsAudioDestination *destination,
	                    std::unique_ptr<TtsCentral> &central) override
	{
		const std::string voice =
		    mode_id[0] < factory_.voices.size() ? factory_.voices[mode_id[0]] : std::string("?");
		factory_.log.push_back("Select:" + voice);
		if (SpeechFailed(factory_.select_result))
			return factory_.select_result;
		if (destination == nullptr)
			return kSpeechInvalidArgument;
		central = std::make_unique<FakeTtsCentral>(factory_, voice);
		return kSpeechOk;
	}

private:
	FakeTtsFactory &factory_;
	size_t next_ = 0;
};

class FakeDestination final : public TtsAudioDestination
{
};

} // namespace

FakeTtsFactory::~FakeTtsFactory() = default;

SpeechResult FakeTtsFactory::CreateEngineEnum(std::unique_ptr<TtsEnum> &engine_enum)
{
	if (enum_fails)
		return kSpeechNotRegistered;
	engine_enum = std::make_unique<FakeTtsEnum>(*this);
	return kSpeechOk;
}

SpeechResult FakeTtsFactory::CreateAudioDestination(std::unique_ptr<TtsAudioDestination> &destination)
{
	if (destination_fails)
		return kSpeechNotRegistered;
	destination = std::make_unique<FakeDestination>();
	return kSpeechOk;
}

FakeTtsCentral::FakeTtsCentral(FakeTtsFactory &factory, std::string voice)
    : factory_(factory), voice_(std::move(voice)), speed_(factory.speed), pitch_(factory.pitch),
      volume_(factory.volume)
{
	++factory_.centrals_created;
	factory_.central = this;
}

FakeTtsCentral::~FakeTtsCentral()
{
	++*generation_;
	if (factory_.central == this)
		factory_.central = nullptr;
}

SpeechResult FakeTtsCentral::TextData(const std::string &text)
{
	factory_.log.push_back("TextData:" + text);
	if (SpeechFailed(factory_.text_data_result))
		return factory_.text_data_result;
	factory_.spoken.push_back(text);
	FakePlatform &platform = factory_.platform();
	factory_.spoken_at_ms.push_back(platform.clock.now_ms);
	const int64_t now = platform.clock.now_ms;
	const std::weak_ptr<int> generation = generation_;
	const int expected = *generation_;
	auto current = [generation, expected] {
		auto alive = generation.lock();
		return alive && *alive == expected;
	};
	if (!busy_) {
		busy_ = true;
		busy_until_ms_ = now + factory_.start_delay_ms;
		platform.pump.PostAt(busy_until_ms_, [this, current] {
			if (current() && sink_)
				sink_->AudioStart(0);
		});
	}
	busy_until_ms_ += std::max<int64_t>(1, static_cast<int64_t>(text.size()) * factory_.ms_per_character);
	++*stop_token_;
	const std::weak_ptr<int> token = stop_token_;
	const int expected_token = *stop_token_;
	platform.pump.PostAt(busy_until_ms_, [this, current, token, expected_token] {
		auto alive = token.lock();
		if (!current() || !alive || *alive != expected_token)
			return;
		busy_ = false;
		if (sink_)
			sink_->AudioStop(0);
	});
	return kSpeechOk;
}

SpeechResult FakeTtsCentral::AudioReset()
{
	factory_.log.push_back("AudioReset");
	++factory_.resets;
	++*generation_;
	busy_ = false;
	const std::weak_ptr<int> generation = generation_;
	const int expected = *generation_;
	factory_.platform().pump.Post([this, generation, expected] {
		auto alive = generation.lock();
		if (alive && *alive == expected && sink_)
			sink_->AudioStop(0);
	});
	return kSpeechOk;
}

SpeechResult FakeTtsCentral::Inject(const std::string &tags)
{
	factory_.log.push_back("Inject:" + tags);
	factory_.injected.push_back(tags);
	return kSpeechOk;
}

SpeechResult FakeTtsCentral::Register(std::shared_ptr<TtsNotifySink> sink, uint32_t &key)
{
	factory_.log.push_back("Register");
	sink_ = std::move(sink);
	key = key_ = 41;
	return kSpeechOk;
}

SpeechResult FakeTtsCentral::UnRegister(uint32_t key)
{
	factory_.log.push_back("UnRegister");
	if (key != key_ || !sink_)
		return kSpeechInvalidArgument;
	sink_.reset();
	return kSpeechOk;
}

SpeechResult FakeTtsCentral::QueryAttributes(TtsAttributes *&attributes)
{
	attributes = this;
	return kSpeechOk;
}

SpeechResult FakeTtsCentral::Get(FakeTtsFactory::Attribute &attribute, const char *name, uint32_t &value)
{
	factory_.log.push_back(std::string(name) + "Get");
	if (!attribute.implemented)
		return kSpeechNotImplemented;
	value = attribute.current;
	return kSpeechOk;
}

SpeechResult FakeTtsCentral::Set(FakeTtsFactory::Attribute &attribute, const char *name, uint32_t value)
{
	factory_.log.push_back(std::string(name) + "Set:" + std::to_string(value));
	if (!attribute.implemented)
		return kSpeechNotImplemented;
	attribute.current = std::clamp(value, attribute.minimum, attribute.maximum);
	return kSpeechOk;
}

SpeechResult FakeTtsCentral::SpeedGet(uint32_t &speed)
{
	return Get(speed_, "Speed", speed);
}
SpeechResult FakeTtsCentral::SpeedSet(uint32_t speed)
{
	return Set(speed_, "Speed", speed);
}
SpeechResult FakeTtsCentral::PitchGet(uint16_t &pitch)
{
	uint32_t value = pitch;
	const SpeechResult result = Get(pitch_, "Pitch", value);
	pitch = static_cast<uint16_t>(value);
	return result;
}
SpeechResult FakeTtsCentral::PitchSet(uint16_t pitch)
{
	return Set(pitch_, "Pitch", pitch);
}
SpeechResult FakeTtsCentral::VolumeGet(uint32_t &volume)
{
	return Get(volume_, "Volume", volume);
}
SpeechResult FakeTtsCentral::VolumeSet(uint32_t volume)
{
	return Set(volume_, "Volume", volume);
}

SpeechResult FakeSpeechVoice::Speak(const std::string &text, int32_t flags, int32_t &stream_number)
{
	calls.push_back({text, flags});
	if (SpeechFailed(speak_result))
		return speak_result;
	const int64_t now = platform_.clock.now_ms;
	if ((flags & kSpeakPurgeBeforeSpeak) != 0) {
		for (auto &[stream, dropped] : open_streams_) {
			*dropped = true;
			const int32_t number = stream;
			platform_.pump.Post([this, number] { EndStream(number, 0); });
		}
		open_streams_.clear();
		busy_until_ms_ = now;
		if (text.empty()) {
			stream_number = 0;
			return kSpeechOk;
		}
	}
	stream_number = ++next_stream_;
	auto dropped = std::make_shared<bool>(false);
	open_streams_[stream_number] = dropped;
	const int64_t start = std::max(now, busy_until_ms_) + start_delay_ms;
	busy_until_ms_ = start + std::max<int64_t>(1, static_cast<int64_t>(text.size()) * ms_per_character);
	const int32_t number = stream_number;
	platform_.pump.PostAt(start, [this, number, dropped] {
		if (!*dropped)
			StartStream(number, 0);
	});
	platform_.pump.PostAt(busy_until_ms_, [this, number, dropped] {
		if (*dropped)
			return;
		open_streams_.erase(number);
		EndStream(number, 0);
	});
	return kSpeechOk;
}

FakeSpeech::FakeSpeech(FakePlatform &platform) : engines(platform), voice(platform)
{
	services().speechObjects = &engines;
	services().voice5 = &voice;
	ConnectVoice5();
}

FakeSpeech::~FakeSpeech()
{
	ReleaseSpeechObjects();
	speechObjects().notifySink.reset();
	services().speechObjects = nullptr;
	services().voice5 = nullptr;
}

} // namespace velira::testing
