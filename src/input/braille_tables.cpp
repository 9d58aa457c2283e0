#include "input/braille_tables.h"

#include "platform/error.h"
#include "platform/integer_text.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

namespace velira
{

std::array<brlpreftype, kPrefixSlots> braillePrefixes;
uint8_t prefixCount = 0;
std::array<brlchartype, kCharacterSlots> brailleCharacters;
uint8_t characterCount = 0;
std::array<echokeytype, kEchoKeySlots> echoKeys;
std::string activePrefix;
std::string brailleTableFileName;
std::string keyboardFileName;

// clang-format off
const std::array<std::array<uint8_t, kNationalRowLength>, kNationalRows> nationalLetters = {{
    // Kamenický (KEYBCS2)
    {0xA0, 0x8F, 0x84, 0x8E, 0x87, 0x80, 0x83, 0x85, 0x82, 0x90, 0x88, 0x89, 0xA1, 0x8B, 0x8D,
     0x8A, 0x8C, 0x9C, 0xA4, 0xA5, 0xA2, 0x95, 0x93, 0xA7, 0x94, 0x99, 0xAA, 0xAB, 0xA9, 0x9E,
     0xA8, 0x9B, 0x9F, 0x86, 0xA3, 0x97, 0x96, 0xA6, 0x81, 0x9A, 0x98, 0x9D, 0x91, 0x92, 0xAD},
    // code page 852
    {0xA0, 0xB5, 0x84, 0x8E, 0x9F, 0xAC, 0xD4, 0xD2, 0x82, 0x90, 0xD8, 0xB7, 0xA1, 0xD6, 0x92,
     0x91, 0x96, 0x95, 0xE5, 0xD5, 0xA2, 0xE0, 0x93, 0xE2, 0x94, 0x99, 0xEA, 0xE8, 0xFD, 0xFC,
     0xE7, 0xE6, 0x9C, 0x9B, 0xA3, 0xE9, 0x85, 0xDE, 0x81, 0x9A, 0xEC, 0xED, 0xA7, 0xA6, 0xF5},
    // Windows code page 1250
    {0xE1, 0xC1, 0xE4, 0xC4, 0xE8, 0xC8, 0xEF, 0xCF, 0xE9, 0xC9, 0xEC, 0xCC, 0xED, 0xCD, 0xE5,
     0xC5, 0xBE, 0xBC, 0xF2, 0xD2, 0xF3, 0xD3, 0xF4, 0xD4, 0xF6, 0xD6, 0xE0, 0xC0, 0xF8, 0xD8,
     0x9A, 0x8A, 0x9D, 0x8D, 0xFA, 0xDA, 0xF9, 0xD9, 0xFC, 0xDC, 0xFD, 0xDD, 0x9E, 0x8E, 0xA7},
    // ISO 8859-2
    {0xE1, 0xC1, 0xE4, 0xC4, 0xE8, 0xC8, 0xEF, 0xCF, 0xE9, 0xC9, 0xEC, 0xCC, 0xED, 0xCD, 0xE5,
     0xC5, 0xB5, 0xA5, 0xF2, 0xD2, 0xF3, 0xD3, 0xF4, 0xD4, 0xF6, 0xD6, 0xE0, 0xC0, 0xF8, 0xD8,
     0xB9, 0xA9, 0xBB, 0xAB, 0xFA, 0xDA, 0xF9, 0xD9, 0xFC, 0xDC, 0xFD, 0xDD, 0xBE, 0xAE, 0xA7},
    // KOI8-CS
    {0xC1, 0xE1, 0xD1, 0xF1, 0xC3, 0xE3, 0xC4, 0xE4, 0xD7, 0xF7, 0xC5, 0xE5, 0xC9, 0xE9, 0xCB,
     0xEB, 0xCC, 0xEC, 0xCE, 0xEE, 0xCF, 0xEF, 0xD0, 0xF0, 0xCD, 0xED, 0xC6, 0xE6, 0xD2, 0xF2,
     0xD3, 0xF3, 0xD4, 0xF4, 0xD5, 0xF5, 0xCA, 0xEA, 0xC8, 0xE8, 0xD9, 0xF9, 0xDA, 0xFA, 0x83},
    // Macintosh CE
    {0x87, 0xE7, 0x8A, 0x80, 0x8B, 0x89, 0x93, 0x91, 0x8E, 0x83, 0x9E, 0x9D, 0x92, 0xEA, 0xBE,
     0xBD, 0xBA, 0xBB, 0xCB, 0xC5, 0x97, 0xEE, 0x99, 0xEF, 0x9A, 0x85, 0xDA, 0xD9, 0xDE, 0xDB,
     0xE4, 0xE1, 0xE9, 0xE8, 0x9C, 0xF2, 0xF3, 0xF1, 0x9F, 0x86, 0xF9, 0xF8, 0xEC, 0xEB, 0xA4},
    // code page 437, the letters it lacks replaced by their base letter
    {0xA0, 0x41, 0x84, 0x8E, 0x63, 0x43, 0x64, 0x44, 0x82, 0x90, 0x65, 0x45, 0xA1, 0x49, 0x6C,
     0x4C, 0x6C, 0x4C, 0x6E, 0x4E, 0xA2, 0x4F, 0x93, 0x4F, 0x94, 0x99, 0x72, 0x52, 0x72, 0x52,
     0x73, 0x53, 0x74, 0x54, 0xA3, 0x55, 0x75, 0x55, 0x81, 0x9A, 0x79, 0x59, 0x7A, 0x5A, 0xAD},
    // plain ASCII, base letters only
    {0x61, 0x41, 0x61, 0x41, 0x63, 0x43, 0x64, 0x44, 0x65, 0x45, 0x65, 0x45, 0x69, 0x49, 0x6C,
     0x4C, 0x6C, 0x4C, 0x6E, 0x4E, 0x6F, 0x4F, 0x6F, 0x4F, 0x6F, 0x4F, 0x72, 0x52, 0x72, 0x52,
     0x73, 0x53, 0x74, 0x54, 0x75, 0x55, 0x75, 0x55, 0x75, 0x55, 0x79, 0x59, 0x7A, 0x5A, 0x20},
}};
// clang-format on

namespace
{

// The input/output error for `file_name`. A bare name is the working
// folder's file, which the message never named; a path found through the
// data folders is named, so that the user learns where it was looked for.
ShellError FileError(const std::string &file_name, const std::string &reason)
{
	if (file_name.find('/') == std::string::npos)
		return ShellError(reason);
	return ShellError(reason + ": " + PathForMessage(file_name));
}

// Reads a text file whole and splits it into lines; a line ends at CR LF, at
// LF or at a lone CR. Raises the input/output error when it cannot be read.
std::vector<std::string> ReadTextLines(const std::string &file_name)
{
	std::error_code error;
	if (!std::filesystem::exists(file_name, error))
		throw FileError(file_name, "File not found");
	if (std::filesystem::is_directory(file_name, error))
		throw FileError(file_name, SystemReason(EISDIR));
	std::FILE *file = std::fopen(file_name.c_str(), "rb");
	if (file == nullptr)
		throw FileError(file_name,
		                errno == ENOENT ? std::string("File not found") : SystemReason(errno));
	std::string data;
	char buffer[4096];
	size_t got = 0;
	while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
		data.append(buffer, got);
	const bool failed = std::ferror(file) != 0;
	std::fclose(file);
	if (failed)
		throw FileError(file_name, "Read error");

	std::vector<std::string> lines;
	std::string line;
	for (size_t i = 0; i < data.size(); ++i) {
		const char ch = data[i];
		if (ch == '\r' || ch == '\n') {
			lines.push_back(std::move(line));
			line.clear();
			if (ch == '\r' && i + 1 < data.size() && data[i + 1] == '\n')
				++i;
		} else {
			line += ch;
		}
	}
	if (!line.empty())
		lines.push_back(std::move(line));
	return lines;
}

// Splits an entry line at its first "="; a line without one gives itself to
// both parts.
void SplitEntry(const std::string &line, std::string &left, std::string &right)
{
	const size_t equals = line.find('=');
	if (equals == std::string::npos) {
		left = line;
		right = line;
	} else {
		left = line.substr(0, equals);
		right = line.substr(equals + 1);
	}
}

enum class Section { None, Prefixes, Characters, Prefixed, Other };

// The first position (1..45) of `code` in `row`, 0 when it is not there.
int NationalPosition(uint8_t code, uint8_t row)
{
	if (row >= kNationalRows)
		return 0;
	const auto &letters = nationalLetters[row];
	for (int i = 0; i < kNationalRowLength; ++i) {
		if (letters[i] == code)
			return i + 1;
	}
	return 0;
}

} // namespace

void ClearInputTables()
{
	braillePrefixes.fill({});
	brailleCharacters.fill({});
	echoKeys.fill({});
	prefixCount = 0;
	characterCount = 0;
	activePrefix.clear();
}

void LoadBrailleTable()
{
	characterCount = 0;
	const std::vector<std::string> lines = ReadTextLines(brailleTableFileName);
	Section section = Section::None;
	std::string section_name;
	std::string left;
	std::string right;
	for (const std::string &line : lines) {
		if (!line.empty() && line[0] == '[') {
			// The name is the line without its first and last character.
			section_name = line.size() >= 2 ? line.substr(1, line.size() - 2) : std::string();
			if (section_name == "prefixes") {
				section = Section::Prefixes;
				prefixCount = 0;
			} else if (section_name == "characters") {
				section = Section::Characters;
			} else if (!section_name.empty() && section_name[0] == '#') {
				section = Section::Prefixed;
			} else {
				section = Section::Other;
			}
			continue;
		}
		switch (section) {
		case Section::None:
		case Section::Other:
			break;
		case Section::Prefixes:
			if (line.empty() || line[0] != '#')
				break;
			// A table holds no more than its slots: further prefixes are
			// ignored rather than written past its end.
			if (prefixCount >= kPrefixSlots)
				break;
			SplitEntry(line, left, right);
			braillePrefixes[prefixCount] = {left, right};
			++prefixCount;
			break;
		case Section::Characters:
		case Section::Prefixed:
			if (line.empty() || characterCount >= kMaxCharacterCount)
				break;
			SplitEntry(line, left, right);
			brailleCharacters[characterCount] = {
			    section == Section::Prefixed ? section_name : std::string(), left, right};
			++characterCount;
			break;
		}
	}
}

void LoadKeyboardFile()
{
	const std::vector<std::string> lines = ReadTextLines(keyboardFileName);
	uint8_t slot = 0;
	for (const std::string &line : lines) {
		if (line.empty())
			continue;
		const size_t equals = line.find('=');
		const std::string number =
		    equals == std::string::npos ? std::string() : line.substr(0, equals);
		const int32_t code = StrToInt(number);
		echoKeys[slot].code = static_cast<uint8_t>(code & 0xFF);
		echoKeys[slot].name = line.substr(equals + 1);
		++slot; // wraps after slot 255
	}
}

std::string TranslateChord(const std::string &dots)
{
	if (dots == " ") {
		activePrefix.clear();
		return " ";
	}
	for (int i = 0; i < prefixCount; ++i) {
		if (braillePrefixes[i].dots == dots) {
			activePrefix = braillePrefixes[i].name;
			return std::string();
		}
	}
	for (int i = 0; i < characterCount; ++i) {
		const brlchartype &entry = brailleCharacters[i];
		if (entry.dots == dots && entry.prefix == activePrefix) {
			if (activePrefix == kCapitalPrefix)
				activePrefix.clear();
			return entry.character;
		}
	}
	return std::string();
}

int FindEchoKey(uint8_t code)
{
	for (int slot = 0; slot < kEchoKeySlots; ++slot) {
		if (echoKeys[slot].code == code)
			return slot;
	}
	return kNoEchoKey;
}

bool IsUpperLetter(uint8_t code, uint8_t row)
{
	if (code < 128)
		return code >= 'A' && code <= 'Z';
	const int position = NationalPosition(code, row);
	return position != 0 && position % 2 == 0;
}

bool IsLowerLetter(uint8_t code, uint8_t row)
{
	if (code < 128)
		return code >= 'a' && code <= 'z';
	const int position = NationalPosition(code, row);
	return position != 0 && position % 2 == 1 && position < kNationalRowLength;
}

} // namespace velira
