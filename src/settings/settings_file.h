#pragma once

#include <array>
#include <climits>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velira
{

// The settings file beside the executable. The process entry sets its path
// once; until then, and after ResetSettingsFilePath, it is "velira.ini" in
// the current directory.
void SetSettingsFilePath(const std::string &path);
void ResetSettingsFilePath();
const std::string &SettingsFilePath();

// Settings-file access with the rules of the original INI files: section and
// key names compare without regard to case; integers are decimal, or
// hexadecimal after "0x"; booleans are integers (non-zero is true); an absent
// key or an unreadable value gives the caller's default. Every call opens the
// file and lets it go; nothing is cached. Every write replaces the file whole
// (temporary file and rename) and keeps the sections and keys it does not
// know; a write that would leave the file as it is does not touch it. A
// write that fails raises "Unable to write to <path>".
class IniFile
{
public:
	explicit IniFile(std::string path) : path_(std::move(path)) {}

	const std::string &Path() const { return path_; }
	bool Exists() const;

	int ReadInteger(const std::string &section, const std::string &key, int default_value) const;
	bool ReadBool(const std::string &section, const std::string &key, bool default_value) const;
	// A whole number within low..high; nothing when absent or unreadable
	// (ParseSettingNumber).
	std::optional<int> ReadNumber(const std::string &section, const std::string &key, int low = INT_MIN,
	                              int high = INT_MAX) const;
	// At most 2047 characters are returned.
	std::string ReadString(const std::string &section, const std::string &key,
	                       const std::string &default_value) const;

	void WriteInteger(const std::string &section, const std::string &key, int value);
	void WriteBool(const std::string &section, const std::string &key, bool value);
	void WriteString(const std::string &section, const std::string &key, const std::string &value);
	// Several keys in one replacement of the file: a crash leaves either
	// all of them new or all of them as they were.
	struct Value {
		std::string section;
		std::string key;
		std::string value;
	};
	void WriteValues(const std::vector<Value> &values);

private:
	std::string path_;
};

// The shell's own settings file.
IniFile SettingsFile();

// How every key's value reads, whatever its kind: without the blanks around
// it (spaces, tabs, line ends). Each gives nothing for what it cannot read
// (an empty value, an unknown word, a number out of the key's range), so
// that the caller's default stands.
//
// A whole number: decimal with an optional sign, or hexadecimal after "0x"
// or "0X" (up to 32 bits, so "0xFFFFFFFF" is -1), within low..high.
std::optional<int> ParseSettingNumber(std::string_view text, int low = INT_MIN, int high = INT_MAX);
// A switch: a whole number, any non-zero being on.
std::optional<bool> ParseSettingSwitch(std::string_view text);
// Whether `text` is `word`, without regard to the case of its letters.
bool IsSettingWord(std::string_view text, std::string_view word);
// An enumerated key: the `value` of the row whose `word` the text is.
template <typename Row, std::size_t N>
auto ParseSettingWord(std::string_view text, const std::array<Row, N> &rows)
    -> std::optional<decltype(Row::value)>
{
	for (const Row &row : rows)
		if (IsSettingWord(text, row.word))
			return row.value;
	return std::nullopt;
}

} // namespace velira
