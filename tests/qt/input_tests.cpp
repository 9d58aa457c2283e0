#include "fakes/fake_mixer.h"
#include "shell/shutdown.h"
// The main window's keyboard, driven by real Qt key events.
#include "fakes/fake_platform.h"
#include "input/braille_tables.h"
#include "input/key_handling.h"
#include "input/qt/tform2.h"
#include "platform/cp1250.h"
#include "platform/qt/key_mapping.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/window_system.h"
#include "platform/virtual_keys.h"
#include "qt/qt_application.h"
#include "runtime/velcommands.h"
#include "screen_reader/qt/accessibility_events.h"
#include "screen_reader/qt/shell_application.h"
#include "settings/localized_texts.h"
#include "settings/settings_file.h"
#include "settings/shared_settings.h"
#include "shell/qt/tform1.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QtTest/qtestspontaneevent.h>

#include <deque>

#include <gtest/gtest.h>

#include <filesystem>

namespace velira
{
namespace
{

std::string Code(int code)
{
	return std::string(1, static_cast<char>(code));
}

class MainWindowKeysTest : public ::testing::Test
{
protected:
	void SetUp() override
	{
		testing::CopyShippedData(folder.path());
		mixer.Install();
		// The real key-state table, fed by the application's key events.
		services().keys = &keys;
	}

	std::unique_ptr<TForm1> OpenWindow()
	{
		auto form = std::make_unique<TForm1>();
		form->FormCreate();
		form->show();
		testing::SetActiveWindow(form.get());
		EXPECT_TRUE(QTest::qWaitForWindowActive(form.get(), testing::kWait_ms));
		EXPECT_EQ(QApplication::focusWidget(), form->printmemo) << "keys go to the screen control";
		return form;
	}

	// A key event as the platform delivers it: to the focused control.
	static void Send(QEvent::Type type, Qt::Key key, const QString &text = QString(),
	                 bool auto_repeat = false)
	{
		QKeyEvent event(type, key, Qt::NoModifier, text, auto_repeat);
		QApplication::sendEvent(QApplication::focusWidget(), &event);
	}

	static QString StatusText(const TForm1 &form)
	{
		return form.StatusBar->findChild<QLabel *>()->text();
	}

