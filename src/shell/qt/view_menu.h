#pragma once

#include "settings/view_settings.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QObject>
#include <QTimer>

#include <array>

namespace velira
{

class ScreenView;

// The main window's view: the Colours submenu and the zoom commands of the
// Settings menu, the window's size and place kept in [view], and the first
// start's size, which shows the screen in the largest font the desktop
// holds.
class ViewMenu : public QObject
{
public:
	ViewMenu(QMainWindow *window, ScreenView *screen, QMenu *settings_menu);

	QMenu *coloursmenu = nullptr;
	std::array<QAction *, kColourSchemeCount> schemeitems{};
	QAction *largertextitem = nullptr;
	QAction *smallertextitem = nullptr;
	QAction *normaltextitem = nullptr;

	void SetCaptions();
	// Reads [view]: the scheme, and the window's place and size, or the
	// first start's size. Before the window is shown.
	void Restore();
	// Keeps the window's place now (also on the way out).
	void SavePlacement();

	void ColourSchemeCommand(ColourScheme scheme);
	// steps > 0 larger, < 0 smaller, 0 the first start's size.
	void ZoomCommand(int steps);

	// The largest font size whose window the desktop holds.
	int LargestFontSize() const;

protected:
	bool eventFilter(QObject *watched, QEvent *event) override;

private:
	// Colours the widgets by `scheme` and checks its item.
	void ShowColourScheme(ColourScheme scheme);
	void ResizeForFontSize(int pixel_size);
	QSize WindowSizeFor(int pixel_size) const;

	QMainWindow *window_;
	ScreenView *screen_;
	QTimer placement_timer_;
	bool restored_ = false;
};

} // namespace velira
