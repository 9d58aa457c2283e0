#include "fakes/fake_platform.h"
#include "platform/virtual_keys.h"
#include "review/screen_review.h"
#include "settings/localized_texts.h"

#include <gtest/gtest.h>

namespace velira
{
namespace
{

using Speech = ReviewAnnouncement::Speech;
using namespace vk;

class ScreenReviewTest : public ::testing::Test
{
protected:
	void SetUp() override
	{
		languageBase = kEnglishBase;
		ScreenBuffer::Lines lines;
		lines[0] = "first line";
		lines[1] = "SPEED, up";
		lines[2] = std::string(16, 'x') + "seventeen";
		lines[3] = std::string(80, ' ');
		text = ReviewText(lines);
	}
	ReviewAnnouncement Key(int vk, size_t p, bool ctrl = false)
	{
		return AnnounceReviewKey(vk, ctrl, text, p, "empty line");
	}
	// Caret position of line `line`, column `column` (both 0-based).
	size_t At(int line, int column)
	{
		size_t p = 0;
		for (int i = 0; i < line; ++i)
			p += ReviewLine(text, i).size() + 2;
		return p + static_cast<size_t>(column);
	}

	testing::FakePlatform platform;
	std::string text;
};

TEST_F(ScreenReviewTest, TextHasTwentyFourLinesEachEndedByABreak)
{
	EXPECT_EQ(ReviewLineCount(text), 24);
	EXPECT_EQ(text.size(), 10u + 9u + 25u + 80u + 24u * 2u);
	EXPECT_EQ(ReviewLineOf(text, text.size()), 24) << "the place after the last break";
	EXPECT_EQ(ReviewLine(text, 24), "");
}

TEST_F(ScreenReviewTest, PositionIsSpokenAsLineAndColumn)
{
	EXPECT_EQ(ReviewPositionText(text, 0), "line 1, column 1");
	EXPECT_EQ(ReviewPositionText(text, At(2, 16)), "line 3, column 17");
	languageBase = kCzechBase;
	EXPECT_EQ(ReviewPositionText(text, At(1, 0)), LocalizedText(kCzechBase, kTextLine) + " 2, " +
	                                                  LocalizedText(kCzechBase, kTextColumn) + " 1");
}

TEST_F(ScreenReviewTest, UpOntoTheFirstLineSpeaksItThenFurtherUpsClick)
{
	auto said = Key(kUp, At(0, 0));
	EXPECT_FALSE(said.click) << "the first arrival at an edge only arms the flag";
	EXPECT_EQ(said.speech, Speech::Text);
	EXPECT_EQ(said.text, "first line");
	said = Key(kUp, At(0, 0));
	EXPECT_TRUE(said.click);
	EXPECT_EQ(said.text, "first line") << "the line is said again";
	said = Key(kDown, At(1, 0));
	EXPECT_FALSE(said.click);
	EXPECT_FALSE(edgeAnnounced) << "leaving the edge clears the flag";
}

TEST_F(ScreenReviewTest, OneFlagServesBothDirections)
{
	Key(kUp, At(0, 0));
	const auto said = Key(kHome, 0);
	EXPECT_TRUE(said.click) << "Home right after Up onto the first line clicks at once";
	EXPECT_EQ(said.speech, Speech::Character);
	EXPECT_EQ(said.text, "f");
}

TEST_F(ScreenReviewTest, PastTheLastLineIsAnEmptyLineAndAnEdge)
{
	auto said = Key(kDown, At(23, 0));
	EXPECT_EQ(said.text, "empty line") << "a line never written has no characters";
	said = Key(kDown, text.size());
	EXPECT_FALSE(said.click);
	EXPECT_EQ(said.text, "empty line");
	said = Key(kDown, text.size());
	EXPECT_TRUE(said.click);
}

TEST_F(ScreenReviewTest, ALineOfBlanksIsSpokenUnchanged)
{
	EXPECT_EQ(Key(kDown, At(3, 0)).text, std::string(80, ' '));
}

TEST_F(ScreenReviewTest, CtrlArrowsSpeakTheWordAtTheCaret)
{
	auto said = Key(kRight, At(1, 0), true);
	EXPECT_EQ(said.speech, Speech::Text);
	EXPECT_EQ(said.text, "SPEED") << "without the comma";
	said = Key(kLeft, At(1, 6), true);
	EXPECT_EQ(said.speech, Speech::None) << "a caret on a blank gives no word";
	said = Key(kEnd, At(1, 3), true);
	EXPECT_EQ(said.speech, Speech::None) << "Ctrl with End speaks nothing";
}

TEST_F(ScreenReviewTest, CharacterReadingStopsAtTheEndOfTheText)
{
	auto said = Key(kRight, At(0, 1));
	EXPECT_EQ(said.speech, Speech::Character);
	EXPECT_EQ(said.text, "i");
	said = Key(kEnd, text.size());
	EXPECT_EQ(said.speech, Speech::None);
	EXPECT_FALSE(said.click);
	EXPECT_TRUE(Key(kRight, text.size()).click);
}

TEST_F(ScreenReviewTest, EmptyTextAnnouncesOnlyTheEdge)
{
	const auto said = AnnounceReviewKey(kRight, false, "", 0, "empty line");
	EXPECT_EQ(said.speech, Speech::None);
	EXPECT_FALSE(said.click);
	EXPECT_TRUE(edgeAnnounced);
}

} // namespace
} // namespace velira
