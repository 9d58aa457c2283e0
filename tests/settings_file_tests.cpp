#include "fakes/fake_platform.h"
#include "platform/cp1250.h"
#include "platform/error.h"
#include "settings/settings_file.h"
#include "settings/shared_settings.h"
#include "settings/view_settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <filesystem>
#include <optional>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace velira
{
namespace
{

// The "key=value" lines of a settings file, without sections and comments.
std::multiset<std::string> KeyLines(const std::string &text)
{
	std::multiset<std::string> lines;
	std::istringstream in(text);
	std::string line;
	while (std::getline(in, line))
		if (line.find('=') != std::string::npos && line[0] != ';')
			lines.insert(line);
	return lines;
}

std::vector<std::string> SectionLines(const std::string &text)
{
	std::vector<std::string> lines;
	std::istringstream in(text);
	std::string line;
	while (std::getline(in, line))
		if (!line.empty() && line[0] == '[')
			lines.push_back(line);
	return lines;
}

class SettingsFileTest : public ::testing::Test
{
protected:
	void SetUp() override { SetSettingsFilePath(path); }
	void Write(const std::string &text) { testing::WriteFile(path, text); }
	std::string Contents() const { return testing::ReadFile(path); }

	testing::ScratchFolder folder;
	std::string path = folder.path() + "/velira.ini";
	IniFile file{path};
};

TEST_F(SettingsFileTest, ViewSectionRoundTripsAndRejectsWhatCannotBeShown)
{
	EXPECT_EQ(LoadColourScheme(), ColourScheme::Desktop) << "no file";
	EXPECT_FALSE(LoadFontSize());
	EXPECT_FALSE(LoadWindowPlacement());

	for (const ColourScheme scheme :
	     {ColourScheme::WhiteOnBlack, ColourScheme::YellowOnBlack, ColourScheme::BlackOnWhite,
	      ColourScheme::BlackOnYellow, ColourScheme::Desktop}) {
		SaveColourScheme(scheme);
		EXPECT_EQ(LoadColourScheme(), scheme) << ColourSchemeKey(scheme);
	}
	SaveFontSize(26);
	SaveWindowPlacement({-8, 20, 1256, 787, true});
	EXPECT_EQ(LoadFontSize(), 26);
	const std::optional<WindowPlacement> kept = LoadWindowPlacement();
	ASSERT_TRUE(kept);
	EXPECT_EQ(kept->x, -8) << "a place left of the desktop (another monitor) is kept";
	EXPECT_EQ(kept->width, 1256);
	EXPECT_EQ(kept->height, 787);
	EXPECT_TRUE(kept->maximized);
	EXPECT_EQ(KeyLines(Contents()).count("scheme=desktop"), 1u);

	Write("[VIEW]\nScheme=YellowOnBlack\nfontsize=0\nleft=1\ntop=2\nwidth=0\nheight=300\n");
	EXPECT_EQ(LoadColourScheme(), ColourScheme::YellowOnBlack) << "names and values in any case";
	EXPECT_FALSE(LoadFontSize()) << "no font of 0 pixels";
	EXPECT_FALSE(LoadWindowPlacement()) << "no window 0 pixels wide";
	Write("[view]\nscheme=pink\nfontsize=big\n");
	EXPECT_EQ(LoadColourScheme(), ColourScheme::Desktop) << "an unknown scheme";
	EXPECT_FALSE(LoadFontSize());
}

// Every kind of key reads an odd value alike: the blanks around it and the
// case of a word do not matter; an empty value, an unknown word and a number
// that is none or out of the key's range read as nothing (the default).
TEST(SettingValues, OddValuesReadAlikeForEveryKind)
{
	struct Row {
		int value;
		const char *word;
	};
	constexpr std::array<Row, 2> kWords = {{{1, "always"}, {2, "never"}}};
	struct Case {
		std::string text;
		std::optional<int> word;
		std::optional<int> echo; // a number within 0..2
		std::optional<bool> on;
	};
	const std::vector<Case> cases = {
	    {"", {}, {}, {}},     {" \t ", {}, {}, {}},   {" never\t", 2, {}, {}},
	    {"NEVER", 2, {}, {}}, {"nev er", {}, {}, {}}, {"sometimes", {}, {}, {}},
	    {" 2 ", {}, 2, true}, {"0X2", {}, 2, true},   {"+1", {}, 1, true},
	    {"0", {}, 0, false},  {"3", {}, {}, true},    {"-1", {}, {}, true},
	    {"1.5", {}, {}, {}},  {"2 2", {}, {}, {}},    {"99999999999", {}, {}, {}},
	};
	for (const Case &odd : cases) {
		SCOPED_TRACE("\"" + odd.text + "\"");
		EXPECT_EQ(ParseSettingWord(odd.text, kWords), odd.word);
		EXPECT_EQ(ParseSettingNumber(odd.text, 0, 2), odd.echo);
		EXPECT_EQ(ParseSettingSwitch(odd.text), odd.on);
	}
	// The shell's enumerated keys read through it.
	EXPECT_EQ(ParseScreenReaderMode(" Always\t"), ScreenReaderMode::kAlways);
	EXPECT_EQ(ParseScreenReaderMode("al ways"), ScreenReaderMode::kAuto);
	EXPECT_EQ(ColourSchemeFromKey("yellowonblack "), ColourScheme::YellowOnBlack);
	EXPECT_EQ(ColourSchemeFromKey(""), ColourScheme::Desktop);
}

// A process killed while it keeps the window's place leaves one whole place,
// never the new left with the old width, and every other line of the file.
TEST_F(SettingsFileTest, AKillWhileThePlaceIsKeptLeavesOneWholePlace)
{
	Write("; kept by hand\n[voice]\nperson=Anna\n[view]\nscheme=yelloWonblack\n");
	const auto place = [](int i) { return WindowPlacement{i, -i, 1000 + i, 2000 + i, i % 2 == 1}; };
	int first = 1;
	for (int round = 0; round < 4; ++round) {
		int ready[2];
		ASSERT_EQ(::pipe(ready), 0);
		const pid_t child = ::fork();
		ASSERT_GE(child, 0);
		if (child == 0) {
			// Tells after each whole save, and goes on until killed.
			::close(ready[0]);
			try {
				for (int i = first;; ++i) {
					SaveWindowPlacement(place(i));
					if (::write(ready[1], "s", 1) != 1)
						::_exit(1);
				}
			} catch (...) {
				::_exit(2);
			}
		}
		::close(ready[1]);
		// Killed while it writes the save after the third it reported.
		char told[3];
		size_t got = 0;
		while (got < sizeof told) {
			const ssize_t n = ::read(ready[0], told + got, sizeof told - got);
			ASSERT_GT(n, 0) << "the writer ended";
			got += static_cast<size_t>(n);
		}
		::kill(child, SIGKILL);
		int status = 0;
		ASSERT_EQ(::waitpid(child, &status, 0), child);
		::close(ready[0]);

		const std::optional<WindowPlacement> kept = LoadWindowPlacement();
		ASSERT_TRUE(kept);
		EXPECT_EQ(*kept, place(kept->x)) << "round " << round << ": a mixture of two places";
		EXPECT_GE(kept->x, first + 2) << "the reported saves are kept";
		const std::string text = Contents();
		EXPECT_NE(text.find("; kept by hand"), std::string::npos);
		EXPECT_EQ(KeyLines(text).count("person=Anna"), 1u);
		EXPECT_EQ(LoadColourScheme(), ColourScheme::YellowOnBlack);
		first = kept->x + 10;
	}
}

TEST(ZoomedFontSize, StepsWithinTheSmallestAndTheLargest)
{
	EXPECT_EQ(ZoomedFontSize(20, 1, 40), 20 + kFontSizeStep);
	EXPECT_EQ(ZoomedFontSize(20, -1, 40), 20 - kFontSizeStep);
	EXPECT_EQ(ZoomedFontSize(39, 1, 40), 40) << "up to the desktop's size";
	EXPECT_EQ(ZoomedFontSize(kMinFontSize, -1, 40), kMinFontSize);
	EXPECT_EQ(ZoomedFontSize(30, 1, 4), kMinFontSize) << "a desktop too small for any";
}

TEST_F(SettingsFileTest, IntegersAreDecimalOrHexadecimalElseTheDefault)
{
	Write("[keyboard]\n"
	      "dec=42\nneg=-2550\nhex=0x7D0\nupper=0X7d0\nbare=0x\n"
	      "word=two\ntrailing=12abc\nempty=\nhuge=99999999999\nhugehex=0x100000000\n"
	      "spaced=  7  \nfull=0xFFFFFFFF\n");
	EXPECT_EQ(file.ReadInteger("keyboard", "dec", 1), 42);
	EXPECT_EQ(file.ReadInteger("keyboard", "neg", 1), -2550);
	EXPECT_EQ(file.ReadInteger("keyboard", "hex", 1), 2000);
	EXPECT_EQ(file.ReadInteger("keyboard", "upper", 1), 2000);
	EXPECT_EQ(file.ReadInteger("keyboard", "bare", 1), 1) << "\"0x\" alone is not hexadecimal";
	EXPECT_EQ(file.ReadInteger("keyboard", "word", 1), 1);
	EXPECT_EQ(file.ReadInteger("keyboard", "trailing", 1), 1);
	EXPECT_EQ(file.ReadInteger("keyboard", "empty", 1), 1);
	EXPECT_EQ(file.ReadInteger("keyboard", "huge", 1), 1) << "beyond 32 bits";
	EXPECT_EQ(file.ReadInteger("keyboard", "hugehex", 1), 1) << "beyond 32 bits";
	EXPECT_EQ(file.ReadInteger("keyboard", "spaced", 1), 7);
	EXPECT_EQ(file.ReadInteger("keyboard", "full", 1), -1) << "32 bits, as a signed integer";
	EXPECT_EQ(file.ReadInteger("keyboard", "absent", 5), 5);
	EXPECT_EQ(file.ReadInteger("nosection", "dec", 5), 5);
}

TEST_F(SettingsFileTest, BooleansAreIntegersAndAnyNonZeroIsTrue)
{
	Write("[sounds]\nzero=0\none=1\ntwo=2\nminus=-1\nhex=0x10\nword=yes\n");
	EXPECT_FALSE(file.ReadBool("sounds", "zero", true));
	EXPECT_TRUE(file.ReadBool("sounds", "one", false));
	EXPECT_TRUE(file.ReadBool("sounds", "two", false));
	EXPECT_TRUE(file.ReadBool("sounds", "minus", false));
	EXPECT_TRUE(file.ReadBool("sounds", "hex", false));
	EXPECT_FALSE(file.ReadBool("sounds", "word", false)) << "not a number: the default";
	EXPECT_TRUE(file.ReadBool("sounds", "word", true)) << "not a number: the default";
	EXPECT_TRUE(file.ReadBool("sounds", "absent", true));

	file.WriteBool("sounds", "written", true);
	file.WriteBool("sounds", "off", false);
	EXPECT_EQ(KeyLines(Contents()).count("written=1"), 1u);
	EXPECT_EQ(KeyLines(Contents()).count("off=0"), 1u);
}

TEST_F(SettingsFileTest, NamesCompareWithoutRegardToCase)
{
	Write("[Voice]\nSAPI5=1\nPerson=Anna\n");
	EXPECT_TRUE(file.ReadBool("voice", "sapi5", false));
	EXPECT_EQ(file.ReadString("VOICE", "person", ""), "Anna");

	// A write into "voice" goes into the existing [Voice], not a second one.
	file.WriteBool("voice", "voiceallowed", true);
	file.WriteInteger("voice", "sapi5", 0);
	EXPECT_EQ(SectionLines(Contents()), std::vector<std::string>{"[Voice]"});
	EXPECT_EQ(KeyLines(Contents()),
	          (std::multiset<std::string>{"SAPI5=0", "Person=Anna", "voiceallowed=1"}));
}

TEST_F(SettingsFileTest, StringsAreReadUpTo2047Characters)
{
	Write("[Voice]\nperson=" + std::string(3000, 'x') + "\nshort=" + std::string(2047, 'y') + "\n");
	EXPECT_EQ(file.ReadString("Voice", "person", ""), std::string(2047, 'x'));
	EXPECT_EQ(file.ReadString("Voice", "short", ""), std::string(2047, 'y'));
	EXPECT_EQ(file.ReadString("Voice", "absent", "default"), "default");
}

TEST_F(SettingsFileTest, WritesKeepWhatTheShellDoesNotKnow)
{
	Write("; written by hand\n"
	      "[custom]\n"
	      "colour=blue\n"
	      "\n"
	      "; the speech settings\n"
	      "[Voice]\n"
	      "; chosen in the voice dialog\n"
	      "person=Anna\n"
	      "pitch=0x40\n");
	file.WriteInteger("keyboard", "echo", 2);
	file.WriteInteger("Voice", "pitch", 70);

	const std::string text = Contents();
	EXPECT_NE(text.find("; written by hand"), std::string::npos);
	EXPECT_NE(text.find("; the speech settings"), std::string::npos);
	EXPECT_NE(text.find("; chosen in the voice dialog"), std::string::npos);
	EXPECT_EQ(SectionLines(text), (std::vector<std::string>{"[custom]", "[Voice]", "[keyboard]"}))
	    << "the order of the sections stays, a new one goes at the end";
	EXPECT_EQ(KeyLines(text),
	          (std::multiset<std::string>{"colour=blue", "person=Anna", "pitch=70", "echo=2"}));
}

TEST_F(SettingsFileTest, RepeatedWritesLeaveTheFileAsItWas)
{
	file.WriteInteger("keyboard", "echo", 2);
	file.WriteInteger("sounds", "sndvolume", -2600);
	const std::string first = Contents();
	for (int i = 0; i < 5; ++i) {
		file.WriteInteger("keyboard", "echo", 2);
		file.WriteInteger("sounds", "sndvolume", -2600);
	}
	EXPECT_EQ(Contents(), first) << "no blank lines or duplicates pile up";
	EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));

	// A write that changes nothing leaves the file alone; one that changes
	// a value replaces it.
	const auto inode = [&] {
		struct stat status {
		};
		EXPECT_EQ(::stat(path.c_str(), &status), 0);
		return status.st_ino;
	};
	const ino_t kept = inode();
	file.WriteValues({{"keyboard", "echo", "2"}, {"sounds", "sndvolume", "-2600"}});
	EXPECT_EQ(inode(), kept);
	file.WriteValues({{"keyboard", "echo", "2"}, {"sounds", "sndvolume", "-2500"}});
	EXPECT_NE(inode(), kept);
	EXPECT_EQ(file.ReadInteger("sounds", "sndvolume", 0), -2500);
}

