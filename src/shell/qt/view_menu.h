#pragma once

#include "settings/view_settings.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QObject>
#include <QRect>

#include <array>

namespace velira
{

class ScreenView;

// The main window's view: the Colours submenu and the zoom commands of the
// Settings menu, and the first start's size, which shows the screen in the
// largest font the desktop holds. The window's place is WindowPlace's.
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
	// Colours the window as [view] says. Before the window is shown.
	void Restore();
	// Where a window without a kept place goes: centred on the desktop, as
	// large as the kept font size or the largest the desktop holds.
	QRect FirstStartGeometry() const;

	void ColourSchemeCommand(ColourScheme scheme);
	// steps > 0 larger, < 0 smaller, 0 the first start's size.
	void ZoomCommand(int steps);

	// The largest font size whose window the desktop holds.
	int LargestFontSize() const;

private:
	// Colours the widgets by `scheme` and checks its item.
	void ShowColourScheme(ColourScheme scheme);
	void ResizeForFontSize(int pixel_size);
	QSize WindowSizeFor(int pixel_size) const;

	QMainWindow *window_;
	ScreenView *screen_;
};

} // namespace velira
