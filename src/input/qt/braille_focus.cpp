#include "input/qt/braille_focus.h"

#include "platform/qt/qt_text.h"
#include "platform/virtual_keys.h"
#include "review/qt/tform6.h"
#include "review/screen_review.h"
#include "settings/qt/captions.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextBlock>
#include <QTimer>
#include <QWindow>

namespace velira
{

namespace
{

// The line of a multi-line text area that holds its caret; in the screen
// review the line keys walk the screen as Up and Down do, spoken alike.
class TextAreaContent final : public BrailleContent
{
public:
	TextAreaContent(QPlainTextEdit *area, TForm6 *review) : area_(area), review_(review) {}

	std::string Text() const override
	{
		return area_ ? ToCp1250(area_->textCursor().block().text()) : std::string();
	}
	int Cursor() const override { return area_ ? area_->textCursor().positionInBlock() : -1; }
	void LineUp() override { MoveLine(QTextCursor::Up, vk::kUp); }
	void LineDown() override { MoveLine(QTextCursor::Down, vk::kDown); }
	void RouteTo(int index) override
	{
		if (!area_)
			return;
		QTextCursor caret = area_->textCursor();
		const QTextBlock block = caret.block();
		caret.setPosition(block.position() + std::min(index, block.length() - 1));
		area_->setTextCursor(caret);
	}

private:
	void MoveLine(QTextCursor::MoveOperation move, int review_key)
	{
		if (!area_)
			return;
		const bool review = review_ && area_ == review_->virtualscrmemo;
		if (review)
			review_->virtualscrmemoKeyDown(review_key);
		QTextCursor caret = area_->textCursor();
		caret.movePosition(move);
		area_->setTextCursor(caret);
		if (review)
			review_->virtualscrmemoKeyUp(review_key, false);
	}

