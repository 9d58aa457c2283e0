#include "runtime/screen.h"

#include "platform/message_pump.h"
#include "platform/services.h"
#include "runtime/velcommands.h"
#include "speech/speech_output.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <string_view>

namespace velira
{

tscrcursor screenCursor;

ScreenBuffer &screenBuffer()
{
	static ScreenBuffer instance;
	return instance;
}

void ScreenBuffer::Clear()
{
	for (auto &line : lines_)
		line.clear();
	NotifyChanged();
}

void ScreenBuffer::FillAndOverwrite(int row, int column, const std::string &piece)
{
	std::string &line = lines_[static_cast<size_t>(row)];
	if (line.size() < kScreenColumns)
		line.append(kScreenColumns - line.size(), ' ');
	// The line keeps its length: only characters that exist are overwritten.
	for (size_t i = 0; i < piece.size(); ++i) {
		const size_t at = static_cast<size_t>(column) + i;
		if (at >= line.size())
			break;
		line[at] = piece[i];
	}
}

void ScreenBuffer::ScrollUp()
{
	for (size_t i = 0; i + 1 < lines_.size(); ++i)
		lines_[i] = std::move(lines_[i + 1]);
	lines_.back().clear();
}

void ScreenBuffer::NotifyChanged()
{
	services().screenChanged.Notify();
}

namespace
{

// The line feed on the print core's locals.
void NewLine(int &x, int &y)
{
	++y;
	x = 0;
	if (y > kScreenRows - 1) {
		y = kScreenRows - 1;
		screenBuffer().ScrollUp();
	}
}

void StoreCursor(int x, int y)
{
	screenCursor.setcolumn(static_cast<uint8_t>(x));
	screenCursor.setrow(static_cast<uint8_t>(y));
}

void WriteWithMode(std::string text, uint8_t mode)
{
	int x = screenCursor.getcolumn();
	int y = screenCursor.getrow();
	ScreenBuffer &buffer = screenBuffer();

	if (static_cast<int>(text.size()) + x > kScreenColumns) {
		do {
			// A cursor past column 80 (never produced by printing) takes no
			// characters on its row instead of a negative count.
			const size_t room = x < kScreenColumns ? static_cast<size_t>(kScreenColumns - x) : 0;
			const std::string piece = text.substr(0, room);
			text.erase(0, piece.size());
			buffer.FillAndOverwrite(y, x, piece);
			NewLine(x, y);
		} while (text.size() > kScreenColumns);
	}
	buffer.FillAndOverwrite(y, x, text);
	x += static_cast<int>(text.size());
	StoreCursor(x, y);

	if (mode == kPrintNewLine) {
		NewLine(x, y);
	} else if (mode == kPrintNextZone) {
		if (x >= 73) {
			NewLine(x, y);
		} else {
			const int m = x % 8;
			if (m == 1)
				x += 1;
			else if (m >= 2)
				x += 8 - m;
		}
	}
	StoreCursor(x, y);
	buffer.NotifyChanged();
}

bool IsPausingPunctuation(char ch)
{
	return ch == '.' || ch == ',' || ch == ';' || ch == '?';
}

void SpeakPrinted(const std::string &text)
{
	if (text.empty())
		return;
	size_t first = 0;
	while (first < text.size() && static_cast<unsigned char>(text[first]) <= 32)
		++first;
	if (first == text.size() || !IsPausingPunctuation(text[first])) {
		SpeakAndWait(text);
		return;
	}
	// Each leading punctuation mark is a pause, not a word. Blanks uncovered
	// by a deletion are kept, so the loop stops at the first blank. Keys
	// typed during a pause wait for the program's next poll, as on the
	// device; the text just printed is painted meanwhile.
	std::string rest = text.substr(first);
	while (!rest.empty() && IsPausingPunctuation(rest.front())) {
		services().Pump().WaitHoldingInput(kPunctuationPauseMs);
		rest.erase(0, 1);
	}
	if (!rest.empty())
		SpeakAndWait(rest);
}

char LocaleDecimalSeparator()
{
	const std::lconv *conventions = std::localeconv();
	if (conventions != nullptr && conventions->decimal_point != nullptr &&
	    conventions->decimal_point[0] != '\0' && conventions->decimal_point[1] == '\0')
		return conventions->decimal_point[0];
	return '.';
}

} // namespace

void ScreenWrite(const std::string &text)
{
	WriteWithMode(text, kPrintStay);
}

void ScreenNewLine()
{
	int x = screenCursor.getcolumn();
	int y = screenCursor.getrow();
	NewLine(x, y);
	StoreCursor(x, y);
	screenBuffer().NotifyChanged();
}

void PrintText(const std::string &text, uint8_t mode)
{
	WriteWithMode(text, mode);
	SpeakPrinted(text);
}

void PrintNumber(uint8_t mode, double value)
{
	const std::string text = FormatNumber(value);
	WriteWithMode(text, mode);
	if (!text.empty())
		SpeakAndWait(text);
}

std::string FormatNumber(double value)
{
	return FormatNumber(value, LocaleDecimalSeparator());
}

std::string FormatNumber(double value, char decimal_separator)
{
	if (std::isnan(value))
		return "NAN";
	if (std::isinf(value))
		return value > 0 ? "INF" : "-INF";
	if (value == 0.0)
		return "0";

	// Round to 15 significant digits; the exponent comes from the rounded
	// value, so 999999999999999.9 becomes 1E15. The digits are taken
	// without the C library's locale: under a comma locale printf would
	// write the separator of its own LC_NUMERIC into them.
	char buffer[40];
	const std::to_chars_result written =
	    std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
	const std::string_view digits(buffer, static_cast<size_t>(written.ptr - buffer));
	const bool negative = digits.front() == '-';
	const size_t exponent_at = digits.find('e');
	std::string mantissa;
	for (size_t i = negative ? 1 : 0; i < exponent_at; ++i) {
		if (digits[i] != '.')
			mantissa += digits[i];
	}
	int exponent = 0;
	const std::string_view exponent_text = digits.substr(exponent_at + 1);
	const char *exponent_begin = exponent_text.data() + (exponent_text.front() == '+' ? 1 : 0);
	std::from_chars(exponent_begin, exponent_text.data() + exponent_text.size(), exponent);
	while (mantissa.size() > 1 && mantissa.back() == '0')
		mantissa.pop_back();

	std::string out = negative ? "-" : "";
	if (exponent >= -4 && exponent < 15) {
		if (exponent < 0) {
			out += '0';
			out += decimal_separator;
			out.append(static_cast<size_t>(-exponent - 1), '0');
			out += mantissa;
		} else {
			const size_t whole = static_cast<size_t>(exponent) + 1;
			if (mantissa.size() <= whole) {
				out += mantissa;
				out.append(whole - mantissa.size(), '0');
			} else {
				out += mantissa.substr(0, whole);
				out += decimal_separator;
				out += mantissa.substr(whole);
			}
		}
	} else {
		out += mantissa[0];
		if (mantissa.size() > 1) {
			out += decimal_separator;
			out += mantissa.substr(1);
		}
		out += 'E';
		out += std::to_string(exponent);
	}
	return out;
}

void ResetRuntime()
{
	screenCursor.setcolumn(0);
	lastInstrument = 1;
	lastDuration = 1;
}

} // namespace velira
