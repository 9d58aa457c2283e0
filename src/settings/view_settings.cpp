#include "settings/view_settings.h"

#include "settings/localized_texts.h"
#include "settings/settings_file.h"

#include <algorithm>
#include <array>

namespace velira
{

ColourScheme colourScheme = ColourScheme::Desktop;

namespace
{

constexpr const char *kSection = "view";

struct SchemeRow {
	ColourScheme value;
	const char *word;
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
		if (row.value == scheme)
			return row;
	return kSchemes[0];
}

} // namespace

const char *ColourSchemeKey(ColourScheme scheme)
{
	return RowOf(scheme).word;
}

ColourScheme ColourSchemeFromKey(const std::string &key)
{
	return ParseSettingWord(key, kSchemes).value_or(ColourScheme::Desktop);
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
	return SettingsFile().ReadNumber(kSection, "fontsize", 1);
}

void SaveFontSize(int pixels)
{
	SettingsFile().WriteInteger(kSection, "fontsize", pixels);
}

std::optional<WindowPlacement> LoadWindowPlacement()
{
	const IniFile file = SettingsFile();
	const std::optional<int> x = file.ReadNumber(kSection, "left");
	const std::optional<int> y = file.ReadNumber(kSection, "top");
	const std::optional<int> width = file.ReadNumber(kSection, "width", 1);
	const std::optional<int> height = file.ReadNumber(kSection, "height", 1);
	if (!x || !y || !width || !height)
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
