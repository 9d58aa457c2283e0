#include "shell/qt/tform1.h"
#include "runtime/qt/screen_view.h"
#include "settings/qt/captions.h"
#include "shell/qt/view_menu.h"
#include "shell/qt/window_place.h"

#include "input/braille_display.h"
#include "input/keyboard_commands.h"
#include "input/qt/tform2.h"
#include "platform/qt/error_boundary.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/qt_text.h"
#include "platform/services.h"
#include "program/velprog.h"
#include "review/screen_review.h"
#include "runtime/screen.h"
#include "runtime/velcommands.h"
#include "screen_reader/qt/orca_care.h"
#include "settings/localized_texts.h"
#include "settings/qt/taboutbox.h"
#include "settings/shared_settings.h"
#include "shell/memory_image.h"
#include "shell/shutdown.h"
#include "speech/speech_output.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QMenuBar>
#include <QTextBlock>

#include <algorithm>

namespace velira
{

namespace
{

QAction *AddItem(QMenu *menu, const char *name, const QKeySequence &shortcut = {})
{
	auto *action = menu->addAction(QString());
	action->setObjectName(QString::fromLatin1(name));
	if (!shortcut.isEmpty())
		action->setShortcut(shortcut);
	return action;
}

} // namespace

QString MainWindowTitle(const QString &executable_path)
{
	return QFileInfo(executable_path).completeBaseName() + QStringLiteral(" - ") +
	       FromCp1250(LocalizedText(languageBase, kTextAppTitle));
}

TForm1::TForm1(QWidget *parent) : QMainWindow(parent)
{
	setObjectName(QStringLiteral("TForm1"));
	setGeometry(192, 107, 500, 350);

	// The whole 80x24 screen at every size of the window, in the chosen
	// colours.
	auto *screen = new ScreenView(kScreenRows, this);
	printmemo = screen;
	printmemo->setObjectName(QStringLiteral("printmemo"));
	printmemo->setReadOnly(true);
	FollowColourScheme(printmemo);
	printmemo->setTabChangesFocus(true);
	printmemo->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
	setCentralWidget(printmemo);
	// The window sees every key before its controls.
	printmemo->installEventFilter(this);

	StatusBar = new QStatusBar(this);
	StatusBar->setObjectName(QStringLiteral("StatusBar"));
	setStatusBar(StatusBar);

	Timer = new QtTimer(this);
	Timer->SetHandler([] { RunHandler([] { TimerTimer(); }); });

	BuildMenu();
	view = new ViewMenu(this, screen, settingsmenu);
	place = new WindowPlace(this);
	keyboard_menu_ = MakeKeyboardMenu();
	screen_shown_ = services().screenChanged.Add([this] { ShowScreen(); });
}

TForm1::~TForm1()
{
	screen_shown_.Cancel();
	// Not a QObject: the window's children do not include it.
	delete Timer;
	Timer = nullptr;
}

void TForm1::BuildMenu()
{
	QMenuBar *bar = menuBar();
	bar->setObjectName(QStringLiteral("MainMenu"));

	Programmenu = bar->addMenu(QString());
	Programmenu->setObjectName(QStringLiteral("Programmenu"));
	Startsubmenu = AddItem(Programmenu, "Startsubmenu", QKeySequence(Qt::CTRL | Qt::Key_S));
	// Typing practice in the data-entry dialog, braille or ordinary keys.
	dataentryitem = AddItem(Programmenu, "dataentryitem", QKeySequence(Qt::CTRL | Qt::Key_T));
	anouncetypeitem = AddItem(Programmenu, "anouncetypeitem", QKeySequence(Qt::Key_F2));
	// The screen review stays usable during a run: the program itself
	// forbids it through its memory guard.
	screenreviewitem = AddItem(Programmenu, "screenreviewitem", QKeySequence(Qt::CTRL | Qt::Key_R));
	exitsubmenu = AddItem(Programmenu, "exitsubmenu");

	settingsmenu = bar->addMenu(QString());
	settingsmenu->setObjectName(QStringLiteral("settingsmenu"));
	braillekeyboarditem =
	    AddItem(settingsmenu, "braillekeyboarditem", QKeySequence(Qt::CTRL | Qt::Key_B));
	braillekeyboarditem->setCheckable(true);
	autochangeitem = AddItem(settingsmenu, "autochangeitem", QKeySequence(Qt::CTRL | Qt::Key_A));
	autochangeitem->setCheckable(true);
	keyboardechoitem = AddItem(settingsmenu, "keyboardechoitem", QKeySequence(Qt::Key_F1));
	brailledisplayitem = AddItem(settingsmenu, "brailledisplayitem");
	brailledisplayitem->setCheckable(true);
	brailledisplayitem->setChecked(true);
	settingsmenu->addSeparator();
	soundssubmenu = AddItem(settingsmenu, "soundssubmenu", QKeySequence(Qt::CTRL | Qt::Key_D));
	Voicesubmenu = AddItem(settingsmenu, "Voicesubmenu", QKeySequence(Qt::CTRL | Qt::Key_H));
	settingsmenu->addSeparator();
	usesapi5submenu = AddItem(settingsmenu, "usesapi5submenu", QKeySequence(Qt::CTRL | Qt::Key_P));
	usesapi5submenu->setCheckable(true);
	screenreaderitem = AddItem(settingsmenu, "screenreaderitem");
	orcaechoitem = AddItem(settingsmenu, "orcaechoitem");
	environmentsubmenu = AddItem(settingsmenu, "environmentsubmenu", QKeySequence(Qt::CTRL | Qt::Key_E));

	helpmenu = bar->addMenu(QString());
	helpmenu->setObjectName(QStringLiteral("helpmenu"));
	aboutsubmenu = AddItem(helpmenu, "aboutsubmenu");

	connect(Startsubmenu, &QAction::triggered, this, [this] { StartsubmenuClick(); });
	connect(dataentryitem, &QAction::triggered, this, [this] { dataentryitemClick(); });
	connect(anouncetypeitem, &QAction::triggered, this, [this] { anouncetypeitemClick(); });
	connect(screenreviewitem, &QAction::triggered, this, [this] { screenreviewitemClick(); });
	connect(exitsubmenu, &QAction::triggered, this, [this] { exitsubmenuClick(); });
	connect(braillekeyboarditem, &QAction::triggered, this, [this] { braillekeyboarditemClick(); });
	connect(autochangeitem, &QAction::triggered, this, [this] { autochangeitemClick(); });
	connect(keyboardechoitem, &QAction::triggered, this, [this] { keyboardechoitemClick(); });
	connect(brailledisplayitem, &QAction::triggered, this, [this] { brailledisplayitemClick(); });
	connect(soundssubmenu, &QAction::triggered, this, [this] { soundssubmenuClick(); });
	connect(Voicesubmenu, &QAction::triggered, this, [this] { VoicesubmenuClick(); });
	connect(usesapi5submenu, &QAction::triggered, this, [this] { usesapi5submenuClick(); });
	connect(screenreaderitem, &QAction::triggered, this, [this] { screenreaderitemClick(); });
	connect(orcaechoitem, &QAction::triggered, this, [this] { orcaechoitemClick(); });
	connect(environmentsubmenu, &QAction::triggered, this, [this] { environmentsubmenuClick(); });
	connect(aboutsubmenu, &QAction::triggered, this, [this] { aboutsubmenuClick(); });
}

void TForm1::SetCaptions()
{
	Programmenu->setTitle(LocalizedCaption(kTextProgramMenu));
	Startsubmenu->setText(LocalizedCaption(kTextStart));
	exitsubmenu->setText(LocalizedCaption(kTextExit));
	settingsmenu->setTitle(LocalizedCaption(kTextSettingsMenu));
	Voicesubmenu->setText(LocalizedCaption(kTextVoiceItem, "..."));
	usesapi5submenu->setText(LocalizedCaption(kTextUseSapi5));
	screenreaderitem->setText(LocalizedCaption(kTextScreenReaderItem));
	orcaechoitem->setText(LocalizedCaption(kTextOrcaEchoItem));
	environmentsubmenu->setText(LocalizedCaption(kTextEnvironmentItem, "..."));
	soundssubmenu->setText(LocalizedCaption(kTextSoundsItem, "..."));
	braillekeyboarditem->setText(LocalizedCaption(kTextBrailleKeyboardItem));
	keyboardechoitem->setText(LocalizedCaption(kTextKeyboardEchoItem));
	brailledisplayitem->setText(LocalizedCaption(kTextBrailleDisplayItem));
	dataentryitem->setText(LocalizedCaption(kTextEnterData, "..."));
	anouncetypeitem->setText(LocalizedCaption(kTextReadStatusBar));
	screenreviewitem->setText(LocalizedCaption(kTextScreen, "..."));
	autochangeitem->setText(LocalizedCaption(kTextAutoChangeItem));
	// Automatic keyboard switching is not offered in the menu.
	autochangeitem->setEnabled(false);
	autochangeitem->setVisible(false);
	helpmenu->setTitle(LocalizedCaption(kTextHelpMenu));
	aboutsubmenu->setText(LocalizedCaption(kTextAboutItem));
	view->SetCaptions();
	SetAccessibleNames();
}

void TForm1::FormCreate()
{
	// Until the memory image has been read, no way out may write it.
	ForgetMemoryImage();
	// An error skips the remaining steps; it is reported and the shell runs
	// on.
	RunHandler([this] {
		LoadLanguageSetting();
		setWindowTitle(MainWindowTitle(QCoreApplication::applicationFilePath()));
		SetCaptions();
		screenBuffer().Clear();
		voiceReady = false;
		ResetSharedSettings();
		InitSpeech();
		LoadSettings();
		LoadBrailleDisplaySetting();
		brailledisplayitem->setChecked(brailleOutput().Enabled());
		// The speech interface follows its menu item; the voice dialog is for
		// the older interface and only while the voice is allowed.
		useSapi5 = usesapi5submenu->isChecked();
		voiceReady = useSapi5;
		Voicesubmenu->setEnabled(voiceAllowed);
		if (usesapi5submenu->isChecked())
			Voicesubmenu->setEnabled(false);
		// The watch answers after the window is shown.
		if (firstStartVoicePending && services().screenReader != nullptr)
			screen_reader_known_ =
			    services().screenReader->changed.Add([this] { DecideFirstStartVoice(); });
		// Before the window is shown, so that an Orca that enters it finds
		// the shell's settings there; again whenever the watch's answer
		// changes, after the first start's voice is chosen.
		CareForOrca();
		if (services().screenReader != nullptr)
			orca_cared_for_ =
			    services().screenReader->changed.Add([] { RunHandler([] { CareForOrca(); }); });
		ramImage.fill(0);
		LoadMemoryImage();
		CreateSoundObjects();
		LoadInputTables();
	});
	// The window's size and colours, also when a step above failed.
	RunHandler([this] {
		view->Restore();
		place->Restore([this] { return view->FirstStartGeometry(); });
	});
}

void TForm1::ShowScreen()
{
	QStringList lines;
	lines.reserve(kScreenRows);
	for (const std::string &line : screenBuffer().lines())
		lines.append(FromCp1250(line));
	printmemo->setPlainText(lines.join(QLatin1Char('\n')));
	// The caret follows the print position, so the view (and a screen
	// magnifier) shows where the program is writing.
	const QTextBlock row = printmemo->document()->findBlockByNumber(screenCursor.getrow());
	QTextCursor caret(row);
	caret.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor,
	                   std::min<int>(screenCursor.getcolumn(), row.length() - 1));
	printmemo->setTextCursor(caret);
	printmemo->ensureCursorVisible();
	// The braille display follows the print too, when it shows this line.
	brailleOutput().Refresh();
}