TEST_F(SettingsFileTest, AValueWithLineBreaksStaysOneValue)
{
	Write("[keyboard]\necho=1\n");
	file.WriteString("Voice", "person", "Anna\n[keyboard]\necho=2\r\nbraillekeys=1");
	EXPECT_EQ(file.ReadInteger("keyboard", "echo", 0), 1) << "the value must not add keys";
	EXPECT_EQ(file.ReadInteger("keyboard", "braillekeys", 0), 0);
	EXPECT_EQ(SectionLines(Contents()), (std::vector<std::string>{"[keyboard]", "[Voice]"}));
	EXPECT_EQ(file.ReadString("Voice", "person", "").substr(0, 4), "Anna");
}

TEST_F(SettingsFileTest, AFailedWriteRaisesUnableToWrite)
{
	// A folder that does not exist.
	IniFile missing_folder(folder.path() + "/nowhere/velira.ini");
	try {
		missing_folder.WriteInteger("keyboard", "echo", 1);
		FAIL() << "the write reported success";
	} catch (const ShellError &error) {
		EXPECT_EQ(std::string(error.what()),
		          "Unable to write to " + folder.path() + "/nowhere/velira.ini");
	}

	// A folder in place of the file.
	std::filesystem::create_directory(path);
	EXPECT_FALSE(file.Exists());
	EXPECT_THROW(file.WriteInteger("keyboard", "echo", 1), ShellError);
	EXPECT_EQ(file.ReadInteger("keyboard", "echo", 9), 9);

	// The path is the system's (UTF-8); the message shows it as it is, in
	// the shell's code page, not as if its bytes were code page 1250.
	const std::string czech = folder.path() + "/jiří/Plocha/velira.ini";
	std::filesystem::create_directory(folder.path() + "/jiří");
	try {
		IniFile(czech).WriteInteger("keyboard", "echo", 1);
		FAIL() << "the write reported success";
	} catch (const ShellError &error) {
		EXPECT_EQ(Utf8FromCp1250(error.what()), "Unable to write to " + czech);
	}
}

