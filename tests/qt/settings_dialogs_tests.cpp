#include "fakes/fake_mixer.h"
#include "fakes/fake_platform.h"
#include "fakes/test_banks.h"
#include "platform/cp1250.h"
#include "qt/qt_application.h"
#include "runtime/velcommands.h"
#include "settings/localized_texts.h"
#include "settings/qt/taboutbox.h"
#include "settings/qt/tform3.h"
#include "settings/settings_file.h"
#include "settings/shared_settings.h"
#include "shell/memory_image.h"
#include "shell/qt/tform1.h"
#include "shell/shutdown.h"
#include "sound/qt/tform5.h"
#include "speech/speech_output.h"
#include "speech/voice_commands.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace velira
{
namespace
{

QString Utf8(const char *text)
{
	return QString::fromUtf8(text);
}

// Types a key into whatever has the keyboard focus, as the user would.
void Type(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
	QWidget *target = QApplication::focusWidget();
	if (target == nullptr) {
		ADD_FAILURE() << "nothing has the keyboard focus";
		return;
	}
	QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
}

// Runs `script` inside the modal loop of `dialog` once it is open. A script
// that leaves the dialog open fails the test, and the dialog is closed so the
// test goes on.
void WhenOpen(QDialog *dialog, std::function<void()> script)
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

class DialogTest : public ::testing::Test
{
protected:
	void SetUp() override
	{
		SetSettingsFilePath(ini);
		testing::CopyShippedData(folder.path());
		mixer.Install();
	}

	// The main window after its start-up, with the dialogs created after it
	// as the process entry creates them.
	void Start()
	{
		form1 = std::make_unique<TForm1>();
		form1->FormCreate();
		form3 = std::make_unique<TForm3>(form1.get());
		form3->FormCreate();
		form1->SetForm3(form3.get());
		form5 = std::make_unique<TForm5>(form1.get());
		form5->FormCreate();
		form1->SetForm5(form5.get());
		form1->show();
		testing::SetActiveWindow(form1.get());
		ASSERT_TRUE(QTest::qWaitForWindowActive(form1.get(), testing::kWait_ms));
	}

	std::string Stored(const char *section, const char *key)
	{
		return IniFile(ini).ReadString(section, key, "<absent>");
	}

	testing::ScratchFolder folder;
	testing::FakePlatform platform;
	testing::FakeMixer mixer{platform.clock};
	std::string ini = folder.path() + "/velira.ini";
	std::unique_ptr<TForm1> form1;
	std::unique_ptr<TForm3> form3;
	std::unique_ptr<TForm5> form5;
};

// ---- Start-up -------------------------------------------------------------

// The file's keys and values at start-up are checked with LoadSettings; here
// the window's side of it.
TEST_F(DialogTest, FirstStartIsCzechAndOffersTheVoiceDialogOnlyWithEngines)
{
	Start();
	EXPECT_EQ(Stored("voice", "voiceallowed"), SpeechEnginesAvailable() ? "1" : "0");
	EXPECT_EQ(form1->Voicesubmenu->isEnabled(), SpeechEnginesAvailable());
	EXPECT_EQ(form1->Startsubmenu->text(), Utf8("&Spustit"));
	EXPECT_EQ(form5->windowTitle(), Utf8("Nastavení zvuků"));
	EXPECT_FALSE(useSapi5);
}

TEST_F(DialogTest, EnglishOnlyFileLabelsEveryWindowInEnglish)
{
	testing::WriteFile(ini, "[environment]\nlanguage=2000\n");
	Start();
	EXPECT_EQ(form1->Startsubmenu->text(), Utf8("&Start"));
	EXPECT_EQ(form3->windowTitle(), Utf8("environment settings"));
	EXPECT_EQ(form5->windowTitle(), Utf8("Sounds settings"));
	EXPECT_TRUE(voiceAllowed);
	EXPECT_TRUE(form1->Voicesubmenu->isEnabled());
}

TEST_F(DialogTest, Sapi5DisablesTheVoiceDialogAndPreparesTheVoice)
{
	testing::WriteFile(ini, "[voice]\nvoiceallowed=1\n[Voice]\nSAPI5=1\n[keyboard]\nbraillekeys=1\n");
	Start();
	EXPECT_TRUE(form1->usesapi5submenu->isChecked());
	EXPECT_FALSE(form1->Voicesubmenu->isEnabled()) << "even with the voice allowed";
	EXPECT_TRUE(useSapi5);
	EXPECT_TRUE(voiceReady);
	EXPECT_TRUE(form1->braillekeyboarditem->isChecked());
	EXPECT_TRUE(brailleKeyboard);
}

TEST_F(DialogTest, AnUnwritableSettingsFileIsReportedAndTheShellRunsOn)
{
	ini = folder.path() + "/nowhere/velira.ini";
	SetSettingsFilePath(ini);
	testing::WriteFile("ram.dat", std::string(65536, '\x07'));
	ramImage[0] = 9;

	Start();
	EXPECT_EQ(platform.desktop.errors, std::vector<std::string>{"Unable to write to " + ini});
	EXPECT_EQ(ramImage[0], 9) << "the steps after the settings are skipped";
	EXPECT_TRUE(form1->isVisible());
	EXPECT_TRUE(form1->Startsubmenu->isEnabled());
	EXPECT_EQ(form3->windowTitle(), Utf8("Nastavení prostředí")) << "the other windows are created";
}

// ---- Sounds dialog --------------------------------------------------------

TEST_F(DialogTest, SoundsDialogLayoutAndKeyboard)
{
	testing::WriteFile(ini, "[environment]\nlanguage=2000\n");
	Start();
	EXPECT_EQ(form5->voicecheckbox->text(), Utf8("Use the &voice"));
	EXPECT_EQ(form5->velirasoundschk->text(), Utf8("&Velira sounds"));
	EXPECT_EQ(form5->sndvolstatic->text(), Utf8("Sound vo&lume"));
	EXPECT_EQ(form5->okbitbtn->text(), Utf8("&OK"));
	EXPECT_EQ(form5->cancelbitbtn->text(), Utf8("Cancel"));
	EXPECT_EQ(form5->sndvoltrackbar->accessibleName(), Utf8("Sound volume"));

	std::vector<QString> focus_order;
	WhenOpen(form5.get(), [&] {
		EXPECT_EQ(QApplication::focusWidget(), form5->voicecheckbox);
		for (int i = 0; i < 5; ++i) {
			focus_order.push_back(QApplication::focusWidget()->objectName());
			EXPECT_FALSE(QApplication::focusWidget()->accessibleName().isEmpty());
			Type(Qt::Key_Tab);
		}
		// The label's access key reaches the track bar.
		Type(Qt::Key_L, Qt::AltModifier);
		EXPECT_EQ(QApplication::focusWidget(), form5->sndvoltrackbar);
		Type(Qt::Key_Escape);
	});
	QTest::keyClick(form1.get(), Qt::Key_D, Qt::ControlModifier);
	EXPECT_EQ(focus_order, (std::vector<QString>{"voicecheckbox", "velirasoundschk", "sndvoltrackbar",
	                                             "okbitbtn", "cancelbitbtn"}));
}

TEST_F(DialogTest, TheVolumeIsLiveAndCancelPutsItBack)
{
	testing::WriteFile(ini, "[sounds]\nsndvolume=-2550\n");
	Start();
	const std::string stored_before = testing::ReadFile(ini);
	int64_t opened_ms = 0;
	WhenOpen(form5.get(), [&] {
		EXPECT_EQ(form5->sndvoltrackbar->value(), 74);
		EXPECT_EQ(soundVolume, -2600) << "set at once when the bar moved";
		EXPECT_EQ(platform.clock.now_ms, opened_ms) << "no preview before the dialog is active";
		Type(Qt::Key_Tab);
		Type(Qt::Key_Tab);
		for (int i = 0; i < 6; ++i)
			Type(Qt::Key_Right);
		EXPECT_EQ(form5->sndvoltrackbar->value(), 80);
		EXPECT_EQ(soundVolume, -2000);
		EXPECT_EQ(platform.clock.now_ms - opened_ms, 6 * 100) << "one 100 ms preview note per step";
		EXPECT_EQ(lastInstrument, 1);
		Type(Qt::Key_PageUp);
		EXPECT_EQ(form5->sndvoltrackbar->value(), 82) << "page keys move by 2";
		Type(Qt::Key_Escape);
	});
	opened_ms = platform.clock.now_ms;
	form1->soundssubmenuClick();
	EXPECT_EQ(soundVolume, -2600);
	EXPECT_EQ(testing::ReadFile(ini), stored_before) << "Cancel writes nothing";
}

TEST_F(DialogTest, AVolumeAboveFullIsHeldAtTheEndOfTheBar)
{
	testing::WriteFile(ini, "[sounds]\nsndvolume=500\n");
	Start();
	WhenOpen(form5.get(), [&] {
		EXPECT_EQ(form5->sndvoltrackbar->value(), 100);
		EXPECT_EQ(soundVolume, 0);
		Type(Qt::Key_Return);
	});
	form1->soundssubmenuClick();
	EXPECT_EQ(Stored("sounds", "sndvolume"), "0");

	EXPECT_EQ(TrackBarPositionForVolume(2147483647), 100) << "no overflow near the integer limit";
	EXPECT_EQ(TrackBarPositionForVolume(-2147483647 - 1), 0);
	EXPECT_EQ(TrackBarPositionForVolume(-10050), 0);
	EXPECT_EQ(TrackBarPositionForVolume(-9950), 0) << "truncated toward zero";
	EXPECT_EQ(TrackBarPositionForVolume(-2501), 74);
}

TEST_F(DialogTest, NoPreviewWhileTheDeviceSoundsAreOff)
{
	testing::WriteFile(ini, "[sounds]\nvelirasounds=0\nsndvolume=-5000\n");
	Start();
	const int64_t before_ms = platform.clock.now_ms;
	WhenOpen(form5.get(), [&] {
		EXPECT_FALSE(form5->sndvoltrackbar->isEnabled());
		Type(Qt::Key_Tab);
		Type(Qt::Key_Space); // device sounds on: the bar follows
		EXPECT_TRUE(form5->sndvoltrackbar->isEnabled());
		Type(Qt::Key_Tab);
		Type(Qt::Key_Right);
		EXPECT_EQ(soundVolume, -4900);
		EXPECT_EQ(platform.clock.now_ms, before_ms) << "the switch takes effect only on OK";
		Type(Qt::Key_Return);
	});
	form1->soundssubmenuClick();
	EXPECT_TRUE(deviceSounds);
	EXPECT_EQ(Stored("sounds", "velirasounds"), "1");
	EXPECT_EQ(Stored("sounds", "sndvolume"), "-4900");
}

// A bank without the preview note's wave: moving the bar reports the error
// at each step, and the dialog stays open and works on to its OK.
TEST_F(DialogTest, AnErrorInTheVolumePreviewIsReportedAndTheDialogWorksOn)
{
	std::vector<SoundBankEntry> waves = testing::StatementWaves(3);
	testing::WriteFile("sounds.dat", WriteSoundBank(waves));
	Start();
	ASSERT_TRUE(platform.desktop.errors.empty());
	bool open_after_error = false;
	WhenOpen(form5.get(), [&] {
		Type(Qt::Key_Tab);
		Type(Qt::Key_Tab);
		Type(Qt::Key_Left);
		open_after_error = form5->isVisible();
		Type(Qt::Key_Left);
		Type(Qt::Key_Return);
	});
	form1->soundssubmenuClick();
	EXPECT_EQ(platform.desktop.errors, std::vector<std::string>(2, "Wave 'snd11' not found"));
	EXPECT_TRUE(open_after_error);
	EXPECT_FALSE(soundWaiting) << "no tone is left waiting";
	EXPECT_EQ(Stored("sounds", "sndvolume"), "-200") << "OK still saves the volume";
}

TEST_F(DialogTest, AllowingTheVoiceWithoutEnginesIsRefused)
{
	if (SpeechEnginesAvailable())
		GTEST_SKIP() << "speech engines are installed here";
	testing::WriteFile(ini, "[environment]\nlanguage=2000\n[voice]\nvoiceallowed=0\n");
	Start();
	ASSERT_FALSE(voiceAllowed);
	WhenOpen(form5.get(), [&] {
		EXPECT_FALSE(form5->voicecheckbox->isChecked());
		Type(Qt::Key_Space);
		EXPECT_TRUE(form5->voicecheckbox->isChecked());
		Type(Qt::Key_Return);
	});
	form1->soundssubmenuClick();
	EXPECT_EQ(platform.desktop.messages,
	          std::vector<std::string>{"Can't allow voice, no voices are available"});
	EXPECT_FALSE(form5->voicecheckbox->isChecked());
	EXPECT_FALSE(voiceAllowed);
	EXPECT_FALSE(form1->Voicesubmenu->isEnabled());
	EXPECT_EQ(Stored("voice", "voiceallowed"), "0");
}

TEST_F(DialogTest, ForbiddingTheVoiceDisablesTheVoiceDialog)
{
	testing::WriteFile(ini, "[voice]\nvoiceallowed=1\n");
	Start();
	ASSERT_TRUE(form1->Voicesubmenu->isEnabled());
	WhenOpen(form5.get(), [&] {
		Type(Qt::Key_Space);
		Type(Qt::Key_Return);
	});
	form1->soundssubmenuClick();
	EXPECT_FALSE(voiceAllowed);
	EXPECT_FALSE(form1->Voicesubmenu->isEnabled());
	EXPECT_EQ(Stored("voice", "voiceallowed"), "0");
	EXPECT_TRUE(platform.desktop.messages.empty());
}

// ---- Environment dialog ---------------------------------------------------

TEST_F(DialogTest, EnvironmentDialogOpensOnTheCurrentLanguage)
{
	testing::WriteFile(ini, "[environment]\nlanguage=2000\n");
	Start();
	ASSERT_EQ(form3->LanguageCount(), 3);
	std::vector<QString> focus_order;
	WhenOpen(form3.get(), [&] {
		EXPECT_EQ(form3->SelectedLanguageIndex(), 1);
		EXPECT_EQ(form3->windowTitle(), Utf8("environment settings"));
		EXPECT_EQ(form3->languagergroup->title(), Utf8("&Language"));
		EXPECT_EQ(form3->languagergroup->accessibleName(), Utf8("Language"));
		for (int i = 0; i < 3; ++i) {
			focus_order.push_back(QApplication::focusWidget()->accessibleName());
			Type(Qt::Key_Tab);
		}
		Type(Qt::Key_Return); // back on the English entry: OK is the default button
	});
	QTest::keyClick(form1.get(), Qt::Key_E, Qt::ControlModifier);
	EXPECT_EQ(focus_order, (std::vector<QString>{Utf8("English"), Utf8("OK"), Utf8("Cancel")}));
	EXPECT_EQ(Stored("environment", "language"), "2000") << "stored also when unchanged";
	EXPECT_TRUE(platform.desktop.messages.empty());
}

TEST_F(DialogTest, PickingALanguageRelabelsTheDialogAndOkTellsToRestart)
{
	testing::WriteFile(ini, "[environment]\nlanguage=2000\n");
	Start();
	WhenOpen(form3.get(), [&] {
		Type(Qt::Key_Down);
		EXPECT_EQ(form3->SelectedLanguageIndex(), 2);
		EXPECT_EQ(form3->windowTitle(), Utf8("Nastavenie prostredia"));
		EXPECT_EQ(form3->languagergroup->title(), Utf8("&jazyk"));
		EXPECT_EQ(form3->okbitbtn->text(), Utf8("&Ok"));
		EXPECT_EQ(form3->cancelbitbtn->text(), Utf8("Zrušiť"));
		Type(Qt::Key_Return);
	});
	form1->environmentsubmenuClick();
	EXPECT_EQ(Stored("environment", "language"), "3000");
	EXPECT_EQ(platform.desktop.messages,
	          std::vector<std::string>{
	              Cp1250FromUtf8("Vykonané zmeny sa prejavia až po najbližšom spustení programu.")});
	EXPECT_EQ(form1->Startsubmenu->text(), Utf8("&Start")) << "the main window keeps its captions";
}

// The language cannot be stored: the report says why, and the dialog opens
// and works again afterwards.
TEST_F(DialogTest, AnUnwritableSettingsFileOnOkIsReportedAndTheDialogOpensAgain)
{
	testing::WriteFile(ini, "[environment]\nlanguage=2000\n");
	Start();
	const std::string unreachable = folder.path() + "/nowhere/velira.ini";
	SetSettingsFilePath(unreachable);
	WhenOpen(form3.get(), [&] { Type(Qt::Key_Return); });
	form1->environmentsubmenuClick();
	EXPECT_EQ(platform.desktop.errors, std::vector<std::string>{"Unable to write to " + unreachable});
	EXPECT_TRUE(platform.desktop.messages.empty()) << "no restart message after a failed save";

	SetSettingsFilePath(ini);
	WhenOpen(form3.get(), [&] {
		Type(Qt::Key_Down);
		Type(Qt::Key_Return);
	});
	form1->environmentsubmenuClick();
	EXPECT_EQ(Stored("environment", "language"), "3000");
	EXPECT_EQ(platform.desktop.errors.size(), 1u);
}

TEST_F(DialogTest, PickingAndReturningToTheSameLanguageShowsNoMessage)
{
	Start();
	WhenOpen(form3.get(), [&] {
		EXPECT_EQ(form3->SelectedLanguageIndex(), 0);
		Type(Qt::Key_Down);
		Type(Qt::Key_Up);
		Type(Qt::Key_Return);
	});
	form1->environmentsubmenuClick();
	EXPECT_EQ(Stored("environment", "language"), "1000");
	EXPECT_TRUE(platform.desktop.messages.empty());
}

TEST_F(DialogTest, CancelPutsTheLanguageBackAndStoresNothing)
{
	testing::WriteFile(ini, "[environment]\nlanguage=2000\n");
	Start();
	const std::string stored_before = testing::ReadFile(ini);
	WhenOpen(form3.get(), [&] {
		Type(Qt::Key_Up);
		EXPECT_EQ(languageBase, 1000) << "picked at once so the dialog can relabel";
		Type(Qt::Key_Escape);
	});
	form1->environmentsubmenuClick();
	EXPECT_EQ(languageBase, 2000);
	EXPECT_EQ(testing::ReadFile(ini), stored_before);
	EXPECT_TRUE(platform.desktop.messages.empty());

	// The next opening starts again from the language in force.
	WhenOpen(form3.get(), [&] {
		EXPECT_EQ(form3->SelectedLanguageIndex(), 1);
		EXPECT_EQ(form3->windowTitle(), Utf8("environment settings"));
		Type(Qt::Key_Escape);
	});
	form1->environmentsubmenuClick();
}

TEST_F(DialogTest, AStoredLanguageOutsideTheBlocksSelectsByThousands)
{
	testing::WriteFile(ini, "[environment]\nlanguage=2500\n");
	Start();
	EXPECT_EQ(languageBase, 2500) << "the dialog's creation reads the stored value again";
	WhenOpen(form3.get(), [&] {
		EXPECT_EQ(form3->SelectedLanguageIndex(), 1);
		EXPECT_EQ(languageBase, 2000) << "replaced by the entry's base";
		Type(Qt::Key_Return);
	});
	form1->environmentsubmenuClick();
	EXPECT_EQ(Stored("environment", "language"), "2000");
	EXPECT_TRUE(platform.desktop.messages.empty());

	languageBase = 999;
	WhenOpen(form3.get(), [&] {
		EXPECT_EQ(form3->SelectedLanguageIndex(), -1) << "below 1000 no entry";
		Type(Qt::Key_Escape);
	});
	form1->environmentsubmenuClick();

	EXPECT_EQ(LanguageIndexForBase(-7000, 3), -1);
	EXPECT_EQ(LanguageIndexForBase(3999, 3), 2);
	EXPECT_EQ(LanguageIndexForBase(9000, 3), 2) << "beyond the last: the last";
}

// ---- About box ------------------------------------------------------------

TEST_F(DialogTest, CzechAboutBox)
{
	TAboutbox about;
	about.FormCreate();
	EXPECT_EQ(about.windowTitle(), Utf8("O programu"));
	EXPECT_EQ(about.ProductName->text(), Utf8("Překladač Velira Basicu"));
	EXPECT_EQ(about.Version->text(), Utf8("verze 1.8"));
	EXPECT_EQ(about.OKButton->text(), Utf8("&Ok"));
	EXPECT_FALSE(about.Copyright->text().isEmpty());
	EXPECT_TRUE(about.Comments->text().isEmpty());
	EXPECT_FALSE(about.ProgramIcon->accessibleName().isEmpty());
	EXPECT_EQ(about.ProgramIcon->size(), QSize(32, 32));

	bool focus_on_ok = false;
	WhenOpen(&about, [&] {
		focus_on_ok = QApplication::focusWidget() == about.OKButton;
		const QPoint centre = about.frameGeometry().center();
		const QPoint screen_centre = about.screen()->availableGeometry().center();
		EXPECT_LE((centre - screen_centre).manhattanLength(), 2);
		Type(Qt::Key_Return);
	});
	EXPECT_EQ(about.exec(), QDialog::Accepted);
	EXPECT_TRUE(focus_on_ok);
}

} // namespace
} // namespace velira
