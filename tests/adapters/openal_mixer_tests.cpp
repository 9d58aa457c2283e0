#include "fakes/fake_platform.h"
#include "fakes/test_banks.h"
#include "platform/message_pump.h"
#include "platform/services.h"
#include "platform/system_clock.h"
#include "sound/adapters/openal_mixer.h"
#include "sound/sound_bank.h"
#include "sound/sound_bank_writer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

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
		saved_ = services();
		services().mixer = &mixer;
		services().clock = &clock;
		services().pump = &pump;
		ASSERT_EQ(mixer.Open(), MixerResult::kOk);
	}
	void TearDown() override
	{
		ReleaseSoundDeviceAndWaveList();
		mixer.ReleaseAll();
		services() = saved_;
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

	OpenAlMixer mixer;
	SystemClock clock;
	SleepingPump pump;
	Services saved_;
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

	// Still looping after many passes over its 64 samples.
	clock.SleepMs(50);
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
	const auto start = std::chrono::steady_clock::now();
	PlayWave(beep, true);
	const auto elapsed_ms =
	    std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
	        .count();
	EXPECT_GE(elapsed_ms, 250);
	// Generous: the machine may be slow and busy.
	EXPECT_LT(elapsed_ms, 5000);

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

} // namespace
} // namespace velira
