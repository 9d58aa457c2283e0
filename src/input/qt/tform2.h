#pragma once

#include "platform/qt/key_mapping.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

#include <string>

class QKeyEvent;

namespace velira
{

class KeyboardMenu;
class ScreenView;

// The data-entry dialog: one talking edit field, OK, and a button that ends
// the shell. Created hidden at start-up, right after the main window.
class TForm2 : public QDialog
{
	Q_OBJECT

public:
	// The dialog's Ctrl+E and F2 run the main window's echo and status-bar
	// commands on `main_menu`; without one they do nothing.
	explicit TForm2(QWidget *parent = nullptr, KeyboardMenu *main_menu = nullptr);

	// Localized captions; empties the braille prefix of the dialog.
	void FormCreate();
	// Shows the dialog modally with the focus in the field; the result is
	// QDialog::Accepted when confirmed. The typed line stays in inputedit.
	int ShowModal();
	// The field shows its text in the font of `screen` (the main window's),
	// at the size that screen has when the dialog opens (the zoom keys' or
	// the window's), as large as the dialog can be shown on the desktop.
	void FollowTextSizeOf(const ScreenView *screen) { screen_ = screen; }

	QLineEdit *inputedit = nullptr;
	QPushButton *Enterbitbtn = nullptr;
	QPushButton *exitprogrambtn = nullptr;

	void exitprogrambtnClick();

	// The key of a Qt key event for the field's rules: DF for the key that
	// the layout makes a dead caron, wherever it lies; other keys as in the
	// main window, except that none of them takes DF or BF, the codes the
	// rules keep for dead keys.
	static int VirtualKeyOf(const QKeyEvent &event, ScanCodeScheme scheme = CurrentScanCodeScheme());

public slots:
	void done(int result) override;

protected:
	bool eventFilter(QObject *watched, QEvent *event) override;
	void keyPressEvent(QKeyEvent *event) override;

private:
	friend class DataEntryFieldOfForm;
	// Returns true when the field must not receive the key.
	bool inputeditKeyDown(QKeyEvent &event);
	// A text the input method composed (a dead key and a letter); returns
	// true when the field must not receive it.
	bool inputeditComposed(const QString &text);
	void inputeditKeyUp(QKeyEvent &event);
	void inputeditEnter();
	void ButtonEnter(const QPushButton &button);
	void FormClose();
	// Gives the field the screen's text size, within the desktop.
	void ShowScreenTextSize();

	KeyboardMenu *main_menu_ = nullptr;
	const ScreenView *screen_ = nullptr;
	// What the key being handled types under the active layout (code page
	// 1250), and its key.
	std::string typed_text_;
	int typed_key_ = 0;
};

} // namespace velira