TEST_F(SettingsFileTest, WritesGoThroughLinksAndKeepThePermissions)
{
	// The user keeps the file elsewhere and links to it.
	std::filesystem::create_directory("elsewhere");
	testing::WriteFile("elsewhere/real.ini", "[keyboard]\necho=2\n");
	::chmod("elsewhere/real.ini", 0640);
	std::filesystem::create_symlink("elsewhere/real.ini", path);
	file.WriteInteger("keyboard", "echo", 1);
	EXPECT_TRUE(std::filesystem::is_symlink(path)) << "the link was replaced by a file";
	EXPECT_EQ(testing::ReadFile("elsewhere/real.ini"), "[keyboard]\necho=1\n");
	struct stat status {
	};
	ASSERT_EQ(::stat("elsewhere/real.ini", &status), 0);
	EXPECT_EQ(status.st_mode & 07777, 0640u);
	EXPECT_FALSE(std::filesystem::exists("elsewhere/real.ini.tmp"));
	EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));

	// A link to a file not made yet: it is made where the link points.
	std::filesystem::remove(path);
	std::filesystem::create_symlink(folder.path() + "/elsewhere/new.ini", path);
	file.WriteInteger("keyboard", "echo", 2);
	EXPECT_TRUE(std::filesystem::is_symlink(path));
	EXPECT_EQ(testing::ReadFile("elsewhere/new.ini"), "[keyboard]\necho=2\n");
}

