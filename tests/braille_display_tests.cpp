#include "fakes/fake_braille_display.h"
#include "fakes/fake_platform.h"
#include "fakes/fake_speech.h"
#include "input/braille_display.h"
#include "input/braille_tables.h"
#include "platform/cp1250.h"
#include "runtime/screen.h"
#include "settings/localized_texts.h"
#include "settings/settings_file.h"
#include "settings/shared_settings.h"
#include "speech/speech_output.h"

#include <gtest/gtest.h>

namespace velira
{
namespace
{

using Kind = BrailleKey::Kind;

class BrailleDisplayTest : public ::testing::Test
{
protected:
	void SetUp() override
	{
		testing::CopyShippedData(folder.path());
		brailleTableFileName = kBrailleTableFile;
		LoadBrailleTable();
		brailleOutput().SetFocused(true);
		brailleOutput().SetContent(&screen_line);
	}

	testing::ScratchFolder folder;
	testing::FakePlatform platform;
	testing::FakeBrailleDisplay display{40};
	ScreenLineContent screen_line;
	// The window shows each print as the main window does.
	Listeners::Subscription shown = services().screenChanged.Add([] { brailleOutput().Refresh(); });
};

TEST_F(BrailleDisplayTest, DotsComeFromTheShellsTableAndTheRestFromTheDisplays)
{
	EXPECT_EQ(DotsOfPattern("146"), 0x29);
	EXPECT_EQ(BrailleDotsOf('a'), 0x01);
	EXPECT_EQ(BrailleDotsOf(Cp1250FromUtf8("č")[0]), 0x29);
	EXPECT_EQ(BrailleDotsOf(Cp1250FromUtf8("ů")[0]), DotsOfPattern("23456"));
	EXPECT_EQ(BrailleDotsOf('A'), 0x01 | kDot7) << "the capital sign becomes dot 7 of the one cell";
	EXPECT_EQ(BrailleDotsOf(Cp1250FromUtf8("Ž")[0]), DotsOfPattern("2346") | kDot7);
	EXPECT_EQ(BrailleDotsOf(','), 0x02) << "the entry without a prefix wins over the number section";
	EXPECT_EQ(BrailleDotsOf('1'), kTextTableDots)
	    << "a digit needs the number sign: one cell cannot hold it";
	EXPECT_EQ(BrailleDotsOf('@'), kTextTableDots);
	EXPECT_EQ(BrailleDotsOf(' '), 0);
}

TEST_F(BrailleDisplayTest, MainWindowShowsThePrintLineAndKeepsAQuestionReadable)
{
	ASSERT_EQ(display.enters, 1);
	PrintText("Kolik?", kPrintNewLine);
	EXPECT_EQ(display.Text().substr(0, 7), "Kolik? ") << "the new line is empty: the question stays";
	EXPECT_EQ(display.cursor, -1);
	EXPECT_EQ(display.cells[0].dots, 0x05 | kDot7);
	EXPECT_EQ(display.cells[5].dots, DotsOfPattern("26"));
	ASSERT_EQ(display.cells.size(), 40u);

	PrintText("12", kPrintStay);
	EXPECT_EQ(display.Text().substr(0, 3), "12 ") << "the display follows the print";
	EXPECT_EQ(display.cursor, 2);
	EXPECT_EQ(display.cells[0].dots, kTextTableDots);

	const int writes = display.writes;
	brailleOutput().Refresh();
	EXPECT_EQ(display.writes, writes) << "an unchanged line is not sent again";
}

TEST_F(BrailleDisplayTest, PanningWalksALongLineAndTheWindowFollowsTheCursor)
{
	PrintText(std::string(30, 'a') + std::string(40, 'b'), kPrintStay);
	EXPECT_EQ(brailleOutput().WindowOffset(), 40) << "the cursor at column 70 is on the display";
	EXPECT_EQ(display.Text(), std::string(30, 'b') + std::string(10, ' '));
	EXPECT_EQ(display.cursor, 30);

	display.Press(Kind::PanRight);
	EXPECT_EQ(brailleOutput().WindowOffset(), 40) << "nothing beyond the text and the cursor";
	display.Press(Kind::PanLeft);
	EXPECT_EQ(brailleOutput().WindowOffset(), 0);
	EXPECT_EQ(display.Text(), std::string(30, 'a') + std::string(10, 'b'));
	EXPECT_EQ(display.cursor, -1);
	display.Press(Kind::PanLeft);
	EXPECT_EQ(brailleOutput().WindowOffset(), 0);
	display.Press(Kind::PanRight);
	EXPECT_EQ(brailleOutput().WindowOffset(), 40);

	// A narrower display after a reconnection still shows the cursor.
	display.Connect(20);
	EXPECT_EQ(display.cells.size(), 20u);
	EXPECT_EQ(display.cursor, 10);
	EXPECT_EQ(brailleOutput().WindowOffset(), 60);
}

TEST_F(BrailleDisplayTest, HeldOnlyWithFocusSettingAndServer)
{
	PrintText("ahoj", kPrintStay);
	brailleOutput().SetFocused(false);
	EXPECT_FALSE(display.tty);
	EXPECT_EQ(display.leaves, 1);
	const int writes = display.writes;
	PrintText(" svete", kPrintStay);
	display.Press(Kind::PanRight);
	EXPECT_EQ(display.writes, writes) << "another program has the display";

	brailleOutput().SetFocused(true);
	EXPECT_TRUE(display.tty);
	EXPECT_EQ(display.Text().substr(0, 11), "ahoj svete ")
	    << "the focus back shows the line as it is now";

	brailleOutput().SetEnabled(false);
	EXPECT_FALSE(display.tty);
	brailleOutput().SetEnabled(true);
	EXPECT_TRUE(display.tty);

	// The server goes: nothing is held; it comes back: the line is written
	// again, though it did not change.
	display.Connect(0);
	EXPECT_FALSE(brailleOutput().Holding());
	EXPECT_FALSE(display.tty);
	display.cells.clear();
	display.Connect(40);
	EXPECT_TRUE(display.tty);
	EXPECT_EQ(display.Text().substr(0, 10), "ahoj svete");
}

// A window of three lines with a caret, as the review window and the
// data-entry field are to the display.
class LinesContent final : public BrailleContent
{
public:
	std::string Text() const override { return lines[static_cast<size_t>(line)]; }
	// The caret keeps its column where the line is long enough.
	int Cursor() const override { return std::min<int>(caret, static_cast<int>(Text().size())); }
	void LineUp() override { line = std::max(0, line - 1); }
	void LineDown() override { line = std::min(2, line + 1); }
	void RouteTo(int index) override { caret = index; }

