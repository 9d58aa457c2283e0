// The real espeak-ng engine layer on OpenAL (null driver in the tests), and
// the speech-dispatcher voice without a server and with a real one that the
// tests start themselves.
#include "fakes/fake_platform.h"
#include "platform/adapters/openal_device.h"
#include "platform/cp1250.h"
#include "platform/message_pump.h"
#include "platform/services.h"
#include "settings/shared_settings.h"
#include "sound/adapters/openal_mixer.h"
#include "sound/sound_bank_writer.h"
#include "speech/adapters/espeak_engine.h"
#include "speech/adapters/speechd_voice.h"
#include "speech/speech_output.h"
#include "speech/voice_order.h"

#include <AL/alext.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <deque>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace velira
{
namespace
{

using Clock = std::chrono::steady_clock;
// The bound of every wait: only a hang takes this long, however loaded the
// machine and slow the sanitizers.
constexpr std::chrono::seconds kHang{60};

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

// A voice's length is measured in the time the device mixed rather than on
// the wall clock: the null driver's thread, when a busy machine kept it
// waiting, catches up in one burst, and the audio of a source started
// meanwhile is then mixed sooner than it lasts.
std::chrono::nanoseconds MixedTime()
{
	return std::chrono::nanoseconds(OpenAlDevice::MixedNs());
}

class RecordingSink final : public TtsNotifySink
{
public:
	void AudioStart(uint64_t) override
	{
		++starts;
		mixed_at_start = MixedTime();
		speaking = true;
	}
	void AudioStop(uint64_t) override
	{
		++stops;
		mixed_at_stop = MixedTime();
		speaking = false;
	}
	// What the device mixed between the start and the stop.
	std::chrono::nanoseconds Played() const { return mixed_at_stop - mixed_at_start; }
	int starts = 0;
	int stops = 0;
	bool speaking = false;
	std::chrono::nanoseconds mixed_at_start{0}, mixed_at_stop{0};
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

	ASSERT_EQ(central->TextData(Cp1250FromUtf8("Hra loď. Vieš čo máš robiť?")), kSpeechOk);
	ASSERT_TRUE(ui.PumpUntil([&] { return sink->starts == 1; }, kHang));
	ASSERT_TRUE(ui.PumpUntil([&] { return sink->stops == 1; }, kHang));
	// About two seconds of speech: it stops once they have played, not when
	// they have been synthesized, and not long after (both in the time the
	// device mixed, which a busy machine does not stretch).
	EXPECT_GT(sink->Played(), std::chrono::milliseconds(700));
	EXPECT_LT(sink->Played(), std::chrono::seconds(10));
	EXPECT_FALSE(sink->speaking);
	EXPECT_GT(espeakTimings().first_audio_ns.load(), 0);

	// A reset in the middle of a text of half a minute stops it: the stop
	// comes with the reset, long before the text's end.
	std::string long_text;
	for (int i = 0; i < 6; ++i)
		long_text += "Toto je dlhá veta, ktorá by trvala niekoľko sekúnd, keby ju nikto neprerušil. ";
	central->TextData(Cp1250FromUtf8(long_text));
	ASSERT_TRUE(ui.PumpUntil([&] { return sink->starts == 2; }, kHang));
	EXPECT_TRUE(sink->speaking);
	ASSERT_EQ(central->AudioReset(), kSpeechOk);
	ASSERT_TRUE(ui.PumpUntil([&] { return sink->stops == 2; }, kHang));
	EXPECT_LT(sink->Played(), std::chrono::seconds(10)) << "the reset text played on";
	// Nothing of the reset text comes back later: the next text is heard
	// alone, and no longer than it lasts.
	ASSERT_EQ(central->TextData(Cp1250FromUtf8("Ahoj.")), kSpeechOk);
	ASSERT_TRUE(ui.PumpUntil([&] { return sink->stops == 3; }, kHang));
	EXPECT_EQ(sink->starts, 3);
	EXPECT_LT(sink->Played(), std::chrono::seconds(10));

	EXPECT_EQ(central->UnRegister(key), kSpeechOk);
	EXPECT_EQ(central->UnRegister(key), kSpeechInvalidArgument);
}

TEST_F(EspeakEngineTest, TheVoiceKeepsItsSourceWhileTheSoundsHoldAllTheirs)
{
	OpenAlMixer mixer;
	ASSERT_EQ(mixer.Open(), MixerResult::kOk);
	std::vector<MixerBufferId> held;
	MixerBufferId buffer = 0;
	while (held.size() < 100000 &&
	       mixer.CreateBuffer(PcmFormatRecord(1, 22050, 16), 64, &buffer) == MixerResult::kOk)
		held.push_back(buffer);
	EXPECT_EQ(held.size(), mixer.Capacity());

	std::unique_ptr<TtsCentral> central = SelectVoiceNamed("Slovak");
	ASSERT_NE(central, nullptr);
	auto sink = std::make_shared<RecordingSink>();
	uint32_t key = 0;
	ASSERT_EQ(central->Register(sink, key), kSpeechOk);
	ASSERT_EQ(central->TextData(Cp1250FromUtf8("Ahoj.")), kSpeechOk);
	ASSERT_TRUE(ui.PumpUntil([&] { return sink->stops == 1; }, kHang));
	EXPECT_GT(sink->Played(), std::chrono::milliseconds(200)) << "it was heard";
	central.reset();

	// With no source left at all, selecting a voice fails with a reason
	// instead of giving one that is silent and waits.
	ALuint last = 0;
	alGenSources(1, &last);
	const std::vector<TtsModeInfo> modes = Modes();
	ASSERT_FALSE(modes.empty());
	EXPECT_EQ(engines->Select(modes[0].mode_id, destination.get(), central), kSpeechOutOfMemory);
	EXPECT_EQ(central, nullptr);
	alDeleteSources(1, &last);
	mixer.ReleaseAll();
}

TEST_F(EspeakEngineTest, TheSoundsAndTheVoiceEachSeeOnlyTheErrorsOfTheirOwnCalls)
{
	// The sounds are driven from this thread while the voice's worker feeds
	// its audio, both through OpenAL's one context. A sound call that fails
	// (a position past the samples of a playing wave) must report it, one
	// that works must report success, and the voice must not take a sound's
	// failure for its own (it would cut its text short).
	OpenAlMixer mixer;
	ASSERT_EQ(mixer.Open(), MixerResult::kOk);
	MixerBufferId wave = 0;
	ASSERT_EQ(mixer.CreateBuffer(PcmFormatRecord(1, 22050, 16), 4096, &wave), MixerResult::kOk);
	ASSERT_EQ(mixer.WriteSamples(wave, std::vector<uint8_t>(64)), MixerResult::kOk);
	ASSERT_EQ(mixer.Play(wave, true), MixerResult::kOk);
	ASSERT_EQ(mixer.SetCurrentPosition(wave, 2048), MixerResult::kInvalidParameter);

	std::unique_ptr<TtsCentral> central = SelectVoiceNamed("Slovak");
	ASSERT_NE(central, nullptr);
	auto sink = std::make_shared<RecordingSink>();
	uint32_t key = 0;
	ASSERT_EQ(central->Register(sink, key), kSpeechOk);
	ASSERT_EQ(central->TextData(Cp1250FromUtf8("Hra loď. Vieš čo máš robiť?")), kSpeechOk);
	int calls = 0;
	int wrong_results = 0;
	const auto deadline = Clock::now() + kHang;
	while (sink->stops == 0 && Clock::now() < deadline) {
		for (int i = 0; i < 50; ++i, calls += 2) {
			wrong_results +=
			    mixer.SetCurrentPosition(wave, 2048) != MixerResult::kInvalidParameter;
			wrong_results += mixer.SetVolume(wave, -600) != MixerResult::kOk;
		}
		ui.PumpUntil([] { return false; }, std::chrono::milliseconds(0));
	}
	ASSERT_EQ(sink->stops, 1);
	EXPECT_EQ(wrong_results, 0) << "of " << calls << " sound calls";
	EXPECT_GT(sink->Played(), std::chrono::milliseconds(700)) << "the whole text was spoken";
	central.reset();
	mixer.ReleaseAll();
}

TEST(SpeechDispatcherVoiceTest, WithoutAServerEveryTextStartsAndEndsSilently)
{
	UiQueue ui;
	SpeechDispatcherVoice voice(ui.Poster(), "/nonexistent/velira-speechd.sock");
	std::vector<std::string> events;
	voice.SetStreamHandlers(
	    [&](int32_t stream, int64_t) { events.push_back("start " + std::to_string(stream)); },
	    [&](int32_t stream, int64_t) { events.push_back("end " + std::to_string(stream)); });
	voice.SetEventInterests(kAllVoiceEvents);
	EXPECT_FALSE(voice.IsConnected());
	int32_t stream = 0;
	EXPECT_EQ(voice.Speak("ahoj", kSpeakAsync, stream), kSpeechOk);
	EXPECT_EQ(voice.Speak("", kSpeakPurgeBeforeSpeak, stream), kSpeechOk);
	EXPECT_EQ(voice.Speak("<b>x</b>", kSpeakAsync | kSpeakIsXml, stream), kSpeechOk);
	ui.PumpUntil([&] { return events.size() == 4; }, kHang);
	EXPECT_EQ(events, (std::vector<std::string>{"start 1", "end 1", "start 2", "end 2"}))
	    << "a purge alone is no text";
	voice.Close();

	// What a voice posted and the user-interface thread has not run yet
	// finds the voice gone: nothing of it is touched, nothing delivered.
	auto short_lived =
	    std::make_unique<SpeechDispatcherVoice>(ui.Poster(), "/nonexistent/velira-speechd.sock");
	short_lived->SetStreamHandlers([&](int32_t, int64_t) { events.push_back("late start"); },
	                               [&](int32_t, int64_t) { events.push_back("late end"); });
	ASSERT_EQ(short_lived->Speak("ahoj", kSpeakAsync, stream), kSpeechOk);
	short_lived.reset();
	ui.PumpUntil([] { return false; }, std::chrono::milliseconds(0));
	EXPECT_EQ(events.size(), 4u);
}

TEST(SpeechDispatcherVoiceTest, SsmlTextIsOnlyText)
{
	EXPECT_EQ(SpeechDispatcherVoice::SsmlDocument("<"), "<speak>&lt;</speak>");
	EXPECT_EQ(SpeechDispatcherVoice::SsmlDocument("&"), "<speak>&amp;</speak>");
	EXPECT_EQ(SpeechDispatcherVoice::SsmlDocument("<speak>a</speak>"),
	          "<speak>&lt;speak&gt;a&lt;/speak&gt;</speak>")
	    << "markup in a character name is spoken, not obeyed";
	EXPECT_EQ(SpeechDispatcherVoice::SsmlDocument("menší než"), "<speak>menší než</speak>");
}

// A speech-dispatcher of the test's own: the configuration of the end-to-end
// scripts (a copy of the system's that plays through libao's null driver),
// its own socket and log folder. It runs in a process group of its own, so
// that killing it takes its speech modules along.
class SpeechServer
{
public:
	SpeechServer()
	{
		std::string pattern =
		    (std::filesystem::temp_directory_path() / "velira-speechd-XXXXXX").string();
		if (::mkdtemp(pattern.data()) == nullptr)
			return;
		dir_ = pattern;
		const std::string command = std::string("source '") + VELIRA_TEST_DATA +
		                            "/../e2e/lib.sh' && e2e_speechd_config '" + dir_ + "'";
		configured_ = std::system(("bash -c \"" + command + "\" >/dev/null 2>&1").c_str()) == 0;
	}
	~SpeechServer()
	{
		Kill();
		std::error_code ignored;
		std::filesystem::remove_all(dir_, ignored);
	}

	static bool Installed() { return std::system("command -v speech-dispatcher >/dev/null 2>&1") == 0; }
	std::string Socket() const { return dir_ + "/sock"; }

	// Starts it and waits until it listens.
	bool Start()
	{
		if (!configured_ || pid_ > 0)
			return false;
		std::error_code ignored;
		std::filesystem::remove(Socket(), ignored);
		const std::string home = "HOME=" + dir_ + "/home";
		std::vector<std::string> environment{home};
		for (char **entry = environ; *entry != nullptr; ++entry)
			if (std::string(*entry).rfind("HOME=", 0) != 0)
				environment.emplace_back(*entry);
		std::vector<char *> env;
		for (std::string &entry : environment)
			env.push_back(entry.data());
		env.push_back(nullptr);
		std::vector<std::string> arguments{"speech-dispatcher", "-s", "-t",    "60", "-C",
		                                   dir_ + "/conf",      "-S", Socket()};
		std::vector<char *> argv;
		for (std::string &argument : arguments)
			argv.push_back(argument.data());
		argv.push_back(nullptr);
		posix_spawnattr_t attributes;
		posix_spawnattr_init(&attributes);
		posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
		posix_spawnattr_setpgroup(&attributes, 0);
		posix_spawn_file_actions_t files;
		posix_spawn_file_actions_init(&files);
		posix_spawn_file_actions_addopen(&files, 1, (dir_ + "/log/stdout").c_str(),
		                                 O_WRONLY | O_CREAT | O_TRUNC, 0644);
		posix_spawn_file_actions_adddup2(&files, 1, 2);
		const int spawned =
		    posix_spawnp(&pid_, "speech-dispatcher", &files, &attributes, argv.data(), env.data());
		posix_spawn_file_actions_destroy(&files);
		posix_spawnattr_destroy(&attributes);
		if (spawned != 0) {
			pid_ = 0;
			return false;
		}
		const auto deadline = Clock::now() + kHang;
		while (!std::filesystem::exists(Socket(), ignored)) {
			if (Clock::now() > deadline || ::waitpid(pid_, nullptr, WNOHANG) == pid_)
				return false;
			std::this_thread::sleep_for(std::chrono::milliseconds(20));
		}
		return true;
	}

	// Kills it and its modules at once, as a crash would.
	void Kill()
	{
		if (pid_ <= 0)
			return;
		::kill(-pid_, SIGKILL);
		::waitpid(pid_, nullptr, 0);
		pid_ = 0;
	}

private:
	std::string dir_;
	bool configured_ = false;
	pid_t pid_ = 0;
};

// The user-interface thread's message loop over the queue, so that the
// shell's own SpeakAndWait runs against the real server.
class UiQueuePump final : public MessagePump
{
public:
	explicit UiQueuePump(UiQueue &queue) : queue_(queue) {}
	void ProcessPendingMessages() override
	{
		queue_.PumpUntil([] { return false; }, std::chrono::milliseconds(0));
	}
	void WaitWhile(const bool &flag) override
	{
		if (!queue_.PumpUntil([&] { return !flag; }, kHang))
			throw std::runtime_error("a wait for speech never ended");
	}
	// The queue holds no user input: every message may run meanwhile.
	void WaitHoldingInput(int64_t duration_ms) override
	{
		queue_.PumpUntil([] { return false; }, std::chrono::milliseconds(duration_ms));
	}

private:
	UiQueue &queue_;
};

// Texts that take a few seconds to synthesize, so that there is time to
// interrupt them after they have begun.
std::string LongText()
{
	std::string text;
	for (int i = 0; i < 100; ++i)
		text += "This sentence is long enough to take the voice a good while to say. ";
	return text;
}

class SpeechDispatcherServerTest : public ::testing::Test
{
protected:
	void SetUp() override
	{
		if (!SpeechServer::Installed())
			GTEST_SKIP() << "speech-dispatcher is not installed";
		ASSERT_TRUE(server.Start()) << "the private speech-dispatcher did not start";
		voice.SetStreamHandlers(
		    [this](int32_t stream, int64_t) {
			    events.push_back("start " + std::to_string(stream));
			    started = true;
			    started.notify_all();
		    },
		    [this](int32_t stream, int64_t) { events.push_back("end " + std::to_string(stream)); });
		voice.SetEventInterests(kAllVoiceEvents);
		EXPECT_FALSE(voice.IsConnected()) << "the connection is made in the background";
		ASSERT_TRUE(ui.PumpUntil([&] { return voice.IsConnected(); }, kHang));
	}
	void TearDown() override { voice.Close(); }

	bool Has(const std::string &event) const
	{
		return std::find(events.begin(), events.end(), event) != events.end();
	}
	bool PumpUntilEvent(const std::string &event, std::chrono::milliseconds limit)
	{
		return ui.PumpUntil([&] { return Has(event); }, limit);
	}

	testing::FakePlatform platform;
	UiQueue ui;
	SpeechServer server;
	SpeechDispatcherVoice voice{ui.Poster(), server.Socket()};
	std::vector<std::string> events;
	std::atomic<bool> started{false};
};

TEST_F(SpeechDispatcherServerTest, SpeaksCancelsAndSpeaksCharactersAsSsml)
{
	int32_t stream = 0;
	ASSERT_EQ(voice.Speak("Hello.", kSpeakAsync, stream), kSpeechOk);
	ASSERT_TRUE(PumpUntilEvent("end " + std::to_string(stream), kHang));
	EXPECT_TRUE(Has("start " + std::to_string(stream))) << "the server reported the beginning";

	// A key stops the voice: the purge ends the text long before its end
	// (its hundred sentences last minutes, longer than the bound).
	int32_t long_stream = 0;
	ASSERT_EQ(voice.Speak(LongText(), kSpeakAsync, long_stream), kSpeechOk);
	ASSERT_TRUE(PumpUntilEvent("start " + std::to_string(long_stream), kHang));
	int32_t purge = 0;
	ASSERT_EQ(voice.Speak("", kSpeakPurgeBeforeSpeak, purge), kSpeechOk);
	ASSERT_TRUE(PumpUntilEvent("end " + std::to_string(long_stream), kHang));

	// Characters go as SSML; "<" and "&" are spoken like any other.
	for (const char *character : {"<", "&", "a"}) {
		int32_t spoken = 0;
		ASSERT_EQ(voice.Speak(character, kSpeakAsync | kSpeakIsXml, spoken), kSpeechOk);
		EXPECT_TRUE(PumpUntilEvent("end " + std::to_string(spoken), kHang)) << character;
	}
	int32_t plain = 0;
	ASSERT_EQ(voice.Speak("And plain text again.", kSpeakAsync, plain), kSpeechOk);
	EXPECT_TRUE(PumpUntilEvent("end " + std::to_string(plain), kHang));
	EXPECT_TRUE(voice.IsConnected());

	// A text handed over while the connection is still being made waits
	// for it and is spoken.
	voice.Close();
	voice.SetEventInterests(kAllVoiceEvents);
	int32_t early = 0;
	ASSERT_EQ(voice.Speak("At once.", kSpeakAsync, early), kSpeechOk);
	EXPECT_TRUE(voice.IsConnected());
	EXPECT_TRUE(PumpUntilEvent("end " + std::to_string(early), kHang));
	EXPECT_TRUE(Has("start " + std::to_string(early)));
}

TEST_F(SpeechDispatcherServerTest, AServerThatDiesMidTextEndsTheWaitAndAReturningOneIsUsed)
{
	// The shell's own wait, SpeakAndWait, against the real server.
	UiQueuePump pump(ui);
	services().pump = &pump;
	services().voice5 = &voice;
	ConnectVoice5();
	useSapi5 = true;
	voice.SetStreamHandlers(
	    [this](int32_t stream, int64_t position) {
		    voice5StartStream(stream, position);
		    started = true;
		    started.notify_all();
	    },
	    voice5EndStream);
	std::thread killer([&] {
		started.wait(false);
		server.Kill();
	});
	// The text lasts minutes: a wait that outlived the server would end
	// only at the wait's own bound, which throws.
	EXPECT_NO_THROW(SpeakAndWait(LongText())) << "the wait outlived the server";
	killer.join();
	EXPECT_FALSE(sapi5Speaking);
	EXPECT_FALSE(voice.IsConnected());

	// Without a server the shell goes on: texts end silently.
	EXPECT_NO_THROW(SpeakAndWait("Nobody hears this."));

	// A server that comes back is used by a later text.
	ASSERT_TRUE(server.Start());
	const auto deadline = Clock::now() + kHang;
	while (!voice.IsConnected() && Clock::now() < deadline) {
		SpeakAsync("Are you back?");
		ui.PumpUntil([] { return false; }, std::chrono::milliseconds(100));
	}
	EXPECT_TRUE(voice.IsConnected());
	EXPECT_NO_THROW(SpeakAndWait("Hello again."));
	// A text the server refused would have closed the connection.
	EXPECT_TRUE(voice.IsConnected()) << "the returning server took the text";
}

} // namespace
} // namespace velira
