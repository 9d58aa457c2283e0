#pragma once

#include "platform/listeners.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStatusBar>

#include <memory>

namespace velira
{

class KeyboardMenu;
class QtTimer;
class TAboutbox;
class TForm2;
class TForm3;
class TForm5;
class TForm4;
class ViewMenu;
class WindowPlace;

// The main window: the 80x24 screen, the status bar and the menu. It sees
// every key before its controls. All of its members are defined here in
// shell/qt: tform1.cpp (creation, Start, the ways out), tform1_keyboard.cpp
// (keys, keyboard commands, status bar), tform1_settings.cpp (the settings,
// sound, voice and language commands and start-up steps). The other windows
// reach it only through KeyboardMenu and SettingsMenu.
class TForm1 : public QMainWindow
{
	Q_OBJECT

public:
	explicit TForm1(QWidget *parent = nullptr);
	~TForm1() override;

	// The start-up sequence; the process entry calls it once, right after
	// constructing the window and before any other window exists.
	void FormCreate();

	// The other windows, created after this one.
	void SetAboutbox(TAboutbox *aboutbox) { aboutbox_ = aboutbox; }
	// The data-entry dialog; its field follows the screen's text size.
	void SetForm2(TForm2 *form2);
	void SetForm3(TForm3 *form3) { form3_ = form3; }
	void SetForm5(TForm5 *form5) { form5_ = form5; }
	void SetVoiceDialog(TForm4 *form4) { form4_ = form4; }

	// True while the built-in program runs.
	bool IsRunning() const { return running_; }

	// The check marks and the status bar, as the keyboard commands see them;
	// the data-entry dialog runs the echo and status-bar commands on it.
	KeyboardMenu &Keyboard() { return *keyboard_menu_; }

	// Controls, named as the user interface knows them.
	QPlainTextEdit *printmemo = nullptr;
	QStatusBar *StatusBar = nullptr;
	QtTimer *Timer = nullptr;

	QMenu *Programmenu = nullptr;
	QAction *Startsubmenu = nullptr;
	QAction *dataentryitem = nullptr;
	QAction *anouncetypeitem = nullptr;
	QAction *screenreviewitem = nullptr;
	QAction *exitsubmenu = nullptr;
	QMenu *settingsmenu = nullptr;
	QAction *braillekeyboarditem = nullptr;
	QAction *autochangeitem = nullptr;
	QAction *keyboardechoitem = nullptr;
	QAction *brailledisplayitem = nullptr;
	QAction *soundssubmenu = nullptr;
	QAction *Voicesubmenu = nullptr;
	QAction *usesapi5submenu = nullptr;
	QAction *screenreaderitem = nullptr;
	QAction *orcaechoitem = nullptr;
	QAction *environmentsubmenu = nullptr;
	QMenu *helpmenu = nullptr;
	QAction *aboutsubmenu = nullptr;
	// The Colours submenu and the zoom commands of the Settings menu
	// (shell/qt/view_menu.*), and the window's place kept in [view]
	// (shell/qt/window_place.*).
	ViewMenu *view = nullptr;
	WindowPlace *place = nullptr;

	// Menu handlers.
	void StartsubmenuClick();
	void exitsubmenuClick();
	void aboutsubmenuClick();
	void dataentryitemClick();
	void screenreviewitemClick();
	void anouncetypeitemClick();
	void braillekeyboarditemClick();
	void autochangeitemClick();
	void keyboardechoitemClick();
	void brailledisplayitemClick();
	void soundssubmenuClick();
	void VoicesubmenuClick();
	void usesapi5submenuClick();
	void screenreaderitemClick();
	void orcaechoitemClick();
	void environmentsubmenuClick();

	// Shows the screen buffer in printmemo.
	void ShowScreen();

	// Start-up steps that belong to the subsystems (see FormCreate).
	void LoadSettings(); // the settings file, check marks, status bar
	// A first start's choice of the desktop voice, made once the screen
	// reader's presence is known, and said in that voice.
	void DecideFirstStartVoice();
	void CreateSoundObjects(); // the sound device and the sound bank
	void LoadInputTables();    // braille table and keyboard file
	// The Start command's voice preparation for the older speech interface.
	void PrepareVoiceForRun();
	// Shows the keyboard type and echo mode.
	void updatestatusbar();
	// Names the controls for screen readers (after the captions are set).
	void SetAccessibleNames();

	// Whether a key the window system delivers now belongs to the device
	// and is kept from a running screen reader: while this window has the
	// focus (no menu, dialog or other window), the typed characters, the
	// cursor keys, Enter, Backspace, Escape, the keyboard commands' keys
	// and Ctrl and Shift themselves. Keys with Alt (the menus) and the
	// keypad's navigation keys (a screen reader's review keys) are not.
	bool DeviceOwnsKey(const QKeyEvent &key) const;

protected:
	void closeEvent(QCloseEvent *event) override;
	void keyPressEvent(QKeyEvent *event) override;
	void keyReleaseEvent(QKeyEvent *event) override;
	bool eventFilter(QObject *watched, QEvent *event) override;

private:
	// Hands a key event to the key rules; false when it must go on (Tab).
	bool FormKeyEvent(QKeyEvent *event);
	bool IsMenuShortcut(const QKeyEvent &event) const;
	void BuildMenu();
	std::unique_ptr<KeyboardMenu> MakeKeyboardMenu();
	void SetCaptions();
	void SetRunItemsEnabled(bool enabled);
	void FormClose();

	std::unique_ptr<KeyboardMenu> keyboard_menu_;
	// The screen buffer's changes are shown while the window lives.
	Listeners::Subscription screen_shown_;
	// The screen reader's presence, as it becomes known, while it matters.
	Listeners::Subscription screen_reader_known_;
	// Orca's echo in the shell's windows follows Orca as it starts and stops.
	Listeners::Subscription orca_cared_for_;
	TAboutbox *aboutbox_ = nullptr;
	TForm2 *form2_ = nullptr;
	TForm3 *form3_ = nullptr;
	TForm5 *form5_ = nullptr;
	TForm4 *form4_ = nullptr;
	bool running_ = false;
	bool closing_ = false;
};

// The window title: the executable's name without folder and extension,
// " - " and localized text 1.
QString MainWindowTitle(const QString &executable_path);

} // namespace velira
