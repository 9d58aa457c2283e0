#include "fakes/fake_mixer.h"
#include "fakes/fake_orca.h"
#include "fakes/fake_platform.h"
#include "fakes/fake_speech.h"
#include "fakes/game_player.h"
#include "fakes/test_banks.h"
#include "input/braille_tables.h"
#include "platform/cp1250.h"
#include "platform/qt/qt_platform.h"
#include "qt/qt_application.h"
#include "runtime/qt/screen_view.h"
#include "runtime/screen.h"
#include "runtime/velcommands.h"
#include "screen_reader/qt/orca_care.h"
#include "settings/localized_texts.h"
#include "settings/settings_file.h"
#include "settings/shared_settings.h"
#include "settings/view_settings.h"
#include "shell/file_locations.h"
#include "shell/memory_image.h"
#include "shell/qt/tform1.h"
#include "shell/qt/view_menu.h"
#include "shell/qt/window_place.h"
#include "shell/shutdown.h"
#include "sound/sound_bank.h"
#include "speech/speech_output.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QMenuBar>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <tuple>

namespace velira
{
namespace
{

class MainWindowTest : public ::testing::Test
{
protected:
	void SetUp() override
	{
		mixer.Install();
		std::filesystem::copy_file(VELIRA_SHIPPED_DATA "/sounds.dat", "sounds.dat");
		// The braille table and the keyboard files, as beside the executable.
		for (const auto &entry : std::filesystem::directory_iterator(VELIRA_SHIPPED_DATA)) {
			const std::string extension = entry.path().extension().string();
			if (extension == ".vbt" || extension == ".vky")
				std::filesystem::copy_file(entry.path(),
				                           std::filesystem::path(folder.path()) /
				                               entry.path().filename());
		}
	}

	std::unique_ptr<TForm1> OpenWindow()
	{
		auto form = std::make_unique<TForm1>();
		form->FormCreate();
		form->show();
		testing::SetActiveWindow(form.get());
		EXPECT_TRUE(QTest::qWaitForWindowActive(form.get(), testing::kWait_ms));
		return form;
	}

	QString Row(const TForm1 &form, int row)
	{
		return form.printmemo->document()->findBlockByNumber(row).text();
	}

