#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace velira
{

constexpr int kScreenRows = 24;
constexpr int kScreenColumns = 80;

// The print position of the device's screen.
class tscrcursor
{
public:
	void setcolumn(uint8_t value) { column = value; }
	void setrow(uint8_t value) { row = value; }
	uint8_t getcolumn() const { return column; }
	uint8_t getrow() const { return row; }

	// 0..80; 80 means the row is full and the next text starts a new row.
	uint8_t column = 0;
	// 0..23.
	uint8_t row = 0;
};

extern tscrcursor screenCursor;

// The 80x24 screen: 24 lines of code page 1250 text, row 0 at the top. A line
// that has been written to is exactly 80 characters long, padded with blanks;
// a line never written to since it entered the screen is empty. The main
// window shows it; the screen review window copies it.
class ScreenBuffer
{
public:
	using Lines = std::array<std::string, kScreenRows>;

	const Lines &lines() const { return lines_; }
	const std::string &line(int row) const { return lines_[static_cast<size_t>(row)]; }

	// Empties the screen: 24 empty lines.
	void Clear();

	// The print core's edits.
	void FillAndOverwrite(int row, int column, const std::string &piece);
	void ScrollUp();
	// Tells the listeners of services().screenChanged, so that the windows
	// show the change.
	void NotifyChanged();

private:
	Lines lines_;
};

ScreenBuffer &screenBuffer();

// Print modes: what follows a printed text.
constexpr uint8_t kPrintNewLine = 0;
constexpr uint8_t kPrintStay = 1;
constexpr uint8_t kPrintNextZone = 2;

// BASIC PRINT of a string: places the text, then speaks it. Returns when the
// speaking has finished (or was cut short by a key).
void PrintText(const std::string &text, uint8_t mode);

// BASIC PRINT of a number. Note the argument order: mode first.
void PrintNumber(uint8_t mode, double value);

// The printed form of a number: at most 15 significant digits, fixed-point
// from 0.0001 to below 10^15, otherwise scientific ("1E20", "5E-5"), with the
// decimal separator of the user's locale.
std::string FormatNumber(double value);
std::string FormatNumber(double value, char decimal_separator);

// The print core and its line feed, used by the two print statements.
void ScreenWrite(const std::string &text);
void ScreenNewLine();

// Before every run: print column 0 (the row stays), tone defaults back to 1.
void ResetRuntime();

// The pause made for each leading ".", ",", ";" or "?" of a printed text.
constexpr int kPunctuationPauseMs = 300;

} // namespace velira
