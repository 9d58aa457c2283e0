#pragma once

#include "fakes/fake_platform.h"
#include "platform/speech_engines.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace velira::testing
{

class FakeTtsCentral;

// The older speech interface, recording every call. Its audio runs on the
// fake pump's virtual clock: an idle central that takes a text reports
// AudioStart after start_delay_ms, and AudioStop once every queued text has
// had its ms_per_character per character; AudioReset reports AudioStop at
// once and drops what was scheduled.
class FakeTtsFactory final : public TtsObjectFactory
{
public:
	explicit FakeTtsFactory(FakePlatform &platform) : platform_(platform) {}
	~FakeTtsFactory() override;

	SpeechResult CreateEngineEnum(std::unique_ptr<TtsEnum> &engine_enum) override;
	SpeechResult CreateAudioDestination(std::unique_ptr<TtsAudioDestination> &destination) override;

	// One attribute as the engine answers it.
	struct Attribute {
		bool implemented = true;
		uint32_t minimum = 0;
		uint32_t maximum = 0;
		uint32_t current = 0;
	};

	std::vector<std::string> voices{"Czech", "Slovak", "English"};
	bool enum_fails = false;
	bool destination_fails = false;
	SpeechResult select_result = kSpeechOk;
	// What TextData answers; a failure queues nothing.
	SpeechResult text_data_result = kSpeechOk;
	Attribute speed{true, 80, 450, 175};
	Attribute pitch{true, 0, 100, 50};
	Attribute volume{true, 0, 0xFFFFFFFF, 0xFFFFFFFF};
	int64_t start_delay_ms = 0;
	int64_t ms_per_character = 10;

	// Every call of every object, in order: "TextData:hello", "AudioReset",
	// "Inject:\Spd=80\", "Register", "UnRegister", "Select:Slovak",
	// "SpeedSet:0", ...
	std::vector<std::string> log;
	// The texts handed to TextData, in order.
	std::vector<std::string> spoken;
	std::vector<int64_t> spoken_at_ms; // virtual time of each TextData
	std::vector<std::string> injected;
	int resets = 0;
	int centrals_created = 0;
	FakeTtsCentral *central = nullptr; // the newest, while it lives

	FakePlatform &platform() { return platform_; }

private:
	FakePlatform &platform_;
};

class FakeTtsCentral final : public TtsCentral, public TtsAttributes
{
public:
	FakeTtsCentral(FakeTtsFactory &factory, std::string voice);
	~FakeTtsCentral() override;

	SpeechResult TextData(const std::string &text) override;
	SpeechResult AudioReset() override;
	SpeechResult Inject(const std::string &tags) override;
	SpeechResult Register(std::shared_ptr<TtsNotifySink> sink, uint32_t &key) override;
	SpeechResult UnRegister(uint32_t key) override;
	SpeechResult QueryAttributes(TtsAttributes *&attributes) override;

	SpeechResult SpeedGet(uint32_t &speed) override;
	SpeechResult SpeedSet(uint32_t speed) override;
	SpeechResult PitchGet(uint16_t &pitch) override;
	SpeechResult PitchSet(uint16_t pitch) override;
	SpeechResult VolumeGet(uint32_t &volume) override;
	SpeechResult VolumeSet(uint32_t volume) override;

	const std::string &voice() const { return voice_; }
	bool HasSink() const { return sink_ != nullptr; }

private:
	SpeechResult Get(FakeTtsFactory::Attribute &attribute, const char *name, uint32_t &value);
	SpeechResult Set(FakeTtsFactory::Attribute &attribute, const char *name, uint32_t value);

	FakeTtsFactory &factory_;
	std::string voice_;
	FakeTtsFactory::Attribute speed_, pitch_, volume_;
	std::shared_ptr<TtsNotifySink> sink_;
	uint32_t key_ = 0;
	bool busy_ = false;
	int64_t busy_until_ms_ = 0;
	// Scheduled notifications carry the generation they belong to; a reset
	// or a later text makes them stale.
	std::shared_ptr<int> generation_ = std::make_shared<int>(0);
	std::shared_ptr<int> stop_token_ = std::make_shared<int>(0);
};

// The newer interface's voice, recording every Speak. Each text (an empty
// one too, unless it only purges) is a stream: StartStream after
// start_delay_ms, EndStream ms_per_character per character later, one text
// after the other. A purge ends every stream under way at once.
class FakeSpeechVoice final : public SpeechVoice
{
public:
	explicit FakeSpeechVoice(FakePlatform &platform) : platform_(platform) {}

	void SetEventInterests(int32_t interests) override { event_interests = interests; }
	SpeechResult Speak(const std::string &text, int32_t flags, int32_t &stream_number) override;
	void Close() override { ++closes; }

	struct Call {
		std::string text; // UTF-8
		int32_t flags = 0;
	};
	std::vector<Call> calls;
	// The texts spoken since the last call (purges left out), in UTF-8.
	std::vector<std::string> SpokenSinceLastAsked()
	{
		std::vector<std::string> texts;
		for (size_t i = asked_up_to_; i < calls.size(); ++i) {
			if (!calls[i].text.empty())
				texts.push_back(calls[i].text);
		}
		asked_up_to_ = calls.size();
		return texts;
	}
	int32_t event_interests = 0;
	int closes = 0;
	int64_t start_delay_ms = 0;
	int64_t ms_per_character = 10;
	SpeechResult speak_result = kSpeechOk;

private:
	FakePlatform &platform_;
	size_t asked_up_to_ = 0;
	int32_t next_stream_ = 0;
	int64_t busy_until_ms_ = 0;
	// Streams not yet ended, with a flag that a purge sets to drop their
	// scheduled events.
	std::map<int32_t, std::shared_ptr<bool>> open_streams_;
};

// A fake of the older interface and of the newer voice, installed into
// services() for the lifetime of the object.
class FakeSpeech
{
public:
	explicit FakeSpeech(FakePlatform &platform);
	~FakeSpeech();
	FakeSpeech(const FakeSpeech &) = delete;
	FakeSpeech &operator=(const FakeSpeech &) = delete;

	FakeTtsFactory engines;
	FakeSpeechVoice voice;
};

} // namespace velira::testing
