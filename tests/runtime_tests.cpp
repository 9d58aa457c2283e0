#include "fakes/fake_mixer.h"
#include "fakes/fake_platform.h"
#include "fakes/fake_speech.h"
#include "fakes/test_banks.h"
#include "platform/error.h"
#include "runtime/screen.h"
#include "runtime/velcommands.h"
#include "settings/localized_texts.h"
#include "settings/shared_settings.h"
#include "shell/memory_image.h"
#include "sound/sound_bank.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>

namespace velira
{
namespace
{

class RuntimeTest : public ::testing::Test
{
protected:
	testing::ScratchFolder folder;
	testing::FakePlatform platform;
};

std::vector<std::string> ReadItems(int count)
{
	std::vector<std::string> items;
	for (int i = 0; i < count; ++i)
		items.push_back(ReadDataItem());
	return items;
}

TEST_F(RuntimeTest, DataItemsIgnoreLineEndsAndNeedACommaToEnd)
{
	testing::WriteFile("data.dta", "1,2\r\n3,4");
	OpenDataFile();
	EXPECT_EQ(ReadItems(5), (std::vector<std::string>{"1", "23", "4", "", ""}));

	// Every Start reads from the beginning again.
	OpenDataFile();
	EXPECT_EQ(ReadDataItem(), "1");
}

TEST_F(RuntimeTest, QuotedDataItemsDropTheirQuotesAndCommas)
{
	testing::WriteFile("data.dta", "\"a, b\",c d ,\"x\"\ny,");
	OpenDataFile();
	EXPECT_EQ(ReadItems(4), (std::vector<std::string>{"a b", "c d ", "x", "y"}));
}

TEST_F(RuntimeTest, TheShippedDataFileHoldsTheFourDirectionWords)
{
	testing::WriteFile("data.dta", testing::ReadFile(VELIRA_SHIPPED_DATA "/data.dta"));
	OpenDataFile();
	// Right, left, front, back, in code page 1250.
	EXPECT_EQ(ReadItems(4), (std::vector<std::string>{"sprava",
	                                                  "z\xBE"
	                                                  "ava",
	                                                  "spredu", "zozadu"}));
}

TEST_F(RuntimeTest, ReadWithoutADataFileEndsTheProcessAfterTheMessage)
{
	testing::FakeSpeech speech{platform};
	languageBase = kEnglishBase;
	OpenDataFile();
	EXPECT_THROW(ReadDataItem(), testing::ProcessTerminated);
	ASSERT_EQ(platform.desktop.messages.size(), 1u);
	EXPECT_EQ(platform.desktop.messages[0],
	          LocalizedText(kEnglishBase, kTextCannotFindFile) + " data.dta");
	// A speech thread left running could keep the process from ending.
	EXPECT_EQ(speech.voice.closes, 1) << "speech was not shut down first";
	EXPECT_FALSE(std::filesystem::exists("ram.dat")) << "nothing is written";
}

TEST_F(RuntimeTest, ReadKeysHandlesMessagesOnceAndTakesTheKey)
{
	platform.pump.Post([] { keyBuffer.assign(1, 'a'); });
	EXPECT_EQ(ReadKeys(), "a");
	EXPECT_EQ(ReadKeys(), "") << "the slot is emptied";
	EXPECT_EQ(platform.pump.process_calls, 2);
}

TEST_F(RuntimeTest, PeekAndPokeWrapTo16BitAddresses)
{
	PokeByte(50730, 1);
	EXPECT_EQ(PeekByte(50730), 1);
	EXPECT_EQ(ramImage[50730], 1);
	PokeByte(50730.9, 0);
	EXPECT_EQ(PeekByte(50730), 0) << "the address is truncated";

	PokeByte(65536 + 5, 256 + 7);
	EXPECT_EQ(ramImage[5], 7) << "address and value both wrap";
	PokeByte(-1, -1);
	EXPECT_EQ(ramImage[65535], 255);
	EXPECT_EQ(PeekByte(-1), 255);
	EXPECT_EQ(PeekByte(65536 + 5), 7);
	// Far outside, or not a number at all: still inside the image.
	PokeByte(1e300, 3);
	PokeByte(std::nan(""), 4);
	EXPECT_EQ(ramImage[0], 4);
	EXPECT_EQ(PeekByte(-1e300), ramImage[0]);
}

TEST_F(RuntimeTest, RandomNumberRepeatsTheSecondDrawForZero)
{
	platform.random.values = {0.25, 0.5, 0.75, 0.125};
	EXPECT_EQ(RandomNumber(0), 0.0) << "nothing drawn yet";
	EXPECT_EQ(RandomNumber(1), 0.25);
	EXPECT_EQ(RandomNumber(0), 0.5);
	EXPECT_EQ(RandomNumber(7), 0.75);
	EXPECT_EQ(RandomNumber(0), 0.125);
	RandomNumber(-1);
	EXPECT_EQ(platform.random.reseeds, 1);
}

TEST_F(RuntimeTest, TimeTextAndValueOf)
{
	EXPECT_EQ(TimeText(), "14 07 05 ");
	EXPECT_EQ(ValueOf(TimeText()), 0.0) << "the blanks stop the conversion";

	EXPECT_EQ(ValueOf("12"), 12.0);
	EXPECT_EQ(ValueOf("12 "), 0.0);
	EXPECT_EQ(ValueOf("12abc"), 0.0);
	EXPECT_EQ(ValueOf(""), 0.0);
	EXPECT_EQ(ValueOf("  -1.5e2"), -150.0);
	EXPECT_EQ(ValueOf("+.5"), 0.5);
	EXPECT_EQ(ValueOf("3.25"), 3.25);
	EXPECT_EQ(ValueOf("3,25"), 0.0) << "the point is the only separator";
	EXPECT_EQ(ValueOf("1e"), 0.0);
	EXPECT_EQ(ValueOf("."), 0.0);

	EXPECT_EQ(ValueOf("%1F"), 31.0);
	EXPECT_EQ(ValueOf("%ff"), 255.0);
	EXPECT_EQ(ValueOf("-%10"), -16.0);
	EXPECT_EQ(ValueOf("%FFFFFFFF"), -1.0) << "eight digits fill the 32 bits";
	EXPECT_EQ(ValueOf("-%80000000"), -2147483648.0) << "a negated hexadecimal stays within 32 bits";
	EXPECT_THROW(ValueOf("0x%1F"), ShellError) << "only \"$\" makes a number hexadecimal";
	EXPECT_THROW(ValueOf("%"), ShellError);
	EXPECT_THROW(ValueOf("%1G"), ShellError);
	EXPECT_THROW(ValueOf("%123456789"), ShellError);
	EXPECT_THROW(ValueOf("1%"), ShellError);
}

TEST_F(RuntimeTest, CharOfTakesTheLow8Bits)
{
	EXPECT_EQ(CharOf(141), "\x8D") << "up, left and right together";
	EXPECT_EQ(CharOf(65.9), "A");
	EXPECT_EQ(CharOf(256 + 66), "B");
	EXPECT_EQ(CharOf(-1), "\xFF");
	EXPECT_EQ(CharOf(0), std::string(1, '\0'));
}

TEST_F(RuntimeTest, TruncGoesTowardZeroAndNeverOverflows)
{
	EXPECT_EQ(Trunc(2.9), 2);
	EXPECT_EQ(Trunc(-2.9), -2);
	EXPECT_EQ(Trunc(std::nan("")), 0);
	EXPECT_GT(Trunc(std::numeric_limits<double>::infinity()), 0);
	EXPECT_LT(Trunc(-1e300), 0);
}

// The tone statement and the signals over a bank in the fake mixer.
class SoundStatementTest : public RuntimeTest
{
protected:
	void SetUp() override
	{
		mixer.Install();
		CreateSoundDeviceAndWaveList();
		std::vector<SoundBankEntry> waves = testing::StatementWaves(6);
		for (const SoundBankEntry &wave : testing::StatementWaves(8))
			if (wave.name.rfind("snd", 0) == 0)
				waves.push_back(wave);
		testing::LoadBank(waves);
		calls_before_ = mixer.calls.size();
	}

