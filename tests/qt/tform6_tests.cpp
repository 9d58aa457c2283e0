#include "fakes/fake_platform.h"
#include "fakes/fake_speech.h"
#include "fakes/shipped_sound.h"
#include "fakes/test_banks.h"
#include "platform/cp1250.h"
#include "platform/error.h"
#include "review/qt/tform6.h"
#include "review/screen_review.h"
#include "runtime/screen.h"
#include "runtime/velcommands.h"
#include "settings/localized_texts.h"
#include "settings/shared_settings.h"
#include "speech/speech_output.h"

#include <QApplication>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>

namespace velira
{
namespace
{

class ReviewWindowTest : public ::testing::Test
{
protected:
	void SetUp() override
	{
		PrintText("hra", kPrintNewLine);
		PrintText("second", kPrintNewLine);
		window.FormCreate();
	}

	testing::ScratchFolder folder;
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

// An error in a key handler of the review (here the bank lacks the click
// that marks a second try past an edge) is reported and goes no further:
// the review stays open, walks on and speaks, and closes as always.
TEST_F(ReviewWindowTest, AnErrorInAKeyHandlerIsReportedAndTheReviewGoesOn)
{
	testing::FakeSpeech speech{platform};
	useSapi5 = voiceReady = true;
	std::vector<SoundBankEntry> waves = testing::StatementWaves(5);
	waves.erase(std::remove_if(waves.begin(), waves.end(),
	                           [](const SoundBankEntry &wave) { return wave.name == "click16"; }),
	            waves.end());
	testing::LoadBank(waves);

	bool open_after_error = false;
	std::vector<std::string> spoken_after_error;
	QTimer::singleShot(0, [&] {
		QTest::keyClick(window.virtualscrmemo, Qt::Key_Up); // at the top: the edge is reached
		QTest::keyClick(window.virtualscrmemo, Qt::Key_Up); // past it: the click is missing
		ASSERT_EQ(platform.desktop.errors, std::vector<std::string>{"Wave 'click16' not found"});
		open_after_error = window.isVisible();
		const size_t spoken_before = speech.voice.calls.size();
		QTest::keyClick(window.virtualscrmemo, Qt::Key_Down);
		for (size_t i = spoken_before; i < speech.voice.calls.size(); ++i)
			if (!speech.voice.calls[i].text.empty())
				spoken_after_error.push_back(speech.voice.calls[i].text);
		QTest::keyClick(window.virtualscrmemo, Qt::Key_Escape);
	});
	OpenScreenReview();
	EXPECT_TRUE(open_after_error);
	EXPECT_EQ(spoken_after_error, std::vector<std::string>{"second" + std::string(74, ' ')})
	    << "the next key is announced as ever";
	EXPECT_FALSE(window.isVisible());
	EXPECT_EQ(platform.desktop.errors.size(), 1u);
	ASSERT_FALSE(speech.voice.calls.empty());
	EXPECT_EQ(speech.voice.calls.back().text,
	          Utf8FromCp1250(LocalizedText(languageBase, kTextEndOfScreen)))
	    << "the closing words follow as after every review";
}

// No review window to show is an error that says so, not a silent nothing.
TEST(ReviewWithoutWindowTest, OpeningIsAnErrorThatNamesTheWindow)
{
	testing::FakePlatform platform;
	try {
		OpenScreenReview();
		ADD_FAILURE() << "opened a review without a window";
	} catch (const ShellError &error) {
		EXPECT_EQ(std::string(error.what()), "The shell has no screen review window connected");
	}
}

} // namespace
} // namespace velira
