#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace velira
{

// The program's picture: a braille cell on a dark blue square, dots 1, 2, 4
// and 5 raised (the letter g, for the six keys). The about box paints it and
// the installed icons are drawn from it, so that both show the same cell.
// Positions and the radius are fractions of the square's side.
struct IconDot {
	double x = 0.0;
	double y = 0.0;
	bool raised = false;
};

constexpr uint32_t kIconBackgroundRgb = 0x1F3A68;
constexpr uint32_t kIconRaisedDotRgb = 0xFFFFFF;
constexpr uint32_t kIconFlatDotRgb = 0x5A74A0;
constexpr double kIconDotRadius = 0.1;

// Dots 1 to 6: 1 to 3 down the left column, 4 to 6 down the right.
std::array<IconDot, 6> ProgramIconDots();

// The same picture as a scalable SVG document.
std::string ProgramIconSvg();

} // namespace velira
