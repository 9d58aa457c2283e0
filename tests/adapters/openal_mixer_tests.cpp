#include "fakes/fake_platform.h"
#include "fakes/test_banks.h"
#include "platform/adapters/openal_device.h"
#include "platform/error.h"
#include "platform/message_pump.h"
#include "platform/services.h"
#include "platform/system_clock.h"
#include "platform/whole_file.h"
#include "sound/adapters/openal_mixer.h"
#include "sound/sound_bank.h"
#include "sound/sound_bank_writer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <thread>
#include <unistd.h>

// The sound bank on the real OpenAL Soft, run on its null driver
// (ALSOFT_DRIVERS=null), which plays in real time without a sound card.
namespace velira
{
namespace
{

// The waits of a play that waits for its end, in real time; no message
// ever comes.
class SleepingPump final : public MessagePump
{
public:
	void ProcessPendingMessages() override {}
	void WaitWhile(const bool &) override {}
	void WaitHoldingInput(int64_t duration_ms) override
	{
		std::this_thread::sleep_for(std::chrono::milliseconds(duration_ms));
	}
};

class OpenAlMixerTest : public ::testing::Test
{
protected:
	void SetUp() override
	{
		services().mixer = &mixer;
		services().clock = &clock;
		services().pump = &pump;
		ASSERT_EQ(mixer.Open(), MixerResult::kOk);
	}
	void TearDown() override
	{
		ReleaseSoundDeviceAndWaveList();
		mixer.ReleaseAll();
	}

	std::vector<uint8_t> SineTable()
	{
		std::vector<uint8_t> bytes;
		for (int i = 0; i < 64; ++i) {
			const auto value =
			    static_cast<int16_t>(8000 * std::sin(2 * 3.14159265358979 * i / 64));
			bytes.push_back(static_cast<uint8_t>(value & 0xFF));
			bytes.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
		}
		return bytes;
	}

