// The data-entry dialog's key rules over a field held in memory.
#include "fakes/fake_platform.h"
#include "fakes/fake_speech.h"
#include "fakes/shipped_sound.h"
#include "input/braille_tables.h"
#include "input/data_entry.h"
#include "platform/cp1250.h"
#include "platform/error.h"
#include "platform/virtual_keys.h"
#include "runtime/velcommands.h"
#include "settings/shared_settings.h"
#include "shell/memory_image.h"
#include "sound/sound_bank.h"
#include "speech/speech_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

namespace velira
{
namespace
{

// A field with a caret, and what each key types under a made-up layout.
class MemoryField final : public DataEntryField
{
public:
	std::string Text() const override { return text; }
	size_t Caret() const override { return caret; }
	void Insert(const std::string &inserted, size_t new_caret) override
	{
		text.insert(caret, inserted);
		caret = new_caret;
	}
	std::string TypedText(int virtual_key) const override
	{
		const auto found = layout.find(virtual_key);
		return found == layout.end() ? std::string() : found->second;
	}
	void KeyboardEcho() override { ++echo_commands; }
	void ReadStatusBar() override { ++status_commands; }
	void OpenReview() override { ++reviews; }

	std::string text;
	size_t caret = 0;
	std::map<int, std::string> layout;
	int echo_commands = 0;
	int status_commands = 0;
	int reviews = 0;
};

std::string Cp(const char *utf8)
{
	return Cp1250FromUtf8(utf8);
}

class DataEntryTest : public ::testing::Test
{
protected:
	void SetUp() override
	{
		useSapi5 = true;
		voiceReady = true;
		// Each character is named by itself in angle brackets.
		services().echoNameLookup = [](uint8_t code) -> std::optional<std::string> {
			return "<" + std::string(1, static_cast<char>(code)) + ">";
		};
		services().capitalLetterTest = [](uint8_t code) { return IsUpperLetter(code, kCp1250Row); };
		DataEntryCreate();
	}

	// The texts spoken since the last call (purges left out), in UTF-8.
	std::vector<std::string> Spoken() { return speech.voice.SpokenSinceLastAsked(); }

	// The waves played since the last call, by name.
	std::vector<std::string> Played()
	{
		static const char *const kNames[] = {"ecapital", "eletter", "enumber", "esign",
		                                     "click1",   "click2",  "beep"};
		std::vector<std::string> names;
		const auto plays = sound.mixer.CallsOf("play");
		for (size_t i = played_from_; i < plays.size(); ++i) {
			std::string name = "?";
			for (const char *candidate : kNames) {
				const auto &copies = FindWave(candidate).copies;
				if (std::find(copies.begin(), copies.end(), plays[i].buffer) != copies.end())
					name = candidate;
			}
			names.push_back(name);
		}
		played_from_ = plays.size();
		return names;
	}

	void Down(int key, ShiftState shift = {}) { DataEntryKeyDown(field, key, shift); }
	void Up(int key, ShiftState shift = {}) { DataEntryKeyUp(field, key, shift); }

	// A braille chord: the dot keys held at the key press, then released.
	void Chord(std::initializer_list<int> keys, char typed)
	{
		for (int key : keys)
			platform.keys.down.insert(key);
		DataEntryKeyDown(field, *keys.begin(), {});
		EXPECT_TRUE(DataEntryKeyPress(field, typed)) << "a printable key never reaches the field";
		platform.keys.down.clear();
		for (int key : keys)
			DataEntryKeyUp(field, key, {});
	}

