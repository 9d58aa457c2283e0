#include "fakes/fake_mixer.h"
#include "fakes/fake_platform.h"
#include "fakes/test_banks.h"
#include "platform/error.h"
#include "sound/sound_bank.h"
#include "sound/sound_bank_reader.h"
#include "sound/sound_bank_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>

namespace velira
{
namespace
{

using testing::PcmEntry;

// The start of a bank file up to the container's properties: header with
// the name "A", "TPF0", the type name and an empty component name.
std::string BankStart(const std::string &component_name = "")
{
	std::string bank("\xFF\x0A\x00\x41\x00\x00\x00\x00\x00\x00\x00", 11);
	bank += "TPF0";
	bank += '\x18';
	bank += "TWaveCollectionComponent";
	bank += static_cast<char>(component_name.size());
	bank += component_name;
	return bank;
}

std::string Short(const std::string &text)
{
	return static_cast<char>(text.size()) + text;
}

std::string Le32(uint32_t value)
{
	std::string out;
	for (int i = 0; i < 4; ++i)
		out += static_cast<char>((value >> (8 * i)) & 0xFF);
	return out;
}

// A bank whose list holds the given items, each the bytes of its properties.
std::string BankWithItems(const std::vector<std::string> &items)
{
	std::string bank = BankStart() + Short("List") + '\x0E';
	for (const std::string &item : items)
		bank += '\x01' + item + '\0';
	return bank + std::string(3, '\0');
}

std::string NameProperty(const std::string &name)
{
	return Short("Name") + '\x06' + Short(name);
}

std::string WaveProperty(const std::string &image)
{
	return Short("Wave.WAVE") + '\x0A' + Le32(static_cast<uint32_t>(image.size())) + image;
}

std::string Chunk(const std::string &id, const std::string &body)
{
	return id + Le32(static_cast<uint32_t>(body.size())) + body;
}

std::string Riff(const std::string &chunks)
{
	return "RIFF" + Le32(static_cast<uint32_t>(4 + chunks.size())) + "WAVE" + chunks;
}

std::string FormatBytes()
{
	const auto record = PcmFormatRecord(1, 22050, 16);
	return std::string(record.begin(), record.end());
}

TWaveCollection Read(const std::string &file)
{
	TWaveCollection items;
	ReadSoundBank(file, items);
	return items;
}

std::string ErrorOf(const std::string &file)
{
	try {
		Read(file);
	} catch (const ShellError &error) {
		return error.what();
	}
	return "(no error)";
}

// The 63-byte bank of one item named "beep" without samples.
const std::string kSmallestBank = BankWithItems({NameProperty("beep")});

class SoundBankReaderTest : public ::testing::Test
{
};

TEST_F(SoundBankReaderTest, The63ByteBankHoldsOneSilentItem)
{
	ASSERT_EQ(kSmallestBank.size(), 63u);
	TWaveCollection items = Read(kSmallestBank);
	ASSERT_EQ(items.Count(), 1u);
	EXPECT_EQ(items.Item(0).Name, "beep");
	EXPECT_FALSE(items.Item(0).Looped);
	EXPECT_EQ(items.Item(0).MaxPlayingCount, 0);
	EXPECT_TRUE(items.Item(0).Wave.samples.empty());
	EXPECT_TRUE(items.Item(0).Wave.format.empty());
}

TEST_F(SoundBankReaderTest, WriterAndReaderAgree)
{
	std::vector<SoundBankEntry> entries = {
	    PcmEntry("beep", 100),
	    PcmEntry("snd18", 64, 28160, true),
	    PcmEntry("click1", 33, 8000, false, 2),
	    PcmEntry("many", 5, 11025, false, 300),
	    PcmEntry("lots", 7, 11025, false, 100000),
	    PcmEntry(std::string(300, 'x'), 3), // a name too long for a short string
	};
	entries[2].format = PcmFormatRecord(2, 8000, 8);
	const std::string file = WriteSoundBank(entries);
	TWaveCollection items = Read(file);
	ASSERT_EQ(items.Count(), entries.size());
	for (size_t i = 0; i < entries.size(); ++i) {
		SCOPED_TRACE(entries[i].name);
		EXPECT_EQ(items.Item(i).Name, entries[i].name);
		EXPECT_EQ(items.Item(i).Looped, entries[i].looped);
		EXPECT_EQ(items.Item(i).MaxPlayingCount, entries[i].max_playing_count);
		EXPECT_EQ(items.Item(i).Wave.format, entries[i].format);
		EXPECT_EQ(items.Item(i).Wave.samples, entries[i].samples);
	}
}

TEST_F(SoundBankReaderTest, EveryFormOfTheItemProperties)
{
	const std::string utf16_name = std::string("z\0\x3E\x01"
	                                           "a",
	                                           5) +
	                               '\0'; // "zľa"
	const std::string items[] = {
	    Short("Name") + '\x0C' + Le32(5) + "long1" + Short("Looped") + '\x09',
	    Short("Name") + '\x12' + Le32(3) + utf16_name + Short("Looped") + '\x08',
	    Short("Name") + '\x14' + Le32(4) +
	        "z\xC4\xBE"
	        "a" +
	        Short("Looped") + '\x07' + Short("True"),
	    NameProperty("i8") + Short("Looped") + '\x07' + Short("False") + Short("MaxPlayingCount") +
	        "\x02\xFB", // -5 becomes 0
	    NameProperty("i16") + Short("MaxPlayingCount") + "\x03\x2C\x01",
	    NameProperty("i32") + Short("MaxPlayingCount") + '\x04' + Le32(70000),
	};
	// A leading integer before an item is allowed and ignored.
	std::string bank = BankStart() + Short("List") + '\x0E';
	for (const std::string &item : items)
		bank += std::string("\x02\x07\x01", 3) + item + '\0';
	bank += std::string(3, '\0');
	TWaveCollection read = Read(bank);
	ASSERT_EQ(read.Count(), 6u);
	EXPECT_EQ(read.Item(0).Name, "long1");
	EXPECT_TRUE(read.Item(0).Looped);
	EXPECT_EQ(read.Item(1).Name, "z\xBE"
	                             "a")
	    << "16-bit characters come back in code page 1250";
	EXPECT_FALSE(read.Item(1).Looped);
	EXPECT_EQ(read.Item(2).Name, "z\xBE"
	                             "a");
	EXPECT_TRUE(read.Item(2).Looped);
	EXPECT_FALSE(read.Item(3).Looped);
	EXPECT_EQ(read.Item(3).MaxPlayingCount, 0);
	EXPECT_EQ(read.Item(4).MaxPlayingCount, 300);
	EXPECT_EQ(read.Item(5).MaxPlayingCount, 70000);
}

TEST_F(SoundBankReaderTest, StreamFlagsAndComponentNames)
{
	// A flags byte with bit 1 set carries an integer.
	std::string bank(kSmallestBank);
	bank.insert(15, std::string("\xF2\x02\x05", 3));
	EXPECT_EQ(Read(bank).Count(), 1u);

	std::string named = BankStart("WaveList_1") + Short("List") + '\x0E' + '\0' + std::string(2, '\0');
	EXPECT_EQ(Read(named).Count(), 0u);
	const std::string bad = BankStart("1st") + Short("List") + '\x0E' + std::string(3, '\0');
	EXPECT_EQ(ErrorOf(bad), "''1st'' is not a valid component name");
	EXPECT_EQ(ErrorOf(BankStart("a-b") + std::string(2, '\0')), "''a-b'' is not a valid component name");
}

TEST_F(SoundBankReaderTest, HeaderAndSignatureErrors)
{
	EXPECT_EQ(ErrorOf(""), "Invalid stream format");
	EXPECT_EQ(ErrorOf("\xFE" + kSmallestBank.substr(1)), "Invalid stream format");
	EXPECT_EQ(ErrorOf(std::string("\xFF\x0B\x00", 3) + kSmallestBank.substr(3)), "Invalid stream format");
	std::string wrong_signature = kSmallestBank;
	wrong_signature[11] = 'X';
	EXPECT_EQ(ErrorOf(wrong_signature), "Invalid stream format");

	// The header's name may run up to byte 78; one byte more is refused.
	std::string longest = std::string("\xFF\x0A\x00", 3) + std::string(75, 'N') + '\0' +
	                      std::string(6, '\0') + kSmallestBank.substr(11);
	EXPECT_EQ(Read(longest).Count(), 1u);
	std::string too_long = std::string("\xFF\x0A\x00", 3) + std::string(76, 'N') + '\0' +
	                       std::string(6, '\0') + kSmallestBank.substr(11);
	EXPECT_EQ(ErrorOf(too_long), "Invalid stream format");
}

TEST_F(SoundBankReaderTest, PropertyErrorsNameTheOwnerAndTheProperty)
{
	EXPECT_EQ(ErrorOf(BankWithItems({NameProperty("a") + Short("Volume") + '\x02' + '\x01'})),
	          "Error reading TWaveCollectionItem.Volume: Property Volume does not exist");
	EXPECT_EQ(ErrorOf(BankWithItems({Short("Looped") + '\x02' + '\x01'})),
	          "Error reading TWaveCollectionItem.Looped: Invalid property value");
	EXPECT_EQ(ErrorOf(BankWithItems({Short("Looped") + '\x07' + Short("Yes")})),
	          "Error reading TWaveCollectionItem.Looped: Invalid property value");
	EXPECT_EQ(ErrorOf(BankWithItems({Short("Name") + '\x02' + '\x01'})),
	          "Error reading TWaveCollectionItem.Name: Invalid property value");
	EXPECT_EQ(ErrorOf(BankWithItems({Short("MaxPlayingCount") + '\x06' + Short("2")})),
	          "Error reading TWaveCollectionItem.MaxPlayingCount: Invalid property value");
	EXPECT_EQ(ErrorOf(BankWithItems({WaveProperty("RIFX" + Le32(4) + "WAVE")})),
	          "Error reading TWaveCollectionItem.Wave.WAVE: Wave is invalid");
	EXPECT_EQ(ErrorOf(BankWithItems({WaveProperty("RIFF" + Le32(4) + "AVI ")})),
	          "Error reading TWaveCollectionItem.Wave.WAVE: Wave is invalid");
	EXPECT_EQ(ErrorOf(BankStart() + Short("Items") + '\x0E' + std::string(3, '\0')),
	          "Error reading TWaveCollectionComponent.Items: Property Items does not exist");
	EXPECT_EQ(ErrorOf(BankStart("Bank") + Short("List") + '\x02' + std::string(3, '\0')),
	          "Error reading Bank.List: Invalid property value");
}

TEST_F(SoundBankReaderTest, ReadingPastTheEndIsAStreamReadError)
{
	for (size_t length = 15; length < kSmallestBank.size(); ++length) {
		SCOPED_TRACE(length);
		const std::string error = ErrorOf(kSmallestBank.substr(0, length));
		EXPECT_NE(error.find("Stream read error"), std::string::npos) << error;
	}
	// Lengths that reach past the end, the 4 GiB one included.
	EXPECT_EQ(ErrorOf(BankWithItems({Short("Wave.WAVE") + '\x0A' + Le32(0xFFFFFFFF) + "RIFF"})),
	          "Error reading TWaveCollectionItem.Wave.WAVE: Stream read error");
	EXPECT_EQ(ErrorOf(BankWithItems({Short("Name") + '\x0C' + Le32(0xFFFFFFFF) + "abc"})),
	          "Error reading TWaveCollectionItem.Name: Stream read error");
	// 0x80000000 characters of 16 bits would be 4 GiB: still a read error.
	EXPECT_EQ(ErrorOf(BankWithItems({Short("Name") + '\x12' + Le32(0x80000000) + "ab"})),
	          "Error reading TWaveCollectionItem.Name: Stream read error");
	const std::string fmt = Chunk("fmt ", FormatBytes());
	EXPECT_EQ(ErrorOf(BankWithItems({WaveProperty(Riff(fmt + "data" + Le32(0xFFFFFFF0) + "ab"))})),
	          "Error reading TWaveCollectionItem.Wave.WAVE: Stream read error");
}

TEST_F(SoundBankReaderTest, TheChunkWalk)
{
	const std::string fmt = Chunk("fmt ", FormatBytes());
	const std::string data = Chunk("data", "abcd");
	const auto wave_of = [](const std::string &image) {
		TWave wave;
		ReadWaveImage(image, wave);
		return wave;
	};
	const TWave usual = wave_of(Riff(fmt + data));
	EXPECT_EQ(std::string(usual.samples.begin(), usual.samples.end()), "abcd");
	EXPECT_EQ(usual.format.size(), 16u);

	const TWave reversed = wave_of(Riff(data + fmt));
	EXPECT_EQ(reversed.format, usual.format);
	EXPECT_EQ(reversed.samples, usual.samples);

	// No fill byte after an odd chunk: the next header follows at once.
	const TWave odd = wave_of(Riff(Chunk("LIST", "xyz") + fmt + data));
	EXPECT_EQ(odd.samples, usual.samples);

	// The last of a repeated chunk counts.
	const TWave repeated = wave_of(Riff(fmt + Chunk("data", "first") + Chunk("data", "ok")));
	EXPECT_EQ(std::string(repeated.samples.begin(), repeated.samples.end()), "ok");

	// Four zero bytes end the walk.
	const TWave stopped = wave_of(Riff(fmt + std::string(4, '\0') + Le32(4) + data));
	EXPECT_TRUE(stopped.samples.empty());
	EXPECT_EQ(stopped.format.size(), 16u);

	EXPECT_THROW(wave_of("RIFF"), ShellError);
}

// Small crafted files, each with the error it must give. They are the seeds
// of the sound bank's fuzz corpus too, kept there once.
TEST_F(SoundBankReaderTest, HostileFilesGiveTheirErrorsAndNoCrash)
{
	const std::filesystem::path folder = std::filesystem::path(VELIRA_FUZZ_CORPUS) / "sound_bank";
	const std::filesystem::path errors =
	    std::filesystem::path(VELIRA_TEST_DATA) / "hostile_bank_errors.txt";
	std::ifstream expected(errors);
	ASSERT_TRUE(expected) << "missing " << errors;
	std::string line;
	int checked = 0;
	while (std::getline(expected, line)) {
		if (line.empty() || line[0] == '#')
			continue;
		const size_t tab = line.find('\t');
		ASSERT_NE(tab, std::string::npos) << line;
		const std::string name = line.substr(0, tab);
		SCOPED_TRACE(name);
		const std::string file = testing::ReadFile((folder / name).string());
		ASSERT_TRUE(std::filesystem::exists(folder / name));
		EXPECT_EQ(ErrorOf(file), line.substr(tab + 1));
		++checked;
	}
	EXPECT_GE(checked, 10);
}

// The wave list with the fake mixer on a virtual clock.
class SoundBankTest : public ::testing::Test
{
protected:
	void SetUp() override
	{
		mixer.Install();
		CreateSoundDeviceAndWaveList();
	}

