#pragma once

#include "settings/view_settings.h"

#include <QFont>
#include <QPlainTextEdit>
#include <QSize>
#include <QSizeF>

#include <functional>

namespace velira
{

// A text control that shows a fixed grid of 80 columns and `rows` lines
// whole, at every size: its font is the largest fixed-pitch font whose grid
// fits, the grid is centred, and there are no scroll bars. The caret shows
// as a block in the scheme's colours, also while the control has no focus,
// so that the print position (or the review position) is seen at once; the
// caret is the text control's own, so a magnifier that follows it (through
// the accessibility interface) keeps it in view.
class ScreenView : public QPlainTextEdit
{
	Q_OBJECT

public:
	static constexpr int kColumns = 80;

	explicit ScreenView(int rows, QWidget *parent = nullptr);

	// The font of the grid at a pixel size, and the size of its character
	// cell and of the whole grid in pixels.
	static QFont GridFont(int pixel_size);
	static QSizeF CellSize(int pixel_size);
	QSize GridSize(int pixel_size) const;
	// The control's size that shows the grid at `pixel_size` (frame
	// included).
	QSize SizeForFontSize(int pixel_size) const;
	// The pixel size in use now.
	int FontSize() const { return font_size_; }
	// The largest pixel size, from kMinFontSize on, for which `fits` holds
	// (what it measures grows with the size); kMinFontSize when none does.
	static int LargestFittingFontSize(const std::function<bool(int)> &fits);

protected:
	void resizeEvent(QResizeEvent *event) override;
	void paintEvent(QPaintEvent *event) override;

private:
	void FitGrid();

	int rows_;
	int font_size_ = 0;
};

// Colours a widget by the current scheme (colourScheme), now and whenever
// the scheme changes.
void FollowColourScheme(QWidget *widget);
// Colours every widget that follows the scheme again, after a change.
void ApplyColourScheme();
// The palette of a scheme over the desktop's palette.
QPalette SchemePalette(ColourScheme scheme, const QPalette &desktop);

} // namespace velira
