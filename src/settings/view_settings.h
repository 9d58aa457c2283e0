#pragma once

#include <optional>
#include <string>

namespace velira
{

// How the screen, the review window and the data-entry field are coloured.
enum class ColourScheme {
	Desktop, // the desktop's own colours
	WhiteOnBlack,
	YellowOnBlack,
	BlackOnWhite,
	BlackOnYellow,
};
constexpr int kColourSchemeCount = 5;

// [view] scheme: its value in the settings file, and back (in any case, with
// blanks around it). An unknown value is the desktop's colours.
const char *ColourSchemeKey(ColourScheme scheme);
ColourScheme ColourSchemeFromKey(const std::string &key);
// The localized text that names the scheme, in the menu and when spoken.
int ColourSchemeText(ColourScheme scheme);

// The scheme in force; the desktop's colours until the settings are read.
extern ColourScheme colourScheme;

// The window's place on the desktop, as [view] keeps it.
struct WindowPlacement {
	int x = 0;
	int y = 0;
	int width = 0;
	int height = 0;
	bool maximized = false;

	bool operator==(const WindowPlacement &) const = default;
};

// Font sizes in pixels: the smallest zoom step, and the step itself.
constexpr int kMinFontSize = 8;
constexpr int kFontSizeStep = 2;

// The size one zoom step from `current`: `steps` steps larger (or smaller
// when negative), kept between kMinFontSize and `largest` (the largest that
// the desktop holds).
int ZoomedFontSize(int current, int steps, int largest);

// [view] in the settings file. Reading gives nothing for what is absent or
// unreadable (a size below one pixel is unreadable).
ColourScheme LoadColourScheme();
void SaveColourScheme(ColourScheme scheme);
std::optional<int> LoadFontSize();
void SaveFontSize(int pixels);
std::optional<WindowPlacement> LoadWindowPlacement();
// The five keys of the place in one write of the file.
void SaveWindowPlacement(const WindowPlacement &placement);

} // namespace velira
