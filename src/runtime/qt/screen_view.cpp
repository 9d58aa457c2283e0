#include "runtime/qt/screen_view.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QFontDatabase>
#include <QPainter>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <map>

namespace velira
{

namespace
{

// A fixed-pitch face that holds every letter of the shell's code page, so
// that no letter comes from another font and shifts the grid.
constexpr const char *kGridFamily = "DejaVu Sans Mono";
constexpr int kLargestFontSize = 512;
constexpr const char *kFollowsScheme = "veliraFollowsColourScheme";

struct Metrics {
	double row_width = 0; // 80 characters
	int line_height = 0;
};

// Measured as the text control lays out a line: the same font, the line's
// leading included.
Metrics MeasureGrid(int pixel_size)
{
	static std::map<int, Metrics> measured;
	const auto known = measured.find(pixel_size);
	if (known != measured.end())
		return known->second;
	QTextLayout layout(QString(ScreenView::kColumns, QLatin1Char('M')), ScreenView::GridFont(pixel_size));
	QTextOption option;
	option.setWrapMode(QTextOption::NoWrap);
	layout.setTextOption(option);
	layout.beginLayout();
	QTextLine line = layout.createLine();
	line.setLeadingIncluded(true);
	line.setLineWidth(1e6);
	layout.endLayout();
	Metrics metrics{line.naturalTextWidth(),
	                static_cast<int>(std::ceil(line.height() + std::min(0.0, line.leading())))};
	measured.emplace(pixel_size, metrics);
	return metrics;
}

// The text interface of the screen for screen readers and magnifiers. The
// toolkit's own one places every line of a plain text control at the top of
// the control; here a character's extents are those of its drawn cell, so a
// magnifier that follows the caret shows the print position.
class ScreenViewAccessible final : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
	explicit ScreenViewAccessible(ScreenView *view) : QAccessibleWidget(view, QAccessible::EditableText)
	{
	}

	void *interface_cast(QAccessible::InterfaceType type) override
	{
		if (type == QAccessible::TextInterface)
			return static_cast<QAccessibleTextInterface *>(this);
		return QAccessibleWidget::interface_cast(type);
	}

	QAccessible::State state() const override
	{
		QAccessible::State state = QAccessibleWidget::state();
		state.readOnly = view()->isReadOnly();
		state.editable = !view()->isReadOnly();
		state.multiLine = true;
		state.focusable = true;
		return state;
	}

	QString text(QAccessible::Text kind) const override
	{
		if (kind == QAccessible::Value)
			return view()->toPlainText();
		return QAccessibleWidget::text(kind);
	}

	// QAccessibleTextInterface
	void selection(int, int *start, int *end) const override { *start = *end = 0; }
	int selectionCount() const override { return 0; }
	void addSelection(int, int) override {}
	void removeSelection(int) override {}
	void setSelection(int, int, int) override {}
	int cursorPosition() const override { return view()->textCursor().position(); }
	void setCursorPosition(int position) override
	{
		QTextCursor cursor = view()->textCursor();
		cursor.setPosition(std::clamp(position, 0, characterCount()));
		view()->setTextCursor(cursor);
	}
	QString text(int start, int end) const override
	{
		return view()->toPlainText().mid(start, end - start);
	}
	int characterCount() const override { return view()->document()->characterCount() - 1; }

	QRect characterRect(int offset) const override
	{
		ScreenView *control = view();
		if (offset < 0 || offset > characterCount())
			return {};
		QTextCursor at(control->document());
		at.setPosition(offset);
		const QRect line = control->cursorRect(at);
		const QTextBlock block = at.block();
		const bool on_character = at.positionInBlock() < block.length() - 1;
		const int width =
		    on_character
		        ? static_cast<int>(std::ceil(ScreenView::CellSize(control->FontSize()).width()))
		        : 0;
		return {control->viewport()->mapToGlobal(line.topLeft()), QSize(width, line.height())};
	}

	int offsetAtPoint(const QPoint &point) const override
	{
		ScreenView *control = view();
		const QPoint local = control->viewport()->mapFromGlobal(point);
		if (!control->viewport()->rect().contains(local))
			return -1;
		return control->cursorForPosition(local).position();
	}

	void scrollToSubstring(int, int) override {}
	QString attributes(int offset, int *start, int *end) const override
	{
		*start = *end = offset;
		return {};
	}

private:
	ScreenView *view() const { return static_cast<ScreenView *>(widget()); }
};

QAccessibleInterface *ScreenViewAccessibleFactory(const QString &class_name, QObject *object)
{
	if (class_name == QLatin1String(ScreenView::staticMetaObject.className()) && object->isWidgetType())
		return new ScreenViewAccessible(static_cast<ScreenView *>(object));
	return nullptr;
}

} // namespace

