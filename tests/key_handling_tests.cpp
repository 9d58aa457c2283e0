#include "fakes/fake_platform.h"
#include "fakes/shipped_sound.h"
#include "input/braille_tables.h"
#include "input/key_handling.h"
#include "input/keyboard_commands.h"
#include "platform/virtual_keys.h"
#include "runtime/velcommands.h"
#include "settings/localized_texts.h"
#include "settings/settings_file.h"
#include "settings/shared_settings.h"
#include "shell/memory_image.h"

#include <gtest/gtest.h>

namespace velira
{
namespace
{

std::string Code(int code)
{
	return std::string(1, static_cast<char>(code));
}

// Drives the handlers as the window does: the key-state table changes
// before the handler of the event runs.
class KeyHandlingTest : public ::testing::Test
{
protected:
	void SetUp() override
	{
		testing::WriteFile("czech.vbt", "[prefixes]\n#cap=46\n#num=3456\n"
		                                "[characters]\na=1\nb=12\nc=14\n"
		                                "[#cap]\nA=1\nB=12\n"
		                                "[#num]\n1=1\n2=12\n");
		brailleTableFileName = "czech.vbt";
		LoadBrailleTable();
	}

	void Down(int key, char typed = 0, ShiftState shift = {})
	{
		platform.keys.down.insert(key);
		FormKeyDown(key, shift);
		if (typed != 0)
			FormKeyPress(typed);
	}
	void Up(int key, ShiftState shift = {})
	{
		platform.keys.down.erase(key);
		FormKeyUp(key, shift);
	}

