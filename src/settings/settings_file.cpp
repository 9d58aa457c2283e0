#include "settings/settings_file.h"

#include "platform/atomic_file.h"
#include "platform/error.h"
#include "platform/whole_file.h"

// Values are 8-bit text in code page 1250: no Unicode conversion.
#define SI_NO_CONVERSION
// Debian's header keeps the template bodies behind this switch.
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <unistd.h>

namespace velira
{

namespace
{

constexpr const char *kDefaultSettingsPath = "velira.ini";
std::string g_settings_path = kDefaultSettingsPath;

// String values are read through a buffer of 2048 characters.
constexpr size_t kMaxStringLength = 2047;

void Configure(CSimpleIniA &ini)
{
	ini.SetUnicode(false);
	ini.SetMultiKey(false);
	// Written as "key=value", the way the original profile functions wrote.
	ini.SetSpaces(false);
}

// `text`, when given, receives the file as it was read.
bool LoadIni(const std::string &path, CSimpleIniA &ini, std::string *text = nullptr)
{
	Configure(ini);
	// A read that fails part way counts as unread: a file taken whole from
	// half its text would lose the rest when it is written back.
	const std::optional<std::string> contents = ReadWholeFile(path);
	if (!contents)
		return false;
	if (text != nullptr)
		*text = *contents;
	return ini.LoadData(*contents) >= 0;
}

// A value is one line: a line break written into it would end the value and
// turn the rest into keys or sections of its own.
std::string OneLine(std::string value)
{
	for (char &c : value)
		if (c == '\r' || c == '\n')
			c = ' ';
	return value;
}

void ReplaceValues(const std::string &path, const std::vector<IniFile::Value> &values)
{
	CSimpleIniA ini;
	std::string before;
	std::error_code error;
	const auto status = std::filesystem::status(path, error);
	if (std::filesystem::exists(status)) {
		// The file is replaced by renaming a new one over it, which would
		// also replace a file the user made read-only; it is refused instead,
		// as writing into it would be. A file that cannot be read is not
		// replaced either: its other sections would be lost.
		if (!std::filesystem::is_regular_file(status) || ::access(path.c_str(), W_OK) != 0 ||
		    !LoadIni(path, ini, &before))
			throw ShellError("Unable to write to " + PathForMessage(path));
	} else {
		Configure(ini);
	}
	for (const IniFile::Value &value : values)
		ini.SetValue(value.section.c_str(), value.key.c_str(), OneLine(value.value).c_str());
	std::string data;
	if (ini.Save(data) < 0)
		throw ShellError("Unable to write to " + PathForMessage(path));
	// A file that would not change is not written again: each write waits
	// for the disk.
	if (std::filesystem::exists(status) && data == before)
		return;
	try {
		WriteFileAtomically(path, data);
	} catch (const std::exception &) {
		throw ShellError("Unable to write to " + PathForMessage(path));
	}
}

std::string_view WithoutBlanks(std::string_view text)
{
	constexpr std::string_view kBlanks = " \t\r\n\v\f";
	const size_t first = text.find_first_not_of(kBlanks);
	if (first == std::string_view::npos)
		return {};
	return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::optional<int> ParseWholeNumber(std::string_view text)
{
	const char *last = text.data() + text.size();
	if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
		unsigned long long parsed = 0;
		const char *first = text.data() + 2;
		const auto result = std::from_chars(first, last, parsed, 16);
		if (result.ec != std::errc() || result.ptr != last || parsed > 0xFFFFFFFFull)
			return std::nullopt;
		return static_cast<int>(static_cast<unsigned int>(parsed));
	}
	const char *first = text.data();
	if (first != last && *first == '+')
		++first;
	int parsed = 0;
	const auto result = std::from_chars(first, last, parsed, 10);
	if (first == last || result.ec != std::errc() || result.ptr != last)
		return std::nullopt;
	return parsed;
}

} // namespace

void SetSettingsFilePath(const std::string &path)
{
	g_settings_path = path;
}

void ResetSettingsFilePath()
{
	g_settings_path = kDefaultSettingsPath;
}

const std::string &SettingsFilePath()
{
	return g_settings_path;
}

IniFile SettingsFile()
{
	return IniFile(g_settings_path);
}

std::optional<int> ParseSettingNumber(std::string_view text, int low, int high)
{
	const std::optional<int> number = ParseWholeNumber(WithoutBlanks(text));
	if (!number || *number < low || *number > high)
		return std::nullopt;
	return number;
}

std::optional<bool> ParseSettingSwitch(std::string_view text)
{
	const std::optional<int> number = ParseSettingNumber(text);
	if (!number)
		return std::nullopt;
	return *number != 0;
}

bool IsSettingWord(std::string_view text, std::string_view word)
{
	const std::string_view given = WithoutBlanks(text);
	const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
	return !given.empty() && given.size() == word.size() &&
	       std::equal(given.begin(), given.end(), word.begin(),
	                  [&](char a, char b) { return lower(a) == lower(b); });
}

bool IniFile::Exists() const
{
	std::error_code error;
	return std::filesystem::is_regular_file(path_, error);
}

std::string IniFile::ReadString(const std::string &section, const std::string &key,
                                const std::string &default_value) const
{
	CSimpleIniA ini;
	if (!LoadIni(path_, ini))
		return default_value;
	const char *value = ini.GetValue(section.c_str(), key.c_str(), nullptr);
	if (value == nullptr)
		return default_value;
	std::string text(value);
	if (text.size() > kMaxStringLength)
		text.resize(kMaxStringLength);
	return text;
}

int IniFile::ReadInteger(const std::string &section, const std::string &key, int default_value) const
{
	return ReadNumber(section, key).value_or(default_value);
}

std::optional<int> IniFile::ReadNumber(const std::string &section, const std::string &key, int low,
                                       int high) const
{
	return ParseSettingNumber(ReadString(section, key, std::string()), low, high);
}

bool IniFile::ReadBool(const std::string &section, const std::string &key, bool default_value) const
{
	return ParseSettingSwitch(ReadString(section, key, std::string())).value_or(default_value);
}

void IniFile::WriteString(const std::string &section, const std::string &key, const std::string &value)
{
	ReplaceValues(path_, {{section, key, value}});
}

void IniFile::WriteValues(const std::vector<Value> &values)
{
	ReplaceValues(path_, values);
}

void IniFile::WriteInteger(const std::string &section, const std::string &key, int value)
{
	ReplaceValues(path_, {{section, key, std::to_string(value)}});
}

void IniFile::WriteBool(const std::string &section, const std::string &key, bool value)
{
	ReplaceValues(path_, {{section, key, value ? "1" : "0"}});
}

} // namespace velira