ScreenView::ScreenView(int rows, QWidget *parent) : QPlainTextEdit(parent), rows_(rows)
{
	setLineWrapMode(QPlainTextEdit::NoWrap);
	setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
	setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
	document()->setDocumentMargin(0);
	// The space around the centred grid is the grid's background.
	setBackgroundRole(QPalette::Base);
	setAutoFillBackground(true);
	setMinimumSize(SizeForFontSize(kMinFontSize));
	static const bool factory_installed = [] {
		QAccessible::installFactory(ScreenViewAccessibleFactory);
		return true;
	}();
	(void)factory_installed;
	// The block caret is wider than the control's own caret: the whole view
	// is painted again when it moves.
	connect(this, &QPlainTextEdit::cursorPositionChanged, viewport(), [this] { viewport()->update(); });
	FitGrid();
}

QFont ScreenView::GridFont(int pixel_size)
{
	static const QString family = QFontDatabase::families().contains(QLatin1String(kGridFamily))
	                                  ? QString::fromLatin1(kGridFamily)
	                                  : QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
	QFont font(family);
	font.setStyleHint(QFont::Monospace);
	font.setFixedPitch(true);
	font.setKerning(false);
	font.setPixelSize(pixel_size);
	return font;
}

QSizeF ScreenView::CellSize(int pixel_size)
{
	const Metrics metrics = MeasureGrid(pixel_size);
	return {metrics.row_width / kColumns, static_cast<double>(metrics.line_height)};
}

QSize ScreenView::GridSize(int pixel_size) const
{
	const Metrics metrics = MeasureGrid(pixel_size);
	// Room for the caret after the 80th column, as the control lays it out.
	return {static_cast<int>(std::ceil(metrics.row_width)) + cursorWidth() + 1,
	        metrics.line_height * rows_};
}

QSize ScreenView::SizeForFontSize(int pixel_size) const
{
	const int frame = 2 * frameWidth();
	return GridSize(pixel_size) + QSize(frame, frame);
}

int ScreenView::LargestFittingFontSize(const std::function<bool(int)> &fits)
{
	int low = kMinFontSize;
	int high = kLargestFontSize;
	while (low < high) {
		const int middle = (low + high + 1) / 2;
		if (fits(middle))
			low = middle;
		else
			high = middle - 1;
	}
	return low;
}

void ScreenView::FitGrid()
{
	const QSize room = contentsRect().size();
	const auto fits = [&](int pixel_size) {
		const QSize grid = GridSize(pixel_size);
		return grid.width() <= room.width() && grid.height() <= room.height();
	};
	const int size = LargestFittingFontSize(fits);
	if (size != font_size_) {
		font_size_ = size;
		setFont(GridFont(size));
	}
	const QSize grid = GridSize(font_size_);
	const int left = std::max(0, (room.width() - grid.width()) / 2);
	const int top = std::max(0, (room.height() - grid.height()) / 2);
	setViewportMargins(left, top, std::max(0, room.width() - grid.width() - left),
	                   std::max(0, room.height() - grid.height() - top));
}

void ScreenView::resizeEvent(QResizeEvent *event)
{
	FitGrid();
	QPlainTextEdit::resizeEvent(event);
}

void ScreenView::paintEvent(QPaintEvent *event)
{
	QPlainTextEdit::paintEvent(event);
	// The caret as a block of the text's colour, the character under it in
	// the background's colour.
	const QTextCursor caret = textCursor();
	const QTextBlock block = caret.block();
	if (!block.isValid() || block.layout() == nullptr)
		return;
	const QRect line = cursorRect(caret);
	const QRectF cell(line.left(), line.top(), CellSize(font_size_).width(), line.height());
	QPainter painter(viewport());
	painter.fillRect(cell, palette().color(QPalette::Text));
	painter.setClipRect(cell);
	painter.setPen(palette().color(QPalette::Base));
	block.layout()->draw(&painter, blockBoundingGeometry(block).translated(contentOffset()).topLeft());
}

void FollowColourScheme(QWidget *widget)
{
	widget->setProperty(kFollowsScheme, true);
	if (colourScheme == ColourScheme::Desktop)
		widget->setPalette(QPalette());
	else
		widget->setPalette(SchemePalette(colourScheme, QApplication::palette()));
}

void ApplyColourScheme()
{
	for (QWidget *widget : QApplication::allWidgets())
		if (widget->property(kFollowsScheme).toBool())
			FollowColourScheme(widget);
}

QPalette SchemePalette(ColourScheme scheme, const QPalette &desktop)
{
	QColor text = Qt::white;
	QColor background = Qt::black;
	switch (scheme) {
	case ColourScheme::Desktop:
		return desktop;
	case ColourScheme::WhiteOnBlack:
		break;
	case ColourScheme::YellowOnBlack:
		text = Qt::yellow;
		break;
	case ColourScheme::BlackOnWhite:
		std::swap(text, background);
		break;
	case ColourScheme::BlackOnYellow:
		text = Qt::black;
		background = Qt::yellow;
		break;
	}
	QPalette palette = desktop;
	for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
		palette.setColor(group, QPalette::Base, background);
		palette.setColor(group, QPalette::Window, background);
		palette.setColor(group, QPalette::Text, text);
		palette.setColor(group, QPalette::WindowText, text);
		palette.setColor(group, QPalette::Highlight, text);
		palette.setColor(group, QPalette::HighlightedText, background);
	}
	return palette;
}

} // namespace velira
