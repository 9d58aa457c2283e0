// The data-entry dialog and the screen review, reached from the main window,
// and the braille display that follows them.
#include "fakes/fake_braille_display.h"
#include "fakes/fake_mixer.h"
#include "fakes/fake_platform.h"
#include "fakes/fake_speech.h"
#include "input/braille_display.h"
#include "input/braille_tables.h"
#include "input/data_entry.h"
#include "input/key_handling.h"
#include "input/qt/braille_focus.h"
#include "input/qt/tform2.h"
#include "platform/cp1250.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/qt_text.h"
#include "review/qt/tform6.h"
#include "review/screen_review.h"
#include "runtime/velcommands.h"
#include "settings/localized_texts.h"
#include "settings/settings_file.h"
#include "settings/shared_settings.h"
#include "shell/qt/tform1.h"
#include "shell/shutdown.h"
#include "speech/speech_output.h"

#include <QApplication>
#include <QCheckBox>
#include <QMenu>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace velira
{
namespace
{

class DataEntryWindowTest : public ::testing::Test
{
protected:
	void SetUp() override
	{
		SetSettingsFilePath(folder.path() + "/velira.ini");
		testing::CopyShippedData(folder.path());
		mixer.Install();
		services().keys = &keys;
		platform.timer.SetHandler([] { TimerTimer(); });
		keyBuffer.clear();
		brailleChord.clear();

		form = std::make_unique<TForm1>();
		form->FormCreate();
		form2 = std::make_unique<TForm2>(form.get());
		form2->FormCreate();
		form->SetForm2(form2.get());
		review = std::make_unique<TForm6>(form.get());
		review->FormCreate();
		SetReviewWindow(review.get());
		form->show();
		QApplication::setActiveWindow(form.get());
		EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
	}
	void TearDown() override
	{
		SetReviewWindow(nullptr);
		review.reset();
		form2.reset();
		form.reset();
		ResetSharedSettings();
		ClearInputTables();
		keyBuffer.clear();
		savedPrefix.clear();
		useSapi5 = false;
		voiceReady = false;
		ReleaseSoundObjects();
	}

	// Runs `script` inside the modal loop of `dialog` once it is open.
	static void WhenOpen(QDialog *dialog, std::function<void()> script)
	{
		QTimer::singleShot(0, dialog, [dialog, script] {
			if (!dialog->isVisible()) {
				ADD_FAILURE() << "the dialog did not open";
				return;
			}
			QApplication::setActiveWindow(dialog);
			script();
			if (dialog->isVisible()) {
				ADD_FAILURE() << "the keys did not close the dialog";
				dialog->reject();
			}
		});
	}

	static void Type(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
	{
		QWidget *target = QApplication::focusWidget();
		ASSERT_NE(target, nullptr) << "nothing has the keyboard focus";
		QTest::keyClick(target, key, modifiers);
	}

	testing::ScratchFolder folder;
	testing::FakePlatform platform;
	testing::FakeMixer mixer{platform.clock};
	testing::FakeSpeech speech{platform};
	QtKeyState keys;
	std::unique_ptr<TForm1> form;
	std::unique_ptr<TForm2> form2;
	std::unique_ptr<TForm6> review;
};

TEST_F(DataEntryWindowTest, BothWindowsOpenFromTheMainWindowByTheirShortcuts)
{
	EXPECT_EQ(form->dataentryitem->text(), FromCp1250(LocalizedText(languageBase, 23) + "..."));
	EXPECT_EQ(form2->windowTitle(), FromCp1250(LocalizedText(languageBase, 23)));

	bool focus_in_field = false;
	WhenOpen(form2.get(), [&] {
		focus_in_field = QApplication::focusWidget() == form2->inputedit;
		QTest::keyClicks(form2->inputedit, QStringLiteral("ab c"));
		Type(Qt::Key_Backspace);
		Type(Qt::Key_Return); // the OK button is the default button
	});
	QTest::keyClick(QApplication::focusWidget(), Qt::Key_T, Qt::ControlModifier);
	EXPECT_TRUE(focus_in_field);
	EXPECT_EQ(form2->result(), QDialog::Accepted);
	EXPECT_FALSE(form2->isVisible());
	EXPECT_EQ(form2->inputedit->text(), QStringLiteral("ab ")) << "the typed line stays";
	EXPECT_FALSE(announceFocus) << "cleared at the close";
	EXPECT_EQ(keyBuffer, "") << "nothing reached the running program's keys";

	// Only the running game forbids the review (the stored memory image
	// may hold its guard).
	PokeByte(kReviewGuardAddress, 0);
	// The window manager gives the main window the focus back.
	QApplication::setActiveWindow(form.get());
	ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
	bool review_opened = false;
	WhenOpen(review.get(), [&] {
		review_opened = true;
		QTest::keyClick(review->virtualscrmemo, Qt::Key_Escape);
	});
	QTest::keyClick(QApplication::focusWidget(), Qt::Key_R, Qt::ControlModifier);
	EXPECT_TRUE(review_opened);
	EXPECT_FALSE(review->isVisible());
}

TEST_F(DataEntryWindowTest, BrailleModeSwallowsLettersButNotControlKeys)
{
	brailleKeyboard = true;
	form2->inputedit->setText(QStringLiteral("xy"));
	QWidget *focus_after_tab = nullptr;
	WhenOpen(form2.get(), [&] {
		// F alone is dot 1: a; Q is no dot key and types nothing.
		Type(Qt::Key_F);
		Type(Qt::Key_Q);
		EXPECT_EQ(form2->inputedit->text(), QStringLiteral("xya"));
		Type(Qt::Key_Backspace);
		EXPECT_EQ(form2->inputedit->text(), QStringLiteral("xy"));
		Type(Qt::Key_Tab);
		focus_after_tab = QApplication::focusWidget();
		Type(Qt::Key_Escape);
	});
	form->dataentryitemClick();
	EXPECT_EQ(focus_after_tab, form2->Enterbitbtn);
	EXPECT_EQ(form2->result(), QDialog::Rejected) << "Escape reached the dialog";
	EXPECT_EQ(form2->inputedit->text(), QStringLiteral("xy"));
}

TEST_F(DataEntryWindowTest, FocusMovesAreSpokenButNotTheFirstFocus)
{
	useSapi5 = true;
	voiceReady = true;
	form2->inputedit->setText(QStringLiteral("ab"));
	std::vector<std::string> spoken;
	const auto spoken_texts = [this] {
		std::vector<std::string> texts;
		for (const auto &call : speech.voice.calls) {
			if (!call.text.empty())
				texts.push_back(call.text);
		}
		return texts;
	};
	for (int showing = 0; showing < 2; ++showing) {
		WhenOpen(form2.get(), [&] {
			spoken = spoken_texts();
			QTest::keyClick(form2->inputedit, Qt::Key_Tab);
			QTest::keyClick(form2->Enterbitbtn, Qt::Key_Tab);
			QTest::keyClick(form2->exitprogrambtn, Qt::Key_Tab);
			form2->reject();
		});
		speech.voice.calls.clear();
		form->dataentryitemClick();
		EXPECT_TRUE(spoken.empty()) << "the first focus of showing " << showing << " is silent";
		const std::string ok = Utf8FromCp1250(LocalizedText(languageBase, 7));
		const std::string exit = Utf8FromCp1250(LocalizedText(languageBase, 45));
		const auto without_mark = [](std::string caption) {
			caption.erase(std::remove(caption.begin(), caption.end(), '&'), caption.end());
			return caption;
		};
		EXPECT_EQ(spoken_texts(),
		          (std::vector<std::string>{without_mark(ok), without_mark(exit), "ab"}));
	}
}

TEST_F(DataEntryWindowTest, TheDeadCaronKeyIsKeyDF)
{
	const QKeyEvent dead(QEvent::KeyPress, Qt::Key_Dead_Caron, Qt::ShiftModifier);
	EXPECT_EQ(TForm2::VirtualKeyOf(dead), kDeadKey);
	const QKeyEvent letter(QEvent::KeyPress, Qt::Key_C, Qt::NoModifier, QStringLiteral("c"));
	EXPECT_EQ(TForm2::VirtualKeyOf(letter), 'C');
}

// The braille display follows the focus through the main window, the
// data-entry dialog, the review and the menus.
class BrailleWindowTest : public DataEntryWindowTest
{
protected:
	void SetUp() override
	{
		DataEntryWindowTest::SetUp();
		form->printmemo->setFocus();
		focus = std::make_unique<BrailleFocus>(form.get(), review.get());
	}
	void TearDown() override
	{
		focus.reset();
		DataEntryWindowTest::TearDown();
	}
	std::string Shown() const
	{
		return display.Text().substr(0, display.Text().find_last_not_of(' ') + 1);
	}

	testing::FakeBrailleDisplay display{40};
	std::unique_ptr<BrailleFocus> focus;
};

TEST_F(BrailleWindowTest, EachWindowShowsItsLineAndTheKeysMoveInIt)
{
	ASSERT_TRUE(display.tty) << "the active main window holds the display";
	PrintText("Rychlost?", kPrintNewLine);
	EXPECT_EQ(Shown(), "Rychlost?");

	bool field_shown = false;
	int caret_after_routing = -1;
	WhenOpen(form2.get(), [&] {
		QTest::keyClicks(form2->inputedit, QStringLiteral("ab cd"));
		field_shown = Shown() == "ab cd" && display.cursor == 5;
		display.Press(BrailleKey::Kind::Route, 1);
		caret_after_routing = form2->inputedit->cursorPosition();
		Type(Qt::Key_Return);
	});
	form2->ShowModal();
	EXPECT_TRUE(field_shown);
	EXPECT_EQ(caret_after_routing, 1) << "a routing key moves the caret";
	// The window manager gives the main window the focus back.
	QApplication::setActiveWindow(form.get());
	ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
	EXPECT_EQ(Shown(), "Rychlost?") << "the main window's line again after the dialog";

	PokeByte(kReviewGuardAddress, 0);
	std::string first_line, second_line, after_routing;
	int review_line = -1;
	WhenOpen(review.get(), [&] {
		first_line = Shown();
		display.Press(BrailleKey::Kind::LineDown);
		second_line = display.Text();
		review_line = review->virtualscrmemo->textCursor().blockNumber();
		display.Press(BrailleKey::Kind::LineUp);
		display.Press(BrailleKey::Kind::Route, 4);
		after_routing = std::to_string(display.cursor) + ":" +
		                std::to_string(review->virtualscrmemo->textCursor().positionInBlock());
		QTest::keyClick(review->virtualscrmemo, Qt::Key_Escape);
	});
	form->screenreviewitemClick();
	EXPECT_EQ(first_line, "Rychlost?");
	EXPECT_EQ(second_line, std::string(40, ' ')) << "the second screen line is empty";
	EXPECT_EQ(review_line, 1) << "line down walks the review";
	EXPECT_EQ(after_routing, "4:4") << "a routing key moves the review position";
}

TEST_F(BrailleWindowTest, MenusShowTheirItemAndTheFocusRuleHolds)
{
	ASSERT_TRUE(form->brailledisplayitem->isChecked()) << "on by default";
	form->settingsmenu->popup(form->mapToGlobal(QPoint(0, 0)));
	ASSERT_TRUE(QTest::qWaitFor([&] { return form->settingsmenu->isVisible(); }));
	form->settingsmenu->setActiveAction(form->brailledisplayitem);
	EXPECT_TRUE(QTest::qWaitFor([&] { return Shown() == Cp1250FromUtf8("<x> Braillský řádek"); }))
	    << Shown();
	form->settingsmenu->setActiveAction(form->keyboardechoitem);
	EXPECT_TRUE(QTest::qWaitFor([&] { return Shown() == Cp1250FromUtf8("Odezva klávesnice"); }))
	    << Shown();
	form->settingsmenu->close();
	EXPECT_TRUE(QTest::qWaitFor([&] { return Shown().empty(); }))
	    << "the main window's empty line: " << Shown();

	QCheckBox box(QStringLiteral("Use the &voice"));
	box.setChecked(true);
	EXPECT_EQ(BrailleTextOfControl(box), "<x> Use the voice");
	QSlider slider;
	slider.setAccessibleName(QStringLiteral("Volume"));
	slider.setValue(7);
	EXPECT_EQ(BrailleTextOfControl(slider), "Volume 7");

	// The setting: the item switches the display off, and back on.
	form->brailledisplayitem->trigger();
	EXPECT_FALSE(display.tty);
	EXPECT_FALSE(form->brailledisplayitem->isChecked());
	form->brailledisplayitem->trigger();
	EXPECT_TRUE(display.tty);

	// No window of the shell is active: the display is given back.
	QApplication::setActiveWindow(nullptr);
	EXPECT_TRUE(QTest::qWaitFor([&] { return !display.tty; }));
	QApplication::setActiveWindow(form.get());
	EXPECT_TRUE(QTest::qWaitFor([&] { return display.tty; }));
}

} // namespace
} // namespace velira
