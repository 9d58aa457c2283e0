#pragma once

#include <string>
#include <string_view>

namespace velira
{

// All text inside the shell is 8-bit in code page 1250; these convert at the
// edges (the windows, the speech engines, the source tables).

// A character that code page 1250 cannot hold becomes '?'.
std::string Cp1250FromUtf8(std::string_view utf8);
std::string Utf8FromCp1250(std::string_view cp1250);

// One Unicode code point to its code page 1250 byte; 0 when there is none.
unsigned char Cp1250FromCodePoint(char32_t code_point);
char32_t CodePointFromCp1250(unsigned char byte);

// Appends `code_point` to `out` in UTF-8.
void AppendUtf8(std::string &out, char32_t code_point);

} // namespace velira
