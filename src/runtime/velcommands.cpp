#include "runtime/velcommands.h"

#include "platform/clock.h"
#include "platform/error.h"
#include "platform/integer_text.h"
#include "platform/message_pump.h"
#include "platform/random_source.h"
#include "platform/services.h"
#include "platform/timer.h"
#include "runtime/screen.h"
#include "shell/file_locations.h"
#include "shell/memory_image.h"
#include "shell/shutdown.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <utility>

namespace velira
{

std::string keyBuffer;
uint8_t lastInstrument = 1;
int32_t lastDuration = 1;
double lastRandom = 0.0;
bool soundWaiting = false;

namespace
{

std::FILE *g_data_file = nullptr;

// Length of the decimal number at the start of `s`, or 0 when there is none:
// digits, an optional point and fraction, an optional exponent.
size_t DecimalNumberLength(std::string_view s)
{
	size_t i = 0;
	size_t digits = 0;
	while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
		++i;
		++digits;
	}
	if (i < s.size() && s[i] == '.') {
		++i;
		while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
			++i;
			++digits;
		}
	}
	if (digits == 0)
		return 0;
	if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
		size_t j = i + 1;
		if (j < s.size() && (s[j] == '+' || s[j] == '-'))
			++j;
		const size_t exponent_start = j;
		while (j < s.size() && s[j] >= '0' && s[j] <= '9')
			++j;
		if (j == exponent_start)
			return 0;
		i = j;
	}
	return i;
}

} // namespace

void ResetRuntimeState()
{
	CloseDataFile();
	screenBuffer().Clear();
	screenCursor = tscrcursor();
	keyBuffer.clear();
	lastInstrument = 1;
	lastDuration = 1;
	lastRandom = 0.0;
	soundWaiting = false;
}

std::string ReadKeys()
{
	services().Pump().ProcessPendingMessages();
	return std::exchange(keyBuffer, std::string());
}

void OpenDataFile()
{
	CloseDataFile();
	const std::string path = DataFilePath(kDataFileName);
	std::error_code error;
	if (!std::filesystem::exists(path, error))
		return;
	if (std::filesystem::is_directory(path, error))
		throw ShellError("Cannot open file \"" + PathForMessage(path) + "\". " +
		                 SystemReason(EISDIR));
	g_data_file = std::fopen(path.c_str(), "rb");
	if (g_data_file == nullptr)
		throw ShellError("Cannot open file \"" + PathForMessage(path) + "\". " + SystemReason(errno));
}

void CloseDataFile()
{
	if (g_data_file != nullptr) {
		std::fclose(g_data_file);
		g_data_file = nullptr;
	}
}

std::string ReadDataItem()
{
	const std::string path = DataFilePath(kDataFileName);
	std::error_code error;
	if (!std::filesystem::exists(path, error))
		ReportMissingFileAndEnd(path);
	// The file appeared after the run started: read nothing rather than fail.
	if (g_data_file == nullptr)
		return {};

	std::string item;
	bool done = false;
	bool quoted = false;
	int ch = 0;
	while (!done && (ch = std::fgetc(g_data_file)) != EOF) {
		if (ch != ',' && ch != '"' && ch != '\n' && ch != '\r')
			item += static_cast<char>(ch);
		if (ch == '"' && !quoted)
			quoted = true;
		else if (ch == '"' && quoted)
			done = true;
		else if (ch == ',' && !quoted)
			done = true;
	}
	// Skip the comma after a closing quote.
	if (quoted)
		std::fgetc(g_data_file);
	return item;
}

void TimerTimer()
{
	soundWaiting = false;
	services().MainTimer().Stop();
}

int64_t Trunc(double value)
{
	if (std::isnan(value))
		return 0;
	constexpr double kLimit = 9.2e18;
	if (value >= kLimit)
		return static_cast<int64_t>(kLimit);
	if (value <= -kLimit)
		return static_cast<int64_t>(-kLimit);
	return static_cast<int64_t>(value);
}

// Addresses wrap into 0..65535 so that no program value reaches outside the
// memory image.
void PokeByte(double address, double value)
{
	ramImage[static_cast<size_t>(Trunc(address) & 0xFFFF)] = static_cast<uint8_t>(Trunc(value) & 0xFF);
}

uint8_t PeekByte(double address)
{
	return ramImage[static_cast<size_t>(Trunc(address) & 0xFFFF)];
}

double RandomNumber(double x)
{
	RandomSource &random = services().Random();
	if (x == 0.0)
		return lastRandom;
	if (x < 0.0)
		random.ReseedFromClock();
	// The value that RND(0) later repeats is a second draw, not this one.
	const double result = random.NextUniform();
	lastRandom = random.NextUniform();
	return result;
}

std::string TimeText()
{
	const TimeOfDay now = services().ClockService().LocalTimeOfDay();
	char text[16];
	std::snprintf(text, sizeof text, "%02d %02d %02d ", now.hour, now.minute, now.second);
	return text;
}

double ValueOf(const std::string &text)
{
	if (text.find('%') != std::string::npos) {
		std::string replaced = text;
		for (char &ch : replaced) {
			if (ch == '%')
				ch = '$';
		}
		return StrToInt(replaced);
	}
	size_t i = 0;
	while (i < text.size() && text[i] == ' ')
		++i;
	bool negative = false;
	if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
		negative = text[i] == '-';
		++i;
	}
	const std::string_view rest(text.data() + i, text.size() - i);
	const size_t length = DecimalNumberLength(rest);
	// Anything left over, trailing blanks included, makes the whole value 0.
	if (length == 0 || length != rest.size())
		return 0.0;
	double value = 0.0;
	const auto result = std::from_chars(rest.data(), rest.data() + length, value);
	if (result.ec != std::errc())
		return 0.0;
	return negative ? -value : value;
}

std::string CharOf(double code)
{
	return std::string(1, static_cast<char>(static_cast<uint8_t>(Trunc(code) & 0xFF)));
}

} // namespace velira
