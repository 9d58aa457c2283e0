#include "settings/program_icon.h"

#include <cstdio>

namespace velira
{

namespace
{

std::string Hex(uint32_t rgb)
{
	char text[8];
	std::snprintf(text, sizeof text, "#%06X", static_cast<unsigned>(rgb & 0xFFFFFF));
	return text;
}

} // namespace

std::array<IconDot, 6> ProgramIconDots()
{
	constexpr std::array<bool, 6> raised = {true, true, false, true, true, false};
	std::array<IconDot, 6> dots{};
	for (int dot = 0; dot < 6; ++dot) {
		dots[dot].x = dot < 3 ? 0.35 : 0.65;
		dots[dot].y = 0.25 + 0.25 * (dot % 3);
		dots[dot].raised = raised[dot];
	}
	return dots;
}

std::string ProgramIconSvg()
{
	// Drawn on a 100-unit square; the viewBox lets it scale to any size.
	constexpr double kSide = 100.0;
	std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
	                  "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" "
	                  "viewBox=\"0 0 100 100\">\n";
	svg += "  <rect width=\"100\" height=\"100\" fill=\"" + Hex(kIconBackgroundRgb) + "\"/>\n";
	char circle[160];
	for (const IconDot &dot : ProgramIconDots()) {
		std::snprintf(circle, sizeof circle, "  <circle cx=\"%g\" cy=\"%g\" r=\"%g\" fill=\"%s\"/>\n",
		              dot.x * kSide, dot.y * kSide, kIconDotRadius * kSide,
		              Hex(dot.raised ? kIconRaisedDotRgb : kIconFlatDotRgb).c_str());
		svg += circle;
	}
	svg += "</svg>\n";
	return svg;
}

} // namespace velira