TEST_F(SettingsFileTest, AWritableFileInAFolderThatIsNotIsWrittenInPlace)
{
	Write("[keyboard]\necho=2\n");
	struct stat before {
	};
	ASSERT_EQ(::stat(path.c_str(), &before), 0);
	int status = 0;
	if (::geteuid() != 0) {
		::chmod(folder.path().c_str(), 0555);
		try {
			file.WriteInteger("keyboard", "echo", 1);
		} catch (const ShellError &) {
			status = 1;
		}
		::chmod(folder.path().c_str(), 0755);
	} else {
		// No permission stops the superuser: the write runs in a child that
		// has given its rights up for those of a user who owns the file but
		// not the folder.
		constexpr uid_t kNobody = 65534;
		::chmod(folder.path().c_str(), 0755);
		ASSERT_EQ(::chown(path.c_str(), kNobody, kNobody), 0);
		const pid_t child = ::fork();
		ASSERT_GE(child, 0);
		if (child == 0) {
			if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
				::_exit(2);
			try {
				file.WriteInteger("keyboard", "echo", 1);
			} catch (...) {
				::_exit(1);
			}
			::_exit(0);
		}
		ASSERT_EQ(::waitpid(child, &status, 0), child);
		status = WIFEXITED(status) ? WEXITSTATUS(status) : 3;
	}
	EXPECT_EQ(status, 0) << "the write failed";
	EXPECT_EQ(Contents(), "[keyboard]\necho=1\n");
	struct stat after {
	};
	ASSERT_EQ(::stat(path.c_str(), &after), 0);
	EXPECT_EQ(after.st_ino, before.st_ino) << "written in place, not replaced";
}