	testing::ScratchFolder folder;
	testing::FakePlatform platform;
	testing::FakeMixer mixer{platform.clock};
	QtKeyState keys;
};

TEST_F(MainWindowKeysTest, ChordOfFAndDTypesBFromTheShippedTable)
{
	auto form = OpenWindow();
	brailleKeyboard = true;
	QTest::keyPress(QApplication::focusWidget(), Qt::Key_F);
	QTest::keyPress(QApplication::focusWidget(), Qt::Key_D);
	EXPECT_EQ(keyBuffer, "");
	QTest::keyRelease(QApplication::focusWidget(), Qt::Key_F);
	EXPECT_EQ(keyBuffer, "b");
	QTest::keyRelease(QApplication::focusWidget(), Qt::Key_D);
	EXPECT_EQ(keyBuffer, "");

	QTest::keyClick(QApplication::focusWidget(), Qt::Key_F);
	EXPECT_EQ(keyBuffer, "a");
	EXPECT_FALSE(keys.IsKeyDown(vk::kF));
}

TEST_F(MainWindowKeysTest, AutoRepeatOfAHeldChordDeliversOnce)
{
	auto form = OpenWindow();
	brailleKeyboard = true;
	Send(QEvent::KeyPress, Qt::Key_F, QStringLiteral("f"));
	Send(QEvent::KeyPress, Qt::Key_D, QStringLiteral("d"));
	for (int i = 0; i < 4; ++i) {
		// X11 sends a release before every repeated press.
		Send(QEvent::KeyRelease, Qt::Key_D, QStringLiteral("d"), true);
		EXPECT_EQ(keyBuffer, "") << "the repeat's release must not commit the chord";
		EXPECT_TRUE(keys.IsKeyDown(vk::kD));
		Send(QEvent::KeyPress, Qt::Key_D, QStringLiteral("d"), true);
	}
	Send(QEvent::KeyRelease, Qt::Key_D, QStringLiteral("d"));
	EXPECT_EQ(keyBuffer, "b");
	Send(QEvent::KeyRelease, Qt::Key_F, QStringLiteral("f"));
	EXPECT_EQ(keyBuffer, "");
}

TEST_F(MainWindowKeysTest, CursorKeysPressedTogetherAndClassicTyping)
{
	auto form = OpenWindow();
	QTest::keyPress(QApplication::focusWidget(), Qt::Key_Up);
	EXPECT_EQ(keyBuffer, Code(0x81));
	QTest::keyPress(QApplication::focusWidget(), Qt::Key_Left);
	EXPECT_EQ(keyBuffer, Code(0x85));
	QTest::keyRelease(QApplication::focusWidget(), Qt::Key_Left);
	QTest::keyRelease(QApplication::focusWidget(), Qt::Key_Up);
	EXPECT_EQ(keyBuffer, "");

	QTest::keyPress(QApplication::focusWidget(), Qt::Key_Right, Qt::ControlModifier);
	EXPECT_EQ(keyBuffer, Code(0x89));
	QTest::keyRelease(QApplication::focusWidget(), Qt::Key_Right, Qt::ControlModifier);

	QTest::keyPress(QApplication::focusWidget(), Qt::Key_A);
	EXPECT_EQ(keyBuffer, "");
	QTest::keyRelease(QApplication::focusWidget(), Qt::Key_A);
	EXPECT_EQ(keyBuffer, "a");
	QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
	EXPECT_EQ(keyBuffer, Code(0x0D));
}

TEST_F(MainWindowKeysTest, MenuShortcutsRunTheirCommandAndDoNotReachTheHandlers)
{
	auto form = OpenWindow();
	QTest::keyClick(QApplication::focusWidget(), Qt::Key_B, Qt::ControlModifier);
	EXPECT_TRUE(brailleKeyboard);
	EXPECT_TRUE(form->braillekeyboarditem->isChecked());
	EXPECT_EQ(keyBuffer, "") << "Ctrl+B typed nothing";
	EXPECT_EQ(StatusText(*form), QStringLiteral("Braillská - Zvuky"));
	EXPECT_TRUE(SettingsFile().ReadBool("keyboard", "braillekeys", false));

	brailleKeyboard = false;
	form->braillekeyboarditem->setChecked(false);
	// The automatic switching item is disabled: its key runs nothing and
	// types nothing either.
	QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
	EXPECT_EQ(keyBuffer, "");
	EXPECT_FALSE(autoChange);

	QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
	EXPECT_EQ(echoMode, 1);
	EXPECT_EQ(StatusText(*form), QStringLiteral("Klasická - Znaky"));
}

// A keyboard command that fails (its setting cannot be stored) is reported
// once; the window goes on taking keys and commands.
TEST_F(MainWindowKeysTest, AnErrorInAMenuCommandIsReportedAndTheWindowGoesOn)
{
	auto form = OpenWindow();
	const std::string unreachable = folder.path() + "/nowhere/velira.ini";
	SetSettingsFilePath(unreachable);
	QTest::keyClick(QApplication::focusWidget(), Qt::Key_B, Qt::ControlModifier);
	EXPECT_EQ(platform.desktop.errors, std::vector<std::string>{"Unable to write to " + unreachable});
	EXPECT_TRUE(brailleKeyboard) << "switched before the setting was to be stored";
	EXPECT_EQ(QApplication::focusWidget(), form->printmemo);

	SetSettingsFilePath(folder.path() + "/velira.ini");
	QTest::keyClick(QApplication::focusWidget(), Qt::Key_B, Qt::ControlModifier);
	EXPECT_FALSE(brailleKeyboard);
	EXPECT_EQ(StatusText(*form), QStringLiteral("Klasická - Zvuky"));
	QTest::keyClick(QApplication::focusWidget(), Qt::Key_X, Qt::NoModifier);
	EXPECT_EQ(keyBuffer, "x");
	EXPECT_EQ(platform.desktop.errors.size(), 1u);
}

TEST_F(MainWindowKeysTest, TabMovesTheFocusWithoutTyping)
{
	auto form = OpenWindow();
	keyBuffer = "x";
	QTest::keyPress(QApplication::focusWidget(), Qt::Key_Tab);
	EXPECT_EQ(pendingKey, "");
	QTest::keyRelease(QApplication::focusWidget(), Qt::Key_Tab);
	EXPECT_EQ(keyBuffer, "x");
}

TEST_F(MainWindowKeysTest, LosingTheFocusReleasesEveryKeyAndNoneStaysStuck)
{
	auto form = OpenWindow();
	QTest::keyPress(QApplication::focusWidget(), Qt::Key_Left);
	QTest::keyPress(QApplication::focusWidget(), Qt::Key_J);
	EXPECT_TRUE(keys.IsKeyDown(vk::kLeft));
	EXPECT_TRUE(keys.IsKeyDown(vk::kJ));
	QEvent deactivate(QEvent::WindowDeactivate);
	QApplication::sendEvent(form.get(), &deactivate);
	EXPECT_FALSE(keys.IsKeyDown(vk::kLeft));
	EXPECT_FALSE(keys.IsKeyDown(vk::kJ));

	// A wait that holds the input back (a click) lets the focus change
	// through first: a key pressed before the focus went reaches the window
	// after it, and its release goes to the program that has the focus now.
	// It may not stay held once the window has the focus again.
	testing::SetActiveWindow(nullptr);
	QKeyEvent late_press(QEvent::KeyPress, Qt::Key_J, Qt::NoModifier, QStringLiteral("j"));
	QApplication::sendEvent(form->printmemo, &late_press);
	testing::SetActiveWindow(form.get());
	ASSERT_TRUE(QTest::qWaitForWindowActive(form.get(), testing::kWait_ms));
	EXPECT_FALSE(keys.IsKeyDown(vk::kJ)) << "a key released elsewhere stays stuck";
	QTest::keyPress(QApplication::focusWidget(), Qt::Key_K);
	EXPECT_TRUE(keys.IsKeyDown(vk::kK)) << "a key pressed now is held";
	QTest::keyRelease(QApplication::focusWidget(), Qt::Key_K);
	EXPECT_FALSE(keys.IsKeyDown(vk::kK));
}

// Beside a screen reader: its key listeners, which answer when the test
// says, oldest question first.
class FakeReaderListeners final : public ReaderKeyListeners
{
public:
	bool Available() const override { return true; }
	void Ask(const QKeyEvent &key, std::function<void(bool consumed)> answered) override
	{
		asked.push_back(QKeySequence(key.keyCombination()).toString() +
		                (key.type() == QEvent::KeyPress ? " down" : " up"));
		pending.push_back(std::move(answered));
	}
	void Answer(bool consumed)
	{
		ASSERT_FALSE(pending.empty()) << "nothing was asked";
		auto answered = std::move(pending.front());
		pending.pop_front();
		answered(consumed);
	}
	std::vector<QString> asked;
	std::deque<std::function<void(bool consumed)>> pending;
};

// X11 key codes: the gate follows each key by its place on the keyboard.
constexpr quint32 kScanEscape = 9, kScanQ = 24, kScanH = 43, kScanKeypadUp = 80, kScanInsert = 118;

class BesideAScreenReaderTest : public MainWindowKeysTest
{
protected:
	void SetUp() override
	{
		MainWindowKeysTest::SetUp();
		form = OpenWindow();
		window = form->windowHandle();
		app().servesReader = [] { return ServesScreenReader(); };
		app().deviceOwns = [this](const QKeyEvent &key) { return owns && form->DeviceOwnsKey(key); };
		app().SetReaderListeners(&reader);
		screenReaderMode = ScreenReaderMode::kAlways;
		keyBuffer.clear();
	}
	void TearDown() override { app().ResetKeyGate(); }

