#include "fakes/fake_platform.h"
#include "runtime/screen.h"
#include "runtime/velcommands.h"

#include <gtest/gtest.h>

namespace velira
{
namespace
{

class ScreenTest : public ::testing::Test
{
protected:
	void At(int column, int row)
	{
		screenCursor.setcolumn(static_cast<uint8_t>(column));
		screenCursor.setrow(static_cast<uint8_t>(row));
	}

	testing::FakePlatform platform;
};

TEST_F(ScreenTest, StayModeAppendsOnTheRowAndPadsTo80)
{
	for (int i = 0; i < 3; ++i)
		PrintText("abc", kPrintStay);
	EXPECT_EQ(screenBuffer().line(0), "abcabcabc" + std::string(71, ' '));
	EXPECT_EQ(screenCursor.getcolumn(), 9);
	EXPECT_EQ(screenCursor.getrow(), 0);
	EXPECT_TRUE(screenBuffer().line(1).empty()) << "an untouched line stays empty";
}

TEST_F(ScreenTest, LongTextWrapsAtColumn80WithoutKeepingWords)
{
	At(10, 0);
	std::string text;
	for (int i = 0; i < 200; ++i)
		text += static_cast<char>('a' + i % 26);
	PrintText(text, kPrintNewLine);
	EXPECT_EQ(screenBuffer().line(0).substr(10), text.substr(0, 70));
	EXPECT_EQ(screenBuffer().line(1), text.substr(70, 80));
	EXPECT_EQ(screenBuffer().line(2).substr(0, 50), text.substr(150));
	for (int row = 0; row < 3; ++row)
		EXPECT_EQ(screenBuffer().line(row).size(), 80u) << "row " << row;
	EXPECT_EQ(screenCursor.getcolumn(), 0);
	EXPECT_EQ(screenCursor.getrow(), 3);
}

TEST_F(ScreenTest, TextEndingAtColumn80LeavesTheCursorThereUntilTheNextText)
{
	PrintText(std::string(80, 'x'), kPrintStay);
	EXPECT_EQ(screenCursor.getcolumn(), 80);
	EXPECT_EQ(screenCursor.getrow(), 0);
	PrintText("y", kPrintStay);
	EXPECT_EQ(screenBuffer().line(1).substr(0, 1), "y");
	EXPECT_EQ(screenCursor.getcolumn(), 1);
	EXPECT_EQ(screenCursor.getrow(), 1);
}

TEST_F(ScreenTest, NewLineAtTheBottomScrollsOneLine)
{
	PrintText("first", kPrintNewLine);
	At(0, 23);
	PrintText("bottom", kPrintNewLine);
	EXPECT_EQ(screenBuffer().lines().size(), 24u);
	EXPECT_EQ(screenBuffer().line(0), "") << "the old row 0 scrolled away";
	EXPECT_EQ(screenBuffer().line(22).substr(0, 6), "bottom");
	EXPECT_EQ(screenBuffer().line(23), "");
	EXPECT_EQ(screenCursor.getcolumn(), 0);
	EXPECT_EQ(screenCursor.getrow(), 23);
}

TEST_F(ScreenTest, EmptyTextWithModeZeroIsALineFeed)
{
	PrintText("", kPrintNewLine);
	EXPECT_EQ(screenCursor.getrow(), 1);
	EXPECT_EQ(screenBuffer().line(0), std::string(80, ' ')) << "filling up still happens";
}

TEST_F(ScreenTest, TabZonesOfModeTwo)
{
	struct Case {
		int end_column;
		int expected_column;
		int expected_row;
	};
	for (const Case c : {Case{3, 8, 0}, Case{8, 8, 0}, Case{9, 10, 0}, Case{16, 16, 0}, Case{17, 18, 0},
	                     Case{20, 24, 0}, Case{72, 72, 0}, Case{73, 0, 1}, Case{79, 0, 1}}) {
		screenBuffer().Clear();
		At(0, 0);
		PrintText(std::string(static_cast<size_t>(c.end_column), 'z'), kPrintNextZone);
		EXPECT_EQ(screenCursor.getcolumn(), c.expected_column) << "text ending at " << c.end_column;
		EXPECT_EQ(screenCursor.getrow(), c.expected_row) << "text ending at " << c.end_column;
	}
}

TEST_F(ScreenTest, LeadingPunctuationPausesAndIsNotSpoken)
{
	std::vector<int64_t> &pauses = platform.pump.held_waits_ms;
	keyBuffer.clear();
	// A key typed during the pause, and a repaint of what was just printed.
	platform.pump.PostAt(100, [] { keyBuffer.assign(1, 'x'); });
	int64_t repainted_at_ms = -1;
	platform.pump.PostOutputAt(100, [&] { repainted_at_ms = platform.clock.now_ms; });
	PrintText("  ?.a", kPrintNewLine);
	EXPECT_EQ(screenBuffer().line(0).substr(0, 5), "  ?.a") << "shown unchanged";
	EXPECT_EQ(pauses, (std::vector<int64_t>{300, 300}));
	EXPECT_EQ(platform.clock.now_ms, 600);
	EXPECT_EQ(repainted_at_ms, 100) << "the screen is painted during the pause";
	EXPECT_EQ(keyBuffer, "") << "the key waits for the next poll";

	pauses.clear();
	PrintText(".", kPrintNewLine);
	EXPECT_EQ(pauses, (std::vector<int64_t>{300}));

	pauses.clear();
	PrintText(", word", kPrintNewLine);
	EXPECT_EQ(pauses, (std::vector<int64_t>{300})) << "stops at the uncovered blank";

	pauses.clear();
	PrintText("a. b", kPrintNewLine);
	EXPECT_TRUE(pauses.empty()) << "only leading marks pause";
}

TEST_F(ScreenTest, PrintNumberHasNoBlanksAroundIt)
{
	PrintNumber(kPrintStay, 5);
	EXPECT_EQ(screenBuffer().line(0).substr(0, 2), "5 ");
	EXPECT_EQ(screenCursor.getcolumn(), 1);
}

TEST(FormatNumber, GeneralFormatWithFifteenDigits)
{
	EXPECT_EQ(FormatNumber(0, ','), "0");
	EXPECT_EQ(FormatNumber(5, ','), "5");
	EXPECT_EQ(FormatNumber(-0.5, ','), "-0,5");
	EXPECT_EQ(FormatNumber(0.5, '.'), "0.5");
	EXPECT_EQ(FormatNumber(100, ','), "100");
	EXPECT_EQ(FormatNumber(1.25, ','), "1,25");
	EXPECT_EQ(FormatNumber(0.0001, ','), "0,0001");
	EXPECT_EQ(FormatNumber(0.00005, ','), "5E-5");
	EXPECT_EQ(FormatNumber(1e20, ','), "1E20");
	EXPECT_EQ(FormatNumber(123456789012345.0, ','), "123456789012345");
	EXPECT_EQ(FormatNumber(1234567890123456.0, ','), "1,23456789012346E15");
	EXPECT_EQ(FormatNumber(1.0 / 3.0, '.'), "0.333333333333333");
	EXPECT_EQ(FormatNumber(999999999999999.9, '.'), "1E15") << "rounding carries into the exponent";
	EXPECT_EQ(FormatNumber(-2.5e-7, '.'), "-2.5E-7");
}

TEST(FormatNumber, FollowsTheLocaleDecimalSeparator)
{
	struct Case {
		const char *locale;
		const char *separator;
	};
	const Case cases[] = {{"C", "."}, {"cs_CZ.UTF-8", ","}, {"sk_SK.UTF-8", ","}};
	for (const Case &c : cases) {
		SCOPED_TRACE(c.locale);
		testing::NumericLocale locale(c.locale);
		ASSERT_TRUE(locale.Installed()) << locale.Missing();
		const std::string separator = c.separator;
		// Whole numbers, as the game's report prints them, take no separator.
		EXPECT_EQ(FormatNumber(20), "20");
		EXPECT_EQ(FormatNumber(100), "100");
		EXPECT_EQ(FormatNumber(5), "5");
		EXPECT_EQ(FormatNumber(1.5), "1" + separator + "5");
		EXPECT_EQ(FormatNumber(-0.25), "-0" + separator + "25");
		EXPECT_EQ(FormatNumber(1234567890123456.0), "1" + separator + "23456789012346E15");
		EXPECT_EQ(FormatNumber(-2.5e-7), "-2" + separator + "5E-7");
		EXPECT_EQ(FormatNumber(999999999999999.9), "1E15");
	}
}

TEST_F(ScreenTest, ResetRuntimeKeepsTheRowAndResetsToneDefaults)
{
	At(17, 5);
	lastInstrument = 6;
	lastDuration = 1800;
	ResetRuntime();
	EXPECT_EQ(screenCursor.getcolumn(), 0);
	EXPECT_EQ(screenCursor.getrow(), 5);
	EXPECT_EQ(lastInstrument, 1);
	EXPECT_EQ(lastDuration, 1);
}

} // namespace
} // namespace velira
