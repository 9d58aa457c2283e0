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
#include "platform/virtual_keys.h"
#include "qt/qt_application.h"
#include "review/qt/tform6.h"
#include "review/screen_review.h"
#include "runtime/qt/screen_view.h"
#include "runtime/velcommands.h"
#include "settings/localized_texts.h"
#include "settings/settings_file.h"
#include "settings/shared_settings.h"
#include "shell/qt/tform1.h"
#include "shell/shutdown.h"
#include "sound/sound_bank.h"
#include "speech/speech_output.h"

#include <QApplication>
#include <QCheckBox>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QMenu>
#include <QProcess>
#include <QScreen>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
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
		testing::CopyShippedData(folder.path());
		mixer.Install();
		services().keys = &keys;

		form = std::make_unique<TForm1>();
		form->FormCreate();
		form2 = std::make_unique<TForm2>(form.get(), &form->Keyboard());
		form2->FormCreate();
		form->SetForm2(form2.get());
		review = std::make_unique<TForm6>(form.get());
		review->FormCreate();
		form->show();
		// On an X server without a window manager the window asks for the
		// focus itself.
		form->activateWindow();
		testing::SetActiveWindow(form.get());
		EXPECT_TRUE(QTest::qWaitForWindowActive(form.get(), testing::kWait_ms));
	}

	// Runs `script` inside the modal loop of `dialog` once it is open.
	static void WhenOpen(QDialog *dialog, std::function<void()> script)
	{
		QTimer::singleShot(0, dialog, [dialog, script] {
			if (!dialog->isVisible()) {
				ADD_FAILURE() << "the dialog did not open";
				return;
			}
			testing::SetActiveWindow(dialog);
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

	// Sends a key press and its release to the field, as the keyboard does.
	static void Key(Qt::Key key, const QString &text, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
	{
		QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
		QApplication::sendEvent(QApplication::focusWidget(), &press);
		QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
		QApplication::sendEvent(QApplication::focusWidget(), &release);
	}

	// A text the input method composed from a dead key and a letter: the
	// keys themselves never reach the field as presses.
	static void Composed(const QString &text)
	{
		QInputMethodEvent event;
		event.setCommitString(text);
		QApplication::sendEvent(QApplication::focusWidget(), &event);
	}

	// The texts spoken since the last call, in UTF-8.
	std::vector<std::string> Spoken() { return speech.voice.SpokenSinceLastAsked(); }

	// The echo waves played since the last call, by name.
	std::vector<std::string> EchoWaves()
	{
		std::vector<std::string> names;
		const auto plays = mixer.CallsOf("play");
		for (size_t i = played_from_; i < plays.size(); ++i) {
			for (const char *candidate : {"ecapital", "eletter", "enumber", "esign"}) {
				const auto &copies = FindWave(candidate).copies;
				if (std::find(copies.begin(), copies.end(), plays[i].buffer) != copies.end())
					names.push_back(candidate);
			}
		}
		played_from_ = plays.size();
		return names;
	}

	testing::ScratchFolder folder;
	testing::FakePlatform platform;
	testing::FakeMixer mixer{platform.clock};
	testing::FakeSpeech speech{platform};
	QtKeyState keys;
	std::unique_ptr<TForm1> form;
	std::unique_ptr<TForm2> form2;
	std::unique_ptr<TForm6> review;

private:
	size_t played_from_ = 0;
};

TEST_F(DataEntryWindowTest, BothWindowsOpenFromTheMainWindowByTheirShortcuts)
{
	EXPECT_EQ(form->dataentryitem->text(),
	          FromCp1250(LocalizedText(languageBase, kTextEnterData) + "..."));
	EXPECT_EQ(form2->windowTitle(), FromCp1250(LocalizedText(languageBase, kTextEnterData)));

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
	testing::SetActiveWindow(form.get());
	ASSERT_TRUE(QTest::qWaitForWindowActive(form.get(), testing::kWait_ms));
	bool review_opened = false;
	WhenOpen(review.get(), [&] {
		review_opened = true;
		QTest::keyClick(review->virtualscrmemo, Qt::Key_Escape);
	});
	QTest::keyClick(QApplication::focusWidget(), Qt::Key_R, Qt::ControlModifier);
	EXPECT_TRUE(review_opened);
	EXPECT_FALSE(review->isVisible());
}

// The field shows the screen's text size in the screen's font, as the main
// window's size (or the zoom keys) made it when the dialog opens; a screen
// larger than the dialog can show gives the largest the desktop holds.
TEST_F(DataEntryWindowTest, TheFieldFollowsTheScreensTextSize)
{
	const auto *screen = static_cast<const ScreenView *>(form->printmemo);
	const QSize room = form2->screen()->availableGeometry().size();
	QFont shown;
	QSize dialog;
	const auto open_at = [&](const QSize &window) {
		const int before = screen->FontSize();
		form->resize(window);
		EXPECT_TRUE(QTest::qWaitFor([&] { return screen->FontSize() != before; }, testing::kWait_ms))
		    << "the screen kept its size at " << window.width() << "x" << window.height();
		WhenOpen(form2.get(), [&] {
			shown = form2->inputedit->font();
			dialog = form2->size();
			form2->reject();
		});
		form2->ShowModal();
	};
	open_at({640, 400});
	EXPECT_EQ(shown.pixelSize(), screen->FontSize());
	EXPECT_EQ(shown.family(), ScreenView::GridFont(screen->FontSize()).family());
	const int small = shown.pixelSize();
	open_at({room.width() - 40, room.height() - 40});
	EXPECT_EQ(shown.pixelSize(), screen->FontSize());
	EXPECT_GT(shown.pixelSize(), small);
	const int large = shown.pixelSize();

	open_at(room * 5);
	EXPECT_LT(shown.pixelSize(), screen->FontSize()) << "a field wider than the desktop";
	EXPECT_GT(shown.pixelSize(), large);
	EXPECT_LE(dialog.width(), room.width());
	EXPECT_LE(dialog.height(), room.height());
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
		// Nor does a letter that the input method composed get in.
		Composed(QStringLiteral("ś"));
		EXPECT_EQ(form2->inputedit->text(), QStringLiteral("xy"));
		Type(Qt::Key_Tab);
		focus_after_tab = QApplication::focusWidget();
		Type(Qt::Key_Return);
	});
	form->dataentryitemClick();
	EXPECT_EQ(focus_after_tab, form2->Enterbitbtn);
	EXPECT_EQ(form2->result(), QDialog::Accepted);
	EXPECT_EQ(form2->inputedit->text(), QStringLiteral("xy"));
}

TEST_F(DataEntryWindowTest, EscapeClosesNothingAndEnterPressesTheFocusedButton)
{
	// The exit button's press shows up as the report that its memory image
	// cannot be written; the shell then goes on instead of ending.
	std::filesystem::create_directory(folder.path() + "/ram.dat");
	for (const bool braille : {false, true}) {
		SCOPED_TRACE(braille ? "braille keyboard" : "classic keyboard");
		brailleKeyboard = braille;
		platform.desktop.errors.clear();
		bool open_after_escape = false;
		bool open_after_exit = false;
		WhenOpen(form2.get(), [&] {
			Type(Qt::Key_Escape);
			Type(Qt::Key_Tab);
			Type(Qt::Key_Escape);
			open_after_escape = form2->isVisible();
			Type(Qt::Key_Tab);
			ASSERT_EQ(QApplication::focusWidget(), form2->exitprogrambtn);
			Type(Qt::Key_Return);
			open_after_exit = form2->isVisible();
			// Back in the field, Enter presses OK again.
			Type(Qt::Key_Tab);
			ASSERT_EQ(QApplication::focusWidget(), form2->inputedit);
			Type(Qt::Key_Return);
		});
		form->dataentryitemClick();
		EXPECT_TRUE(open_after_escape) << "the dialog has no cancel button";
		EXPECT_EQ(platform.desktop.errors.size(), 1u) << "Enter pressed the exit button";
		EXPECT_TRUE(open_after_exit);
		EXPECT_EQ(form2->result(), QDialog::Accepted);
	}
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
		const std::string ok = Utf8FromCp1250(LocalizedText(languageBase, kTextOk));
		const std::string exit = Utf8FromCp1250(LocalizedText(languageBase, kTextExitProgram));
		const auto without_mark = [](std::string caption) {
			caption.erase(std::remove(caption.begin(), caption.end(), '&'), caption.end());
			return caption;
		};
		EXPECT_EQ(spoken_texts(),
		          (std::vector<std::string>{without_mark(ok), without_mark(exit), "ab"}));
	}
}

