#include "settings/view_settings.h"

#include "settings/localized_texts.h"
#include "settings/settings_file.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace velira
{

ColourScheme colourScheme = ColourScheme::Desktop;

namespace
{

constexpr const char *kSection = "view";

struct SchemeRow {
	ColourScheme scheme;
	const char *key;
	int text;
};

constexpr std::array<SchemeRow, kColourSchemeCount> kSchemes = {{
    {ColourScheme::Desktop, "desktop", kTextSchemeDesktop},
    {ColourScheme::WhiteOnBlack, "whiteonblack", kTextSchemeWhiteOnBlack},
    {ColourScheme::YellowOnBlack, "yellowonblack", kTextSchemeYellowOnBlack},
    {ColourScheme::BlackOnWhite, "blackonwhite", kTextSchemeBlackOnWhite},
    {ColourScheme::BlackOnYellow, "blackonyellow", kTextSchemeBlackOnYellow},
}};

const SchemeRow &RowOf(ColourScheme scheme)
{
	for (const SchemeRow &row : kSchemes)
		if (row.scheme == scheme)
			return row;
	return kSchemes[0];
}

std::string Lower(std::string text)
{
	std::transform(text.begin(), text.end(), text.begin(),
	               [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
	return text;
}

// An integer key, or nothing when it is absent or unreadable.
std::optional<int> ReadInteger(const IniFile &file, const char *key)
{
	int value = 0;
	if (!ParseSettingsInteger(file.ReadString(kSection, key, ""), value))
		return std::nullopt;
	return value;
}

} // namespace

const char *ColourSchemeKey(ColourScheme scheme)
{
	return RowOf(scheme).key;
}

ColourScheme ColourSchemeFromKey(const std::string &key)
{
	const std::string lower = Lower(key);
	for (const SchemeRow &row : kSchemes)
		if (lower == row.key)
			return row.scheme;
	return ColourScheme::Desktop;
}

int ColourSchemeText(ColourScheme scheme)
{
	return RowOf(scheme).text;
}

int ZoomedFontSize(int current, int steps, int largest)
{
	const int upper = std::max(kMinFontSize, largest);
	return std::clamp(current + steps * kFontSizeStep, kMinFontSize, upper);
}

ColourScheme LoadColourScheme()
{
	return ColourSchemeFromKey(SettingsFile().ReadString(kSection, "scheme", ""));
}

void SaveColourScheme(ColourScheme scheme)
{
	SettingsFile().WriteString(kSection, "scheme", ColourSchemeKey(scheme));
}

std::optional<int> LoadFontSize()
{
	const std::optional<int> pixels = ReadInteger(SettingsFile(), "fontsize");
	if (!pixels || *pixels < 1)
		return std::nullopt;
	return pixels;
}

void SaveFontSize(int pixels)
{
	SettingsFile().WriteInteger(kSection, "fontsize", pixels);
}

std::optional<WindowPlacement> LoadWindowPlacement()
{
	const IniFile file = SettingsFile();
	const std::optional<int> x = ReadInteger(file, "left");
	const std::optional<int> y = ReadInteger(file, "top");
	const std::optional<int> width = ReadInteger(file, "width");
	const std::optional<int> height = ReadInteger(file, "height");
	if (!x || !y || !width || !height || *width < 1 || *height < 1)
		return std::nullopt;
	WindowPlacement placement{*x, *y, *width, *height, file.ReadBool(kSection, "maximized", false)};
	return placement;
}

void SaveWindowPlacement(const WindowPlacement &placement)
{
	SettingsFile().WriteValues({{kSection, "left", std::to_string(placement.x)},
	                            {kSection, "top", std::to_string(placement.y)},
	                            {kSection, "width", std::to_string(placement.width)},
	                            {kSection, "height", std::to_string(placement.height)},
	                            {kSection, "maximized", placement.maximized ? "1" : "0"}});
}

} // namespace velira