	testing::ScratchFolder folder;
	testing::FakePlatform platform;
	testing::FakeMixer mixer{platform.clock};
};

TEST_F(MainWindowTest, CzechMenuByDefault)
{
	auto form = OpenWindow();
	EXPECT_EQ(form->Programmenu->title(), QStringLiteral("&Program"));
	EXPECT_EQ(form->Startsubmenu->text(), QStringLiteral("&Spustit"));
	EXPECT_EQ(form->Startsubmenu->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
	EXPECT_EQ(form->exitsubmenu->text(), QStringLiteral("Kon&ec"));
	EXPECT_EQ(form->Voicesubmenu->text(), QStringLiteral("&Hlas..."));
	EXPECT_EQ(form->Voicesubmenu->shortcut(), QKeySequence(QStringLiteral("Ctrl+H")));
	EXPECT_EQ(form->environmentsubmenu->text(), QStringLiteral("Prostř&edí..."));
	EXPECT_EQ(form->anouncetypeitem->shortcut(), QKeySequence(Qt::Key_F2));
	EXPECT_EQ(form->keyboardechoitem->shortcut(), QKeySequence(Qt::Key_F1));
	EXPECT_EQ(form->helpmenu->title(), QStringLiteral("Ná&pověda"));
	EXPECT_FALSE(form->autochangeitem->isVisible());
	EXPECT_FALSE(form->autochangeitem->isEnabled());
	EXPECT_TRUE(form->windowTitle().endsWith(QStringLiteral(" - Překladač Velira Basicu")));
	EXPECT_EQ(form->printmemo->document()->blockCount(), 24);
	EXPECT_TRUE(form->printmemo->isReadOnly());
}

TEST_F(MainWindowTest, EnglishFromTheSettingsFile)
{
	testing::WriteFile(folder.path() + "/velira.ini", "[environment]\nlanguage=2000\n");
	auto form = OpenWindow();
	EXPECT_EQ(form->Startsubmenu->text(), QStringLiteral("&Start"));
	EXPECT_EQ(form->soundssubmenu->text(), QStringLiteral("&Sounds..."));
	EXPECT_EQ(form->soundssubmenu->shortcut(), QKeySequence(QStringLiteral("Ctrl+D")));
	EXPECT_EQ(form->usesapi5submenu->text(), QStringLiteral("Use SA&PI5 voice"));
	EXPECT_EQ(form->aboutsubmenu->text(), QStringLiteral("&About"));
	EXPECT_TRUE(form->windowTitle().endsWith(QStringLiteral(" - Velira Basic Interpreter")));
}

// A first start learns whether a screen reader runs after the window is
// shown: the desktop voice is chosen when the answer comes, and said in it;
// the user's own choice of the voice before the answer stands.
TEST_F(MainWindowTest, AFirstStartChoosesTheDesktopVoiceWhenTheScreenReaderIsKnown)
{
	testing::FakeSpeech speech{platform};
	testing::FakeScreenReaderWatch watch;
	services().screenReader = &watch;
	for (const bool user_chose : {false, true}) {
		SCOPED_TRACE(user_chose ? "the user chose first" : "the answer came first");
		std::filesystem::remove("velira.ini");
		watch.presence = ScreenReaderPresence::kUnknown;
		auto form = OpenWindow();
		EXPECT_FALSE(form->usesapi5submenu->isChecked());
		if (user_chose) {
			form->usesapi5submenu->trigger();
			form->usesapi5submenu->trigger();
		}
		speech.voice.SpokenSinceLastAsked();
		watch.Answer(ScreenReaderPresence::kPresent);
		EXPECT_EQ(form->usesapi5submenu->isChecked(), !user_chose);
		EXPECT_EQ(useSapi5, !user_chose);
		EXPECT_EQ(form->Voicesubmenu->isEnabled(), user_chose);
		EXPECT_EQ(speech.voice.SpokenSinceLastAsked(),
		          user_chose ? std::vector<std::string>{}
		                     : std::vector<std::string>{"Používat hlas SAPI5"});
		EXPECT_EQ(SettingsFile().ReadBool("Voice", "sapi5", false), !user_chose);
		EXPECT_EQ(watch.changed.Count(), 1u) << "only the care of Orca's echo still listens";
	}
}

// The Colours items colour the screen, keep the scheme and say its name; the
// zoom commands make the window and its text larger and smaller, keep the
// size and say it; the grid stays whole in the window.
TEST_F(MainWindowTest, ColoursAndZoomAreSpokenKeptAndShown)
{
	testing::WriteFile(folder.path() + "/velira.ini", "[environment]\nlanguage=2000\n");
	testing::FakeSpeech speech{platform};
	auto form = OpenWindow();
	useSapi5 = voiceReady = true;
	speech.voice.SpokenSinceLastAsked();
	auto *screen = static_cast<ScreenView *>(form->printmemo);

	form->view->schemeitems[2]->trigger();
	EXPECT_EQ(colourScheme, ColourScheme::YellowOnBlack);
	EXPECT_EQ(screen->palette().color(QPalette::Base), QColor(Qt::black));
	EXPECT_EQ(screen->palette().color(QPalette::Text), QColor(Qt::yellow));
	EXPECT_TRUE(form->view->schemeitems[2]->isChecked());
	EXPECT_EQ(LoadColourScheme(), ColourScheme::YellowOnBlack);
	EXPECT_EQ(speech.voice.SpokenSinceLastAsked(), std::vector<std::string>{"Yellow on black"});

	const int before = screen->FontSize();
	form->view->smallertextitem->trigger();
	ASSERT_TRUE(LoadFontSize());
	const int smaller = *LoadFontSize();
	EXPECT_EQ(smaller, before - kFontSizeStep);
	EXPECT_TRUE(QTest::qWaitFor([&] { return screen->FontSize() == smaller; }, testing::kWait_ms));
	EXPECT_EQ(speech.voice.SpokenSinceLastAsked(),
	          std::vector<std::string>{"Font size " + std::to_string(smaller) + " pixels"});
	const QSize grid = screen->GridSize(screen->FontSize());
	EXPECT_LE(grid.width(), screen->contentsRect().width());
	EXPECT_LE(grid.height(), screen->contentsRect().height());
	form->view->largertextitem->trigger();
	EXPECT_EQ(LoadFontSize(), before);
}

// A window dragged on is kept every half second, not at each step nor only
// once it stops; its last place once it stops; and at once on the way out.
TEST(WindowPlaceTest, KeptAtMostEveryHalfSecondWhileItMovesAndOnTheWayOut)
{
	testing::ScratchFolder folder;
	QWidget window;
	QElapsedTimer clock;
	std::vector<std::pair<qint64, WindowPlacement>> kept;
	auto *place = new WindowPlace(&window, [&](const WindowPlacement &placement) {
		kept.emplace_back(clock.elapsed(), placement);
	});
	place->Restore([] { return QRect(100, 100, 400, 300); });
	window.show();
	ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, testing::kWait_ms));
	place->Keep();
	ASSERT_EQ(kept.size(), 1u);
	EXPECT_EQ(kept[0].second, (WindowPlacement{100, 100, 400, 300, false}));