	static ShellApplication &app() { return *static_cast<ShellApplication *>(qApp); }

	// A key as the X server delivers it to the window.
	void Key(QEvent::Type type, Qt::Key code, quint32 scan_code, const QString &text = QString(),
	         Qt::KeyboardModifiers modifiers = Qt::NoModifier)
	{
		QKeyEvent event(type, code, modifiers, scan_code, 0, 0, text);
		QSpontaneKeyEvent::setSpontaneous(&event);
		qApp->notify(window, &event);
	}
	void Press(Qt::Key code, quint32 scan_code, const QString &text = QString(),
	           Qt::KeyboardModifiers modifiers = Qt::NoModifier)
	{
		Key(QEvent::KeyPress, code, scan_code, text, modifiers);
	}
	void Release(Qt::Key code, quint32 scan_code, const QString &text = QString(),
	             Qt::KeyboardModifiers modifiers = Qt::NoModifier)
	{
		Key(QEvent::KeyRelease, code, scan_code, text, modifiers);
	}
	void Click(Qt::Key code, quint32 scan_code, const QString &text = QString())
	{
		Press(code, scan_code, text);
		Release(code, scan_code, text);
	}
	// Insert+H, the screen reader's learn mode, which it takes.
	void LearnMode()
	{
		Press(Qt::Key_Insert, kScanInsert);
		reader.Answer(true);
		Press(Qt::Key_H, kScanH, QStringLiteral("h"));
		reader.Answer(true);
		Release(Qt::Key_Insert, kScanInsert);
		reader.Answer(true);
		Release(Qt::Key_H, kScanH, QStringLiteral("h"));
		reader.Answer(true);
	}