void TForm1::SetRunItemsEnabled(bool enabled)
{
	Startsubmenu->setEnabled(enabled);
	dataentryitem->setEnabled(enabled);
	soundssubmenu->setEnabled(enabled);
	environmentsubmenu->setEnabled(enabled);
	Voicesubmenu->setEnabled(enabled);
	usesapi5submenu->setEnabled(enabled);
	helpmenu->menuAction()->setEnabled(enabled);
	helpmenu->setEnabled(enabled);
}

void TForm1::StartsubmenuClick()
{
	// A disabled item ignores its shortcut; this guards a call from code too.
	if (running_ || !Startsubmenu->isEnabled())
		return;
	running_ = true;
	SetRunItemsEnabled(false);
	// An error from the program ends the run, not the shell: it is reported
	// and the menu comes back.
	RunHandler([this] {
		PrepareVoiceForRun();
		OpenDataFile();
		ResetRuntime();
		RunProgram();
		PrintText(LocalizedText(languageBase, kTextReady), kPrintNewLine);
	});
	CloseDataFile();
	running_ = false;
	SetRunItemsEnabled(true);
}

void TForm1::exitsubmenuClick()
{
	// When the memory image cannot be written the shell stays, so that the
	// user hears why and the memory is not lost without a word.
	const bool saved = RunHandler([this] {
		// During a run the program is not resumed: the process ends here.
		if (running_)
			SaveAndTerminate();
		SaveMemoryImage();
	});
	if (saved)
		close();
}

void TForm1::FormClose()
{
	place->Keep();
	RunHandler([] { SaveMemoryImage(); });
	ReleaseSoundObjects();
}

void TForm1::closeEvent(QCloseEvent *event)
{
	if (running_) {
		// Closing the window while the program runs is Exit during a run:
		// the program must not go on with released sound objects.
		event->ignore();
		RunHandler([] { SaveAndTerminate(); });
		return;
	}
	if (!closing_) {
		closing_ = true;
		FormClose();
	}
	event->accept();
}

void TForm1::screenreviewitemClick()
{
	RunHandler([] { OpenScreenReview(); });
}

void TForm1::SetForm2(TForm2 *form2)
{
	form2_ = form2;
	if (form2_ != nullptr)
		form2_->FollowTextSizeOf(static_cast<const ScreenView *>(printmemo));
}

void TForm1::dataentryitemClick()
{
	if (running_ || !dataentryitem->isEnabled() || form2_ == nullptr)
		return;
	// OK closes it; the typed line stays in the field.
	form2_->ShowModal();
}

void TForm1::aboutsubmenuClick()
{
	if (aboutbox_ != nullptr)
		aboutbox_->exec();
}

} // namespace velira