	std::vector<std::string> lines{"first", std::string(50, 'x') + "end", "third"};
	int line = 0;
	int caret = 0;
};

TEST_F(BrailleDisplayTest, LineAndRoutingKeysGoToTheWindow)
{
	LinesContent lines;
	brailleOutput().SetContent(&lines);
	EXPECT_EQ(display.Text().substr(0, 6), "first ");
	display.Press(Kind::LineDown);
	EXPECT_EQ(display.Text().substr(0, 3), "xxx");
	display.Press(Kind::PanRight);
	EXPECT_EQ(display.Text().substr(0, 13), "xxxxxxxxxxend");
	display.Press(Kind::Route, 11);
	EXPECT_EQ(lines.caret, 51) << "the routing key counts from the panned window";
	EXPECT_EQ(display.cursor, 11);
	display.Press(Kind::Route, 39);
	EXPECT_EQ(lines.caret, 53) << "past the text: the place after its end";
	display.Press(Kind::LineUp);
	EXPECT_EQ(display.Text().substr(0, 6), "first ");

	// A window whose line is empty, without a cursor, still replaces what
	// the display showed.
	struct Empty final : BrailleContent {
		std::string Text() const override { return {}; }
	} empty;
	brailleOutput().SetContent(&empty);
	EXPECT_EQ(display.Text(), std::string(40, ' '));
	brailleOutput().SetContent(&lines);

	brailleOutput().SetFocused(false);
	display.Press(Kind::LineDown);
	EXPECT_EQ(lines.line, 0) << "keys are the shell's only while it has the focus";
	brailleOutput().SetContent(&screen_line);
}

TEST_F(BrailleDisplayTest, SettingsMenuCommandSwitchesSavesAndSpeaks)
{
	EXPECT_TRUE(SettingsFile().ReadBool("braille", "display", true));
	testing::FakeSpeech speech{platform};
	useSapi5 = voiceReady = true;
	languageBase = kEnglishBase;

	EXPECT_FALSE(BrailleDisplayCommand());
	EXPECT_FALSE(display.tty);
	EXPECT_EQ(SettingsFile().ReadInteger("braille", "display", -1), 0);
	EXPECT_TRUE(BrailleDisplayCommand());
	EXPECT_TRUE(display.tty);
	EXPECT_EQ(SettingsFile().ReadInteger("braille", "display", -1), 1);
	ASSERT_EQ(speech.voice.calls.size(), 2u);
	EXPECT_EQ(speech.voice.calls[0].text, "Braille display off");
	EXPECT_EQ(speech.voice.calls[1].text, "Braille display on");

	testing::WriteFile(folder.path() + "/velira.ini", "[Braille]\nDisplay=0\n");
	LoadBrailleDisplaySetting();
	EXPECT_FALSE(brailleOutput().Enabled());
}

} // namespace
} // namespace velira
