#include "fakes/fake_platform.h"
#include "fakes/shipped_sound.h"
#include "review/qt/tform6.h"
#include "review/screen_review.h"
#include "runtime/screen.h"
#include "runtime/velcommands.h"
#include "settings/localized_texts.h"
#include "shell/memory_image.h"

#include <QApplication>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

#include <gtest/gtest.h>

namespace velira
{
namespace
{

class ReviewWindowTest : public ::testing::Test
{
protected:
	void SetUp() override
	{
		ramImage.fill(0);
		screenBuffer().Clear();
		screenCursor = tscrcursor();
		PrintText("hra", kPrintNewLine);
		PrintText("second", kPrintNewLine);
		window.FormCreate();
		SetReviewWindow(&window);
	}
	void TearDown() override
	{
		SetReviewWindow(nullptr);
		ramImage.fill(0);
	}

	testing::FakePlatform platform;
	testing::ShippedSound sound{platform};
	TForm6 window;
};

TEST_F(ReviewWindowTest, GuardedReviewDoesNothingAndKeepsTheKey)
{
	PokeByte(kReviewGuardAddress, 1);
	keyBuffer = "a";
	const int64_t before_ms = platform.clock.now_ms;
	OpenScreenReview();
	EXPECT_EQ(keyBuffer, "a");
	EXPECT_FALSE(window.isVisible());
	EXPECT_EQ(platform.clock.now_ms, before_ms) << "no sound was played";
	keyBuffer.clear();
}

TEST_F(ReviewWindowTest, OpensOnAFrozenCopyAndPlaysTheChordOnEveryClose)
{
	keyBuffer = "x";
	QString shown_first_line;
	size_t caret_after_moves = 0;
	QTimer::singleShot(0, [&] {
		shown_first_line = window.virtualscrmemo->document()->firstBlock().text();
		PrintText("printed while open", kPrintNewLine); // the copy does not change
		QTest::keyClick(window.virtualscrmemo, Qt::Key_Down);
		QTest::keyClick(window.virtualscrmemo, Qt::Key_Right);
		QTest::keyClick(window.virtualscrmemo, Qt::Key_Right);
		caret_after_moves = window.CaretPosition();
		QTest::keyClick(window.virtualscrmemo, Qt::Key_Escape);
	});
	OpenScreenReview();
	EXPECT_TRUE(keyBuffer.empty()) << "the opening key does not reach the program";
	EXPECT_EQ(shown_first_line, QStringLiteral("hra") + QString(77, QLatin1Char(' ')));
	EXPECT_EQ(window.ReviewTextShown().substr(0, 3), "hra");
	EXPECT_EQ(window.ReviewTextShown().find("printed"), std::string::npos);
	EXPECT_EQ(caret_after_moves, 82u + 2u) << "line breaks count two characters";
	EXPECT_EQ(platform.timer.interval_ms(), 100) << "the closing chord";
	EXPECT_FALSE(window.isVisible());

	// The close box and the button close it the same way.
	QTimer::singleShot(0, [&] { window.close(); });
	OpenScreenReview();
	EXPECT_FALSE(window.isVisible());
	QTimer::singleShot(0, [&] { window.closebitbtn->click(); });
	OpenScreenReview();
	EXPECT_FALSE(window.isVisible());
}

} // namespace
} // namespace velira