TEST_F(SettingsFileTest, AReadOnlyFileIsNotReplaced)
{
	// The write goes through a rename, which would replace a file the user
	// made read-only behind their back.
	if (::geteuid() == 0)
		GTEST_SKIP() << "the superuser may write read-only files";
	Write("[keyboard]\necho=2\n");
	std::filesystem::permissions(path, std::filesystem::perms::owner_read);
	EXPECT_THROW(file.WriteInteger("keyboard", "echo", 1), ShellError);
	std::filesystem::permissions(path, std::filesystem::perms::owner_all);
	EXPECT_EQ(Contents(), "[keyboard]\necho=2\n");
}

// The main window's check marks and status bar, as LoadSettings sets them.
class RecordingMenu final : public SettingsMenu
{
public:
	void SetUseSapi5Checked(bool checked) override { Record("sapi5", checked); }
	void SetBrailleKeyboardChecked(bool checked) override { Record("braille", checked); }
	void SetAutoChangeChecked(bool checked) override { Record("autochange", checked); }
	void RefreshStatusBar() override
	{
		calls.push_back("statusbar");
		// Refreshed before the file is written back.
		file_complete_at_refresh =
		    testing::ReadFile(SettingsFilePath()).find("velirasounds") != std::string::npos;
	}

	std::vector<std::string> calls;
	bool file_complete_at_refresh = false;

private:
	void Record(const char *what, bool checked)
	{
		calls.push_back(std::string(what) + (checked ? "=1" : "=0"));
	}
};

