// The real espeak-ng engine layer on OpenAL (null driver in the tests) and
// the speech-dispatcher voice without a server.
#include "platform/adapters/openal_device.h"
#include "platform/cp1250.h"
#include "platform/services.h"
#include "speech/adapters/espeak_engine.h"
#include "speech/adapters/speechd_voice.h"
#include "speech/voice_order.h"

#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace velira
{
namespace
{

using Clock = std::chrono::steady_clock;

// Stands in for the user-interface thread: posted messages queue here and
// run on the test's thread when it pumps.
class UiQueue
{
public:
	// What the engines post their notifications through.
	PostToUiThread Poster()
	{
		return [this](std::function<void()> message) {
			std::lock_guard lock(mutex_);
			queue_.push_back(std::move(message));
			arrived_.notify_all();
		};
	}

	// Runs messages until `done` holds or `timeout` has passed.
	bool PumpUntil(const std::function<bool()> &done, std::chrono::milliseconds timeout)
	{
		const auto deadline = Clock::now() + timeout;
		while (!done()) {
			std::function<void()> message;
			{
				std::unique_lock lock(mutex_);
				if (!arrived_.wait_until(lock, deadline, [this] { return !queue_.empty(); }))
					return done();
				message = std::move(queue_.front());
				queue_.pop_front();
			}
			message();
		}
		return true;
	}

private:
	std::mutex mutex_;
	std::condition_variable arrived_;
	std::deque<std::function<void()>> queue_;
};

class RecordingSink final : public TtsNotifySink
{
public:
	void AudioStart(uint64_t) override
	{
		++starts;
		started_at = Clock::now();
		speaking = true;
	}
	void AudioStop(uint64_t) override
	{
		++stops;
		stopped_at = Clock::now();
		speaking = false;
	}
	int starts = 0;
	int stops = 0;
	bool speaking = false;
	Clock::time_point started_at, stopped_at;
};

class EspeakEngineTest : public ::testing::Test
{
protected:
	void SetUp() override
	{
		ASSERT_EQ(factory.CreateEngineEnum(engines), kSpeechOk);
		ASSERT_EQ(factory.CreateAudioDestination(destination), kSpeechOk);
		ASSERT_TRUE(OpenAlDevice::IsOpen());
	}

	std::vector<TtsModeInfo> Modes()
	{
		std::vector<TtsModeInfo> modes;
		EXPECT_EQ(engines->Reset(), kSpeechOk);
		for (;;) {
			TtsModeInfo mode;
			uint32_t fetched = 0;
			EXPECT_EQ(engines->Next(mode, fetched), kSpeechOk);
			if (fetched == 0)
				break;
			modes.push_back(mode);
		}
		return modes;
	}

	std::unique_ptr<TtsCentral> SelectVoiceNamed(const std::string &name)
	{
		for (const TtsModeInfo &mode : Modes()) {
			if (mode.mode_name == name) {
				std::unique_ptr<TtsCentral> central;
				EXPECT_EQ(engines->Select(mode.mode_id, destination.get(), central),
				          kSpeechOk);
				return central;
			}
		}
		ADD_FAILURE() << "no voice " << name;
		return nullptr;
	}

	UiQueue ui;
	EspeakObjectFactory factory{ui.Poster()};
	std::unique_ptr<TtsEnum> engines;
	std::unique_ptr<TtsAudioDestination> destination;
};

TEST_F(EspeakEngineTest, TheVoicesTheShellNeedsComeFirst)
{
	const std::vector<TtsModeInfo> modes = Modes();
	ASSERT_GE(modes.size(), 4u);
	EXPECT_EQ(modes[0].mode_name, "Czech");
	EXPECT_EQ(modes[1].mode_name, "Slovak");
	// espeak-ng lists the Caribbean English first; the standard ones lead.
	EXPECT_EQ(modes[2].mode_name, "English (Great Britain)");
	EXPECT_EQ(modes[3].mode_name, "English (America)");

	std::unique_ptr<TtsCentral> central;
	std::array<uint8_t, 16> unknown{};
	EXPECT_EQ(engines->Select(unknown, destination.get(), central), kSpeechInvalidArgument);
	EXPECT_EQ(central, nullptr);
}

TEST(VoiceOrder, EachSpokenLanguageIsLedByItsMainVoice)
{
	// Sorted by language tag, as espeak-ng lists its voices.
	const std::vector<ListedVoice> listed{
	    {"Czech (Moravia)", "cs-x-morava"},
	    {"Czech", "cs"},
	    {"German", "de"},
	    {"English (Caribbean)", "en-029"},
	    {"English (Great Britain)", "en-gb"},
	    {"English (Scotland)", "en-gb-scotland"},
	    {"English (America)", "en-us"},
	    {"English (America, New York City)", "en-us-nyc"},
	    {"Esperanto", "eo"},
	    {"Estonian", "et"},
	    {"Slovak", "sk"},
	    {"Slovenian", "sl"},
	};
	std::vector<std::string> names;
	for (const ListedVoice &voice : OrderVoices(listed))
		names.push_back(voice.name);
	EXPECT_EQ(names,
	          (std::vector<std::string>{"Czech", "Czech (Moravia)", "Slovak", "English (Great Britain)",
	                                    "English (America)", "English (Caribbean)", "English (Scotland)",
	                                    "English (America, New York City)", "German", "Esperanto",
	                                    "Estonian", "Slovenian"}))
	    << "\"eo\", \"et\" and \"sl\" are not English or Slovak";

	// An engine whose only English voice is a regional one still lists it
	// with the English voices, and a bare "en" leads the British one.
	names.clear();
	for (const ListedVoice &voice :
	     OrderVoices({{"Italian", "it"}, {"English (Scotland)", "en-gb-scotland"}, {"English", "en"}}))
		names.push_back(voice.name);
	EXPECT_EQ(names, (std::vector<std::string>{"English", "English (Scotland)", "Italian"}));
}

TEST_F(EspeakEngineTest, AttributesClampToTheEngineRangeAndFollowInjectedTags)
{
	std::unique_ptr<TtsCentral> central = SelectVoiceNamed("Slovak");
	ASSERT_NE(central, nullptr);
	TtsAttributes *attributes = nullptr;
	ASSERT_EQ(central->QueryAttributes(attributes), kSpeechOk);
	uint32_t speed = 0;
	attributes->SpeedSet(0);
	attributes->SpeedGet(speed);
	EXPECT_EQ(speed, 80u);
	attributes->SpeedSet(0xFFFFFFFF);
	attributes->SpeedGet(speed);
	EXPECT_EQ(speed, 450u);
	uint16_t pitch = 0;
	attributes->PitchSet(0xFFFF);
	attributes->PitchGet(pitch);
	EXPECT_EQ(pitch, 100u);

	EXPECT_EQ(central->Inject("\\Spd=200\\"), kSpeechOk);
	EXPECT_EQ(central->Inject("\\Pit=30\\\\Vol=51200\\"), kSpeechOk);
	attributes->SpeedGet(speed);
	attributes->PitchGet(pitch);
	uint32_t volume = 0;
	attributes->VolumeGet(volume);
	EXPECT_EQ(speed, 200u);
	EXPECT_EQ(pitch, 30u);
	EXPECT_EQ(volume, 0xC800C800u) << "both channels";
	central->Inject("\\Spd=abc\\\\Xyz=5\\");
	attributes->SpeedGet(speed);
	EXPECT_EQ(speed, 200u) << "malformed and unknown tags change nothing";
}

TEST_F(EspeakEngineTest, ASentenceStartsAndStopsAfterItsSpokenLength)
{
	std::unique_ptr<TtsCentral> central = SelectVoiceNamed("Slovak");
	ASSERT_NE(central, nullptr);
	auto sink = std::make_shared<RecordingSink>();
	uint32_t key = 0;
	ASSERT_EQ(central->Register(sink, key), kSpeechOk);

	const auto handed_over = Clock::now();
	ASSERT_EQ(central->TextData(Cp1250FromUtf8("Hra loď. Vieš čo máš robiť?")), kSpeechOk);
	ASSERT_TRUE(ui.PumpUntil([&] { return sink->starts == 1; }, std::chrono::seconds(5)));
	ASSERT_TRUE(ui.PumpUntil([&] { return sink->stops == 1; }, std::chrono::seconds(20)));
	const auto spoken = sink->stopped_at - handed_over;
	// About two seconds of speech; the null driver plays in real time.
	EXPECT_GT(spoken, std::chrono::milliseconds(700));
	EXPECT_LT(spoken, std::chrono::seconds(10));
	EXPECT_FALSE(sink->speaking);
	EXPECT_GT(espeakTimings().first_audio_ns.load(), 0);

	// A reset in the middle stops at once.
	central->TextData(
	    Cp1250FromUtf8("Toto je dlhá veta, ktorá by trvala niekoľko sekúnd, keby ju nikto neprerušil."));
	ASSERT_TRUE(ui.PumpUntil([&] { return sink->starts == 2; }, std::chrono::seconds(5)));
	ui.PumpUntil([] { return false; }, std::chrono::milliseconds(300));
	EXPECT_TRUE(sink->speaking);
	const auto reset_at = Clock::now();
	ASSERT_EQ(central->AudioReset(), kSpeechOk);
	ASSERT_TRUE(ui.PumpUntil([&] { return sink->stops == 2; }, std::chrono::seconds(1)));
	EXPECT_LT(sink->stopped_at - reset_at, std::chrono::milliseconds(200));
	// Nothing of the reset text comes back later.
	ui.PumpUntil([] { return false; }, std::chrono::milliseconds(300));
	EXPECT_EQ(sink->starts, 2);
	EXPECT_EQ(sink->stops, 2);

	EXPECT_EQ(central->UnRegister(key), kSpeechOk);
	EXPECT_EQ(central->UnRegister(key), kSpeechInvalidArgument);
}

TEST(SpeechDispatcherVoiceTest, WithoutAServerEveryTextStartsAndEndsSilently)
{
	UiQueue ui;
	SpeechDispatcherVoice voice(ui.Poster(), "/nonexistent/velira-speechd.sock");
	std::vector<std::string> events;
	voice.SetStreamHandlers(
	    [&](int32_t stream, int64_t) { events.push_back("start " + std::to_string(stream)); },
	    [&](int32_t stream, int64_t) { events.push_back("end " + std::to_string(stream)); });
#if defined(__SANITIZE_ADDRESS__)
	// libspeechd keeps a few bytes of a failed connection for good.
	__lsan_disable();
#endif
	voice.SetEventInterests(kAllVoiceEvents);
#if defined(__SANITIZE_ADDRESS__)
	__lsan_enable();
#endif
	EXPECT_FALSE(voice.IsConnected());
	int32_t stream = 0;
	EXPECT_EQ(voice.Speak("ahoj", kSpeakAsync, stream), kSpeechOk);
	EXPECT_EQ(voice.Speak("", kSpeakPurgeBeforeSpeak, stream), kSpeechOk);
	EXPECT_EQ(voice.Speak("<b>x</b>", kSpeakAsync | kSpeakIsXml, stream), kSpeechOk);
	ui.PumpUntil([&] { return events.size() == 4; }, std::chrono::seconds(2));
	EXPECT_EQ(events, (std::vector<std::string>{"start 1", "end 1", "start 2", "end 2"}))
	    << "a purge alone is no text";
}

} // namespace
} // namespace velira
