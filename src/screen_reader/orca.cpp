#include "screen_reader/orca.h"

#include "platform/whole_file.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <sys/stat.h>

namespace velira
{

namespace
{

// Empty when the file cannot be read: a process may end while its entries
// are read.
std::string ReadWhole(const std::string &path)
{
	return ReadWholeFile(path).value_or(std::string());
}

std::vector<std::string> SplitAtNul(const std::string &text)
{
	std::vector<std::string> parts;
	size_t start = 0;
	while (start < text.size()) {
		size_t end = text.find('\0', start);
		if (end == std::string::npos)
			end = text.size();
		parts.push_back(text.substr(start, end - start));
		start = end + 1;
	}
	return parts;
}

// The value of option `short_name` / `long_name` on a command line, given as
// the next argument or as --long=VALUE.
std::optional<std::string> OptionValue(const std::vector<std::string> &arguments, std::string_view short_name,
                                       std::string_view long_name)
{
	const std::string with_value = std::string(long_name) + "=";
	for (size_t i = 1; i < arguments.size(); ++i) {
		const std::string &argument = arguments[i];
		if ((argument == short_name || argument == long_name) && i + 1 < arguments.size())
			return arguments[i + 1];
		if (argument.rfind(with_value, 0) == 0)
			return argument.substr(with_value.size());
	}
	return std::nullopt;
}

// The launcher among the arguments: the command, or the script an
// interpreter runs. Orca renames its process (setproctitle), which
// overwrites its command line: then the packaged one.
std::string LauncherPath(const std::vector<std::string> &arguments)
{
	for (const std::string &argument : arguments) {
		const size_t slash = argument.rfind('/');
		if (slash != std::string::npos && argument.substr(slash + 1) == "orca")
			return argument;
	}
	return "/usr/bin/orca";
}

} // namespace

OrcaCare ChooseOrcaCare(std::optional<int> major_version, bool layer_schema_installed)
{
	if (major_version.has_value()) {
		if (*major_version <= 45)
			return OrcaCare::kKeyGate;
		if (*major_version <= 48)
			return OrcaCare::kAppSettingsFile;
		return OrcaCare::kAppSettingsLayer;
	}
	return layer_schema_installed ? OrcaCare::kAppSettingsLayer : OrcaCare::kAppSettingsFile;
}

bool IsOrcaProgram(const ListeningProgram &program)
{
	return program.name == "orca" || ProgramCommand(program) == "orca";
}

std::string OrcaSettingsFolder(const OrcaProcess &orca)
{
	if (const auto given = OptionValue(orca.arguments, "-u", "--user-prefs"); given && !given->empty())
		return *given;
	if (!orca.data_home.empty() && orca.data_home[0] == '/')
		return orca.data_home + "/orca";
	if (!orca.home.empty())
		return orca.home + "/.local/share/orca";
	return {};
}

std::vector<std::string> OrcaProfiles(const OrcaProcess &orca)
{
	std::vector<std::string> profiles = {"default"};
	if (const auto given = OptionValue(orca.arguments, "-p", "--profile"); given && !given->empty()) {
		// Orca names a profile by the file it loads (-p NAME.conf) or by itself.
		std::string name = *given;
		if (name.size() > 5 && name.substr(name.size() - 5) == ".conf")
			name.resize(name.size() - 5);
		if (name != "default")
			profiles.push_back(name);
	}
	return profiles;
}

std::string OrcaPathName(std::string_view name)
{
	std::string path;
	for (const char c : name) {
		const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
		const bool kept = (lower >= 'a' && lower <= 'z') || (lower >= '0' && lower <= '9');
		if (kept)
			path += lower;
		else if (path.empty() || path.back() != '-')
			path += '-';
	}
	while (!path.empty() && path.front() == '-')
		path.erase(path.begin());
	while (!path.empty() && path.back() == '-')
		path.pop_back();
	return path;
}

std::string OrcaLayerPath(std::string_view profile, std::string_view application)
{
	return "/org/gnome/orca/" + OrcaPathName(profile) + "/apps/" + OrcaPathName(application) +
	       "/typing-echo/";
}

std::optional<int> ParseOrcaVersion(std::string_view platform_file)
{
	size_t at = 0;
	while ((at = platform_file.find("version", at)) != std::string_view::npos) {
		const bool line_start = at == 0 || platform_file[at - 1] == '\n';
		at += 7;
		if (!line_start)
			continue;
		size_t i = at;
		while (i < platform_file.size() && (platform_file[i] == ' ' || platform_file[i] == '\t'))
			++i;
		if (i >= platform_file.size() || platform_file[i] != '=')
			continue;
		++i;
		while (i < platform_file.size() && (platform_file[i] == ' ' || platform_file[i] == '\t'))
			++i;
		if (i >= platform_file.size() || (platform_file[i] != '"' && platform_file[i] != '\''))
			continue;
		++i;
		int major = 0;
		size_t digits = 0;
		while (i < platform_file.size() &&
		       std::isdigit(static_cast<unsigned char>(platform_file[i])) && digits < 4) {
			major = major * 10 + (platform_file[i] - '0');
			++i;
			++digits;
		}
		if (digits > 0 && digits < 4)
			return major;
	}
	return std::nullopt;
}

std::vector<std::string> OrcaPlatformFiles(const std::vector<std::string> &arguments)
{
	// PREFIX/bin/orca: the packages are under PREFIX/lib.
	const std::filesystem::path bin = std::filesystem::path(LauncherPath(arguments)).parent_path();
	if (bin.filename() != "bin")
		return {};
	const std::filesystem::path lib = bin.parent_path() / "lib";
	std::vector<std::string> files = {(lib / "python3/dist-packages/orca/orca_platform.py").string()};
	std::error_code error;
	for (const auto &entry : std::filesystem::directory_iterator(lib, error)) {
		const std::string name = entry.path().filename().string();
		if (name.rfind("python3.", 0) == 0) {
			files.push_back((entry.path() / "site-packages/orca/orca_platform.py").string());
			files.push_back((entry.path() / "dist-packages/orca/orca_platform.py").string());
		}
	}
	return files;
}

std::vector<OrcaProcess> FindOrcaProcesses(const std::string &proc_root, unsigned uid)
{
	std::vector<OrcaProcess> found;
	std::error_code error;
	// Processes come and go while the table is read: an entry that fails
	// to read is skipped, a failing step ends the search with what it found.
	for (std::filesystem::directory_iterator it(proc_root, error), end; !error && it != end;
	     it.increment(error)) {
		const std::filesystem::directory_entry &entry = *it;
		const std::string pid = entry.path().filename().string();
		if (pid.empty() ||
		    !std::all_of(pid.begin(), pid.end(), [](char c) { return c >= '0' && c <= '9'; }))
			continue;
		struct stat owner {
		};
		if (stat(entry.path().c_str(), &owner) != 0 || owner.st_uid != uid)
			continue;
		ListeningProgram program;
		program.name = ReadWhole(entry.path() / "comm");
		while (!program.name.empty() && program.name.back() == '\n')
			program.name.pop_back();
		// Orca's launcher is a script: the process is named after it, or
		// after its interpreter when that was run by name.
		if (program.name != "orca" && program.name.rfind("python", 0) != 0)
			continue;
		// An entry that cannot be read is a process that has just ended.
		const std::optional<std::string> command_line = ReadWholeFile(entry.path() / "cmdline");
		if (!command_line)
			continue;
		program.arguments = SplitAtNul(*command_line);
		if (!IsOrcaProgram(program))
			continue;
		const std::optional<std::string> environment = ReadWholeFile(entry.path() / "environ");
		if (!environment)
			continue;
		OrcaProcess orca;
		orca.arguments = std::move(program.arguments);
		for (const std::string &variable : SplitAtNul(*environment)) {
			if (variable.rfind("XDG_DATA_HOME=", 0) == 0)
				orca.data_home = variable.substr(14);
			else if (variable.rfind("HOME=", 0) == 0)
				orca.home = variable.substr(5);
		}
		for (const std::string &file : OrcaPlatformFiles(orca.arguments)) {
			orca.major_version = ParseOrcaVersion(ReadWhole(file));
			if (orca.major_version)
				break;
		}
		found.push_back(std::move(orca));
	}
	return found;
}

} // namespace velira