	std::vector<testing::FakeMixer::Call> Plays() const { return mixer.CallsOf("play"); }

	testing::ScratchFolder folder;
	testing::FakePlatform platform;
	testing::FakeMixer mixer{platform.clock};
};

std::string ErrorOfCall(const std::function<void()> &call)
{
	try {
		call();
	} catch (const ShellError &error) {
		return error.what();
	}
	return "(no error)";
}

TEST_F(SoundBankTest, LoadingPreparesAMasterBufferForEveryWaveWithSamples)
{
	testing::LoadBank({PcmEntry("beep", 100), PcmEntry("empty", 0), PcmEntry("snd11", 64, 28160, true)});
	EXPECT_EQ(mixer.Transcript(),
	          (std::vector<std::string>{"open 0 0", "create 1 200", "write 1 200", "frequency 1 0",
	                                    "volume 1 0", "create 2 128", "write 2 128", "frequency 2 0",
	                                    "volume 2 0"}));
	EXPECT_TRUE(FindWave("empty").ready);
	EXPECT_EQ(FindWave("empty").master, 0u);
	EXPECT_EQ(FindWave("beep").master, 1u);
	ReleaseSoundDeviceAndWaveList();
	EXPECT_EQ(mixer.LiveBuffers(), 0u);
}

TEST_F(SoundBankTest, LookupIgnoresCaseAndFindsTheLaterOfTwoNames)
{
	testing::LoadBank({PcmEntry("click1", 10), PcmEntry("beep", 10), PcmEntry("CLICK1", 20)});
	EXPECT_EQ(&FindWave("BEEP"), &FindWave("beep"));
	EXPECT_EQ(FindWave("click1").Wave.samples.size(), 40u) << "the later item wins";
	EXPECT_EQ(ErrorOfCall([] { FindWave("click2"); }), "Wave 'click2' not found");
}

TEST_F(SoundBankTest, AnEmptyBankLoadsAndFindsNothing)
{
	testing::LoadBank({});
	EXPECT_EQ(ErrorOfCall([] { FindWave("beep"); }), "Wave 'beep' not found");
}

TEST_F(SoundBankTest, TheSmallestBankIsSilentAndHasNoMasterBuffer)
{
	testing::WriteFile("sounds.dat", kSmallestBank);
	LoadSoundBank("sounds.dat");
	TWaveCollectionItem &beep = FindWave("beep");
	PlayWave(beep, true);
	EXPECT_TRUE(Plays().empty());
	EXPECT_EQ(ErrorOfCall([&] { SetWaveVolume(beep, -100); }), "IDirectSoundBuffer not made");
	EXPECT_EQ(ErrorOfCall([&] { SetWaveFrequency(beep, 8000); }), "IDirectSoundBuffer not made");
	EXPECT_EQ(ErrorOfCall([&] { StopWave(beep); }), "IDirectSoundBuffer not made");
	EXPECT_EQ(ErrorOfCall([&] { SetWaveLooped(beep, true); }), "IDirectSoundBuffer not made");
	beep.Looped = true;
	EXPECT_EQ(ErrorOfCall([&] { PlayWave(beep, false); }), "IDirectSoundBuffer not made");
	EXPECT_EQ(ErrorOfCall([&] { SetWaveLooped(beep, true); }), "(no error)") << "no change, no stop";
}

TEST_F(SoundBankTest, BufferFailuresWhilePreparing)
{
	testing::WriteFile("sounds.dat", WriteSoundBank({PcmEntry("beep", 10)}));
	mixer.fail_create = true;
	EXPECT_EQ(ErrorOfCall([] { LoadSoundBank("sounds.dat"); }), "Sound Buffer cannot be made");
	mixer.fail_create = false;
	mixer.fail_write = true;
	EXPECT_EQ(ErrorOfCall([] { LoadSoundBank("sounds.dat"); }), "Sound Buffer cannot be locked");
}

TEST_F(SoundBankTest, FileErrors)
{
	const std::string missing = ErrorOfCall([] { LoadSoundBank("nothere.dat"); });
	EXPECT_EQ(missing,
	          "Cannot open file \"" + folder.path() + "/nothere.dat\". No such file or directory");
	std::filesystem::create_directory("folder.dat");
	EXPECT_EQ(ErrorOfCall([] { LoadSoundBank("folder.dat"); }),
	          "Cannot open file \"" + folder.path() + "/folder.dat\". Is a directory");
}

TEST_F(SoundBankTest, TheDeviceThatCannotOpen)
{
	ReleaseSoundDeviceAndWaveList();
	mixer.fail_open = true;
	EXPECT_EQ(ErrorOfCall([] { CreateSoundDeviceAndWaveList(); }), "DirectSound cannot be initialized");
	EXPECT_EQ(waveList, nullptr);

	// Without an open device the bank still loads; play and stop do
	// nothing and the setters only store.
	testing::LoadBank({PcmEntry("beep", 10)});
	TWaveCollectionItem &beep = FindWave("beep");
	EXPECT_FALSE(beep.ready);
	SetWaveVolume(beep, -500);
	SetWaveFrequency(beep, 11025);
	PlayWave(beep, true);
	StopWave(beep);
	EXPECT_EQ(beep.volume, -500);
	EXPECT_EQ(beep.frequency, 11025);
	EXPECT_EQ(mixer.CallsOf("create").size(), 0u);
	EXPECT_EQ(mixer.CallsOf("stop").size(), 0u);
}

TEST_F(SoundBankTest, UnloopedPlayOnACopyAtTheItemsSettings)
{
	testing::LoadBank({PcmEntry("beep", 2205)});
	TWaveCollectionItem &beep = FindWave("beep");
	SetWaveVolume(beep, -300);
	SetWaveFrequency(beep, 44100);
	const size_t from = mixer.calls.size();
	PlayWave(beep, false);
	ASSERT_EQ(beep.copies.size(), 1u);
	const std::string copy = std::to_string(beep.copies[0]);
	EXPECT_EQ(mixer.Transcript(from),
	          (std::vector<std::string>{"duplicate 1 " + copy, "stop " + copy + " 0",
	                                    "position " + copy + " 0", "frequency " + copy + " 44100",
	                                    "volume " + copy + " -300", "play " + copy + " 0"}));
	EXPECT_EQ(platform.clock.now_ms, 0) << "without wait the call returns at once";
}

TEST_F(SoundBankTest, WaitingPollsEvery10MsUntilTheSoundEnds)
{
	testing::LoadBank({PcmEntry("beep", 2205)}); // 100 ms
	const int pumped = platform.pump.process_calls;
	PlayWave(FindWave("beep"), true);
	EXPECT_EQ(platform.clock.now_ms, 100);
	EXPECT_EQ(platform.pump.held_waits_ms, std::vector<int64_t>(10, 10));
	EXPECT_EQ(platform.pump.process_calls, pumped) << "no input is handled while waiting";

	// At double rate it is over in half the time.
	SetWaveFrequency(FindWave("beep"), 44100);
	platform.clock.now_ms = 0;
	PlayWave(FindWave("beep"), true);
	EXPECT_EQ(platform.clock.now_ms, 50);
}

TEST_F(SoundBankTest, MaxPlayingCountReusesTheCopiesInTurn)
{
	testing::LoadBank({PcmEntry("click1", 2205, 22050, false, 2)});
	TWaveCollectionItem &click = FindWave("click1");
	PlayWave(click, false);
	PlayWave(click, false);
	ASSERT_EQ(click.copies.size(), 2u);
	const MixerBufferId first = click.copies[0];
	const MixerBufferId second = click.copies[1];
	platform.clock.now_ms += 10;
	PlayWave(click, false);
	EXPECT_EQ(click.copies, (std::vector<MixerBufferId>{second, first})) << "the first moves to the end";
	EXPECT_EQ(mixer.CallsOf("duplicate").size(), 2u);
	EXPECT_EQ(Plays().back().buffer, first);
	EXPECT_EQ(mixer.buffers[first].started_ms, 10) << "it starts again from the beginning";

	// Once a copy is silent it is used before anything else.
	platform.clock.now_ms += 95;
	PlayWave(click, false);
	EXPECT_EQ(Plays().back().buffer, second);
	EXPECT_EQ(click.copies.size(), 2u);
}

TEST_F(SoundBankTest, NoLimitAddsACopyWhileAllSound)
{
	testing::LoadBank({PcmEntry("beep", 2205)});
	TWaveCollectionItem &beep = FindWave("beep");
	for (int i = 0; i < 4; ++i)
		PlayWave(beep, false);
	EXPECT_EQ(beep.copies.size(), 4u);
	platform.clock.now_ms += 200;
	PlayWave(beep, false);
	EXPECT_EQ(beep.copies.size(), 4u) << "a silent copy is reused";
	EXPECT_EQ(Plays().back().buffer, beep.copies[0]);
}

TEST_F(SoundBankTest, LoopedPlayUsesTheMasterAndIgnoresTheWait)
{
	testing::LoadBank({PcmEntry("snd11", 64, 28160, true)});
	TWaveCollectionItem &tone = FindWave("snd11");
	SetWaveFrequency(tone, 6400);
	const size_t from = mixer.calls.size();
	PlayWave(tone, true);
	EXPECT_EQ(mixer.Transcript(from), (std::vector<std::string>{"stop 1 0", "position 1 0", "loop 1 0"}));
	EXPECT_TRUE(tone.copies.empty());
	EXPECT_EQ(platform.clock.now_ms, 0);
	EXPECT_EQ(mixer.buffers[tone.master].frequency_hz, 6400);
	platform.clock.now_ms = 100000;
	EXPECT_TRUE(mixer.Sounding(tone.master));
	StopWave(tone);
	EXPECT_FALSE(mixer.Sounding(tone.master));
}

TEST_F(SoundBankTest, ChangingTheLoopStopsEveryBufferFirst)
{
	testing::LoadBank({PcmEntry("beep", 2205)});
	TWaveCollectionItem &beep = FindWave("beep");
	PlayWave(beep, false);
	PlayWave(beep, false);
	size_t from = mixer.calls.size();
	SetWaveLooped(beep, false);
	EXPECT_TRUE(mixer.Transcript(from).empty()) << "the same value changes nothing";
	SetWaveLooped(beep, true);
	EXPECT_TRUE(beep.Looped);
	EXPECT_EQ(mixer.Transcript(from),
	          (std::vector<std::string>{"stop 1 0", "stop " + std::to_string(beep.copies[0]) + " 0",
	                                    "stop " + std::to_string(beep.copies[1]) + " 0"}));
	EXPECT_FALSE(mixer.Sounding(beep.copies[0]));
}

TEST_F(SoundBankTest, RefusedValuesLeaveThePreviousSetting)
{
	testing::LoadBank({PcmEntry("snd18", 64, 28160, true)});
	TWaveCollectionItem &tone = FindWave("snd18");
	SetWaveFrequency(tone, 128000);
	SetWaveVolume(tone, -2000);
	SetWaveFrequency(tone, 256000); // above the mixer's range
	SetWaveVolume(tone, 100);       // above full level
	SetWaveVolume(tone, -10001);    // below silence
	EXPECT_EQ(tone.frequency, 256000) << "the item stores what it was given";
	EXPECT_EQ(mixer.buffers[tone.master].frequency_hz, 128000);
	EXPECT_EQ(mixer.buffers[tone.master].volume_cb, -2000);
	EXPECT_EQ(tone.lastError, MixerResult::kInvalidParameter);
	SetWaveFrequency(tone, 100);
	SetWaveVolume(tone, -10000);
	EXPECT_EQ(mixer.buffers[tone.master].frequency_hz, 100);
	EXPECT_EQ(mixer.buffers[tone.master].volume_cb, -10000);
}

TEST_F(SoundBankTest, ALostBufferRenewsTheMastersOnce)
{
	testing::LoadBank({PcmEntry("beep", 2205), PcmEntry("snd11", 64, 28160, true)});
	TWaveCollectionItem &beep = FindWave("beep");
	SetWaveVolume(FindWave("snd11"), -700);
	PlayWave(beep, false);
	const MixerBufferId copy = beep.copies[0];
	const MixerBufferId old_master = FindWave("snd11").master;
	mixer.lose_next_play = true;
	PlayWave(FindWave("snd11"), false);
	const MixerBufferId new_master = FindWave("snd11").master;
	EXPECT_NE(new_master, old_master);
	EXPECT_TRUE(mixer.buffers[old_master].released);
	EXPECT_EQ(mixer.buffers[new_master].volume_cb, -700)
	    << "the renewed master keeps the item's settings";
	EXPECT_EQ(mixer.buffers[new_master].samples_written, 128u);
	EXPECT_EQ(beep.copies, std::vector<MixerBufferId>{copy}) << "copies are left as they are";
	EXPECT_EQ(mixer.CallsOf("create").size(), 4u);
}

// The bank shipped with the shell.
class ShippedSoundBankTest : public SoundBankTest
{
protected:
	void SetUp() override
	{
		SoundBankTest::SetUp();
		LoadSoundBank(VELIRA_SHIPPED_DATA "/sounds.dat");
	}

