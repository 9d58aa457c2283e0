#pragma once

#include <cstdint>
#include <string>

namespace velira
{

// The standard integer conversion, as the keyboard file's codes and VAL with
// "%" read their numbers: the whole text, optional leading blanks, an
// optional sign, then decimal digits within a signed 32-bit integer, or "$"
// and hexadecimal digits that fill all 32 bits (sign bit included, so
// "$FFFFFFFF" is -1). Nothing else is a number: no tabs, no "0x", no
// trailing blanks. Raises "'<text>' is not a valid integer value".
int32_t StrToInt(const std::string &text);

} // namespace velira