TEST_F(DataEntryWindowTest, OnlyTheLayoutsDeadCaronTakesTheDeadKeyCode)
{
	// Key events as X delivers them under the Czech and Slovak layouts and
	// the US one: the Qt key of the symbol, the scan code of the place.
	struct Case {
		const char *what;
		int qt_key;
		Qt::KeyboardModifiers modifiers;
		quint32 scan_code;
		const char *text;
		int expected;
	};
	const Case cases[] = {
	    {"Shift and the key right of 0 (cz, sk): dead caron", Qt::Key_Dead_Caron, Qt::ShiftModifier, 21,
	     "", kDeadKey},
	    {"Shift, AltGr and 2 (cz): dead caron", Qt::Key_Dead_Caron,
	     Qt::ShiftModifier | Qt::GroupSwitchModifier, 11, "", kDeadKey},
	    {"the key right of 0 alone (cz, sk): dead acute", Qt::Key_Dead_Acute, Qt::NoModifier, 21, "",
	     vk::kOemPlus},
	    {"Shift and the key left of 1 (cz): dead ring", Qt::Key_Dead_Abovering, Qt::ShiftModifier, 49, "",
	     vk::kOem3},
	    {"the key right of the full stop (cz, sk): minus", Qt::Key_Minus, Qt::NoModifier, 61, "-",
	     vk::kOemOther},
	    {"Shift with it (cz, sk): underscore", Qt::Key_Underscore, Qt::ShiftModifier, 61, "_",
	     vk::kOemOther},
	    {"the same key (us): slash", Qt::Key_Slash, Qt::NoModifier, 61, "/", vk::kOemOther},
	    {"the 1 key (cz, sk): plus, still the digit row", Qt::Key_Plus, Qt::NoModifier, 10, "+", '1'},
	};
	for (const Case &c : cases) {
		const QKeyEvent event(QEvent::KeyPress, c.qt_key, c.modifiers, c.scan_code, 0, 0,
		                      QString::fromUtf8(c.text));
		EXPECT_EQ(TForm2::VirtualKeyOf(event, ScanCodeScheme::Xkb), c.expected) << c.what;
	}
	const QKeyEvent slash(QEvent::KeyPress, Qt::Key_Slash, Qt::NoModifier, QStringLiteral("/"));
	EXPECT_EQ(TForm2::VirtualKeyOf(slash, ScanCodeScheme::None), vk::kOemOther) << "without scan codes";
}