	// The mixer calls since loading, without the state queries.
	std::vector<testing::FakeMixer::Call> Since(const std::string &op) const
	{
		std::vector<testing::FakeMixer::Call> found;
		for (size_t i = calls_before_; i < mixer.calls.size(); ++i) {
			if (mixer.calls[i].op == op)
				found.push_back(mixer.calls[i]);
		}
		return found;
	}

	testing::FakeMixer mixer{platform.clock};
	size_t calls_before_ = 0;
};

TEST_F(SoundStatementTest, TheSirenIsAChordOnFourChannels)
{
	soundVolume = -1200;
	SoundStatement({50, 100, 200, 400}, 1800, 6);
	const auto frequencies = Since("frequency");
	ASSERT_EQ(frequencies.size(), 4u);
	const char *names[] = {"snd16", "snd26", "snd36", "snd46"};
	const int64_t rates[] = {3200, 6400, 12800, 25600};
	for (int k = 0; k < 4; ++k) {
		SCOPED_TRACE(names[k]);
		TWaveCollectionItem &wave = FindWave(names[k]);
		EXPECT_EQ(frequencies[k].buffer, wave.master);
		EXPECT_EQ(frequencies[k].value, rates[k]);
		EXPECT_EQ(mixer.buffers[wave.master].volume_cb, -1200);
		EXPECT_TRUE(mixer.buffers[wave.master].looping);
		EXPECT_FALSE(mixer.Sounding(wave.master)) << "stopped at the end";
	}
	const auto loops = Since("loop");
	ASSERT_EQ(loops.size(), 4u);
	EXPECT_EQ(loops[0].at_ms, 0);
	const auto stops = Since("stop");
	ASSERT_GE(stops.size(), 4u);
	EXPECT_EQ(stops.back().at_ms, 1800) << "the notes sound for 1.8 s";
	EXPECT_EQ(stops[stops.size() - 4].buffer, FindWave("snd16").master) << "channel 1 stops first";
	EXPECT_EQ(platform.timer.interval_ms(), 1800);
	EXPECT_FALSE(platform.timer.IsActive());
	EXPECT_FALSE(soundWaiting);
	EXPECT_EQ(lastInstrument, 6);
	EXPECT_EQ(lastDuration, 1800);
}

TEST_F(SoundStatementTest, AKeyDownCutsTheNoteShort)
{
	// What the main window's key handler does on a key going down.
	platform.pump.PostAt(300, [this] {
		soundWaiting = false;
		platform.timer.Stop();
	});
	SoundStatement({440}, 1800, 6);
	EXPECT_EQ(Since("stop").back().at_ms, 300);
}

TEST_F(SoundStatementTest, InstrumentAbove9AndNegativeDurationRepeatThePreviousOnes)
{
	SoundStatement({100}, 10, 8);
	platform.clock.now_ms = 1000;
	SoundStatement({200}, -1, 10);
	const auto loops = Since("loop");
	ASSERT_EQ(loops.size(), 2u);
	EXPECT_EQ(loops[1].buffer, FindWave("snd18").master);
	EXPECT_EQ(Since("frequency").back().value, 200 * 64);
	EXPECT_EQ(Since("stop").back().at_ms, 1010);
	EXPECT_EQ(lastInstrument, 8);
	EXPECT_EQ(lastDuration, 10);

	// The runtime's reset before a run brings both back to 1.
	ResetRuntime();
	EXPECT_EQ(lastInstrument, 1);
	EXPECT_EQ(lastDuration, 1);
}

TEST_F(SoundStatementTest, NoteZeroAndNotesTheMixerRefuses)
{
	SoundStatement({0}, 10, 8);
	EXPECT_EQ(Since("frequency").back().value, 128) << "a note of 0 plays as 2";
	SoundStatement({1000}, 10, 8);
	const MixerBufferId master = FindWave("snd18").master;
	EXPECT_EQ(mixer.buffers[master].frequency_hz, 64000);
	// 4000 x 64 is above the mixer's range: the previous rate stays.
	SoundStatement({4000}, 10, 8);
	EXPECT_EQ(Since("frequency").back().result, MixerResult::kInvalidParameter);
	EXPECT_EQ(mixer.buffers[master].frequency_hz, 64000);
	// Absurd notes neither overflow nor wrap into a valid rate.
	SoundStatement({1e12}, 10, 8);
	SoundStatement({-1e12}, 10, 8);
	EXPECT_EQ(mixer.buffers[master].frequency_hz, 64000);
	EXPECT_EQ(Since("frequency").back().value, std::numeric_limits<int32_t>::min());
}

TEST_F(SoundStatementTest, WithDeviceSoundsOffNothingPlaysAndNothingWaits)
{
	deviceSounds = false;
	for (int i = 0; i < 100; ++i)
		SoundStatement({100}, 1000, 8);
	ClickSound(1);
	BeepSound();
	EXPECT_EQ(platform.clock.now_ms, 0);
	EXPECT_EQ(mixer.calls.size(), calls_before_);
	EXPECT_EQ(lastInstrument, 1) << "not even the remembered values change";
}

TEST_F(SoundStatementTest, AMissingChannelStopsTheNotesAlreadyStarted)
{
	// Instrument 7 has no waves: the first channel is missing.
	try {
		SoundStatement({100}, 500, 7);
		FAIL() << "no error";
	} catch (const ShellError &error) {
		EXPECT_STREQ(error.what(), "Wave 'snd17' not found");
	}
	EXPECT_FALSE(soundWaiting);

	// Five notes on instrument 6: channel 5 is missing, so channels 1 to 4
	// must not go on sounding.
	EXPECT_THROW(SoundStatement({100, 200, 300, 400, 500}, 500, 6), ShellError);
	EXPECT_FALSE(soundWaiting);
	for (int channel = 1; channel <= 4; ++channel)
		EXPECT_FALSE(mixer.Sounding(FindWave("snd" + std::to_string(channel) + "6").master));
	EXPECT_EQ(platform.clock.now_ms, 0) << "no wait";
}

TEST_F(SoundStatementTest, ClickAndBeepPlayOnceAtTheUserVolumeAndWaitForTheEnd)
{
	soundVolume = -900;
	const int pumped = platform.pump.process_calls;
	// A key pressed and released while the click sounds, and a repaint.
	platform.pump.PostAt(50, [] { keyBuffer.assign(1, 'x'); });
	int64_t repainted_at_ms = -1;
	platform.pump.PostOutputAt(50, [&] { repainted_at_ms = platform.clock.now_ms; });
	ClickSound(1.7); // click1: 200 ms
	EXPECT_EQ(platform.clock.now_ms, 200);
	const auto plays = Since("play");
	ASSERT_EQ(plays.size(), 1u);
	EXPECT_EQ(mixer.buffers[plays[0].buffer].master, FindWave("click1").master);
	EXPECT_EQ(mixer.buffers[plays[0].buffer].volume_cb, -900);
	EXPECT_EQ(FindWave("click1").volume, -900);
	EXPECT_EQ(platform.pump.process_calls, pumped) << "no input is handled while the click sounds";
	EXPECT_EQ(keyBuffer, "");
	EXPECT_EQ(repainted_at_ms, 50) << "the screen is painted during the click";
	EXPECT_EQ(ReadKeys(), "x") << "the key is handled at the next poll";

	BeepSound(); // 100 ms
	EXPECT_EQ(platform.clock.now_ms, 301);
	try {
		ClickSound(17);
		FAIL() << "no error";
	} catch (const ShellError &error) {
		EXPECT_STREQ(error.what(), "Wave 'click17' not found");
	}
}

} // namespace
} // namespace velira
