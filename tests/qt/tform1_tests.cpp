#include "fakes/fake_mixer.h"
#include "fakes/fake_platform.h"
#include "platform/cp1250.h"
#include "runtime/screen.h"
#include "settings/localized_texts.h"
#include "settings/settings_file.h"
#include "shell/memory_image.h"
#include "shell/qt/tform1.h"
#include "shell/shutdown.h"

#include <QApplication>
#include <QDialog>
#include <QMenuBar>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>

namespace velira
{
namespace
{

class MainWindowTest : public ::testing::Test
{
protected:
	void SetUp() override
	{
		SetSettingsFilePath(folder.path() + "/velira.ini");
		mixer.Install();
		std::filesystem::copy_file(VELIRA_SHIPPED_DATA "/sounds.dat", "sounds.dat");
		screenCursor = tscrcursor();
		ramImage.fill(0);
	}
	void TearDown() override
	{
		languageBase = kCzechBase;
		ReleaseSoundObjects();
	}

	std::unique_ptr<TForm1> OpenWindow()
	{
		auto form = std::make_unique<TForm1>();
		form->FormCreate();
		form->show();
		QApplication::setActiveWindow(form.get());
		EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
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

TEST_F(MainWindowTest, StartByShortcutPrintsTheQuestionAndReadyTwice)
{
	auto form = OpenWindow();
	QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
	EXPECT_EQ(Row(*form, 0).trimmed(), QStringLiteral("hra loď. vieš čo máš robiť?"));
	EXPECT_EQ(Row(*form, 1).trimmed(), QStringLiteral("hotovo"));
	EXPECT_TRUE(form->Startsubmenu->isEnabled());
	EXPECT_TRUE(form->helpmenu->isEnabled());

	QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
	EXPECT_EQ(Row(*form, 2).trimmed(), QStringLiteral("hra loď. vieš čo máš robiť?"))
	    << "the second run continues below the first";
	EXPECT_EQ(Row(*form, 3).trimmed(), QStringLiteral("hotovo"));
}

TEST_F(MainWindowTest, StartIsIgnoredWhileRunningAndItemsComeBackAfterAnError)
{
	auto form = OpenWindow();
	// A folder in place of the DATA file makes the run fail at its start.
	std::filesystem::create_directory("data.dta");
	bool dialog_seen = false;
	QTimer::singleShot(0, [&] {
		for (QWidget *widget : QApplication::topLevelWidgets()) {
			if (auto *box = qobject_cast<QDialog *>(widget); box != nullptr && box->isVisible()) {
				dialog_seen = true;
				EXPECT_FALSE(form->Startsubmenu->isEnabled())
				    << "items stay disabled during the run";
				form->StartsubmenuClick(); // ignored: a run is in progress
				box->reject();
			}
		}
	});
	form->StartsubmenuClick();
	EXPECT_TRUE(dialog_seen) << "the error is reported";
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

} // namespace
} // namespace velira
