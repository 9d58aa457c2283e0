#pragma once

#include "input/braille_display.h"

#include <QList>
#include <QMainWindow>
#include <QObject>
#include <QPlainTextEdit>
#include <QPointer>
#include <QWidget>

#include <memory>

class QAction;

namespace velira
{

class TForm6;

// Follows the keyboard focus for the braille display: the shell holds the
// display only while one of its windows is active, and the display shows
// what the focused window shows (the print line of the main window, the
// review line, the field with its caret, the focused control's name and
// value, the menu item under the highlight).
class BrailleFocus final : public QObject
{
	Q_OBJECT

public:
	// `screen` is the main window's screen control, which shows the print
	// line.
	BrailleFocus(QMainWindow *main_window, QPlainTextEdit *screen, TForm6 *review_window,
	             QObject *parent = nullptr);
	~BrailleFocus() override;

	// Looks at the focus again; every focus change calls it.
	void Follow();

protected:
	bool eventFilter(QObject *watched, QEvent *event) override;

private:
	void Show(QObject *source, std::unique_ptr<BrailleContent> content);
	void WatchChanges(QObject *source);

	QPointer<QMainWindow> main_window_;
	QPointer<QPlainTextEdit> screen_;
	QPointer<TForm6> review_window_;
	QPointer<QObject> source_;
	std::unique_ptr<BrailleContent> content_;
	QList<QMetaObject::Connection> watched_;
};

// The text a control shows on the display (code page 1250): its name and
// value as its focus announcement says them, without access-key markers.
std::string BrailleTextOfControl(const QWidget &control);
// A menu item: its caption, and the state of a checkable one.
std::string BrailleTextOfAction(const QAction &action);

} // namespace velira