	testing::ScratchFolder folder;
	testing::FakePlatform platform;
	testing::ShippedSound sound{platform};
};

constexpr ShiftState kShift{true, false, false};
constexpr ShiftState kCtrl{false, false, true};

TEST_F(KeyHandlingTest, ClassicCharacterArrivesAtRelease)
{
	Down('A', 'a');
	EXPECT_EQ(keyBuffer, "");
	Up('A');
	EXPECT_EQ(keyBuffer, "a");
	EXPECT_EQ(pendingKey, "");
}

TEST_F(KeyHandlingTest, AModifierLetGoFirstLeavesTheKeyStillHeldItsCharacter)
{
	// Shift and 4 on a Czech layout, Shift let go first; AltGr (Alt to the
	// rules) and an at sign; Ctrl with a letter that is no shortcut.
	struct Case {
		int modifier;
		ShiftState held;
		int key;
		char typed;
	};
	const Case cases[] = {{vk::kShift, kShift, '4', '4'},
	                      {vk::kMenu, {false, true, false}, 'V', '@'},
	                      {vk::kControl, kCtrl, 'W', '\x17'}};
	for (const Case &c : cases) {
		SCOPED_TRACE(c.modifier);
		Down(c.modifier, 0, c.held);
		Down(c.key, c.typed, c.held);
		Up(c.modifier);
		EXPECT_EQ(keyBuffer, "");
		Up(c.key);
		EXPECT_EQ(keyBuffer, std::string(1, c.typed));
	}
	brailleKeyboard = true;
	Down(vk::kShift, 0, kShift);
	Down(vk::kF, 'F', kShift);
	Up(vk::kShift);
	Up(vk::kF);
	EXPECT_EQ(keyBuffer, "a") << "the chord outlives the Shift let go before it";
}

TEST_F(KeyHandlingTest, OverlappingKeysDeliverTheLaterPressThenNothing)
{
	Down('A', 'a');
	Down('B', 'b');
	Up('A');
	EXPECT_EQ(keyBuffer, "b");
	Up('B');
	EXPECT_EQ(keyBuffer, "");
}

TEST_F(KeyHandlingTest, ChordCommitsAtTheFirstRelease)
{
	brailleKeyboard = true;
	Down(vk::kF, 'f');
	Down(vk::kD, 'd');
	EXPECT_EQ(brailleChord, "12");
	Up(vk::kF);
	EXPECT_EQ(keyBuffer, "b");
	Up(vk::kD);
	EXPECT_EQ(keyBuffer, "") << "the other key translates the empty pattern";
}

TEST_F(KeyHandlingTest, AutoRepeatSamplesTheChordAgain)
{
	brailleKeyboard = true;
	Down(vk::kF, 'f');
	Down(vk::kD, 'd');
	for (int i = 0; i < 3; ++i) {
		FormKeyDown(vk::kD, {});
		FormKeyPress('d');
	}
	EXPECT_EQ(keyBuffer, "");
	Up(vk::kD);
	EXPECT_EQ(keyBuffer, "b");
}

TEST_F(KeyHandlingTest, DotKeysMakeTheirPatternInDotOrder)
{
	brailleKeyboard = true;
	platform.keys.down = {vk::kJ, vk::kF, vk::kD};
	ReadChord();
	EXPECT_EQ(brailleChord, "124");
	platform.keys.down = {vk::kL, vk::kK, vk::kJ, vk::kS, vk::kD, vk::kF, vk::kSpace};
	ReadChord();
	EXPECT_EQ(brailleChord, "123456");
}

TEST_F(KeyHandlingTest, PrefixChordDeliversNothingAndAppliesToTheNextChord)
{
	brailleKeyboard = true;
	Down(vk::kJ, 'j');
	Down(vk::kL, 'l');
	Up(vk::kJ);
	Up(vk::kL);
	EXPECT_EQ(keyBuffer, "");
	EXPECT_EQ(activePrefix, "#cap");
	Down(vk::kF, 'f');
	Up(vk::kF);
	EXPECT_EQ(keyBuffer, "A");
}

TEST_F(KeyHandlingTest, BrailleSpaceEndsThePrefixButNotWithADotKeyHeld)
{
	brailleKeyboard = true;
	activePrefix = "#num";
	Down(vk::kF, 'f');
	Down(vk::kSpace, ' ');
	EXPECT_EQ(brailleChord, "1") << "the space bar is ignored beside a dot key";
	Up(vk::kSpace);
	EXPECT_EQ(keyBuffer, "1");
	Up(vk::kF);
	Down(vk::kSpace, ' ');
	Up(vk::kSpace);
	EXPECT_EQ(keyBuffer, " ");
	EXPECT_EQ(activePrefix, "");
}

TEST_F(KeyHandlingTest, OtherCharacterKeyInBrailleModeEndsThePrefixAndTypesNothing)
{
	brailleKeyboard = true;
	activePrefix = "#num";
	keyBuffer = "x";
	Down(vk::kQ, 'q');
	EXPECT_EQ(activePrefix, "");
	Up(vk::kQ);
	EXPECT_EQ(keyBuffer, "");
}

TEST_F(KeyHandlingTest, CursorCodeCountsEveryCursorKeyHeld)
{
	Down(vk::kUp);
	EXPECT_EQ(keyBuffer, Code(0x81));
	Down(vk::kDown);
	EXPECT_EQ(keyBuffer, Code(0x83));
	Up(vk::kUp);
	Up(vk::kDown);
	EXPECT_EQ(keyBuffer, "") << "cursor keys deliver nothing at release";

	Down(vk::kLeft);
	Down(vk::kUp);
	EXPECT_EQ(keyBuffer, Code(0x85));
	FormKeyDown(vk::kUp, kShift);
	EXPECT_EQ(keyBuffer, Code(0x95));
	platform.keys.down.insert(vk::kSpace);
	FormKeyDown(vk::kUp, kShift);
	EXPECT_EQ(keyBuffer, Code(0xB5));
	platform.keys.down = {vk::kLeft, vk::kRight, vk::kUp, vk::kDown};
	FormKeyDown(vk::kRight, {});
	EXPECT_EQ(keyBuffer, Code(0x8F));
}

TEST_F(KeyHandlingTest, CursorKeyNotSeenHeldLeavesTheSlot)
{
	keyBuffer = "k";
	FormKeyDown(vk::kLeft, {});
	EXPECT_EQ(keyBuffer, "k");
}

TEST_F(KeyHandlingTest, CtrlArrowsReplaceTheCombination)
{
	Down(vk::kLeft, 0, {true, false, true});
	EXPECT_EQ(keyBuffer, Code(0x85));
	Up(vk::kLeft);
	platform.keys.down.insert(vk::kUp);
	Down(vk::kRight, 0, {true, false, true});
	EXPECT_EQ(keyBuffer, Code(0x89)) << "Up held and Shift do not count";
}

TEST_F(KeyHandlingTest, ControlCodesAtKeyDown)
{
	Down(vk::kBack, '\b');
	EXPECT_EQ(keyBuffer, Code(0x08));
	Up(vk::kBack);
	EXPECT_EQ(keyBuffer, Code(0x08)) << "keys below 32 keep their code at release";
	Down(vk::kBack, '\b', kShift);
	EXPECT_EQ(keyBuffer, Code(0x19));
	Down(vk::kReturn, '\r');
	Up(vk::kReturn);
	EXPECT_EQ(keyBuffer, Code(0x0D));
	Down(vk::kEscape, '\x1B');
	Up(vk::kEscape);
	EXPECT_EQ(keyBuffer, Code(0x1B));

	Down(vk::kF6);
	EXPECT_EQ(keyBuffer, Code(0x08));
	Up(vk::kF6);
	EXPECT_EQ(keyBuffer, "") << "F6 has no character: its release empties the slot";
	Down(vk::kF6, 0, kShift);
	EXPECT_EQ(keyBuffer, Code(0x19));
	Down(vk::kF8);
	EXPECT_EQ(keyBuffer, Code(0x0D));
	Up(vk::kF8);
	EXPECT_EQ(keyBuffer, "");
	Down(vk::kF7);
	EXPECT_EQ(keyBuffer, Code(0x07));

	for (int modifier : {vk::kShift, vk::kControl, vk::kMenu}) {
		keyBuffer = "z";
		Down(modifier);
		EXPECT_EQ(keyBuffer, "") << modifier;
		Up(modifier);
	}
}

TEST_F(KeyHandlingTest, KeyDownEndsTheSoundWait)
{
	soundWaiting = true;
	platform.timer.Start(500);
	Down('A', 'a');
	EXPECT_FALSE(soundWaiting);
	EXPECT_FALSE(platform.timer.IsActive());
}

TEST_F(KeyHandlingTest, AltF4WritesTheMemoryImageAndEndsTheProcess)
{
	LoadMemoryImage();
	Down(vk::kF4);
	Up(vk::kF4);
	ramImage[7] = 9;
	EXPECT_THROW(FormKeyDown(vk::kF4, {false, true, false}), testing::ProcessTerminated);
	const std::string saved = testing::ReadFile("ram.dat");
	ASSERT_EQ(saved.size(), 65536u);
	EXPECT_EQ(saved[7], 9);
}

// The check marks and status bar of a window, recorded.
class RecordingMenu final : public KeyboardMenu
{
public:
	bool BrailleChecked() const override { return braille; }
	void SetBrailleChecked(bool checked) override { braille = checked; }
	bool AutoChangeChecked() const override { return auto_change; }
	void SetAutoChangeChecked(bool checked) override { auto_change = checked; }
	std::string StatusText() const override { return status; }
	void SetStatusText(const std::string &text) override { status = text; }