	testing::FakePlatform platform;
	testing::ShippedSound sound{platform};
	testing::FakeSpeech speech{platform};
	MemoryField field;

private:
	size_t played_from_ = 0;
};

TEST(DataEntryWords, WordBeforeTheCaretKeepsItsLeadingSpace)
{
	EXPECT_EQ(WordBeforeCaret("ab cd", 5), " cd");
	EXPECT_EQ(WordBeforeCaret("x", 1), "x");
	EXPECT_EQ(WordBeforeCaret("", 0), "");
	EXPECT_EQ(WordBeforeCaret("ab cd", 0), "");
	// The space just typed is the caret's last character: it does not start
	// the word.
	EXPECT_EQ(WordBeforeCaret("ab cd ", 6), " cd ");
	EXPECT_EQ(WordBeforeCaret("ab cd", 3), "ab ");
}

TEST(DataEntryWords, WordAtTheCaretEndsAtASeparatorAndWorksBeyond255)
{
	EXPECT_EQ(WordAtCaret("one two", 0), "one");
	EXPECT_EQ(WordAtCaret("a,b\rc", 2), "b");
	EXPECT_EQ(WordAtCaret("a,b", 1), "");
	EXPECT_EQ(WordAtCaret("ab", 2), "");
	// A long field: a byte-sized position would wrap to the start.
	const std::string long_text = std::string(300, 'x') + " word, rest";
	EXPECT_EQ(WordAtCaret(long_text, 301), "word");
	EXPECT_EQ(WordBeforeCaret(long_text, 305), " word");
}

TEST(DataEntryWords, CaronLettersAndEchoWaves)
{
	EXPECT_EQ(CaronOf("c"), Cp("č"));
	EXPECT_EQ(CaronOf("L"), Cp("Ľ"));
	EXPECT_EQ(CaronOf("zx"), Cp("ž")) << "only the first character";
	EXPECT_EQ(CaronOf("a"), "a");
	EXPECT_EQ(CaronOf(""), "");

	// The letter tests come before the digit row: the Czech 2 key types ě.
	EXPECT_EQ(EchoWaveName(Cp("ě"), '2'), "eletter");
	EXPECT_EQ(EchoWaveName(Cp("Š"), '3'), "ecapital");
	EXPECT_EQ(EchoWaveName("+", '1'), "enumber");
	EXPECT_EQ(EchoWaveName("1", vk::kNumpad0 + 1), "esign") << "only the digit row counts";
	EXPECT_EQ(EchoWaveName("-", vk::kOemMinus), "esign");
}

TEST_F(DataEntryTest, EchoSoundsByLetterClassAndDigitRow)
{
	echoMode = 0;
	field.layout = {{'2', Cp("ě")}, {'1', "+"}, {'A', "A"}, {vk::kOemMinus, "-"}, {'Q', ""}};
	Down('2');
	Down('1');
	Down('A');
	Down(vk::kOemMinus);
	Down('Q'); // types nothing: no sound
	Down(vk::kShift, {.shift = true});
	EXPECT_EQ(Played(), (std::vector<std::string>{"eletter", "enumber", "ecapital", "esign"}));
	EXPECT_TRUE(Spoken().empty());

	// The waves sound also with the device sounds off.
	deviceSounds = false;
	Down('2');
	EXPECT_EQ(Played(), std::vector<std::string>{"eletter"});
}

TEST_F(DataEntryTest, ShiftedDeadKeyComposesACaron)
{
	echoMode = 1;
	field.layout = {{'C', "c"}, {'L', "L"}, {'A', "a"}};
	Down(kDeadKey, {.shift = true});
	EXPECT_TRUE(Spoken().empty()) << "the dead key itself says nothing";
	Down(vk::kShift, {.shift = false}); // Shift alone keeps the caron pending
	Down('C');
	EXPECT_EQ(Spoken(), std::vector<std::string>{"<č>"});

	Down(kDeadKey, {.shift = true});
	Down(vk::kShift, {.shift = true});
	Down('L', {.shift = true});
	EXPECT_EQ(Spoken(), std::vector<std::string>{"<Ľ>"});

	// Unshifted, the dead key only cancels a pending caron.
	Down(kDeadKey, {.shift = true});
	Down(kDeadKey, {});
	Down('C');
	EXPECT_EQ(Spoken(), std::vector<std::string>{"<c>"});
	Down(kDeadKey, {});
	Down('A');
	EXPECT_EQ(Spoken(), std::vector<std::string>{"<a>"});

	// Key BF arms it too, in this mode, and never types.
	Down(kSilentKey, {.shift = true});
	Down('C');
	EXPECT_EQ(Spoken(), std::vector<std::string>{"<č>"});
}

TEST_F(DataEntryTest, EchoWordsSpeaksTheWordBeforeTheCaretAtTheSpaceBar)
{
	echoMode = 2;
	field.layout = {{vk::kSpace, " "}, {'X', "x"}};
	field.text = "ab cd";
	field.caret = 5;
	Down(vk::kSpace);
	Down('X'); // only the space bar speaks
	field.text = "x";
	field.caret = 1;
	Down(vk::kSpace);
	field.text.clear();
	field.caret = 0;
	Down(vk::kSpace);
	EXPECT_EQ(Spoken(), (std::vector<std::string>{" cd", "x"}));
	EXPECT_TRUE(Played().empty());
}

TEST_F(DataEntryTest, CommandKeysComeBeforeTheEcho)
{
	echoMode = 0;
	field.layout = {{vk::kF1, ""}};
	field.text = "ab";
	field.caret = 1;
	Down(vk::kF1);
	Down(vk::kF2);
	Down(vk::kUp);
	Down(vk::kDown);
	Down(vk::kDown, {.alt = true}); // Alt+Down: nothing but the echo
	EXPECT_EQ(field.echo_commands, 1);
	EXPECT_EQ(field.status_commands, 1);
	EXPECT_EQ(field.reviews, 2);

	Down(vk::kUp, {.alt = true});
	field.text.clear();
	field.caret = 0;
	Down(vk::kUp, {.alt = true});
	EXPECT_EQ(Spoken(), (std::vector<std::string>{"ab", "prázdný řádek"}));
}

TEST_F(DataEntryTest, BackspaceAndDeleteNameTheCharacterOrBeepAtTheEdge)
{
	field.text = "ab";
	field.caret = 1;
	Down(vk::kBack);
	Down(vk::kDelete);
	EXPECT_EQ(Spoken(), (std::vector<std::string>{"<a>", "<b>"}));
	EXPECT_EQ(Played(), (std::vector<std::string>{"click2", "click2"}));
	field.caret = 0;
	Down(vk::kBack);
	field.caret = 2;
	Down(vk::kDelete);
	EXPECT_TRUE(Spoken().empty());
	EXPECT_EQ(Played(), (std::vector<std::string>{"click2", "beep", "click2", "beep"}));
}

TEST_F(DataEntryTest, AltF4WritesTheMemoryImageAndEnds)
{
	testing::ScratchFolder folder;
	const auto previous = std::filesystem::current_path();
	std::filesystem::current_path(folder.path());
	LoadMemoryImage();
	PokeByte(100, 7);
	bool ended = false;
	try {
		Down(vk::kF4, {.alt = true});
	} catch (const testing::ProcessTerminated &end) {
		ended = end.exit_code == 0;
	}
	EXPECT_TRUE(ended);
	EXPECT_TRUE(std::filesystem::exists(folder.path() + "/ram.dat"));
	// A speech thread left running could keep the process from ending.
	EXPECT_EQ(speech.voice.closes, 1) << "speech was not shut down first";
	Down(vk::kF4); // without Alt nothing ends

	// An image that cannot be written is reported, and the shell goes on
	// rather than end with the memory lost.
	std::filesystem::remove(folder.path() + "/ram.dat");
	std::filesystem::create_directory(folder.path() + "/ram.dat");
	bool reported = false;
	try {
		SaveAndEndProcess();
	} catch (const ShellError &) {
		reported = true;
	} catch (const testing::ProcessTerminated &) {
		ADD_FAILURE() << "ended without its memory image";
	}
	EXPECT_TRUE(reported);
	std::filesystem::current_path(previous);
}

TEST_F(DataEntryTest, BrailleCapitalPrefixTypesOneCapital)
{
	brailleKeyboard = true;
	echoMode = 1;
	braillePrefixes[0] = {"#cap", "46"};
	prefixCount = 1;
	brailleCharacters[0] = {"", "a", "1"};
	brailleCharacters[1] = {"#cap", "A", "1"};
	characterCount = 2;

	Chord({vk::kJ, vk::kL}, 'j'); // dots 4 and 6
	EXPECT_EQ(field.text, "");
	EXPECT_EQ(savedPrefix, "#cap");
	EXPECT_TRUE(Spoken().empty());

	Chord({vk::kF}, 'f');
	EXPECT_EQ(Spoken(), std::vector<std::string>{"<A>"});
	EXPECT_EQ(field.text, "A");
	Chord({vk::kF}, 'f');
	EXPECT_EQ(Spoken(), std::vector<std::string>{"<a>"});
	EXPECT_EQ(field.text, "Aa");
	EXPECT_EQ(field.caret, 2u);

	// In the middle of the text the chord goes before the character right
	// of the caret.
	field.caret = 1;
	Chord({vk::kF}, 'f');
	EXPECT_EQ(field.text, "Aaa");
	EXPECT_EQ(field.caret, 2u);
}

TEST_F(DataEntryTest, BrailleNumberPrefixSurvivesQAndEndsWithTheSpace)
{
	brailleKeyboard = true;
	echoMode = 0;
	braillePrefixes[0] = {"#num", "3456"};
	prefixCount = 1;
	brailleCharacters[0] = {"", "a", "1"};
	brailleCharacters[1] = {"#num", "1", "1"};
	characterCount = 2;

	Chord({vk::kS, vk::kJ, vk::kK, vk::kL}, 's');
	Chord({vk::kQ}, 'q');
	EXPECT_EQ(field.text, "");
	EXPECT_EQ(savedPrefix, "#num");
	Chord({vk::kF}, 'f');
	EXPECT_EQ(field.text, "1");
	EXPECT_EQ(Played(), std::vector<std::string>{"click1"}) << "one click per typed chord";
	Chord({vk::kSpace}, ' ');
	EXPECT_EQ(savedPrefix, "");
	Chord({vk::kF}, 'f');
	EXPECT_EQ(field.text, "1 a");
}

TEST_F(DataEntryTest, RightAndEndSignalTheEdge)
{
	field.text = "ab";
	field.caret = 1;
	Up(vk::kRight);
	EXPECT_EQ(Spoken(), std::vector<std::string>{"<b>"});
	EXPECT_TRUE(Played().empty());
	field.caret = 2; // the press that reaches the end
	Up(vk::kRight);
	EXPECT_EQ(Played(), std::vector<std::string>{"click2"});
	Up(vk::kRight);
	Up(vk::kRight);
	EXPECT_EQ(Played(), (std::vector<std::string>{"click2", "beep", "click2", "beep"}));
	// A Right that leaves the caret before the end clears it.
	field.caret = 1;
	Up(vk::kRight);
	field.caret = 2;
	Up(vk::kRight);
	EXPECT_EQ(Played(), std::vector<std::string>{"click2"});

	Up(vk::kEnd);
	Up(vk::kEnd);
	EXPECT_EQ(Played(), (std::vector<std::string>{"click2", "beep", "click2", "beep"}));
}

TEST_F(DataEntryTest, LeftReadsAndBeepsOnlyAfterReachingTheStart)
{
	field.text = "one two";
	field.caret = 4;
	Up(vk::kLeft, {.ctrl = true});
	EXPECT_EQ(Spoken(), std::vector<std::string>{"two"});
	field.caret = 0; // reaches the start: silent about the edge
	Up(vk::kLeft);
	EXPECT_EQ(Spoken(), std::vector<std::string>{"<o>"});
	EXPECT_TRUE(Played().empty());
	Up(vk::kLeft); // stays at the start: the first letter again, and a beep
	EXPECT_EQ(Spoken(), std::vector<std::string>{"<o>"});
	EXPECT_EQ(Played(), std::vector<std::string>{"beep"});

	field.text.clear();
	inputEdgeAnnounced = false;
	Up(vk::kLeft);
	Up(vk::kLeft);
	EXPECT_EQ(Played(), (std::vector<std::string>{"beep", "beep"})) << "an empty field beeps every time";

	Up(vk::kHome);
	EXPECT_TRUE(Spoken().empty());
	field.text = "xy";
	Up(vk::kHome);
	EXPECT_EQ(Spoken(), std::vector<std::string>{"<x>"});
}

} // namespace
} // namespace velira
