// Every file the shell reads, in the shapes a damaged or hostile folder gives
// it: empty, a directory in its place, unreadable, 100 MB long, binary
// garbage. Each gives its error or its documented behaviour, and what the
// shell already held or had written stays.
#include "fakes/fake_platform.h"
#include "input/braille_tables.h"
#include "platform/error.h"
#include "platform/whole_file.h"
#include "runtime/velcommands.h"
#include "settings/settings_file.h"
#include "shell/memory_image.h"
#include "sound/sound_bank.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>
#include <unistd.h>

namespace velira
{
namespace
{

constexpr uintmax_t k100Mb = 100ull * 1024 * 1024;

std::string ErrorOf(const std::function<void()> &call)
{
	try {
		call();
	} catch (const std::exception &error) {
		return error.what();
	}
	return {};
}

// Bytes of every value, NULs and line ends among them, the same each run.
std::string Garbage(size_t size)
{
	std::mt19937 generator(20261207);
	std::string bytes(size, '\0');
	for (char &byte : bytes)
		byte = static_cast<char>(generator() & 0xFF);
	return bytes;
}

// The text files are read whole and scanned byte by byte on every read, so
// they get a tenth of the size to keep the sanitizer run short.
constexpr uintmax_t k10Mb = k100Mb / 10;

// A sparse file of NULs: no disk used, made in no time.
void MakeHugeFile(const std::string &name, uintmax_t size = k100Mb)
{
	testing::WriteFile(name, "");
	std::filesystem::resize_file(name, size);
}

class HostileFilesTest : public ::testing::Test
{
protected:
	void SetUp() override
	{
		brailleTableFileName = kBrailleTableFile;
		keyboardFileName = "czech.vky";
	}