	testing::FakePlatform platform;
	OpenAlMixer mixer;
	SystemClock clock;
	SleepingPump pump;
};

bool Playing(AudioMixer &mixer, MixerBufferId buffer)
{
	bool playing = false;
	EXPECT_EQ(mixer.GetPlaying(buffer, &playing), MixerResult::kOk);
	return playing;
}

TEST_F(OpenAlMixerTest, ALoopedWaveChangesPitchAndGainAndStops)
{
	MixerBufferId tone = 0;
	const std::vector<uint8_t> table = SineTable();
	ASSERT_EQ(
	    mixer.CreateBuffer(PcmFormatRecord(1, 28160, 16), static_cast<uint32_t>(table.size()), &tone),
	    MixerResult::kOk);
	ASSERT_EQ(mixer.WriteSamples(tone, table), MixerResult::kOk);
	ASSERT_EQ(mixer.Play(tone, true), MixerResult::kOk);
	EXPECT_TRUE(Playing(mixer, tone));

	EXPECT_EQ(mixer.SetFrequency(tone, 6400), MixerResult::kOk);
	EXPECT_EQ(mixer.SetFrequency(tone, 100), MixerResult::kOk);
	EXPECT_EQ(mixer.SetFrequency(tone, 200000), MixerResult::kOk);
	EXPECT_EQ(mixer.SetFrequency(tone, 0), MixerResult::kOk) << "the wave's own rate";
	EXPECT_EQ(mixer.SetFrequency(tone, 99), MixerResult::kInvalidParameter);
	EXPECT_EQ(mixer.SetFrequency(tone, 256000), MixerResult::kInvalidParameter);
	EXPECT_EQ(mixer.SetVolume(tone, -600), MixerResult::kOk);
	EXPECT_EQ(mixer.SetVolume(tone, 1), MixerResult::kInvalidParameter);
	EXPECT_EQ(mixer.SetVolume(tone, -10001), MixerResult::kInvalidParameter);

	// A copy shares the samples and sounds on its own.
	MixerBufferId copy = 0;
	ASSERT_EQ(mixer.DuplicateBuffer(tone, &copy), MixerResult::kOk);
	ASSERT_EQ(mixer.Play(copy, true), MixerResult::kOk);
	EXPECT_TRUE(Playing(mixer, copy));

	// Still looping after many passes over its 64 samples: 50 ms that the
	// device mixed, however long a busy machine takes for them.
	const int64_t until_ns = OpenAlDevice::MixedNs() + 50'000'000;
	const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
	while (OpenAlDevice::MixedNs() < until_ns && std::chrono::steady_clock::now() < deadline)
		std::this_thread::sleep_for(std::chrono::milliseconds(5));
	EXPECT_TRUE(Playing(mixer, tone));
	ASSERT_EQ(mixer.Stop(tone), MixerResult::kOk);
	EXPECT_FALSE(Playing(mixer, tone));
	EXPECT_TRUE(Playing(mixer, copy));
	ASSERT_EQ(mixer.Stop(copy), MixerResult::kOk);
	mixer.Release(copy);
	EXPECT_EQ(mixer.Play(copy, false), MixerResult::kInvalidParameter) << "a released buffer is gone";
}

TEST_F(OpenAlMixerTest, VolumeIsGainInHundredthsOfADecibel)
{
	EXPECT_FLOAT_EQ(OpenAlMixer::GainOfVolume(0), 1.0f);
	EXPECT_FLOAT_EQ(OpenAlMixer::GainOfVolume(-2000), 0.1f);
	EXPECT_FLOAT_EQ(OpenAlMixer::GainOfVolume(-600), static_cast<float>(std::pow(10.0, -0.3)));
	EXPECT_NEAR(OpenAlMixer::GainOfVolume(-10000), 1e-5f, 1e-9f);
}

TEST_F(OpenAlMixerTest, FormatsThatDoNotPlayAreSilentAndATooShortRecordIsRefused)
{
	MixerBufferId buffer = 0;
	EXPECT_EQ(mixer.CreateBuffer(std::vector<uint8_t>(14, 0), 100, &buffer), MixerResult::kBadFormat);
	std::vector<uint8_t> adpcm = PcmFormatRecord(1, 22050, 4);
	adpcm[0] = 2;
	ASSERT_EQ(mixer.CreateBuffer(adpcm, 100, &buffer), MixerResult::kOk);
	EXPECT_EQ(mixer.WriteSamples(buffer, std::vector<uint8_t>(100, 7)), MixerResult::kOk);
	EXPECT_EQ(mixer.Play(buffer, false), MixerResult::kOk);
	clock.SleepMs(20);
	EXPECT_FALSE(Playing(mixer, buffer));

	// 8-bit stereo and an odd byte count play the whole frames.
	ASSERT_EQ(mixer.CreateBuffer(PcmFormatRecord(2, 11025, 8), 101, &buffer), MixerResult::kOk);
	EXPECT_EQ(mixer.WriteSamples(buffer, std::vector<uint8_t>(101, 128)), MixerResult::kOk);
	EXPECT_EQ(mixer.Play(buffer, false), MixerResult::kOk);
}

TEST_F(OpenAlMixerTest, PlayingWithWaitReturnsAfterTheWavesLength)
{
	ASSERT_NO_THROW(CreateSoundDeviceAndWaveList());
	testing::ScratchFolder folder;
	// 6615 frames at 22050 per second: 300 ms.
	testing::LoadBank({testing::PcmEntry("beep", 6615), testing::PcmEntry("snd11", 64, 28160, true)});
	TWaveCollectionItem &beep = FindWave("beep");
	// Measured in the time the device mixed: a busy machine neither
	// stretches it nor, when the null driver catches up in a burst,
	// shortens it. A wait that never ended would hang the test.
	const int64_t mixed_before_ns = OpenAlDevice::MixedNs();
	ASSERT_GE(mixed_before_ns, 0) << "the device cannot tell its clock";
	PlayWave(beep, true);
	EXPECT_GE(OpenAlDevice::MixedNs() - mixed_before_ns, 250'000'000)
	    << "returned before the wave had played";

	TWaveCollectionItem &tone = FindWave("snd11");
	SetWaveFrequency(tone, 440 * 64);
	SetWaveVolume(tone, -1000);
	PlayWave(tone, false);
	EXPECT_EQ(tone.lastError, MixerResult::kOk);
	SetWaveFrequency(tone, 880 * 64);
	EXPECT_EQ(tone.lastError, MixerResult::kOk);
	StopWave(tone);
	bool playing = true;
	mixer.GetPlaying(tone.master, &playing);
	EXPECT_FALSE(playing);
}

TEST_F(OpenAlMixerTest, SoundsLeaveTheVoiceItsSourceAndABankThatAsksTooMuchIsRefused)
{
	ASSERT_NO_THROW(CreateSoundDeviceAndWaveList());
	testing::ScratchFolder folder;
	const size_t capacity = mixer.Capacity();
	ASSERT_GT(capacity, 2u) << "the device reports its sources";
	ASSERT_LT(capacity, 100000u);

	// Limits that add up to more than the device holds are refused at start,
	// with the reason, rather than go silent in the middle of a game.
	try {
		testing::LoadBank(
		    {testing::PcmEntry("click1", 64, 22050, false, static_cast<int32_t>(capacity))});
		FAIL() << "the bank was taken";
	} catch (const ShellError &error) {
		EXPECT_EQ(std::string(error.what()),
		          "The sound bank asks for " + std::to_string(capacity + 1) +
		              " sound buffers at once; the sound device holds " + std::to_string(capacity));
	}

	// A wave without a limit gets copies until the mixer is full; then its
	// copies are reused in turn, and every play still sounds. The device
	// plays in real time, so the wave lasts a minute: a copy that ended
	// while the plays were still being started (a second's wave did, on a
	// busy machine under the sanitizers) would be reused instead of a new one.
	testing::LoadBank({testing::PcmEntry("click1", 22050 * 60)});
	TWaveCollectionItem &click = FindWave("click1");
	for (size_t i = 0; i < capacity + 5; ++i)
		PlayWave(click, false);
	EXPECT_EQ(click.copies.size(), capacity - 1) << "the master and its copies fill the mixer";
	EXPECT_TRUE(Playing(mixer, click.copies.back())) << "the latest play sounds";

	// The one source left is the voice's.
	ALuint source = 0;
	alGetError();
	alGenSources(1, &source);
	EXPECT_EQ(alGetError(), AL_NO_ERROR);
	alDeleteSources(1, &source);
}

TEST(OpenAlConfigTest, TheShellAddsOnlyTheKeysNoFileSets)
{
	const std::string buffer = "period_size=192\nperiods=4\n";
	const std::string mixing = "[pipewire]\nrt-mix=true\n";
	struct Case {
		std::vector<std::string> files;
		bool adds_buffer;
		bool adds_mixing;
	};
	const Case cases[] = {
	    {{}, true, true},
	    {{"periods=3\n", ""}, false, true},
	    {{"", "[PipeWire]\n RT-Mix = false # gaps are mine\n"}, true, false},
	    {{"[pipewire]\nperiods=3\n[general]\nrt-mix=false\n"}, true, true},
	    {{"[pipewire]\n# rt-mix=false\nrt-mix=\n"}, true, true},
	    {{"period_size=512\n", "[pipewire]\nrt-mix=0\n"}, false, false},
	};
	for (const Case &c : cases) {
		const std::string added = ShellOpenAlSettings(c.files);
		const std::string files = ::testing::PrintToString(c.files);
		EXPECT_EQ(added.find(buffer) != std::string::npos, c.adds_buffer) << files;
		EXPECT_EQ(added.find(mixing) != std::string::npos, c.adds_mixing) << files;
		EXPECT_EQ(added.empty(), !c.adds_buffer && !c.adds_mixing) << files;
	}
}

TEST(OpenAlConfigTest, OnlyTheGeneralSectionsBufferKeysWithAValueCount)
{
	struct Case {
		const char *text;
		bool sets;
	};
	const Case cases[] = {
	    {"period_size = 512\n", true},
	    {"  Periods=3   # fewer\n", true},
	    {"[pulse]\nx=1\n[General]\nperiod_size=256\n", true},
	    {"# periods = 2\n", false},
	    {"[pulse]\nperiods=3\n", false},
	    {"periods=\nperiod_size = \"\"\n", false},
	    {"frequency=48000\ndrivers=pulse\n", false},
	    {"", false},
	};
	for (const Case &c : cases)
		EXPECT_EQ(ConfigSetsDeviceBuffer(c.text), c.sets) << c.text;
}

// OpenAL Soft reads its configuration once per process, so each case opens
// the device in a process of its own: a private home whose alsoft.conf holds
// `user_config` (none when empty) and an ALSOFT_CONF file holding
// `named_config` (unset when empty). The process ends with 0 when `holds`
// accepts the device's latency and frequency, which it prints.
void OpenInOwnProcess(const std::string &user_config, const std::string &named_config,
                      bool (*holds)(double latency_ms, int frequency_hz))
{
	std::string home = (std::filesystem::temp_directory_path() / "velira-al-XXXXXX").string();
	if (::mkdtemp(home.data()) == nullptr)
		std::_Exit(2);
	::setenv("HOME", home.c_str(), 1);
	::setenv("XDG_CONFIG_HOME", home.c_str(), 1);
	::setenv("XDG_CONFIG_DIRS", home.c_str(), 1);
	::unsetenv("ALSOFT_CONF");
	if (!user_config.empty())
		testing::WriteFile(home + "/alsoft.conf", user_config);
	// A configuration that cannot be read (here a folder) is passed over.
	std::filesystem::create_directory(home + "/.alsoftrc");
	if (!named_config.empty()) {
		testing::WriteFile(home + "/named.conf", named_config);
		::setenv("ALSOFT_CONF", (home + "/named.conf").c_str(), 1);
	}
	OpenAlDevice::PrepareShortBuffer();
	const bool opened = OpenAlDevice::Open();
	const double latency_ms = OpenAlDevice::OutputLatencyMs();
	ALCint frequency_hz = 0;
	if (opened)
		alcGetIntegerv(OpenAlDevice::Device(), ALC_FREQUENCY, 1, &frequency_hz);
	std::fprintf(stderr, "latency %.2f ms at %d Hz\n", latency_ms, frequency_hz);
	OpenAlDevice::Close();
	std::filesystem::remove_all(home);
	std::_Exit(opened && holds(latency_ms, frequency_hz) ? 0 : 1);
}

class OpenAlDeviceBufferTest : public ::testing::Test
{
protected:
	void SetUp() override
	{
		// A fresh process that runs this test alone, not a fork that has
		// OpenAL Soft loaded already.
		GTEST_FLAG_SET(death_test_style, "threadsafe");
		const std::optional<std::string> system_file = ReadWholeFile("/etc/openal/alsoft.conf");
		if (system_file && ConfigSetsDeviceBuffer(*system_file))
			GTEST_SKIP() << "this machine's /etc/openal/alsoft.conf sets the device buffer";
	}
};

TEST_F(OpenAlDeviceBufferTest, TheDeviceBuffersTwentyMillisecondsAtMost)
{
	EXPECT_EXIT(OpenInOwnProcess(
	                "", "", [](double latency_ms, int) { return latency_ms > 0 && latency_ms <= 20; }),
	            ::testing::ExitedWithCode(0), "latency");
}

TEST_F(OpenAlDeviceBufferTest, ABufferTheUserConfiguredIsKept)
{
	EXPECT_EXIT(OpenInOwnProcess("[general]\nperiods=3\nperiod_size=1024\n", "",
	                             [](double latency_ms, int) { return latency_ms > 40; }),
	            ::testing::ExitedWithCode(0), "latency");
}

TEST_F(OpenAlDeviceBufferTest, TheFileThatAlsoftConfNamesStillCounts)
{
	// 22050 Hz from the user's file, with the short periods: 27 ms rather
	// than the 93 ms of the default buffer at that rate.
	EXPECT_EXIT(OpenInOwnProcess("", "frequency=22050\n",
	                             [](double latency_ms, int frequency_hz) {
		                             return frequency_hz == 22050 && latency_ms < 40;
	                             }),
	            ::testing::ExitedWithCode(0), "latency");
}

} // namespace
} // namespace velira
