#include "input/qt/tform2.h"
#include "runtime/qt/screen_view.h"
#include "settings/qt/captions.h"

#include "input/data_entry.h"
#include "input/keyboard_commands.h"
#include "platform/qt/error_boundary.h"
#include "platform/qt/held_key_query.h"
#include "platform/qt/key_mapping.h"
#include "platform/qt/qt_text.h"
#include "platform/virtual_keys.h"
#include "review/screen_review.h"
#include "settings/localized_texts.h"

#include <QFocusEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace velira
{

// The dialog's field as the key rules see it.
class DataEntryFieldOfForm final : public DataEntryField
{
public:
	explicit DataEntryFieldOfForm(TForm2 &form) : form_(form) {}

	std::string Text() const override { return ToCp1250(form_.inputedit->text()); }
	size_t Caret() const override { return static_cast<size_t>(form_.inputedit->cursorPosition()); }
	void Insert(const std::string &text, size_t new_caret) override
	{
		QString shown = form_.inputedit->text();
		shown.insert(form_.inputedit->cursorPosition(), FromCp1250(text));
		form_.inputedit->setText(shown);
		form_.inputedit->setCursorPosition(static_cast<int>(new_caret));
	}
	std::string TypedText(int virtual_key) const override
	{
		return virtual_key == form_.typed_key_ ? form_.typed_text_ : std::string();
	}
	void KeyboardEcho() override
	{
		if (form_.main_menu_ != nullptr)
			KeyboardEchoCommand(*form_.main_menu_);
	}
	void ReadStatusBar() override
	{
		if (form_.main_menu_ != nullptr)
			ReadStatusBarCommand(*form_.main_menu_);
	}
	void OpenReview() override { OpenScreenReview(); }

private:
	TForm2 &form_;
};

namespace
{

// The window manager's frame around the dialog, which the desktop must hold
// too.
const QSize kDialogFrameAllowance(16, 48);

std::string ButtonWords(const QPushButton &button)
{
	return ToCp1250(SpokenCaption(button.text()));
}

} // namespace

TForm2::TForm2(QWidget *parent, KeyboardMenu *main_menu) : QDialog(parent), main_menu_(main_menu)
{
	setObjectName(QStringLiteral("TForm2"));
	setModal(true);

	inputedit = new QLineEdit(this);
	inputedit->setObjectName(QStringLiteral("inputedit"));
	inputedit->installEventFilter(this);
	FollowColourScheme(inputedit);

	Enterbitbtn = new QPushButton(this);
	Enterbitbtn->setObjectName(QStringLiteral("Enterbitbtn"));
	Enterbitbtn->setDefault(true);
	Enterbitbtn->installEventFilter(this);
	connect(Enterbitbtn, &QPushButton::clicked, this, &QDialog::accept);

	exitprogrambtn = new QPushButton(this);
	exitprogrambtn->setObjectName(QStringLiteral("exitprogrambtn"));
	// Enter presses the focused button, as on any desktop; in the field it
	// presses OK, the default button.
	exitprogrambtn->setAutoDefault(true);
	exitprogrambtn->installEventFilter(this);
	connect(exitprogrambtn, &QPushButton::clicked, this, [this] { exitprogrambtnClick(); });

	auto *buttons = new QHBoxLayout;
	buttons->addStretch(1);
	buttons->addWidget(Enterbitbtn);
	buttons->addWidget(exitprogrambtn);
	auto *layout = new QVBoxLayout(this);
	layout->addWidget(inputedit);
	layout->addLayout(buttons);
	setTabOrder(inputedit, Enterbitbtn);
	setTabOrder(Enterbitbtn, exitprogrambtn);
}

void TForm2::FormCreate()
{
	setWindowTitle(LocalizedCaption(kTextEnterData));
	Enterbitbtn->setText(LocalizedCaption(kTextOk));
	exitprogrambtn->setText(LocalizedCaption(kTextExitProgram));
	inputedit->setAccessibleName(windowTitle());
	Enterbitbtn->setAccessibleName(Enterbitbtn->text().remove(QLatin1Char('&')));
	exitprogrambtn->setAccessibleName(exitprogrambtn->text().remove(QLatin1Char('&')));
	DataEntryCreate();
}

int TForm2::ShowModal()
{
	ShowScreenTextSize();
	inputedit->setFocus();
	return exec();
}

void TForm2::ShowScreenTextSize()
{
	if (screen_ == nullptr)
		return;
	const QScreen *desktop = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
	if (desktop == nullptr)
		return;
	const QSize room = desktop->availableGeometry().size() - kDialogFrameAllowance;
	const auto fits = [&](int pixel_size) {
		inputedit->setFont(ScreenView::GridFont(pixel_size));
		layout()->invalidate();
		const QSize size = sizeHint().expandedTo(minimumSizeHint());
		return size.width() <= room.width() && size.height() <= room.height();
	};
	const int largest = ScreenView::LargestFittingFontSize(fits);
	inputedit->setFont(ScreenView::GridFont(std::min(screen_->FontSize(), largest)));
	layout()->invalidate();
	adjustSize();
}

int TForm2::VirtualKeyOf(const QKeyEvent &event, ScanCodeScheme scheme)
{
	if (event.key() == Qt::Key_Dead_Caron)
		return kDeadKey;
	const int key = velira::VirtualKeyOf(event.key(), event.modifiers(), !event.text().isEmpty(),
	                                     event.nativeScanCode(), scheme);
	// Named by its place, the key right of the full stop on a US keyboard is
	// BF, yet it types "-" on the Czech and Slovak layouts and "/" on the US
	// one: a key that types a character must echo it, and only the layout's
	// own dead caron arms the caron.
	if (key == kDeadKey || key == kSilentKey)
		return vk::kOemOther;
	return key;
}

void TForm2::exitprogrambtnClick()
{
	RunHandler([] { SaveAndEndProcess(); });
}

bool TForm2::inputeditKeyDown(QKeyEvent &event)
{
	const int key = VirtualKeyOf(event);
	const ShiftState shift = ShiftStateOf(event.modifiers());
	typed_key_ = key;
	typed_text_ = ToCp1250(event.text());
	bool swallowed = false;
	RunHandler([&] {
		DataEntryFieldOfForm field(*this);
		DataEntryKeyDown(field, key, shift);
		if (const std::optional<char> typed = TypedCharacter(event))
			swallowed = DataEntryKeyPress(field, *typed);
	});
	typed_key_ = 0;
	typed_text_.clear();
	return swallowed;
}

bool TForm2::inputeditComposed(const QString &text)
{
	// The input method took the dead key and the letter for itself, so
	// neither reached the field as a key press: the composed text is echoed
	// (and in the braille mode swallowed) as a key that types it.
	const int key = vk::kOemOther;
	const ShiftState shift = ShiftStateOf(QGuiApplication::keyboardModifiers());
	typed_key_ = key;
	typed_text_ = ToCp1250(text);
	bool swallowed = false;
	RunHandler([&] {
		DataEntryFieldOfForm field(*this);
		DataEntryKeyDown(field, key, shift);
		if (!typed_text_.empty())
			swallowed = DataEntryKeyPress(field, typed_text_[0]);
	});
	typed_key_ = 0;
	typed_text_.clear();
	return swallowed;
}

void TForm2::inputeditKeyUp(QKeyEvent &event)
{
	const int key = VirtualKeyOf(event);
	const ShiftState shift = ShiftStateOf(event.modifiers());
	RunHandler([&] {
		DataEntryFieldOfForm field(*this);
		DataEntryKeyUp(field, key, shift);
	});
}

void TForm2::inputeditEnter()
{
	RunHandler([this] { DataEntryFieldEnter(DataEntryFieldOfForm(*this)); });
}

void TForm2::ButtonEnter(const QPushButton &button)
{
	RunHandler([&] { DataEntryButtonEnter(ButtonWords(button)); });
}

void TForm2::FormClose()
{
	DataEntryClose();
}

void TForm2::done(int result)
{
	FormClose();
	QDialog::done(result);
}

void TForm2::keyPressEvent(QKeyEvent *event)
{
	// The dialog has no cancel button: Escape is the field's key and closes
	// nothing. Taken here, it does not travel on to the main window either.
	if (event->key() == Qt::Key_Escape) {
		event->accept();
		return;
	}
	QDialog::keyPressEvent(event);
}

bool TForm2::eventFilter(QObject *watched, QEvent *event)
{
	if (event->type() == QEvent::FocusIn) {
		// Only the focus moving between the controls is announced, not the
		// window becoming active again (after the screen review).
		const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
		// Nor a focus move inside the dialog while it closes.
		if (isVisible() && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
			if (watched == inputedit)
				inputeditEnter();
			else if (watched == Enterbitbtn || watched == exitprogrambtn)
				ButtonEnter(*static_cast<QPushButton *>(watched));
		}
		return false;
	}
	if (watched != inputedit)
		return QDialog::eventFilter(watched, event);
	if (event->type() == QEvent::KeyPress) {
		auto *key = static_cast<QKeyEvent *>(event);
		// Tab and Shift+Tab move the focus between the controls.
		if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
		    !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
			return false;
		return inputeditKeyDown(*key);
	}
	if (event->type() == QEvent::InputMethod) {
		const QString composed = static_cast<QInputMethodEvent *>(event)->commitString();
		return !composed.isEmpty() && inputeditComposed(composed);
	}
	if (event->type() == QEvent::KeyRelease) {
		auto *key = static_cast<QKeyEvent *>(event);
		// X11 sends a release before each repeated press of a held key; it
		// must not commit a held chord.
		if (!key->isAutoRepeat() && !IsRepeatRelease(*key))
			inputeditKeyUp(*key);
		return false;
	}
	return QDialog::eventFilter(watched, event);
}

} // namespace velira