TEST_F(DataEntryWindowTest, KeysEchoWhatTheyTypeAndOnlyTheDeadCaronArmsACaron)
{
	useSapi5 = true;
	voiceReady = true;
	echoMode = 1;
	std::vector<std::vector<std::string>> spoken;
	WhenOpen(form2.get(), [&] {
		Spoken();
		// Under the offscreen platform "/" is the key BF that the rules keep
		// for a dead key, as the minus key of a Czech keyboard is under X.
		Key(Qt::Key_Slash, QStringLiteral("/"));
		Key(Qt::Key_Minus, QStringLiteral("-"));
		Key(Qt::Key_Question, QStringLiteral("?"), Qt::ShiftModifier);
		Key(Qt::Key_C, QStringLiteral("c"));
		spoken.push_back(Spoken());
		Key(Qt::Key_Dead_Caron, QString(), Qt::ShiftModifier);
		Key(Qt::Key_C, QStringLiteral("c"));
		spoken.push_back(Spoken());
		// Another dead key with Shift cancels the caron instead of arming it.
		Key(Qt::Key_Dead_Caron, QString(), Qt::ShiftModifier);
		Key(Qt::Key_Dead_Abovering, QString(), Qt::ShiftModifier);
		Key(Qt::Key_C, QStringLiteral("c"));
		spoken.push_back(Spoken());
		// With an input method the dead key and the letter arrive as one text.
		Composed(QStringLiteral("č"));
		spoken.push_back(Spoken());
		Type(Qt::Key_Return);
	});
	form->dataentryitemClick();
	// Without the main program's keyboard-file lookup a character is spoken
	// as itself.
	ASSERT_EQ(spoken.size(), 4u);
	EXPECT_EQ(spoken[0], (std::vector<std::string>{"/", "-", "?", "c"}));
	EXPECT_EQ(spoken[1], std::vector<std::string>{"č"});
	EXPECT_EQ(spoken[2], std::vector<std::string>{"c"});
	EXPECT_EQ(spoken[3], std::vector<std::string>{"č"});
	EXPECT_TRUE(form2->inputedit->text().endsWith(QStringLiteral("č"))) << "the composed letter is typed";

	echoMode = 0;
	std::vector<std::string> played;
	WhenOpen(form2.get(), [&] {
		EchoWaves();
		Key(Qt::Key_Slash, QStringLiteral("/"));
		Key(Qt::Key_Dead_Caron, QString(), Qt::ShiftModifier);
		Key(Qt::Key_C, QStringLiteral("c"));
		Composed(QStringLiteral("Ž"));
		played = EchoWaves();
		Type(Qt::Key_Return);
	});
	form->dataentryitemClick();
	EXPECT_EQ(played, (std::vector<std::string>{"esign", "eletter", "ecapital"}));
}