	QPointer<QPlainTextEdit> area_;
	QPointer<TForm6> review_;
};

// An edit field: its text, with the caret.
class FieldContent final : public BrailleContent
{
public:
	explicit FieldContent(QLineEdit *field) : field_(field) {}
	std::string Text() const override
	{
		if (!field_)
			return {};
		// A password field shows as many blanks as it holds characters.
		if (field_->echoMode() != QLineEdit::Normal)
			return std::string(static_cast<size_t>(field_->displayText().size()), ' ');
		return ToCp1250(field_->text());
	}
	int Cursor() const override { return field_ ? field_->cursorPosition() : -1; }
	void RouteTo(int index) override
	{
		if (field_)
			field_->setCursorPosition(index);
	}

private:
	QPointer<QLineEdit> field_;
};

// Any other control, read anew on every change.
class ControlContent final : public BrailleContent
{
public:
	explicit ControlContent(QWidget *control) : control_(control) {}
	std::string Text() const override
	{
		return control_ ? BrailleTextOfControl(*control_) : std::string();
	}

private:
	QPointer<QWidget> control_;
};

// The item under a menu's highlight, or the menu's own name.
class MenuContent final : public BrailleContent
{
public:
	explicit MenuContent(QWidget *menu) : menu_(menu) {}
	std::string Text() const override
	{
		if (!menu_)
			return {};
		QAction *active = nullptr;
		if (auto *popup = qobject_cast<QMenu *>(menu_.data()))
			active = popup->activeAction();
		else if (auto *bar = qobject_cast<QMenuBar *>(menu_.data()))
			active = bar->activeAction();
		return active ? BrailleTextOfAction(*active)
		              : ToCp1250(SpokenCaption(menu_->accessibleName()));
	}

private:
	QPointer<QWidget> menu_;
};

// The screen line, refreshed through the main window's screen updates.
class MainWindowContent final : public BrailleContent
{
public:
	std::string Text() const override { return line_.Text(); }
	int Cursor() const override { return line_.Cursor(); }

private:
	ScreenLineContent line_;
};

// The name a control is known by: its accessible name, else its label's.
QString NameOf(const QWidget &control)
{
	if (!control.accessibleName().isEmpty())
		return control.accessibleName();
	if (const QWidget *window = control.window())
		for (const QLabel *label : window->findChildren<QLabel *>())
			if (label->buddy() == &control)
				return SpokenCaption(label->text());
	if (const auto *button = qobject_cast<const QAbstractButton *>(&control))
		return SpokenCaption(button->text());
	return {};
}

QString Joined(const QString &name, const QString &value)
{
	return name.isEmpty() ? value : value.isEmpty() ? name : name + QLatin1Char(' ') + value;
}

} // namespace

std::string BrailleTextOfAction(const QAction &action)
{
	QString text = SpokenCaption(action.text());
	if (action.isCheckable())
		text = (action.isChecked() ? QStringLiteral("<x> ") : QStringLiteral("< > ")) + text;
	return ToCp1250(text);
}

std::string BrailleTextOfControl(const QWidget &control)
{
	const QString name = NameOf(control);
	QString text = name;
	if (const auto *slider = qobject_cast<const QAbstractSlider *>(&control)) {
		text = Joined(name, QString::number(slider->value()));
	} else if (const auto *list = qobject_cast<const QAbstractItemView *>(&control)) {
		text = Joined(name, list->currentIndex().data().toString());
	} else if (const auto *combo = qobject_cast<const QComboBox *>(&control)) {
		text = Joined(name, combo->currentText());
	} else if (qobject_cast<const QCheckBox *>(&control) != nullptr) {
		text = (static_cast<const QCheckBox &>(control).isChecked() ? QStringLiteral("<x> ")
		                                                            : QStringLiteral("< > ")) +
		       name;
	} else if (qobject_cast<const QRadioButton *>(&control) != nullptr) {
		text = (static_cast<const QRadioButton &>(control).isChecked() ? QStringLiteral("(x) ")
		                                                               : QStringLiteral("( ) ")) +
		       name;
	} else if (text.isEmpty()) {
		text = control.window()->windowTitle();
	}
	return ToCp1250(text);
}

BrailleFocus::BrailleFocus(QMainWindow *main_window, QPlainTextEdit *screen, TForm6 *review_window,
                           QObject *parent)
    : QObject(parent), main_window_(main_window), screen_(screen), review_window_(review_window)
{
	connect(qApp, &QApplication::focusChanged, this, [this] { Follow(); });
	connect(qApp, &QGuiApplication::applicationStateChanged, this, [this] { Follow(); });
	connect(qApp, &QGuiApplication::focusWindowChanged, this, [this] { Follow(); });
	// Menus open and move their highlight without moving the focus.
	qApp->installEventFilter(this);
	Follow();
}

BrailleFocus::~BrailleFocus()
{
	qApp->removeEventFilter(this);
	for (const QMetaObject::Connection &connection : watched_)
		disconnect(connection);
	BrailleOutput &output = brailleOutput();
	if (output.Content() == content_.get())
		output.SetContent(nullptr);
	output.SetFocused(false);
}

bool BrailleFocus::eventFilter(QObject *watched, QEvent *event)
{
	const QEvent::Type type = event->type();
	if ((type == QEvent::Show || type == QEvent::Hide) && qobject_cast<QMenu *>(watched) != nullptr) {
		// A closing menu is still the active popup while it hides: look
		// again once it has gone.
		if (type == QEvent::Hide)
			QTimer::singleShot(0, this, [this] { Follow(); });
		else
			Follow();
	}
	return QObject::eventFilter(watched, event);
}

void BrailleFocus::Follow()
{
	QWidget *popup = QApplication::activePopupWidget();
	// A menu that is closing is still the active popup for a while.
	if (popup != nullptr && !popup->isVisible())
		popup = nullptr;
	QWidget *focus = QApplication::focusWidget();
	// A closed dialog's control keeps the focus until another window takes
	// it; it shows nothing any more.
	if (focus != nullptr && !focus->isVisible())
		focus = nullptr;
	const bool active = qApp->applicationState() == Qt::ApplicationActive &&
	                    (QApplication::activeWindow() != nullptr || popup != nullptr);
	QMenuBar *bar = main_window_ ? main_window_->menuBar() : nullptr;

	if (auto *menu = qobject_cast<QMenu *>(popup)) {
		Show(menu, std::make_unique<MenuContent>(menu));
	} else if (bar != nullptr && bar->activeAction() != nullptr && main_window_->isActiveWindow()) {
		Show(bar, std::make_unique<MenuContent>(bar));
	} else if (screen_ && focus == screen_) {
		Show(focus, std::make_unique<MainWindowContent>());
	} else if (auto *area = qobject_cast<QPlainTextEdit *>(focus)) {
		Show(area, std::make_unique<TextAreaContent>(area, review_window_));
	} else if (auto *field = qobject_cast<QLineEdit *>(focus)) {
		Show(field, std::make_unique<FieldContent>(field));
	} else if (focus != nullptr) {
		Show(focus, std::make_unique<ControlContent>(focus));
	} else if (QWidget *window = QApplication::activeWindow()) {
		Show(window, std::make_unique<ControlContent>(window));
	}
	brailleOutput().SetFocused(active);
}

void BrailleFocus::Show(QObject *source, std::unique_ptr<BrailleContent> content)
{
	if (source == source_ && content_ != nullptr) {
		brailleOutput().Refresh();
		return;
	}
	for (const QMetaObject::Connection &connection : watched_)
		disconnect(connection);
	watched_.clear();
	source_ = source;
	// The new content is shown before the old one is let go.
	brailleOutput().SetContent(content.get());
	content_ = std::move(content);
	WatchChanges(source);
}

void BrailleFocus::WatchChanges(QObject *source)
{
	const auto refresh = [] { brailleOutput().Refresh(); };
	if (auto *field = qobject_cast<QLineEdit *>(source)) {
		watched_ << connect(field, &QLineEdit::textChanged, this, refresh);
		watched_ << connect(field, &QLineEdit::cursorPositionChanged, this, refresh);
	} else if (auto *area = qobject_cast<QPlainTextEdit *>(source)) {
		watched_ << connect(area, &QPlainTextEdit::cursorPositionChanged, this, refresh);
		watched_ << connect(area, &QPlainTextEdit::textChanged, this, refresh);
	} else if (auto *slider = qobject_cast<QAbstractSlider *>(source)) {
		watched_ << connect(slider, &QAbstractSlider::valueChanged, this, refresh);
	} else if (auto *button = qobject_cast<QAbstractButton *>(source)) {
		watched_ << connect(button, &QAbstractButton::toggled, this, refresh);
	} else if (auto *combo = qobject_cast<QComboBox *>(source)) {
		watched_ << connect(combo, &QComboBox::currentIndexChanged, this, refresh);
	} else if (auto *view = qobject_cast<QAbstractItemView *>(source)) {
		if (view->selectionModel() != nullptr)
			watched_ << connect(view->selectionModel(), &QItemSelectionModel::currentChanged,
			                    this, refresh);
	} else if (auto *menu = qobject_cast<QMenu *>(source)) {
		watched_ << connect(menu, &QMenu::hovered, this, refresh);
	} else if (auto *bar = qobject_cast<QMenuBar *>(source)) {
		watched_ << connect(bar, &QMenuBar::hovered, this, refresh);
	}
}

} // namespace velira