	testing::ScratchFolder folder;
	testing::FakePlatform platform;
};

TEST_F(HostileFilesTest, MemoryImageLongGarbageAndDirectory)
{
	// A 100 MB image gives its first 65536 bytes and is left as it is.
	MakeHugeFile("ram.dat");
	ramImage.fill(9);
	LoadMemoryImage();
	EXPECT_EQ(PeekByte(0), 0);
	EXPECT_EQ(PeekByte(65535), 0);
	EXPECT_EQ(std::filesystem::file_size("ram.dat"), k100Mb);

	// Garbage is memory like any other: loaded byte for byte, saved back whole.
	const std::string garbage = Garbage(kMemorySize);
	testing::WriteFile("ram.dat", garbage);
	LoadMemoryImage();
	SaveMemoryImage();
	EXPECT_EQ(testing::ReadFile("ram.dat"), garbage);

	// A directory in its place after the image was read: the save fails
	// loudly. One there at start-up cannot be read, so nothing is written in
	// its place. Either way the directory with what it holds stays.
	std::filesystem::remove("ram.dat");
	std::filesystem::create_directory("ram.dat");
	testing::WriteFile("ram.dat/kept", "kept");
	EXPECT_NE(ErrorOf([] { SaveMemoryImage(); }), "");
	EXPECT_NE(ErrorOf([] { LoadMemoryImage(); }), "");
	EXPECT_EQ(ErrorOf([] { SaveMemoryImage(); }), "");
	EXPECT_EQ(testing::ReadFile("ram.dat/kept"), "kept");
}

TEST_F(HostileFilesTest, DataFileEmptyGarbageAndDirectory)
{
	testing::WriteFile("data.dta", "");
	OpenDataFile();
	EXPECT_EQ(ReadDataItem(), "") << "an empty file has only empty items";
	EXPECT_EQ(ReadDataItem(), "");
	CloseDataFile();

	const std::string garbage = Garbage(4096);
	testing::WriteFile("data.dta", garbage);
	OpenDataFile();
	size_t total = 0;
	for (int i = 0; i < 4100; ++i)
		total += ReadDataItem().size();
	EXPECT_LE(total, garbage.size()) << "no item holds bytes the file does not have";
	CloseDataFile();

	std::filesystem::remove("data.dta");
	std::filesystem::create_directory("data.dta");
	EXPECT_EQ(ErrorOf([] { OpenDataFile(); }), "Cannot open file \"data.dta\". Is a directory");
}

TEST_F(HostileFilesTest, BrailleTableEmptyGarbageLongAndDirectory)
{
	testing::WriteFile(kBrailleTableFile, "");
	EXPECT_EQ(ErrorOf([] { LoadBrailleTable(); }), "");
	EXPECT_EQ(characterCount, 0);

	testing::WriteFile(kBrailleTableFile, "[characters]\na=1\n" + Garbage(8192));
	EXPECT_EQ(ErrorOf([] { LoadBrailleTable(); }), "");
	EXPECT_LE(characterCount, kMaxCharacterCount);
	EXPECT_EQ(TranslateChord("1"), "a") << "the good line before the garbage still types";

	MakeHugeFile(kBrailleTableFile, k10Mb);
	EXPECT_EQ(ErrorOf([] { LoadBrailleTable(); }), "");
	EXPECT_EQ(characterCount, 0) << "a file of NULs has no entries";

	std::filesystem::remove(kBrailleTableFile);
	std::filesystem::create_directory(kBrailleTableFile);
	EXPECT_EQ(ErrorOf([] { LoadBrailleTable(); }), "Is a directory");
}

TEST_F(HostileFilesTest, KeyboardFileEmptyGarbageAndDirectory)
{
	testing::WriteFile("czech.vky", "");
	EXPECT_EQ(ErrorOf([] { LoadKeyboardFile(); }), "");
	EXPECT_EQ(FindEchoKey(65), kNoEchoKey);

	// Garbage stops at its first line that is no number; what came before
	// stays.
	testing::WriteFile("czech.vky", "65=a\n" + Garbage(4096));
	const std::string error = ErrorOf([] { LoadKeyboardFile(); });
	EXPECT_NE(error.find("is not a valid integer value"), std::string::npos) << error;
	ASSERT_NE(FindEchoKey(65), kNoEchoKey);
	EXPECT_EQ(echoKeys[static_cast<size_t>(FindEchoKey(65))].name, "a");

	std::filesystem::remove("czech.vky");
	std::filesystem::create_directory("czech.vky");
	EXPECT_EQ(ErrorOf([] { LoadKeyboardFile(); }), "Is a directory");
}

TEST_F(HostileFilesTest, SettingsFileGarbageLongAndDirectory)
{
	// Garbage reads as the defaults, and a write keeps it readable.
	IniFile garbage("garbage.ini");
	testing::WriteFile("garbage.ini", Garbage(4096));
	EXPECT_EQ(garbage.ReadInteger("sounds", "sndvolume", -7), -7);
	garbage.WriteInteger("sounds", "sndvolume", 3);
	EXPECT_EQ(garbage.ReadInteger("sounds", "sndvolume", -7), 3);

	IniFile huge("huge.ini");
	MakeHugeFile("huge.ini", k10Mb);
	EXPECT_EQ(huge.ReadInteger("keyboard", "echo", 5), 5);

	// A directory in its place: the defaults, a write that says it failed,
	// and the directory with what it holds left alone.
	std::filesystem::create_directory("folder.ini");
	testing::WriteFile("folder.ini/kept", "kept");
	IniFile folder_file("folder.ini");
	EXPECT_TRUE(folder_file.ReadBool("voice", "voiceallowed", true));
	EXPECT_EQ(ErrorOf([&] { folder_file.WriteBool("voice", "voiceallowed", false); }),
	          "Unable to write to folder.ini");
	EXPECT_EQ(testing::ReadFile("folder.ini/kept"), "kept");
}

// Reads that fail after the file opened: a folder, and this process's
// memory file, whose first page is never mapped. The settings file and
// the search for Orca's processes take them as unread.
TEST_F(HostileFilesTest, WholeFileReadsThatFailAfterOpening)
{
	const std::string text("one\0two", 7);
	testing::WriteFile("whole.txt", text);
	EXPECT_EQ(ReadWholeFile("whole.txt"), text);
	std::filesystem::create_directory("folder");
	EXPECT_EQ(ReadWholeFile("folder"), std::nullopt);
	EXPECT_EQ(ReadWholeFile("/proc/self/mem"), std::nullopt);
	EXPECT_EQ(ReadWholeFile("missing"), std::nullopt);
}

TEST_F(HostileFilesTest, SoundBankHundredMegabytesOfNuls)
{
	MakeHugeFile("sounds.dat");
	EXPECT_NE(ErrorOf([] { LoadSoundBank("sounds.dat"); }), "") << "NULs are no bank";
}

TEST_F(HostileFilesTest, UnreadableFilesGiveTheirErrors)
{
	if (geteuid() == 0)
		GTEST_SKIP() << "permissions do not bind the superuser";
	for (const char *name : {"ram.dat", "data.dta", "sounds.dat", kBrailleTableFile, "czech.vky"}) {
		testing::WriteFile(name, "x");
		std::filesystem::permissions(name, std::filesystem::perms::none);
	}
	EXPECT_NE(ErrorOf([] { LoadMemoryImage(); }).find("Permission denied"), std::string::npos);
	EXPECT_NE(ErrorOf([] { OpenDataFile(); }).find("Permission denied"), std::string::npos);
	EXPECT_NE(ErrorOf([] { LoadSoundBank("sounds.dat"); }).find("Permission denied"), std::string::npos);
	EXPECT_EQ(ErrorOf([] { LoadBrailleTable(); }), "Permission denied");
	EXPECT_EQ(ErrorOf([] { LoadKeyboardFile(); }), "Permission denied");
}

} // namespace
} // namespace velira
