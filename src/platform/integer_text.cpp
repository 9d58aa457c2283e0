#include "platform/integer_text.h"

#include "platform/error.h"

namespace velira
{

namespace
{

// The value of `ch` as a digit of `base` (10 or 16), or -1.
int DigitOf(char ch, int base)
{
	if (ch >= '0' && ch <= '9')
		return ch - '0';
	if (base == 16 && ch >= 'a' && ch <= 'f')
		return ch - 'a' + 10;
	if (base == 16 && ch >= 'A' && ch <= 'F')
		return ch - 'A' + 10;
	return -1;
}

} // namespace

int32_t StrToInt(const std::string &text)
{
	const auto fail = [&text]() -> int32_t {
		throw ShellError("'" + text + "' is not a valid integer value");
	};
	size_t i = 0;
	while (i < text.size() && text[i] == ' ')
		++i;
	bool negative = false;
	if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
		negative = text[i] == '-';
		++i;
	}
	int base = 10;
	if (i < text.size() && text[i] == '$') {
		base = 16;
		++i;
	}
	if (i >= text.size())
		return fail();
	uint64_t value = 0;
	for (; i < text.size(); ++i) {
		const int digit = DigitOf(text[i], base);
		if (digit < 0)
			return fail();
		value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
		if (value > 0xFFFFFFFFull)
			return fail();
	}
	if (base == 10) {
		if (value > (negative ? 0x80000000ull : 0x7FFFFFFFull))
			return fail();
		return negative ? static_cast<int32_t>(-static_cast<int64_t>(value))
		                : static_cast<int32_t>(value);
	}
	// A minus before hexadecimal digits negates the 32-bit value, so the
	// result stays within 32 bits ("-$80000000" is the smallest integer).
	const auto bits = static_cast<uint32_t>(value);
	return static_cast<int32_t>(negative ? 0u - bits : bits);
}

} // namespace velira
