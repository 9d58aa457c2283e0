#pragma once

#include <string>
#include <vector>

namespace velira
{

// Where the shell keeps its files. Two cases:
//
// - Portable: the executable's folder is not an installation and is
//   writable, or holds a settings file that is (the build tree's run/
//   folder, or a copy of it on a USB stick, also one whose folder the user
//   has locked). The settings file lies beside the executable; the memory image
//   and the data files are the working folder's, opened by their bare names.
// - Per user: an installation (the executable has an installed data folder
//   beside it, `<prefix>/share/velira`), or an executable folder the user
//   cannot write. The settings file is `$XDG_CONFIG_HOME/velira/<name>.ini`,
//   the memory image `$XDG_DATA_HOME/velira/ram.dat`, and each data file is
//   looked up first in `$XDG_DATA_HOME/velira/`, so that a user or a deployer
//   can put in their own, and then in the installed data folder. Nothing is
//   ever written into the installation, not even by root.
struct FileLocations {
	bool portable = true;
	std::string settings_file = "velira.ini";
	std::string memory_image = "ram.dat";
	// Searched in this order; none means the working folder.
	std::vector<std::string> data_folders;
	// The per-user folders that the first start creates.
	std::vector<std::string> user_folders;
};

// What the choice depends on. ProbeLocationFacts gathers it from the
// system; ChooseFileLocations only decides, so that every case can be tried.
struct LocationFacts {
	// Absolute.
	std::string executable_path;
	bool executable_folder_writable = false;
	// A settings file lies beside the executable and may be written: the
	// user's own portable copy, even when its folder has been locked.
	bool settings_beside_executable_writable = false;
	// The installed data folder when it exists, else empty.
	std::string installed_data_folder;
	// As the environment gives them; empty when unset.
	std::string home;
	std::string xdg_config_home;
	std::string xdg_data_home;
};

// `relative_data_folder` leads from the executable's folder to the
// installed data folder ("../share/velira" for the usual layout).
LocationFacts ProbeLocationFacts(const std::string &executable_path, const std::string &relative_data_folder);
FileLocations ChooseFileLocations(const LocationFacts &facts);

// The locations in force; the process entry sets them once, before the
// main window's start-up. Until then they are the portable ones.
void SetFileLocations(FileLocations locations);
const FileLocations &fileLocations();

// The path to open for a shipped data file ("sounds.dat", "czech.vbt", a
// keyboard file, "data.dta"): in the first data folder that holds it; when
// none does, in the last one, so that a message names where it belongs. The
// bare name in the portable case.
std::string DataFilePath(const std::string &file_name);

// The memory image's path.
const std::string &MemoryImagePath();

// Creates the per-user folders that do not exist yet, a missing XDG base
// folder with owner-only access. A folder that cannot be made is left to
// the first write into it, which names the path it could not write.
void CreateUserFolders(const FileLocations &locations);

} // namespace velira