class LoadSettingsTest : public SettingsFileTest
{
protected:
	testing::FakePlatform platform;
	RecordingMenu menu;
};

TEST_F(LoadSettingsTest, FirstStartCreatesTheFileFromTheStartingValues)
{
	for (const bool engines : {false, true}) {
		SCOPED_TRACE(engines ? "speech engines" : "no speech engines");
		std::filesystem::remove(path);
		voiceAllowed = !engines;
		LoadSettings(menu, engines);

		EXPECT_EQ(voiceAllowed, engines) << "the voice is allowed when there is one to speak with";
		const std::string text = Contents();
		EXPECT_EQ(SectionLines(text),
		          (std::vector<std::string>{"[voice]", "[sounds]", "[keyboard]"}));
		EXPECT_EQ(KeyLines(text), (std::multiset<std::string>{
		                              engines ? "voiceallowed=1" : "voiceallowed=0", "velirasounds=1",
		                              "sndvolume=0", "braillekeys=0", "echo=0", "autochanging=0"}))
		    << "echo is stored as 0, the value before the file is read, not its default";
		EXPECT_TRUE(menu.calls.empty()) << "no check mark changes and no status bar refresh";
		EXPECT_EQ(echoMode, 0);
		EXPECT_TRUE(deviceSounds);
	}
}

TEST_F(LoadSettingsTest, AbsentKeysTakeTheirDefaultsAndAreWrittenBack)
{
	Write("[environment]\nlanguage=2000\n");
	LoadSettings(menu, true);

	EXPECT_TRUE(voiceAllowed);
	EXPECT_TRUE(deviceSounds);
	EXPECT_EQ(soundVolume, 0);
	EXPECT_FALSE(brailleKeyboard);
	EXPECT_EQ(echoMode, 1);
	EXPECT_FALSE(autoChange);
	EXPECT_EQ(menu.calls,
	          (std::vector<std::string>{"sapi5=0", "braille=0", "autochange=0", "statusbar"}));
	EXPECT_FALSE(menu.file_complete_at_refresh);
	EXPECT_EQ(KeyLines(Contents()),
	          (std::multiset<std::string>{"language=2000", "voiceallowed=1", "velirasounds=1",
	                                      "sndvolume=0", "braillekeys=0", "echo=1", "autochanging=0"}));
}

TEST_F(LoadSettingsTest, AnEmptyFileIsNotAMissingOne)
{
	Write("");
	LoadSettings(menu, false);
	EXPECT_TRUE(voiceAllowed) << "the default, whatever the speech engines";
	EXPECT_EQ(echoMode, 1);
	EXPECT_EQ(menu.calls.back(), "statusbar");
}