// Real key events of the Czech and Slovak layouts: an X server of its own
// with the layout set, keys pressed through XTest by xdotool, the input
// method Qt picks on such a desktop. tests/e2e/layout_keys_test.sh starts the
// server and runs this test; in the offscreen run it has no keyboard to use.
TEST_F(DataEntryWindowTest, NationalLayoutOnAnXServer)
{
	const QString layout = qEnvironmentVariable("VELIRA_XKB_LAYOUT");
	if (layout.isEmpty() || QGuiApplication::platformName() != QLatin1String("xcb"))
		GTEST_SKIP() << "needs an X server with a national layout: tests/e2e/layout_keys_test.sh";
	useSapi5 = true;
	voiceReady = true;
	// Keys by their X key code, that is by their place: the layout decides
	// what they type. On both layouts 61 (right of the full stop) types "-",
	// 21 (right of 0) is the dead acute and with Shift the dead caron, 54 is
	// C, 38 is A and 41 is F (braille dot 1).
	// Each step gives one text, so that the next step's keys wait for it:
	// Qt hands a composed text to the field before the key presses it read
	// from the server in the same batch.
	struct Step {
		int echo_mode;
		bool braille;
		QStringList keys;
		QString typed;
		std::vector<std::string> spoken;
		std::vector<std::string> waves;
	};
	const Step steps[] = {
	    {1, false, {"61"}, "-", {"-"}, {}},
	    {1, false, {"shift+61"}, "_", {"_"}, {}},
	    {1, false, {"54"}, "c", {"c"}, {}},
	    {1, false, {"shift+21", "54"}, "č", {"č"}, {}},
	    {1, false, {"21", "38"}, "á", {"á"}, {}},
	    {0, false, {"61"}, "-", {}, {"esign"}},
	    {0, false, {"shift+21", "shift+54"}, "Č", {}, {"ecapital"}},
	    {1, true, {"41"}, "a", {"a"}, {}},
	};
	WhenOpen(form2.get(), [&] {
		// No window manager hands out the focus: xdotool gives it to the
		// dialog and waits until the server has done so.
		const QString window = QString::number(form2->winId());
		ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), {"windowfocus", "--sync", window}), 0);
		ASSERT_TRUE(QTest::qWaitFor(
		    [&] { return QGuiApplication::focusWindow() == form2->windowHandle(); }, 20000))
		    << "the dialog never got the keyboard focus";
		ASSERT_EQ(QApplication::focusWidget(), form2->inputedit);
		for (const Step &step : steps) {
			SCOPED_TRACE(step.keys.join(' ').toStdString());
			echoMode = static_cast<uint8_t>(step.echo_mode);
			brailleKeyboard = step.braille;
			const QString before = form2->inputedit->text();
			Spoken();
			EchoWaves();
			const int exit_code = QProcess::execute(
			    QStringLiteral("xdotool"), QStringList{"key", "--delay", "40"} + step.keys);
			ASSERT_EQ(exit_code, 0) << "xdotool failed";
			// The keys reach the shell through the X server: wait for them.
			EXPECT_TRUE(QTest::qWaitFor(
			    [&] { return form2->inputedit->text() == before + step.typed; }, 20000))
			    << "the keys did not arrive within 20 s";
			EXPECT_EQ(form2->inputedit->text(), before + step.typed);
			EXPECT_EQ(Spoken(), step.spoken);
			EXPECT_EQ(EchoWaves(), step.waves);
		}
		brailleKeyboard = false;
		Type(Qt::Key_Return);
	});
	form->dataentryitemClick();
	EXPECT_EQ(form2->result(), QDialog::Accepted);
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
		focus = std::make_unique<BrailleFocus>(form.get(), form->printmemo, review.get());
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
	testing::SetActiveWindow(form.get());
	ASSERT_TRUE(QTest::qWaitForWindowActive(form.get(), testing::kWait_ms));
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
	ASSERT_TRUE(QTest::qWaitFor([&] { return form->settingsmenu->isVisible(); }, testing::kWait_ms));
	form->settingsmenu->setActiveAction(form->brailledisplayitem);
	EXPECT_TRUE(QTest::qWaitFor([&] { return Shown() == Cp1250FromUtf8("<x> Braillský řádek"); },
	                            testing::kWait_ms))
	    << Shown();
	form->settingsmenu->setActiveAction(form->keyboardechoitem);
	EXPECT_TRUE(QTest::qWaitFor([&] { return Shown() == Cp1250FromUtf8("Odezva klávesnice"); },
	                            testing::kWait_ms))
	    << Shown();
	form->settingsmenu->close();
	EXPECT_TRUE(QTest::qWaitFor([&] { return Shown().empty(); }, testing::kWait_ms))
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
	testing::SetActiveWindow(nullptr);
	EXPECT_TRUE(QTest::qWaitFor([&] { return !display.tty; }, testing::kWait_ms));
	testing::SetActiveWindow(form.get());
	EXPECT_TRUE(QTest::qWaitFor([&] { return display.tty; }, testing::kWait_ms));
}

} // namespace
} // namespace velira
