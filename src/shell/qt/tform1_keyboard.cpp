// The main window's keyboard: its key events handed to the key rules, the
// keyboard commands of its menus, the status bar and the loading of the
// braille table and the keyboard file.
#include "input/braille_display.h"
#include "input/braille_tables.h"
#include "input/key_handling.h"
#include "input/keyboard_commands.h"
#include "input/qt/tform2.h"
#include "platform/qt/error_boundary.h"
#include "platform/qt/held_key_query.h"
#include "platform/qt/key_mapping.h"
#include "platform/qt/qt_text.h"
#include "screen_reader/decisions.h"
#include "settings/localized_texts.h"
#include "settings/shared_settings.h"
#include "shell/file_locations.h"
#include "shell/qt/tform1.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>

namespace velira
{

namespace
{

// The status bar's one panel. A permanent widget, so that the status tips
// of the menu items never hide it.
QLabel *StatusPanel(QStatusBar *bar)
{
	auto *panel = bar->findChild<QLabel *>(QStringLiteral("StatusPanel"));
	if (panel == nullptr) {
		panel = new QLabel(bar);
		panel->setObjectName(QStringLiteral("StatusPanel"));
		bar->addPermanentWidget(panel, 1);
	}
	return panel;
}

class FormKeyboardMenu final : public KeyboardMenu
{
public:
	explicit FormKeyboardMenu(TForm1 &form) : form_(form) {}
	bool BrailleChecked() const override { return form_.braillekeyboarditem->isChecked(); }
	void SetBrailleChecked(bool checked) override { form_.braillekeyboarditem->setChecked(checked); }
	bool AutoChangeChecked() const override { return form_.autochangeitem->isChecked(); }
	void SetAutoChangeChecked(bool checked) override { form_.autochangeitem->setChecked(checked); }
	std::string StatusText() const override { return ToCp1250(StatusPanel(form_.StatusBar)->text()); }
	void SetStatusText(const std::string &text) override
	{
		StatusPanel(form_.StatusBar)->setText(FromCp1250(text));
	}

private:
	TForm1 &form_;
};

bool IsTabKey(const QKeyEvent &event)
{
	return (event.key() == Qt::Key_Tab || event.key() == Qt::Key_Backtab) &&
	       !(event.modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}

} // namespace

std::unique_ptr<KeyboardMenu> TForm1::MakeKeyboardMenu()
{
	return std::make_unique<FormKeyboardMenu>(*this);
}

void TForm1::LoadInputTables()
{
	brailleTableFileName = DataFilePath(kBrailleTableFile);
	LoadBrailleTable();
	activePrefix.clear();
	keyboardFileName =
	    DataFilePath(LocalizedText(languageBase, kTextKeyboardFile) + kKeyboardFileExtension);
	LoadKeyboardFile();
}

void TForm1::updatestatusbar()
{
	UpdateStatusBar(Keyboard());
}

void TForm1::anouncetypeitemClick()
{
	RunHandler([this] { ReadStatusBarCommand(Keyboard()); });
}

void TForm1::braillekeyboarditemClick()
{
	RunHandler([this] { BrailleKeyboardCommand(Keyboard()); });
}

void TForm1::autochangeitemClick()
{
	RunHandler([this] { AutoChangeCommand(Keyboard()); });
}

void TForm1::brailledisplayitemClick()
{
	// The setting decides, not the check mark, which the item may have
	// flipped already.
	RunHandler([this] { brailledisplayitem->setChecked(BrailleDisplayCommand()); });
}

void TForm1::keyboardechoitemClick()
{
	RunHandler([this] { KeyboardEchoCommand(Keyboard()); });
}

bool TForm1::IsMenuShortcut(const QKeyEvent &event) const
{
	const QKeySequence pressed(
	    QKeyCombination(event.modifiers() & ~(Qt::KeypadModifier | Qt::GroupSwitchModifier),
	                    static_cast<Qt::Key>(event.key())));
	for (QAction *top : menuBar()->actions()) {
		const QMenu *menu = top->menu();
		if (menu == nullptr)
			continue;
		for (const QAction *item : menu->actions()) {
			// A disabled item runs nothing, but its key still does not reach
			// the key handlers.
			for (const QKeySequence &shortcut : item->shortcuts())
				if (shortcut == pressed)
					return true;
		}
	}
	return false;
}

bool TForm1::DeviceOwnsKey(const QKeyEvent &key) const
{
	DeviceKeyFacts facts;
	const bool main_window =
	    QApplication::activeModalWidget() == nullptr && QApplication::activeWindow() == this;
	const bool data_entry_field = form2_ != nullptr && QApplication::activeModalWidget() == form2_ &&
	                              QApplication::focusWidget() == form2_->inputedit;
	facts.device_has_keys =
	    QApplication::activePopupWidget() == nullptr && (main_window || data_entry_field);
	switch (key.key()) {
	case Qt::Key_Control:
		facts.kind = KeyKind::kControl;
		break;
	case Qt::Key_Shift:
		facts.kind = KeyKind::kShift;
		break;
	case Qt::Key_Enter:
	case Qt::Key_Return:
		facts.kind = KeyKind::kEnter;
		break;
	case Qt::Key_Backspace:
		facts.kind = KeyKind::kBackspace;
		break;
	case Qt::Key_Escape:
		facts.kind = KeyKind::kEscape;
		break;
	case Qt::Key_Space:
		facts.kind = KeyKind::kSpace;
		break;
	case Qt::Key_Up:
	case Qt::Key_Down:
	case Qt::Key_Left:
	case Qt::Key_Right:
		facts.kind = KeyKind::kCursor;
		break;
	default:
		break;
	}
	const Qt::KeyboardModifiers modifiers = key.modifiers();
	facts.control = modifiers & Qt::ControlModifier;
	facts.alt_or_meta = modifiers & (Qt::AltModifier | Qt::MetaModifier);
	facts.keypad = modifiers & Qt::KeypadModifier;
	// The keyboard commands without Ctrl (F1, F2).
	facts.menu_shortcut = IsMenuShortcut(key);
	const QString text = key.text();
	facts.printable = !text.isEmpty() && text.at(0).isPrint();
	return velira::DeviceOwnsKey(facts);
}

bool TForm1::FormKeyEvent(QKeyEvent *event)
{
	if (event->type() == QEvent::KeyPress) {
		if (IsTabKey(*event))
			return false; // moves the focus
		if (IsMenuShortcut(*event))
			return true;
		RunHandler([event] {
			FormKeyDown(VirtualKeyOf(*event), ShiftStateOf(event->modifiers()));
			if (const std::optional<char> typed = TypedCharacter(*event))
				FormKeyPress(*typed);
		});
		return true;
	}
	// X11 and Wayland send a release before each repeated press of a held
	// key; it is no release, and must not commit a held chord.
	if (IsRepeatRelease(*event))
		return true;
	RunHandler([event] { FormKeyUp(VirtualKeyOf(*event), ShiftStateOf(event->modifiers())); });
	return true;
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
	// The window sees the keys of its controls first, and they see only what
	// it lets through (Tab).
	if (watched == printmemo) {
		switch (event->type()) {
		case QEvent::ShortcutOverride:
			// The screen control must not keep a menu shortcut for itself.
			if (IsMenuShortcut(*static_cast<QKeyEvent *>(event))) {
				event->ignore();
				return true;
			}
			break;
		case QEvent::KeyPress:
		case QEvent::KeyRelease:
			return FormKeyEvent(static_cast<QKeyEvent *>(event));
		default:
			break;
		}
	}
	return QMainWindow::eventFilter(watched, event);
}

void TForm1::keyPressEvent(QKeyEvent *event)
{
	if (!FormKeyEvent(event))
		QMainWindow::keyPressEvent(event);
}

void TForm1::keyReleaseEvent(QKeyEvent *event)
{
	if (!FormKeyEvent(event))
		QMainWindow::keyReleaseEvent(event);
}

} // namespace velira