TEST_F(LoadSettingsTest, StoredValuesReachTheSettingsAndTheMenu)
{
	Write("[voice]\nvoiceallowed=0\n[sounds]\nvelirasounds=0\nsndvolume=-2550\n"
	      "[keyboard]\nbraillekeys=1\necho=0x2\nautochanging=1\n");
	LoadSettings(menu, true);
	EXPECT_FALSE(voiceAllowed);
	EXPECT_FALSE(deviceSounds);
	EXPECT_EQ(soundVolume, -2550);
	EXPECT_TRUE(brailleKeyboard);
	EXPECT_EQ(echoMode, 2);
	EXPECT_TRUE(autoChange);
	EXPECT_EQ(menu.calls,
	          (std::vector<std::string>{"sapi5=0", "braille=1", "autochange=1", "statusbar"}));
	EXPECT_EQ(KeyLines(Contents()).count("echo=2"), 1u) << "written back in decimal";
}

TEST_F(LoadSettingsTest, Sapi5IsReadInEitherSpellingOfTheSection)
{
	for (const char *text : {"[Voice]\nsapi5=1\n", "[voice]\nvoiceallowed=1\nSAPI5=1\n"}) {
		SCOPED_TRACE(text);
		Write(text);
		menu.calls.clear();
		LoadSettings(menu, true);
		ASSERT_FALSE(menu.calls.empty());
		EXPECT_EQ(menu.calls.front(), "sapi5=1");
		EXPECT_TRUE(voiceAllowed);
		EXPECT_EQ(SectionLines(Contents()).size(), 3u) << "[Voice] and [voice] are one section";
	}
}

// Beside a screen reader: [voice] screenreader, and the desktop voice
// chosen on a first start beside a running one, once its presence is known:
// at once, or when the watch's answer comes, and only once.
TEST_F(LoadSettingsTest, TheScreenReaderSettingAndAFirstStartBesideOne)
{
	using P = ScreenReaderPresence;
	testing::FakeScreenReaderWatch watch;
	services().screenReader = &watch;
	struct Case {
		P at_start;
		std::vector<P> answers; // as they come, each followed by a decision
		bool chosen;
	};
	for (const Case &c : std::vector<Case>{{P::kPresent, {}, true},
	                                       {P::kAbsent, {P::kPresent}, false},
	                                       {P::kUnknown, {P::kUnknown, P::kPresent, P::kAbsent}, true},
	                                       {P::kUnknown, {P::kAbsent, P::kPresent}, false},
	                                       {P::kUnknown, {}, false}}) {
		SCOPED_TRACE(::testing::Message() << "at start " << static_cast<int>(c.at_start) << ", "
		                                  << c.answers.size() << " answers");
		std::filesystem::remove(path);
		menu.calls.clear();
		watch.presence = c.at_start;
		LoadSettings(menu, true);
		EXPECT_EQ(firstStartVoicePending, c.at_start == P::kUnknown);
		int chosen = c.at_start == P::kPresent ? 1 : 0;
		for (const P answer : c.answers) {
			watch.Answer(answer);
			chosen += DecideFirstStartVoice(menu) ? 1 : 0;
		}
		EXPECT_EQ(chosen, c.chosen ? 1 : 0) << "chosen once at most";
		EXPECT_EQ(menu.calls,
		          c.chosen ? std::vector<std::string>{"sapi5=1"} : std::vector<std::string>{});
		EXPECT_EQ(KeyLines(Contents()).count("sapi5=1"), c.chosen ? 1u : 0u)
		    << "the desktop voice is kept for the next start";
	}
	EXPECT_EQ(KeyLines(Contents()).count("screenreader=auto"), 0u) << "the default is not written";
	watch.presence = P::kPresent;

	for (const auto &[stored, mode] :
	     std::vector<std::pair<std::string, ScreenReaderMode>>{{"never", ScreenReaderMode::kNever},
	                                                           {"Always", ScreenReaderMode::kAlways},
	                                                           {"auto", ScreenReaderMode::kAuto},
	                                                           {"sometimes", ScreenReaderMode::kAuto}}) {
		SCOPED_TRACE(stored);
		Write("[voice]\nscreenreader=" + stored + "\n");
		menu.calls.clear();
		LoadSettings(menu, true);
		EXPECT_EQ(screenReaderMode, mode);
		EXPECT_EQ(menu.calls.front(), "sapi5=0") << "only a first start chooses the desktop voice";
	}

	screenReaderMode = ScreenReaderMode::kNever;
	SaveScreenReaderSetting();
	EXPECT_EQ(KeyLines(Contents()).count("screenreader=never"), 1u);
}

