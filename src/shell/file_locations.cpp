#include "shell/file_locations.h"

#include "shell/memory_image.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>

namespace velira
{

namespace
{

namespace fs = std::filesystem;

constexpr const char *kFolderName = "velira";

FileLocations g_locations;

std::string Environment(const char *name)
{
	const char *value = std::getenv(name);
	return value != nullptr ? std::string(value) : std::string();
}

// An XDG base folder: the variable when it holds an absolute path (a
// relative one is to be ignored), else the usual folder under the home.
std::string BaseFolder(const std::string &variable, const std::string &home, const char *default_under_home)
{
	if (!variable.empty() && variable.front() == '/')
		return variable;
	return (fs::path(home) / default_under_home).string();
}

std::string Join(const std::string &folder, const std::string &name)
{
	return (fs::path(folder) / name).string();
}

} // namespace

LocationFacts ProbeLocationFacts(const std::string &executable_path, const std::string &relative_data_folder)
{
	LocationFacts facts;
	facts.executable_path = executable_path;
	const fs::path folder = fs::path(executable_path).parent_path();
	facts.executable_folder_writable = ::access(folder.c_str(), W_OK) == 0;
	const fs::path settings = folder / (fs::path(executable_path).stem().string() + ".ini");
	facts.settings_beside_executable_writable = ::access(settings.c_str(), W_OK) == 0;
	std::error_code error;
	const fs::path installed = (folder / relative_data_folder).lexically_normal();
	if (fs::is_directory(installed, error))
		facts.installed_data_folder = installed.string();
	facts.home = Environment("HOME");
	if (facts.home.empty()) {
		if (const passwd *user = ::getpwuid(::getuid()); user != nullptr && user->pw_dir != nullptr)
			facts.home = user->pw_dir;
	}
	facts.xdg_config_home = Environment("XDG_CONFIG_HOME");
	facts.xdg_data_home = Environment("XDG_DATA_HOME");
	return facts;
}

FileLocations ChooseFileLocations(const LocationFacts &facts)
{
	const fs::path executable(facts.executable_path);
	const std::string settings_name = executable.stem().string() + ".ini";
	FileLocations locations;
	if (facts.installed_data_folder.empty() &&
	    (facts.executable_folder_writable || facts.settings_beside_executable_writable)) {
		locations.portable = true;
		locations.settings_file = Join(executable.parent_path().string(), settings_name);
		return locations;
	}
	const std::string config =
	    Join(BaseFolder(facts.xdg_config_home, facts.home, ".config"), kFolderName);
	const std::string data =
	    Join(BaseFolder(facts.xdg_data_home, facts.home, ".local/share"), kFolderName);
	locations.portable = false;
	locations.settings_file = Join(config, settings_name);
	locations.memory_image = Join(data, kMemoryImageFileName);
	// A run folder on read-only media keeps its data files beside the
	// executable.
	locations.data_folders = {data, facts.installed_data_folder.empty()
	                                    ? executable.parent_path().string()
	                                    : facts.installed_data_folder};
	locations.user_folders = {config, data};
	return locations;
}

void SetFileLocations(FileLocations locations)
{
	g_locations = std::move(locations);
}

const FileLocations &fileLocations()
{
	return g_locations;
}

std::string DataFilePath(const std::string &file_name)
{
	if (g_locations.data_folders.empty())
		return file_name;
	std::error_code error;
	for (const std::string &folder : g_locations.data_folders) {
		std::string path = Join(folder, file_name);
		if (fs::exists(path, error))
			return path;
	}
	return Join(g_locations.data_folders.back(), file_name);
}

const std::string &MemoryImagePath()
{
	return g_locations.memory_image;
}

void CreateUserFolders(const FileLocations &locations)
{
	for (const std::string &folder : locations.user_folders) {
		std::error_code error;
		const fs::path base = fs::path(folder).parent_path();
		const bool base_existed = fs::exists(base, error);
		fs::create_directories(folder, error);
		if (!base_existed && !error)
			fs::permissions(base, fs::perms::owner_all, fs::perm_options::replace, error);
	}
}

} // namespace velira