	bool braille = false;
	bool auto_change = false;
	std::string status;
};

TEST_F(KeyHandlingTest, EchoCommandCyclesThroughTheThreeModes)
{
	languageBase = kEnglishBase;
	RecordingMenu menu;
	echoMode = 1;
	KeyboardEchoCommand(menu);
	EXPECT_EQ(echoMode, 2);
	EXPECT_EQ(menu.status, "Classic - Words");
	KeyboardEchoCommand(menu);
	EXPECT_EQ(echoMode, 0);
	EXPECT_EQ(menu.status, "Classic - Sounds");
	EXPECT_EQ(SettingsFile().ReadInteger("keyboard", "echo", -1), 0);

	echoMode = 7; // from a hand-edited settings file
	KeyboardEchoCommand(menu);
	EXPECT_EQ(echoMode, 0);
}

TEST_F(KeyHandlingTest, BrailleOnClearsAutoChangeAndSaves)
{
	languageBase = kEnglishBase;
	RecordingMenu menu;
	autoChange = true;
	menu.auto_change = true;
	echoMode = 1;
	const int64_t start_ms = platform.clock.now_ms;
	BrailleKeyboardCommand(menu);
	EXPECT_TRUE(brailleKeyboard);
	EXPECT_TRUE(menu.braille);
	EXPECT_FALSE(autoChange);
	EXPECT_FALSE(menu.auto_change);
	EXPECT_EQ(menu.status, "Braille - Chars");
	EXPECT_GE(platform.clock.now_ms - start_ms, 100) << "two tones of 50 ms";
	EXPECT_EQ(lastInstrument, 3);
	EXPECT_TRUE(SettingsFile().ReadBool("keyboard", "braillekeys", false));
	EXPECT_FALSE(SettingsFile().ReadBool("keyboard", "autochanging", true));

	deviceSounds = false;
	const int64_t off_ms = platform.clock.now_ms;
	BrailleKeyboardCommand(menu);
	EXPECT_FALSE(brailleKeyboard);
	EXPECT_FALSE(menu.braille);
	EXPECT_EQ(menu.status, "Classic - Chars");
	EXPECT_LT(platform.clock.now_ms - off_ms, 100) << "no tones with the device sounds off";
	EXPECT_FALSE(SettingsFile().ReadBool("keyboard", "braillekeys", true));
}

TEST_F(KeyHandlingTest, BrailleCommandFollowsTheSettingNotAnAlreadyFlippedMark)
{
	RecordingMenu menu;
	menu.braille = true; // a checkable menu item flips itself before its command
	BrailleKeyboardCommand(menu);
	EXPECT_TRUE(brailleKeyboard);
	EXPECT_TRUE(menu.braille);
}

} // namespace
} // namespace velira