	kept.clear();
	clock.start();
	int left = 100;
	ASSERT_TRUE(QTest::qWaitFor(
	    [&] {
		    window.setGeometry(++left, 100, 400, 300);
		    return kept.size() >= 3;
	    },
	    testing::kWait_ms));
	qint64 last = 0;
	for (const auto &[when, placement] : kept) {
		// Qt's coarse timers may fire 5 % early, and the clock counts whole
		// milliseconds: a write per move would come milliseconds apart.
		EXPECT_GE(when - last, WindowPlace::kInterval_ms * 9 / 10);
		EXPECT_GT(placement.x, 101);
		EXPECT_EQ(placement.width, 400);
		last = when;
	}
	ASSERT_TRUE(QTest::qWaitFor([&] { return kept.back().second.x == left; }, testing::kWait_ms))
	    << "the place where it stopped";

	const size_t writes = kept.size();
	window.setGeometry(50, 60, 400, 300);
	place->Keep();
	ASSERT_EQ(kept.size(), writes + 1) << "kept at once";
	EXPECT_EQ(kept.back().second.y, 60);
	place->Keep();
	EXPECT_EQ(kept.size(), writes + 1) << "an unchanged place is not written again";
}

TEST_F(MainWindowTest, TheScreenReaderItemGoesRoundItsThreeChoicesSavingAndSayingEach)
{
	testing::WriteFile(folder.path() + "/velira.ini", "[environment]\nlanguage=2000\n");
	testing::FakeSpeech speech{platform};
	auto form = OpenWindow();
	useSapi5 = voiceReady = true;
	speech.voice.SpokenSinceLastAsked();
	for (const auto &[mode, stored, said] : std::vector<std::tuple<ScreenReaderMode, std::string, int>>{
	         {ScreenReaderMode::kAlways, "always", kTextScreenReaderAlways},
	         {ScreenReaderMode::kNever, "never", kTextScreenReaderNever},
	         {ScreenReaderMode::kAuto, "auto", kTextScreenReaderAuto}}) {
		SCOPED_TRACE(stored);
		form->screenreaderitem->trigger();
		EXPECT_EQ(screenReaderMode, mode);
		EXPECT_EQ(IniFile(SettingsFilePath()).ReadString("voice", "screenreader", ""), stored);
		EXPECT_EQ(speech.voice.SpokenSinceLastAsked(),
		          std::vector<std::string>{Utf8FromCp1250(LocalizedText(languageBase, said))});
	}
}

// Beside an Orca 48 (a process table of the test's own): the start sets
// the shell's quiet settings in Orca's file for this application, and the
// user is told once, when the screen reader is known; the Orca item takes
// them out and puts them back, saving and saying each.
TEST_F(MainWindowTest, TheOrcaItemTakesTheShellsSettingsOutOfOrcaAndBack)
{
	const std::string nul(1, '\0');
	testing::WriteFakeOrca(folder.path(), 40, "48.1", "-u" + nul + folder.path() + "/orca" + nul, "");
	SetOrcaProcessTable(folder.path() + "/proc");
	const std::string file = folder.path() + "/orca/app-settings/" +
	                         QCoreApplication::applicationName().toStdString() + ".conf";
	testing::WriteFile(folder.path() + "/velira.ini", "[environment]\nlanguage=2000\n");
	testing::FakeSpeech speech{platform};
	testing::FakeScreenReaderWatch watch;
	services().screenReader = &watch;
	watch.presence = ScreenReaderPresence::kUnknown;
	auto form = OpenWindow();
	useSapi5 = voiceReady = true;
	const auto quiet = [&file] {
		return std::filesystem::exists(file) &&
		       testing::ReadFile(file).find("false") != std::string::npos;
	};
	EXPECT_TRUE(quiet());
	EXPECT_TRUE(speech.voice.SpokenSinceLastAsked().empty());
	watch.Answer(ScreenReaderPresence::kPresent);
	const std::string notice = Utf8FromCp1250(LocalizedText(languageBase, kTextOrcaQuietNotice));
	EXPECT_EQ(speech.voice.SpokenSinceLastAsked(), std::vector<std::string>{notice});
	EXPECT_EQ(IniFile(SettingsFilePath()).ReadString("voice", "orcanotice", ""), "1");

	form->orcaechoitem->trigger();
	EXPECT_FALSE(std::filesystem::exists(file));
	EXPECT_EQ(IniFile(SettingsFilePath()).ReadString("voice", "quietorca", ""), "0");
	EXPECT_EQ(speech.voice.SpokenSinceLastAsked(),
	          std::vector<std::string>{Utf8FromCp1250(LocalizedText(languageBase, kTextOrcaEchoOn))});
	form->orcaechoitem->trigger();
	EXPECT_TRUE(quiet());
	EXPECT_EQ(speech.voice.SpokenSinceLastAsked(),
	          std::vector<std::string>{Utf8FromCp1250(LocalizedText(languageBase, kTextOrcaEchoOff))});
	// Never serving a screen reader gives Orca its echo back.
	form->screenreaderitem->trigger();
	form->screenreaderitem->trigger();
	EXPECT_EQ(screenReaderMode, ScreenReaderMode::kNever);
	EXPECT_FALSE(std::filesystem::exists(file));
}

// In every language each menu's items have letters of their own: a letter
// two items share only moves between them, and the item never runs.
TEST_F(MainWindowTest, EachMenusLettersAreItsItemsOwnInEveryLanguage)
{
	for (const int language : {kCzechBase, kEnglishBase, kSlovakBase}) {
		SCOPED_TRACE(language);
		testing::WriteFile(folder.path() + "/velira.ini",
		                   "[environment]\nlanguage=" + std::to_string(language) + "\n");
		auto form = OpenWindow();
		const QList<QMenu *> menus = form->menuBar()->findChildren<QMenu *>();
		for (const QMenu *menu : menus) {
			std::map<int, QString> letters;
			for (const QAction *item : menu->actions()) {
				const int letter =
				    QKeySequence::mnemonic(item->text())[0].toCombined() & 0xffff;
				if (item->isSeparator() || letter == 0)
					continue;
				const auto [at, fresh] = letters.emplace(letter, item->text());
				// The device's own English captions share E: the letter moves
				// between the two, as it did there.
				const QStringList pair = {at->second, item->text()};
				const bool devices_own = pair.contains(QStringLiteral("&Environment...")) &&
				                         pair.contains(QStringLiteral("&Echo keyboard"));
				EXPECT_TRUE(fresh || devices_own)
				    << item->text().toStdString() << " and " << at->second.toStdString();
			}
		}
	}
}

TEST_F(MainWindowTest, StartByShortcutRunsAShortGameAndReadyTwice)
{
	testing::WriteFile("data.dta", Cp1250FromUtf8("vpravo,vľavo,vpredu,vzadu,"));
	auto form = OpenWindow();
	// The window's own timer stands in for the fake one the tones wait on.
	platform.timer.SetHandler([] { TimerTimer(); });
	// A player who answers every question at the first poll, starts the
	// engines and then lets the first attack through.
	testing::GamePlayer player(platform);
	const auto play_short_game = [&] {
		player.AfterPolls(1).Type("a").AfterPolls(1).Type("4").AfterPolls(1).Hold(0x8D);
	};
	play_short_game();
	player.Start();
	QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
	const auto expect_game_from = [&](int row) {
		EXPECT_EQ(Row(*form, row).trimmed(), QStringLiteral("hra loď. vieš čo máš robiť?"));
		EXPECT_EQ(Row(*form, row + 1).trimmed(), QStringLiteral("zvoľ rýchlosť plauby."));
		EXPECT_EQ(Row(*form, row + 2).trimmed(),
		          QStringLiteral("loď je pripravená k plaube. spusti motor."));
		EXPECT_TRUE(Row(*form, row + 3)
		                .startsWith(QStringLiteral("a tvoju loď zasiahlo ňepriaťelské torpédo v")));
		EXPECT_EQ(Row(*form, row + 4).trimmed(),
		          QStringLiteral("za podaný výkon ťa prepúšťam z armády."));
		EXPECT_EQ(Row(*form, row + 5).trimmed(), QStringLiteral("hotovo"));
	};
	expect_game_from(0);
	EXPECT_TRUE(player.Finished());
	EXPECT_TRUE(form->Startsubmenu->isEnabled());
	EXPECT_TRUE(form->helpmenu->isEnabled());
	EXPECT_EQ(ramImage[50730], 0) << "the screen review is allowed again";

	play_short_game();
	QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
	expect_game_from(6); // the second run continues below the first
	EXPECT_TRUE(player.Finished());
}

TEST_F(MainWindowTest, StartIsIgnoredWhileRunningAndItemsComeBackAfterAnError)
{
	auto form = OpenWindow();
	// A folder in place of the DATA file makes the run fail at its start.
	std::filesystem::create_directory("data.dta");
	platform.desktop.on_error = [&](const std::string &) {
		EXPECT_FALSE(form->Startsubmenu->isEnabled()) << "items stay disabled while the error shows";
		form->StartsubmenuClick(); // ignored: a run is in progress
	};
	form->StartsubmenuClick();
	ASSERT_EQ(platform.desktop.errors.size(), 1u) << "the error is reported once";
	EXPECT_NE(platform.desktop.errors[0].find("data.dta"), std::string::npos);
	EXPECT_TRUE(form->Startsubmenu->isEnabled());
	EXPECT_TRUE(form->soundssubmenu->isEnabled());
	EXPECT_TRUE(form->environmentsubmenu->isEnabled());
	EXPECT_TRUE(form->helpmenu->isEnabled());
	EXPECT_EQ(Row(*form, 0).trimmed(), QString()) << "the failed run printed nothing";
}

TEST_F(MainWindowTest, ClosingWritesTheMemoryImage)
{
	auto form = OpenWindow();
	ramImage[123] = 42;
	form->close();
	const std::string saved = testing::ReadFile("ram.dat");
	ASSERT_EQ(saved.size(), 65536u);
	EXPECT_EQ(saved[123], 42);
}

// Every file below a folder with its contents, to see that nothing changed.
std::map<std::string, std::string> Listing(const std::string &root)
{
	std::map<std::string, std::string> files;
	for (const auto &entry : std::filesystem::recursive_directory_iterator(root))
		files[entry.path().string()] = entry.is_regular_file() ? testing::ReadFile(entry.path()) : "";
	return files;
}

TEST_F(MainWindowTest, AnInstalledShellKeepsItsFilesPerUserAndTakesTheUsersDataFirst)
{
	const std::string installed = folder.path() + "/usr/share/velira";
	const std::string config = folder.path() + "/home/.config/velira";
	const std::string user = folder.path() + "/home/.local/share/velira";
	std::filesystem::create_directories(installed);
	testing::CopyShippedData(installed);
	FileLocations locations;
	locations.portable = false;
	locations.settings_file = config + "/velira.ini";
	locations.memory_image = user + "/ram.dat";
	locations.data_folders = {user, installed};
	locations.user_folders = {config, user};
	CreateUserFolders(locations);
	SetFileLocations(locations);
	SetSettingsFilePath(locations.settings_file);
	// The user's own braille table and sound bank; the keyboard files and
	// the DATA file are the installed ones.
	testing::WriteFile(user + "/czech.vbt", "[characters]\r\nx=1\r\n");
	testing::WriteFile(user + "/sounds.dat", WriteSoundBank({testing::PcmEntry("own", 100)}));
	testing::WriteFile(user + "/ram.dat", std::string(10, '\7'));
	// What the working folder holds is not the shell's any more.
	testing::WriteFile("ram.dat", std::string(65536, '\1'));
	const auto installed_before = Listing(installed);

	auto form = OpenWindow();
	EXPECT_TRUE(platform.desktop.errors.empty()) << platform.desktop.errors.front();
	EXPECT_EQ(TranslateChord("1"), "x") << "the user's braille table comes first";
	EXPECT_NO_THROW(FindWave("own")) << "the user's sound bank comes first";
	EXPECT_THROW(FindWave("click15"), std::exception) << "not mixed with the installed bank";
	EXPECT_EQ(keyboardFileName, installed + "/czech.vky");
	EXPECT_EQ(ramImage[9], 7) << "the user's memory image";
	EXPECT_EQ(ramImage[10], 0);
	EXPECT_NE(testing::ReadFile(config + "/velira.ini").find("velirasounds=1"), std::string::npos);

	ramImage[500] = 5;
	form->close();
	const std::string saved = testing::ReadFile(user + "/ram.dat");
	ASSERT_EQ(saved.size(), 65536u);
	EXPECT_EQ(saved[500], 5);
	EXPECT_EQ(testing::ReadFile("ram.dat"), std::string(65536, '\1'));
	EXPECT_FALSE(std::filesystem::exists("velira.ini"));
	EXPECT_EQ(Listing(installed), installed_before) << "nothing is written into the installation";
}

// Counts the paintings of a widget.
class PaintCounter final : public QObject
{
public:
	int paints = 0;

protected:
	bool eventFilter(QObject *watched, QEvent *event) override
	{
		if (event->type() == QEvent::Paint)
			++paints;
		return QObject::eventFilter(watched, event);
	}
};

TEST_F(MainWindowTest, TheScreenIsPaintedWhileAWaitHoldsTheInputBack)
{
	auto form = OpenWindow();
	QtMessagePump pump;
	pump.WaitHoldingInput(50); // the first showing is painted
	PaintCounter counter;
	form->printmemo->viewport()->installEventFilter(&counter);
	bool notified = false;
	QMetaObject::invokeMethod(
	    form.get(), [&notified] { notified = true; }, Qt::QueuedConnection);

	// What a print does just before a click or a punctuation pause.
	screenBuffer().FillAndOverwrite(0, 0, "menujem");
	screenBuffer().NotifyChanged();
	pump.WaitHoldingInput(50);
	EXPECT_GT(counter.paints, 0) << "the new text reaches the screen during the wait";
	EXPECT_TRUE(notified) << "an engine's notification is delivered";
	EXPECT_EQ(Row(*form, 0).left(7), QStringLiteral("menujem"));
	form->printmemo->viewport()->removeEventFilter(&counter);
}

} // namespace
} // namespace velira
