#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The braille table (which dot pattern types which character, with prefix
// patterns such as the capital sign), the keyboard file (the spoken name of
// each character code) and the letter classes of the national code pages.
// All text is code page 1250.
namespace velira
{

// One prefix: its name (begins with "#") and the dot pattern that selects it.
struct brlpreftype {
	std::string name;
	std::string dots;
};

// One character entry: the prefix that must be in force ("" for none), the
// text it types and its dot pattern.
struct brlchartype {
	std::string prefix;
	std::string character;
	std::string dots;
};

// One keyboard-file entry: a character code and its spoken name.
struct echokeytype {
	uint8_t code = 0;
	std::string name;
};

constexpr int kPrefixSlots = 10;
// The count is one byte, so at most 255 of the 256 slots are ever filled.
constexpr int kCharacterSlots = 256;
constexpr int kMaxCharacterCount = 255;
constexpr int kEchoKeySlots = 256;

// Slot n of the tables (counted from 1) is element n - 1; the counts say how
// many are filled.
extern std::array<brlpreftype, kPrefixSlots> braillePrefixes;
extern uint8_t prefixCount;
extern std::array<brlchartype, kCharacterSlots> brailleCharacters;
extern uint8_t characterCount;
// Slots 0 to 255; a slot no line filled holds code 0 and an empty name.
extern std::array<echokeytype, kEchoKeySlots> echoKeys;
// The name of the prefix in force, "" when none; shared by the main window
// and the data-entry dialog.
extern std::string activePrefix;

// The files' paths: the bare names, looked up in the current directory, or
// the user's or the installed files (DataFilePath). The start-up sequence
// sets them.
extern std::string brailleTableFileName;
extern std::string keyboardFileName;

constexpr const char *kBrailleTableFile = "czech.vbt";
constexpr const char *kKeyboardFileExtension = ".vky";
// The prefix whose effect lasts for one typed character.
constexpr const char *kCapitalPrefix = "#cap";

// Empties all three tables and the prefix in force.
void ClearInputTables();

// Reads the braille table file. Starts by setting characterCount to 0. A
// missing or unreadable file raises the input/output error ("File not found"
// or the system's text, followed by the path when it has a folder). Lines beyond the table sizes are ignored.
void LoadBrailleTable();

// Reads the keyboard file into echoKeys, entry by entry from slot 0, wrapping
// after slot 255. A line whose text before the first "=" is not an integer
// stops the loading with "'<text>' is not a valid integer value"; the slots
// filled so far stay.
void LoadKeyboardFile();

// The text that the dot pattern types, "" when it types nothing; updates
// activePrefix.
std::string TranslateChord(const std::string &dots);

// The slot of echoKeys with the lowest number whose code is `code`, or
// kNoEchoKey when no slot has it.
constexpr int kNoEchoKey = -1;
int FindEchoKey(uint8_t code);

// The national letters of eight code pages, one row each: 22 pairs of a
// lower-case letter and its capital, then one extra character. Every caller
// uses row 2, code page 1250.
constexpr int kNationalRows = 8;
constexpr int kNationalRowLength = 45;
constexpr uint8_t kCp1250Row = 2;
extern const std::array<std::array<uint8_t, kNationalRowLength>, kNationalRows> nationalLetters;

// Letter classes of a character code under a row of nationalLetters: below
// 128 only A-Z and a-z count. A row number outside 0..7 holds no letters.
bool IsUpperLetter(uint8_t code, uint8_t row);
bool IsLowerLetter(uint8_t code, uint8_t row);

} // namespace velira