TEST_F(LoadSettingsTest, AScreenReaderIsPresentAsTheSettingAndTheWatchSay)
{
	testing::FakeScreenReaderWatch watch;
	for (const bool connected : {false, true}) {
		services().screenReader = connected ? &watch : nullptr;
		for (const bool running : {false, true}) {
			SCOPED_TRACE(std::string(connected ? "watched, " : "not watched, ") +
			             (running ? "running" : "not running"));
			watch.presence =
			    running ? ScreenReaderPresence::kPresent : ScreenReaderPresence::kAbsent;
			screenReaderMode = ScreenReaderMode::kAuto;
			EXPECT_EQ(ServesScreenReader(), connected && running);
			watch.presence = ScreenReaderPresence::kUnknown;
			EXPECT_EQ(ScreenReaderPresenceNow(),
			          connected ? ScreenReaderPresence::kUnknown : ScreenReaderPresence::kAbsent);
			EXPECT_FALSE(ServesScreenReader()) << "not known to run is not running";
			screenReaderMode = ScreenReaderMode::kAlways;
			EXPECT_TRUE(ServesScreenReader());
			screenReaderMode = ScreenReaderMode::kNever;
			EXPECT_FALSE(ServesScreenReader());
		}
	}
	ResetSharedSettings();
	EXPECT_EQ(screenReaderMode, ScreenReaderMode::kAuto);
}

TEST_F(LoadSettingsTest, AnUnreadableOrOutOfRangeNumberIsTheDefault)
{
	Write("[keyboard]\necho=two\n");
	LoadSettings(menu, true);
	EXPECT_EQ(echoMode, 1);
	EXPECT_EQ(KeyLines(Contents()).count("echo=1"), 1u);
	// An echo with no name in the status bar, a volume louder than full or
	// below silence.
	for (const std::string stored :
	     {"echo=3\n[sounds]\nsndvolume=500", "echo=-1\n[sounds]\nsndvolume=-10001"}) {
		SCOPED_TRACE(stored);
		Write("[keyboard]\n" + stored + "\n");
		LoadSettings(menu, true);
		EXPECT_EQ(echoMode, 1);
		EXPECT_EQ(soundVolume, 0);
	}
	Write("[keyboard]\necho=2\n[sounds]\nsndvolume=-10000\n");
	LoadSettings(menu, true);
	EXPECT_EQ(echoMode, 2) << "the ends of the range";
	EXPECT_EQ(soundVolume, -10000);
}

TEST_F(LoadSettingsTest, AnUnwritableFileRaisesUnableToWrite)
{
	const std::string unreachable = folder.path() + "/nowhere/velira.ini";
	SetSettingsFilePath(unreachable);
	try {
		LoadSettings(menu, true);
		FAIL() << "the failed write reported success";
	} catch (const ShellError &error) {
		EXPECT_EQ(std::string(error.what()), "Unable to write to " + unreachable);
	}
}

TEST_F(LoadSettingsTest, SaveSettingsLeavesLanguageAndVoiceKeysAlone)
{
	Write("[environment]\nlanguage=3000\n[Voice]\nsapi5=1\nperson=Anna\nspeed=0x80\n");
	voiceAllowed = true;
	deviceSounds = false;
	soundVolume = -10000;
	brailleKeyboard = true;
	echoMode = 2;
	autoChange = true;
	SaveSettings();
	EXPECT_EQ(KeyLines(Contents()),
	          (std::multiset<std::string>{"language=3000", "sapi5=1", "person=Anna", "speed=0x80",
	                                      "voiceallowed=1", "velirasounds=0", "sndvolume=-10000",
	                                      "braillekeys=1", "echo=2", "autochanging=1"}));
}

} // namespace
} // namespace velira
