#include "shell/qt/view_menu.h"

#include "platform/qt/error_boundary.h"
#include "runtime/qt/screen_view.h"
#include "settings/localized_texts.h"
#include "settings/qt/captions.h"
#include "shell/qt/window_place.h"
#include "speech/speech_output.h"

#include <QActionGroup>
#include <QMenuBar>
#include <QStatusBar>

namespace velira
{

namespace
{

// The window manager's frame, guessed until the window is shown.
const QSize kFrameAllowance(16, 48);

constexpr std::array<ColourScheme, kColourSchemeCount> kSchemeOrder = {
    ColourScheme::Desktop, ColourScheme::WhiteOnBlack, ColourScheme::YellowOnBlack,
    ColourScheme::BlackOnWhite, ColourScheme::BlackOnYellow};

} // namespace

ViewMenu::ViewMenu(QMainWindow *window, ScreenView *screen, QMenu *settings_menu)
    : QObject(window), window_(window), screen_(screen)
{
	coloursmenu = settings_menu->addMenu(QString());
	coloursmenu->setObjectName(QStringLiteral("coloursmenu"));
	auto *group = new QActionGroup(coloursmenu);
	group->setExclusive(true);
	for (size_t i = 0; i < kSchemeOrder.size(); ++i) {
		const ColourScheme scheme = kSchemeOrder[i];
		QAction *item = coloursmenu->addAction(QString());
		item->setObjectName(QStringLiteral("scheme_") + QLatin1String(ColourSchemeKey(scheme)));
		item->setCheckable(true);
		item->setChecked(scheme == colourScheme);
		group->addAction(item);
		connect(item, &QAction::triggered, this,
		        [this, scheme] { RunHandler([this, scheme] { ColourSchemeCommand(scheme); }); });
		schemeitems[i] = item;
	}
	// Ctrl with the plus key, wherever the layout has it (on the keypad too),
	// or with the key that carries "=" and "+".
	largertextitem = settings_menu->addAction(QString());
	largertextitem->setObjectName(QStringLiteral("largertextitem"));
	largertextitem->setShortcuts(
	    {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
	smallertextitem = settings_menu->addAction(QString());
	smallertextitem->setObjectName(QStringLiteral("smallertextitem"));
	smallertextitem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
	normaltextitem = settings_menu->addAction(QString());
	normaltextitem->setObjectName(QStringLiteral("normaltextitem"));
	normaltextitem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
	connect(largertextitem, &QAction::triggered, this,
	        [this] { RunHandler([this] { ZoomCommand(1); }); });
	connect(smallertextitem, &QAction::triggered, this,
	        [this] { RunHandler([this] { ZoomCommand(-1); }); });
	connect(normaltextitem, &QAction::triggered, this,
	        [this] { RunHandler([this] { ZoomCommand(0); }); });
}

void ViewMenu::SetCaptions()
{
	coloursmenu->setTitle(LocalizedCaption(kTextColoursItem));
	coloursmenu->setAccessibleName(SpokenCaption(coloursmenu->title()));
	for (size_t i = 0; i < kSchemeOrder.size(); ++i)
		schemeitems[i]->setText(LocalizedCaption(ColourSchemeText(kSchemeOrder[i])));
	largertextitem->setText(LocalizedCaption(kTextLargerText));
	smallertextitem->setText(LocalizedCaption(kTextSmallerText));
	normaltextitem->setText(LocalizedCaption(kTextNormalTextSize));
}

QSize ViewMenu::WindowSizeFor(int pixel_size) const
{
	// What the window holds besides the screen: the menu bar and the status
	// bar, measured once the window is laid out.
	QSize around(0, window_->menuBar()->sizeHint().height() + window_->statusBar()->sizeHint().height());
	if (window_->isVisible())
		around = window_->size() - screen_->size();
	return screen_->SizeForFontSize(pixel_size) + around;
}

int ViewMenu::LargestFontSize() const
{
	QSize frame = window_->frameGeometry().size() - window_->geometry().size();
	if (!window_->isVisible())
		frame = kFrameAllowance;
	const QSize room = DesktopArea(window_).size() - frame;
	return ScreenView::LargestFittingFontSize([&](int pixel_size) {
		const QSize size = WindowSizeFor(pixel_size);
		return size.width() <= room.width() && size.height() <= room.height();
	});
}

void ViewMenu::ResizeForFontSize(int pixel_size)
{
	if (window_->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))
		window_->showNormal();
	const QSize size = WindowSizeFor(pixel_size);
	const QRect desktop = DesktopArea(window_);
	QRect placed(window_->geometry().topLeft(), size);
	// Kept on the desktop: moved back when the larger window would leave it.
	if (placed.right() > desktop.right())
		placed.moveRight(desktop.right());
	if (placed.bottom() > desktop.bottom())
		placed.moveBottom(desktop.bottom());
	placed.moveLeft(std::max(placed.left(), desktop.left()));
	placed.moveTop(std::max(placed.top(), desktop.top()));
	window_->setGeometry(placed);
}

void ViewMenu::Restore()
{
	ShowColourScheme(LoadColourScheme());
}

QRect ViewMenu::FirstStartGeometry() const
{
	const QRect desktop = DesktopArea(window_);
	const int largest = LargestFontSize();
	const int pixels = std::min(LoadFontSize().value_or(largest), largest);
	QRect placed(QPoint(), WindowSizeFor(pixels));
	placed.moveCenter(desktop.center());
	placed.moveTop(std::max(placed.top(), desktop.top() + kFrameAllowance.height() / 2));
	return placed;
}

void ViewMenu::ShowColourScheme(ColourScheme scheme)
{
	colourScheme = scheme;
	ApplyColourScheme();
	for (size_t i = 0; i < kSchemeOrder.size(); ++i)
		schemeitems[i]->setChecked(kSchemeOrder[i] == scheme);
}

void ViewMenu::ColourSchemeCommand(ColourScheme scheme)
{
	ShowColourScheme(scheme);
	SaveColourScheme(scheme);
	SpeakAndWait(LocalizedText(languageBase, ColourSchemeText(scheme)));
}

void ViewMenu::ZoomCommand(int steps)
{
	const int largest = LargestFontSize();
	const int pixels = steps == 0 ? largest : ZoomedFontSize(screen_->FontSize(), steps, largest);
	ResizeForFontSize(pixels);
	SaveFontSize(pixels);
	std::string said = LocalizedText(languageBase, kTextFontSize);
	const size_t number = said.find("%d");
	if (number != std::string::npos)
		said.replace(number, 2, std::to_string(pixels));
	SpeakAndWait(said);
}

} // namespace velira