	static std::vector<int16_t> Samples(const TWaveCollectionItem &item)
	{
		std::vector<int16_t> out;
		for (size_t i = 0; i + 1 < item.Wave.samples.size(); i += 2)
			out.push_back(
			    static_cast<int16_t>(item.Wave.samples[i] | (item.Wave.samples[i + 1] << 8)));
		return out;
	}

	static uint32_t Field(const TWaveCollectionItem &item, size_t offset, int size)
	{
		uint32_t value = 0;
		for (int i = size - 1; i >= 0; --i)
			value = (value << 8) | item.Wave.format.at(offset + static_cast<size_t>(i));
		return value;
	}
};

TEST_F(ShippedSoundBankTest, HoldsEveryWaveTheShellPlays)
{
	std::vector<std::string> names = {"beep", "ecapital", "eletter", "enumber", "esign"};
	for (int n = 0; n <= 16; ++n)
		names.push_back("click" + std::to_string(n));
	for (int channel = 1; channel <= 4; ++channel) {
		for (int instrument = 1; instrument <= 9; ++instrument)
			names.push_back("snd" + std::to_string(channel) + std::to_string(instrument));
	}
	for (const std::string &name : names) {
		SCOPED_TRACE(name);
		const TWaveCollectionItem &item = FindWave(name);
		ASSERT_GE(item.Wave.format.size(), 16u);
		EXPECT_EQ(Field(item, 0, 2), 1u) << "PCM";
		EXPECT_EQ(Field(item, 14, 2), 16u);
		EXPECT_FALSE(item.Wave.samples.empty());
		EXPECT_NE(item.master, 0u);
		const std::vector<int16_t> samples = Samples(item);
		int peak = 0;
		for (int16_t s : samples)
			peak = std::max(peak, std::abs(static_cast<int>(s)));
		EXPECT_GT(peak, 3000) << "audible";
		EXPECT_LT(peak, 32000) << "not clipped";
		if (!item.Looped) {
			// The sound starts and ends at rest: no click at either end.
			EXPECT_LT(std::abs(samples.front()), 600);
			EXPECT_LT(std::abs(samples.back()), 600);
		}
	}
}

TEST_F(ShippedSoundBankTest, ToneWavesLoopOnWholePeriodsOf64Samples)
{
	for (int instrument = 1; instrument <= 9; ++instrument) {
		std::set<std::vector<uint8_t>> timbres;
		for (int channel = 1; channel <= 4; ++channel) {
			// Named: GCC 14 takes a reference from a call with a temporary
			// argument for a possibly dangling one.
			const std::string name = "snd" + std::to_string(channel) + std::to_string(instrument);
			const TWaveCollectionItem &item = FindWave(name);
			SCOPED_TRACE(item.Name);
			EXPECT_TRUE(item.Looped);
			EXPECT_EQ(Field(item, 2, 2), 1u) << "mono";
			const std::vector<int16_t> samples = Samples(item);
			ASSERT_EQ(samples.size() % 64, 0u);
			// Periodic in 64 samples, and the step across the loop point is
			// no larger than the steps inside the period.
			int largest_step = 0;
			for (size_t i = 1; i < samples.size(); ++i)
				largest_step = std::max(largest_step, std::abs(samples[i] - samples[i - 1]));
			EXPECT_LE(std::abs(samples.front() - samples.back()), largest_step);
			for (size_t i = 64; i < samples.size(); ++i)
				ASSERT_EQ(samples[i], samples[i - 64]);
			timbres.insert(item.Wave.samples);
		}
		EXPECT_EQ(timbres.size(), 1u) << "one timbre per instrument";
	}
	// The instruments differ from one another.
	std::set<std::vector<uint8_t>> instruments;
	for (int instrument = 1; instrument <= 9; ++instrument)
		instruments.insert(FindWave("snd1" + std::to_string(instrument)).Wave.samples);
	EXPECT_EQ(instruments.size(), 9u);
	// The sine of instrument 1 crosses zero twice per period: one period
	// is one cycle, so 64 x f samples per second sound at f.
	const std::vector<int16_t> sine = Samples(FindWave("snd11"));
	int sign_changes = 0;
	for (size_t i = 1; i < 64; ++i)
		sign_changes += (sine[i - 1] < 0) != (sine[i] < 0) ? 1 : 0;
	EXPECT_EQ(sign_changes, 2 - (sine[0] == 0 ? 1 : 0));
}

TEST_F(ShippedSoundBankTest, DirectionSignalsDifferInSideAndPitch)
{
	struct Signal {
		double left_energy = 0, right_energy = 0;
		double crossings = 0;
	};
	const auto measure = [this](int n) {
		const std::string name = "click" + std::to_string(n);
		const TWaveCollectionItem &item = FindWave(name);
		EXPECT_EQ(Field(item, 2, 2), 2u) << "stereo";
		const std::vector<int16_t> samples = Samples(item);
		Signal signal;
		int crossings = 0;
		for (size_t i = 0; i + 1 < samples.size(); i += 2) {
			signal.left_energy += static_cast<double>(samples[i]) * samples[i];
			signal.right_energy += static_cast<double>(samples[i + 1]) * samples[i + 1];
			if (i >= 2) {
				const int mono = samples[i] + samples[i + 1];
				const int before = samples[i - 2] + samples[i - 1];
				crossings += (mono < 0) != (before < 0) ? 1 : 0;
			}
		}
		signal.crossings = crossings;
		return signal;
	};
	const Signal right = measure(1), left = measure(16), front = measure(15), back = measure(0);
	EXPECT_GT(right.right_energy, 4 * right.left_energy);
	EXPECT_GT(left.left_energy, 4 * left.right_energy);
	EXPECT_NEAR(front.left_energy / front.right_energy, 1.0, 0.01);
	EXPECT_NEAR(back.left_energy / back.right_energy, 1.0, 0.01);
	EXPECT_GT(front.crossings, right.crossings);
	EXPECT_GT(right.crossings, left.crossings);
	EXPECT_GT(left.crossings, back.crossings);
}

} // namespace
} // namespace velira
