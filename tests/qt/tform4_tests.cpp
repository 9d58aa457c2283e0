#include "fakes/fake_mixer.h"
#include "fakes/fake_platform.h"
#include "fakes/fake_speech.h"
#include "platform/qt/qt_text.h"
#include "qt/qt_application.h"
#include "runtime/velcommands.h"
#include "settings/localized_texts.h"
#include "settings/settings_file.h"
#include "settings/shared_settings.h"
#include "shell/qt/tform1.h"
#include "shell/shutdown.h"
#include "speech/qt/tform4.h"
#include "speech/speech_output.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>

namespace velira
{
namespace
{

class VoiceDialogTest : public ::testing::Test
{
protected:
	void SetUp() override
	{
		languageBase = kEnglishBase;
		testing::CopyShippedData(folder.path());
		mixer.Install();
	}

	// The dialog as the shell has it once the main window is up.
	std::unique_ptr<TForm4> MakeDialog()
	{
		InitSpeech();
		auto form = std::make_unique<TForm4>();
		form->FormCreate();
		form->FillPendingVoiceList();
		return form;
	}

	bool Logged(const std::string &entry) const
	{
		const auto &log = speech.engines.log;
		return std::find(log.begin(), log.end(), entry) != log.end();
	}

	std::string Ini(const char *key, const std::string &fallback = "?")
	{
		return SettingsFile().ReadString("Voice", key, fallback);
	}