	std::unique_ptr<TForm1> form;
	QWindow *window = nullptr;
	FakeReaderListeners reader;
	bool owns = true;
};

TEST_F(BesideAScreenReaderTest, TheDevicesKeysGoToTheWindowTheRestToTheScreenReaderFirst)
{
	Click(Qt::Key_Q, kScanQ, QStringLiteral("q"));
	EXPECT_EQ(keyBuffer, "q") << "the kept keys reach the device";
	const int32_t echo_before = echoMode;
	Click(Qt::Key_F1, 67); // the keyboard echo command
	EXPECT_NE(echoMode, echo_before) << "and the keyboard commands";
	EXPECT_TRUE(reader.asked.empty()) << reader.asked.front().toStdString();
	keyBuffer.clear();

	// The screen reader's modifier and what is pressed with it, and the
	// keypad's review keys, go to it; a key it lets through reaches the window.
	LearnMode();
	EXPECT_EQ(reader.asked, (std::vector<QString>{"Ins down", "H down", "Ins up", "H up"}));
	EXPECT_EQ(keyBuffer, "") << "the keys it took never reach the device";
	// It took them: the next keys go to it too (learn mode), until it takes
	// an Escape.
	reader.asked.clear();
	Click(Qt::Key_Q, kScanQ, QStringLiteral("q"));
	reader.Answer(true);
	reader.Answer(true);
	Click(Qt::Key_Escape, kScanEscape);
	reader.Answer(true);
	reader.Answer(true);
	Press(Qt::Key_Up, kScanKeypadUp, QString(), Qt::KeypadModifier);
	reader.Answer(false);
	Release(Qt::Key_Up, kScanKeypadUp, QString(), Qt::KeypadModifier);
	reader.Answer(false);
	Click(Qt::Key_Q, kScanQ, QStringLiteral("q"));
	EXPECT_EQ(reader.asked,
	          (std::vector<QString>{"Q down", "Q up", "Esc down", "Esc up", "Num+Up down", "Num+Up up"}));
	EXPECT_EQ(keyBuffer, "q");

	// Never: every key goes to it first, and reaches the device when it lets
	// it through.
	screenReaderMode = ScreenReaderMode::kNever;
	reader.asked.clear();
	keyBuffer.clear();
	Click(Qt::Key_Q, kScanQ, QStringLiteral("q"));
	EXPECT_EQ(keyBuffer, "") << "not before its answer";
	reader.Answer(false);
	reader.Answer(false);
	EXPECT_EQ(reader.asked, (std::vector<QString>{"Q down", "Q up"}));
	EXPECT_EQ(keyBuffer, "q");
}

// Typed faster than the screen reader answers: a key waits behind the one
// it is deciding, and is decided knowing that answer.
TEST_F(BesideAScreenReaderTest, AKeyTypedBeforeTheScreenReaderAnsweredWaitsForTheAnswer)
{
	Press(Qt::Key_Insert, kScanInsert);
	Press(Qt::Key_H, kScanH, QStringLiteral("h"));
	Release(Qt::Key_Insert, kScanInsert);
	Release(Qt::Key_H, kScanH, QStringLiteral("h"));
	Click(Qt::Key_Q, kScanQ, QStringLiteral("q"));
	EXPECT_EQ(reader.asked, std::vector<QString>{"Ins down"}) << "one question at a time";
	for (int answer = 0; answer < 4; ++answer)
		reader.Answer(true);
	EXPECT_EQ(keyBuffer, "") << "learn mode took the keys typed while it started";
	EXPECT_EQ(reader.asked.size(), 5u);
	EXPECT_EQ(reader.asked.back(), QStringLiteral("Q down"));
}

// Insert released where the window cannot see it (the screen reader's own
// preferences, opened with Insert+Space): it is not held any more once the
// shell's windows lose the keyboard.
TEST_F(BesideAScreenReaderTest, TheScreenReadersModifierIsNotHeldOnceTheKeyboardLeft)
{
	Press(Qt::Key_Insert, kScanInsert);
	reader.Answer(true);
	QEvent deactivated(QEvent::ApplicationDeactivate);
	qApp->notify(qApp, &deactivated);
	Click(Qt::Key_Q, kScanQ, QStringLiteral("q"));
	EXPECT_EQ(keyBuffer, "q");
	EXPECT_EQ(reader.asked, std::vector<QString>{"Ins down"});
}

// A press and its release go to one receiver, even when the press opened a
// dialog (Ctrl+D) and the device owns no key when the release comes.
TEST_F(BesideAScreenReaderTest, AReleaseGoesWhereItsPressWent)
{
	Press(Qt::Key_Q, kScanQ, QStringLiteral("q"));
	owns = false;
	Release(Qt::Key_Q, kScanQ, QStringLiteral("q"));
	EXPECT_TRUE(reader.asked.empty());
	Press(Qt::Key_H, kScanH, QStringLiteral("h"));
	reader.Answer(false);
	owns = true;
	Release(Qt::Key_H, kScanH, QStringLiteral("h"));
	EXPECT_EQ(reader.asked, (std::vector<QString>{"H down", "H up"}));
}

// The application outlives each test: its reset leaves no held key, no
// learn mode, no connection to a window that is gone.
TEST_F(BesideAScreenReaderTest, TheResetForgetsTheGate)
{
	LearnMode();
	Press(Qt::Key_Insert, kScanInsert);
	Press(Qt::Key_Q, kScanQ, QStringLiteral("q"));
	ASSERT_TRUE(app().Gate().ReaderTakesKeys());
	testing::ResetApplication();
	EXPECT_FALSE(app().Gate().ReaderTakesKeys());
	EXPECT_FALSE(app().servesReader);
	EXPECT_FALSE(app().deviceOwns);
	app().servesReader = [] { return true; };
	app().deviceOwns = [](const QKeyEvent &) { return true; };
	app().SetReaderListeners(&reader);
	reader.asked.clear();
	Click(Qt::Key_Q, kScanQ, QStringLiteral("q"));
	EXPECT_TRUE(reader.asked.empty()) << "Insert is not held, nothing waits";
	EXPECT_EQ(keyBuffer, "q");
}

TEST_F(MainWindowKeysTest, TheKeysTheDeviceOwns)
{
	auto form = OpenWindow();
	auto owns = [&form](Qt::Key code, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
	                    const QString &text = QString()) {
		const QKeyEvent event(QEvent::KeyPress, code, modifiers, text);
		return form->DeviceOwnsKey(event);
	};
	for (const Qt::Key code :
	     {Qt::Key_Up, Qt::Key_Left, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Backspace, Qt::Key_Escape,
	      Qt::Key_Space, Qt::Key_Control, Qt::Key_Shift, Qt::Key_F1, Qt::Key_F2})
		EXPECT_TRUE(owns(code)) << code;
	EXPECT_TRUE(owns(Qt::Key_F, Qt::NoModifier, QStringLiteral("f")));
	EXPECT_TRUE(owns(Qt::Key_4, Qt::ShiftModifier, QStringLiteral("4")));
	EXPECT_TRUE(owns(Qt::Key_S, Qt::ControlModifier)) << "a keyboard command";
	EXPECT_FALSE(owns(Qt::Key_P, Qt::AltModifier)) << "a menu";
	EXPECT_FALSE(owns(Qt::Key_Up, Qt::KeypadModifier)) << "the screen reader's review key";
	EXPECT_FALSE(owns(Qt::Key_Tab));
	EXPECT_FALSE(owns(Qt::Key_F5));

	// In the data-entry field the shell echoes and reads what is typed; the
	// screen reader presents the dialog and its buttons.
	TForm2 field(form.get(), &form->Keyboard());
	field.FormCreate();
	form->SetForm2(&field);
	std::vector<bool> in_field;
	QTimer::singleShot(0, &field, [&] {
		testing::SetActiveWindow(&field);
		EXPECT_TRUE(QTest::qWaitForWindowActive(&field, testing::kWait_ms));
		in_field = {owns(Qt::Key_A, Qt::NoModifier, QStringLiteral("a")), owns(Qt::Key_Left),
		            owns(Qt::Key_Backspace), owns(Qt::Key_Tab)};
		field.Enterbitbtn->setFocus();
		in_field.push_back(owns(Qt::Key_A, Qt::NoModifier, QStringLiteral("a")));
		field.reject();
	});
	field.ShowModal();
	EXPECT_EQ(in_field, (std::vector<bool>{true, true, true, false, false}));
	form->hide();
	EXPECT_FALSE(owns(Qt::Key_Up)) << "another window has the keys";
}

// The text events of the device's controls are kept from the accessibility
// bridge while the shell serves a screen reader; other events pass.
TEST_F(MainWindowKeysTest, TheDevicesControlsTextEventsAreQuietBesideAScreenReader)
{
	static std::vector<QAccessible::Event> passed;
	passed.clear();
	const QAccessible::UpdateHandler before = QAccessible::installUpdateHandler(
	    [](QAccessibleEvent *event) { passed.push_back(event->type()); });
	QLineEdit field, other;
	bool quiet = true;
	FilterAccessibilityEvents({&field}, [&quiet] { return quiet; });
	// The filter as the bridge's platform would call it (offscreen has none).
	const QAccessible::UpdateHandler filter = QAccessible::installUpdateHandler(nullptr);
	QAccessible::installUpdateHandler(filter);
	QAccessibleTextInsertEvent typed(&field, 0, QStringLiteral("a"));
	filter(&typed);
	QAccessibleTextInsertEvent elsewhere(&other, 0, QStringLiteral("a"));
	filter(&elsewhere);
	QAccessibleEvent named(&field, QAccessible::NameChanged);
	filter(&named);
	quiet = false;
	filter(&typed);
	FilterAccessibilityEvents({}, {});
	QAccessible::installUpdateHandler(before);
	EXPECT_EQ(passed,
	          (std::vector<QAccessible::Event>{QAccessible::TextInserted, QAccessible::NameChanged,
	                                           QAccessible::TextInserted}));
}

TEST_F(MainWindowKeysTest, KeyboardFileOfTheLanguageIsLoaded)
{
	testing::WriteFile(folder.path() + "/velira.ini", "[environment]\nlanguage=2000\n");
	auto form = OpenWindow();
	EXPECT_EQ(keyboardFileName, "english.vky");
	ASSERT_NE(FindEchoKey(','), kNoEchoKey);
	EXPECT_EQ(echoKeys[FindEchoKey(',')].name, "comma");
	EXPECT_EQ(brailleTableFileName, "czech.vbt");
	EXPECT_EQ(TranslateChord("1"), "a");
	form->updatestatusbar();
	EXPECT_EQ(StatusText(*form), QStringLiteral("Classic - Chars"))
	    << "a settings file without echo: mode 1";
}

// Qt names a key of a national letter by the letter's capital.
constexpr auto kKeyEcaron = static_cast<Qt::Key>(0x011A);
constexpr auto kKeyCcaron = static_cast<Qt::Key>(0x010C);

TEST(KeyMappingTest, DotKeysAreFoundByTheirPlaceUnderAnyLayout)
{
	constexpr auto xkb = ScanCodeScheme::Xkb;
	// Dvorak types U where QWERTY has F, and F where QWERTY has Y.
	EXPECT_EQ(VirtualKeyOf(Qt::Key_U, Qt::NoModifier, true, 33 + 8, xkb), vk::kF);
	EXPECT_EQ(VirtualKeyOf(Qt::Key_F, Qt::NoModifier, true, 21 + 8, xkb), 'Y');
	// Czech QWERTZ: "ě" on the 2 key, the same home row.
	EXPECT_EQ(VirtualKeyOf(kKeyEcaron, Qt::NoModifier, true, 3 + 8, xkb), '2');
	EXPECT_EQ(VirtualKeyOf(Qt::Key_L, Qt::NoModifier, true, 38, ScanCodeScheme::PcSet1), vk::kL);
	// Keys outside the typing block keep their meaning.
	EXPECT_EQ(VirtualKeyOf(Qt::Key_Left, Qt::NoModifier, false, 113, xkb), vk::kLeft);
	EXPECT_EQ(VirtualKeyOf(Qt::Key_F6, Qt::NoModifier, false, 72, xkb), vk::kF6);
	EXPECT_EQ(VirtualKeyOf(Qt::Key_Space, Qt::NoModifier, true, 65, xkb), vk::kSpace);
	// Without scan codes the Qt key names the key.
	EXPECT_EQ(VirtualKeyOf(Qt::Key_F, Qt::NoModifier, true, 0, ScanCodeScheme::None), vk::kF);
	EXPECT_EQ(VirtualKeyOf(Qt::Key_5, Qt::KeypadModifier, true, 0, ScanCodeScheme::None),
	          vk::kNumpad0 + 5);
	EXPECT_EQ(VirtualKeyOf(kKeyEcaron, Qt::NoModifier, true, 0, ScanCodeScheme::None), vk::kOemOther);
	EXPECT_EQ(VirtualKeyOf(Qt::Key_VolumeUp, Qt::NoModifier, false, 0, ScanCodeScheme::None), 0);
}

TEST(KeyMappingTest, TypedCharacterAsAWindowsKeyboardGivesIt)
{
	const auto typed = [](Qt::Key key, Qt::KeyboardModifiers modifiers, const QString &text) {
		return TypedCharacter(QKeyEvent(QEvent::KeyPress, key, modifiers, text));
	};
	EXPECT_EQ(typed(kKeyCcaron, Qt::NoModifier, QStringLiteral("č")), Cp1250FromUtf8("č")[0]);
	EXPECT_EQ(typed(Qt::Key_C, Qt::ControlModifier, QStringLiteral("c")), '\x03');
	EXPECT_EQ(typed(Qt::Key_Return, Qt::NoModifier, QString()), '\r');
	EXPECT_EQ(typed(Qt::Key_Backspace, Qt::ShiftModifier, QString()), '\b');
	EXPECT_EQ(typed(Qt::Key_Escape, Qt::NoModifier, QString()), '\x1B');
	EXPECT_EQ(typed(Qt::Key_X, Qt::AltModifier, QStringLiteral("x")), std::nullopt);
	EXPECT_EQ(typed(Qt::Key_Up, Qt::NoModifier, QString()), std::nullopt);
	EXPECT_EQ(typed(Qt::Key_Delete, Qt::NoModifier, QStringLiteral("\x7f")), std::nullopt);
	EXPECT_EQ(typed(Qt::Key_unknown, Qt::NoModifier, QStringLiteral("→")), '?');
}

TEST(WindowSystemTest, X11WhereThereIsAnXServerAndTheUsersChoiceKept)
{
	const auto choose = [](const char *qt_platform, const char *display, const char *wayland,
	                       bool plugin) {
		return ChooseWindowSystem({qt_platform, display, wayland, plugin});
	};
	// A Wayland session with XWayland, Qt's Wayland platform installed or not:
	// X11, said nothing of.
	for (const bool plugin : {false, true}) {
		const WindowSystemChoice choice = choose("", ":0", "wayland-0", plugin);
		EXPECT_EQ(choice.platform, "xcb");
		EXPECT_TRUE(choice.can_start);
		EXPECT_EQ(choice.notice, "");
	}
	EXPECT_EQ(choose("", ":0", "", false).platform, "xcb") << "an X11 session";
	// The user's own choice (the tests' offscreen) is kept, whatever else.
	const WindowSystemChoice own = choose("offscreen", ":0", "wayland-0", true);
	EXPECT_EQ(own.platform, "");
	EXPECT_TRUE(own.can_start);
	EXPECT_EQ(choose("wayland", ":0", "wayland-0", true).platform, "");
	// Wayland without XWayland: its own platform, with a word on what is
	// missing there; without the platform, a message instead of Qt's abort.
	const WindowSystemChoice wayland = choose("", "", "wayland-0", true);
	EXPECT_EQ(wayland.platform, "wayland");
	EXPECT_TRUE(wayland.can_start);
	EXPECT_NE(wayland.notice.find("DISPLAY"), std::string::npos);
	const WindowSystemChoice missing = choose("", "", "wayland-0", false);
	EXPECT_FALSE(missing.can_start);
	EXPECT_NE(missing.notice.find("qt6-wayland"), std::string::npos);
	const WindowSystemChoice none = choose("", "", "", true);
	EXPECT_FALSE(none.can_start);
	EXPECT_NE(none.notice, "");

	// Qt's own arguments count as the environment does, and win over it (the
	// tests run with QT_QPA_PLATFORM=offscreen).
	char program[] = "velira", platform[] = "-platform", minimal[] = "minimal";
	char display[] = "-display", x_display[] = ":7";
	char *arguments[] = {program, platform, minimal, display, x_display, nullptr};
	const WindowSystemFacts given = ProbeWindowSystem(5, arguments);
	EXPECT_EQ(given.qt_platform, "minimal");
	EXPECT_EQ(given.x_display, ":7");
}

} // namespace
} // namespace velira