	testing::ScratchFolder folder;
	testing::FakePlatform platform;
	testing::FakeMixer mixer{platform.clock};
	testing::FakeSpeech speech{platform};
};

TEST_F(VoiceDialogTest, TheVoiceListPreselectsJakubCaseSensitivelyElseTheFirst)
{
	speech.engines.voices = {"Czech", "jakub", "Jakub", "English"};
	auto form = MakeDialog();
	EXPECT_EQ(form->voicelist->count(), 4);
	EXPECT_EQ(form->voicelist->currentRow(), 2);
	ASSERT_TRUE(speechObjects().selectedMode.has_value());
	EXPECT_EQ(speechObjects().selectedMode->mode_name, "Jakub");
	EXPECT_EQ(form->windowTitle(), QStringLiteral("Voice settings"));
	EXPECT_EQ(form->speedstatic->text(), QStringLiteral("&Speed"));

	speech.engines.voices = {"Slovak", "jakub"};
	form->FillVoiceList();
	EXPECT_EQ(form->voicelist->currentRow(), 0);
	EXPECT_EQ(speechObjects().selectedMode->mode_name, "Slovak");
}

TEST_F(VoiceDialogTest, TheVoicesAreListedWhenFirstNeededNotAtCreation)
{
	InitSpeech();
	TForm4 form;
	form.FormCreate();
	EXPECT_EQ(form.voicelist->count(), 0);
	EXPECT_FALSE(Logged("Reset")) << "the enumerator is not asked at start-up";
	EXPECT_FALSE(speechObjects().selectedMode.has_value());

	// The Start command's first step lists them and finds the stored voice.
	testing::WriteFile("velira.ini", "[Voice]\nperson=slovak\n");
	form.LoadVoiceSettings();
	EXPECT_EQ(form.voicelist->count(), 3);
	ASSERT_TRUE(speechObjects().selectedMode.has_value());
	EXPECT_EQ(speechObjects().selectedMode->mode_name, "Slovak");
	EXPECT_TRUE(voiceReady);

	// Listed once: later uses keep the list and its selection.
	const auto resets = std::count(speech.engines.log.begin(), speech.engines.log.end(), "Reset");
	form.FillPendingVoiceList();
	form.SaveVoiceSettings();
	EXPECT_EQ(std::count(speech.engines.log.begin(), speech.engines.log.end(), "Reset"), resets);
	EXPECT_EQ(Ini("person"), "Slovak");

	// With the voice not allowed nothing is listed at all.
	testing::WriteFile("velira.ini", "[voice]\nvoiceallowed=0\n");
	TForm4 silent;
	silent.FormCreate();
	silent.FillPendingVoiceList();
	EXPECT_EQ(silent.voicelist->count(), 0);
}

TEST_F(VoiceDialogTest, WithNoVoicesNothingIsSelectedAndTheSlidersStayDisabled)
{
	speech.engines.voices.clear();
	auto form = MakeDialog();
	EXPECT_EQ(form->voicelist->count(), 0);
	EXPECT_FALSE(speechObjects().selectedMode.has_value());
	form->SelectVoice();
	EXPECT_FALSE(voiceReady);
	EXPECT_EQ(speech.engines.centrals_created, 0);
	EXPECT_FALSE(form->pitchtb->isEnabled());
	EXPECT_FALSE(form->volumestatic->isEnabled());
}

TEST_F(VoiceDialogTest, SelectVoiceReadsTheRangesIntoTheSlidersAndInjectsEveryMove)
{
	speech.engines.speed = {true, 80, 450, 175};
	speech.engines.pitch = {true, 0, 105, 50};
	speech.engines.volume = {true, 0x00000000, 0xFFFFFFFF, 0xC8C8C8C8};
	auto form = MakeDialog();
	form->SelectVoice();

	EXPECT_TRUE(voiceReady);
	EXPECT_EQ(form->speedtb->minimum(), 80);
	EXPECT_EQ(form->speedtb->maximum(), 450);
	EXPECT_EQ(form->speedtb->value(), 175);
	EXPECT_EQ(form->speedtb->tickInterval(), 37);
	EXPECT_EQ(form->pitchtb->maximum(), 105);
	EXPECT_EQ(form->pitchtb->tickInterval(), 10) << "10.5 rounds to the even 10";
	EXPECT_EQ(form->volumetb->maximum(), 255);
	EXPECT_EQ(form->volumetb->value(), 200);
	for (QWidget *control :
	     {static_cast<QWidget *>(form->speedtb), static_cast<QWidget *>(form->pitchstatic),
	      static_cast<QWidget *>(form->volumetb)})
		EXPECT_TRUE(control->isEnabled());
	// The speed moved twice (up to the minimum, then to the current value).
	EXPECT_EQ(speech.engines.injected,
	          (std::vector<std::string>{"\\Spd=80\\", "\\Spd=175\\", "\\Pit=50\\", "\\Vol=51200\\"}));
	EXPECT_TRUE(speech.engines.spoken.empty()) << "the dialog is not active: nothing is spoken";
	EXPECT_EQ(speech.engines.log.back(), "Register");
	EXPECT_TRUE(speech.engines.central->HasSink());

	// The probes: the minimum with 0, the maximum with all ones.
	EXPECT_TRUE(Logged("SpeedSet:4294967295"));
	EXPECT_TRUE(Logged("PitchSet:65535"));

	speech.engines.speed = {true, 0, 115, 20};
	speech.engines.log.clear();
	form->SelectVoice();
	EXPECT_EQ(speech.engines.log.front(), "UnRegister") << "the sink leaves the old central first";
	EXPECT_EQ(form->speedtb->tickInterval(), 12) << "11.5 rounds to the even 12";
}

TEST_F(VoiceDialogTest, AttributesThatAreNotImplementedLeaveTheirSlidersAlone)
{
	speech.engines.speed.implemented = false;
	speech.engines.pitch.implemented = false;
	speech.engines.volume.implemented = false;
	auto form = MakeDialog();
	form->SelectVoice();
	EXPECT_EQ(form->speedtb->minimum(), 0);
	EXPECT_EQ(form->speedtb->maximum(), 10);
	EXPECT_EQ(form->volumetb->value(), 0);
	EXPECT_TRUE(form->speedtb->isEnabled()) << "enabled all the same";
	EXPECT_TRUE(speech.engines.injected.empty());
	EXPECT_FALSE(Logged("SpeedSet:0")) << "no probing after a get that is not implemented";
	EXPECT_TRUE(voiceReady);
}

TEST_F(VoiceDialogTest, LoadVoiceSettingsWithoutAPersonSelectsNothing)
{
	testing::WriteFile("velira.ini", "[Voice]\npitch=70\n");
	auto form = MakeDialog();
	voiceAllowed = true;
	form->LoadVoiceSettings();
	EXPECT_EQ(speech.engines.centrals_created, 0);
	EXPECT_EQ(form->pitchtb->value(), 0);
}

TEST_F(VoiceDialogTest, LoadVoiceSettingsFindsThePersonInAnyLetterCase)
{
	testing::WriteFile("velira.ini", "[voice]\nPERSON=slovak\nSpeed=300\nPitch=70\n");
	auto form = MakeDialog();
	form->LoadVoiceSettings();
	EXPECT_EQ(form->voicelist->currentItem()->text(), QStringLiteral("Slovak"));
	EXPECT_EQ(speech.engines.central->voice(), "Slovak");
	EXPECT_EQ(form->speedtb->value(), 300);
	EXPECT_EQ(form->pitchtb->value(), 70);
	EXPECT_EQ(form->volumetb->value(), 255) << "a missing volume reads 255";
	EXPECT_EQ(speech.engines.injected.back(), "\\Spd=300\\");
}

TEST_F(VoiceDialogTest, APersonNoLongerInstalledIsReportedAndThePreselectedVoiceUsed)
{
	testing::WriteFile("velira.ini", "[Voice]\nperson=Zuzana\npitch=0\n");
	auto form = MakeDialog();
	EXPECT_NO_THROW(form->LoadVoiceSettings()) << "the program must not end";
	EXPECT_EQ(platform.desktop.messages,
	          std::vector<std::string>{"Can't find the voice specified in the ini file: Zuzana"});
	EXPECT_TRUE(voiceReady);
	EXPECT_EQ(speech.engines.central->voice(), "Czech");
	EXPECT_EQ(form->pitchtb->value(), 0);
}

TEST_F(VoiceDialogTest, SaveVoiceSettingsWritesTheSelectedLineAndPositions)
{
	auto form = MakeDialog();
	form->SelectVoice();
	form->voicelist->setCurrentRow(2);
	form->speedtb->setValue(222);
	form->SaveVoiceSettings();
	EXPECT_EQ(Ini("person"), "English");
	EXPECT_EQ(Ini("speed"), "222");
	EXPECT_EQ(Ini("pitch"), "50");
	EXPECT_EQ(Ini("volume"), "255");
	EXPECT_EQ(speech.engines.central->voice(), "Czech")
	    << "moving in the list does not change the engine";
}

TEST_F(VoiceDialogTest, WhileActiveASliderMoveSilencesInjectsAndSpeaks)
{
	auto form = MakeDialog();
	form->SelectVoice();
	form->show();
	testing::SetActiveWindow(form.get());
	ASSERT_TRUE(QTest::qWaitForWindowActive(form.get(), testing::kWait_ms));
	EXPECT_TRUE(form->voiceDialogShown);
	ASSERT_GE(speech.engines.spoken.size(), 2u);
	EXPECT_EQ(speech.engines.spoken[0], "Voice settings");
	EXPECT_EQ(speech.engines.spoken[1], "&Voices Czech");

	speech.engines.log.clear();
	form->volumetb->setValue(200);
	EXPECT_EQ(speech.engines.log,
	          (std::vector<std::string>{"AudioReset", "Inject:\\Vol=51200\\", "TextData:200"}));

	speech.engines.spoken.clear();
	form->speedtb->setFocus(Qt::TabFocusReason);
	form->closebitbtn->setFocus(Qt::TabFocusReason);
	EXPECT_EQ(speech.engines.spoken, (std::vector<std::string>{"&Speed 175", "&Close"}));
	form->done(TForm4::kResultCancel);
	EXPECT_FALSE(form->voiceDialogShown);
}

// Beside a screen reader the dialog and its controls are presented by it;
// the dialog says none of them, but still sets the engine as a slider moves.
TEST_F(VoiceDialogTest, BesideAScreenReaderTheDialogLeavesItsControlsToIt)
{
	screenReaderMode = ScreenReaderMode::kAlways;
	speech.engines.voices = {"Czech", "Jakub", "English"};
	auto form = MakeDialog();
	form->SelectVoice();
	form->show();
	testing::SetActiveWindow(form.get());
	ASSERT_TRUE(QTest::qWaitForWindowActive(form.get(), testing::kWait_ms));
	form->speedtb->setFocus(Qt::TabFocusReason);
	form->closebitbtn->setFocus(Qt::TabFocusReason);
	form->voicelist->setFocus(Qt::TabFocusReason);
	form->voicelist->setCurrentRow(2);
	speech.engines.log.clear();
	form->volumetb->setValue(200);
	EXPECT_EQ(speech.engines.log, (std::vector<std::string>{"AudioReset", "Inject:\\Vol=51200\\"}));
	EXPECT_TRUE(speech.engines.spoken.empty()) << speech.engines.spoken.front();
	EXPECT_EQ(speechObjects().selectedMode->mode_name, "English") << "the list still chooses";
	form->done(TForm4::kResultCancel);
}

// An engine that fails while a control announces itself: the failure is
// reported with the engine's text, and the dialog stays and goes on.
TEST_F(VoiceDialogTest, AnEngineErrorInAFocusAnnouncementIsReportedAndTheDialogGoesOn)
{
	auto form = MakeDialog();
	form->SelectVoice();
	form->show();
	testing::SetActiveWindow(form.get());
	ASSERT_TRUE(QTest::qWaitForWindowActive(form.get(), testing::kWait_ms));
	speech.engines.text_data_result = kSpeechFailed;
	form->speedtb->setFocus(Qt::TabFocusReason);
	EXPECT_EQ(platform.desktop.errors, std::vector<std::string>{"Unspecified error"});
	EXPECT_TRUE(form->isVisible());

	speech.engines.text_data_result = kSpeechOk;
	speech.engines.spoken.clear();
	form->closebitbtn->setFocus(Qt::TabFocusReason);
	EXPECT_EQ(speech.engines.spoken, std::vector<std::string>{"&Close"});
	form->closebitbtn->click();
	EXPECT_FALSE(form->isVisible());
	EXPECT_EQ(form->result(), TForm4::kResultCancel);
}

TEST_F(VoiceDialogTest, ControlsHaveAccessibleNamesRolesAndValues)
{
	auto form = MakeDialog();
	form->SelectVoice();
	struct Expected {
		QWidget *widget;
		QAccessible::Role role;
		const char *name;
	};
	for (const Expected &expected : {Expected{form->voicelist, QAccessible::List, "Voices"},
	                                 Expected{form->pitchtb, QAccessible::Slider, "Pitch"},
	                                 Expected{form->speedtb, QAccessible::Slider, "Speed"},
	                                 Expected{form->volumetb, QAccessible::Slider, "Volume"},
	                                 Expected{form->vyberhlasbitbtn, QAccessible::Button, "Choose voice"},
	                                 Expected{form->closebitbtn, QAccessible::Button, "Close"}}) {
		QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(expected.widget);
		ASSERT_NE(accessible, nullptr);
		EXPECT_EQ(accessible->role(), expected.role) << expected.name;
		EXPECT_EQ(accessible->text(QAccessible::Name), QString::fromLatin1(expected.name));
	}
	QAccessibleValueInterface *value =
	    QAccessible::queryAccessibleInterface(form->speedtb)->valueInterface();
	ASSERT_NE(value, nullptr);
	EXPECT_EQ(value->currentValue().toInt(), 175);
	EXPECT_EQ(value->maximumValue().toInt(), 450);
}

class VoiceCommandsTest : public VoiceDialogTest
{
protected:
	void Open()
	{
		testing::WriteFile("velira.ini", "[environment]\nlanguage=2000\n");
		form1 = std::make_unique<TForm1>();
		form1->FormCreate();
		voiceAllowed = true;
		form4 = std::make_unique<TForm4>(form1.get());
		form4->FormCreate();
		form1->SetVoiceDialog(form4.get());
	}
	std::unique_ptr<TForm1> form1;
	std::unique_ptr<TForm4> form4;
};

TEST_F(VoiceCommandsTest, SwitchingTheNewerInterfaceSetsTheFlagsTheMenuAndTheSetting)
{
	Open();
	form1->Voicesubmenu->setEnabled(true);
	voiceReady = true;
	form1->usesapi5submenu->trigger();
	EXPECT_TRUE(useSapi5);
	EXPECT_TRUE(voiceReady);
	EXPECT_FALSE(form1->Voicesubmenu->isEnabled());
	EXPECT_EQ(Ini("sapi5"), "1");
	EXPECT_EQ(lastInstrument, 3);
	EXPECT_EQ(lastDuration, 50);
	EXPECT_EQ(platform.clock.now_ms, 100) << "two tones of 50 ms";

	form1->usesapi5submenu->trigger();
	EXPECT_FALSE(useSapi5);
	EXPECT_FALSE(voiceReady) << "characters are silent until the next SelectVoice";
	EXPECT_TRUE(form1->Voicesubmenu->isEnabled());
	EXPECT_EQ(Ini("SAPI5"), "0");
	EXPECT_TRUE(speech.voice.calls.empty()) << "nothing is spoken or stopped";
	EXPECT_EQ(speech.engines.centrals_created, 0) << "no engine is selected";
}

TEST_F(VoiceCommandsTest, TheVoiceCommandWithTheVoiceOffOnlyTellsWhy)
{
	Open();
	voiceAllowed = false;
	form1->VoicesubmenuClick();
	EXPECT_EQ(platform.desktop.messages,
	          std::vector<std::string>{LocalizedText(kEnglishBase, kTextVoiceOff)});
	EXPECT_EQ(speech.engines.centrals_created, 0);
}

TEST_F(VoiceCommandsTest, TheVoiceCommandSavesOnOkAndSaysTheTitleOnCancel)
{
	Open();
	QTimer::singleShot(0, [&] { form4->vyberhlasbitbtn->click(); });
	form1->VoicesubmenuClick();
	EXPECT_EQ(Ini("person"), "Czech");
	EXPECT_EQ(speech.engines.spoken.back(), "Voice selected.");

	form4->pitchtb->setValue(80);
	QTimer::singleShot(0, [&] { form4->closebitbtn->click(); });
	form1->VoicesubmenuClick();
	EXPECT_EQ(speech.engines.spoken.back(), ToCp1250(form1->windowTitle()));
	EXPECT_EQ(Ini("pitch"), "50") << "Cancel does not save";
}

TEST_F(VoiceCommandsTest, TheStartCommandSelectsAndStoresAVoiceOnce)
{
	Open();
	form1->PrepareVoiceForRun();
	EXPECT_TRUE(voiceReady);
	EXPECT_EQ(Ini("person"), "Czech");
	EXPECT_EQ(Ini("volume"), "255");
	const int created = speech.engines.centrals_created;
	form1->usesapi5submenu->setChecked(true);
	form1->PrepareVoiceForRun();
	EXPECT_EQ(speech.engines.centrals_created, created) << "not while the newer interface is chosen";
}

TEST_F(VoiceCommandsTest, TheMainWindowNamesItsControls)
{
	Open();
	EXPECT_EQ(QAccessible::queryAccessibleInterface(form1->printmemo)->text(QAccessible::Name),
	          QStringLiteral("Screen"));
	EXPECT_EQ(QAccessible::queryAccessibleInterface(form1->StatusBar)->text(QAccessible::Name),
	          QStringLiteral("Status bar"));
	EXPECT_EQ(form1->settingsmenu->accessibleName(), QStringLiteral("Settings"));
}

} // namespace
} // namespace velira
