#include "app/core_state.h"
#include "fakes/fake_platform.h"
#include "settings/settings_file.h"
#include "shell/file_locations.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

namespace velira
{
namespace
{

namespace fs = std::filesystem;

// Sets an environment variable for one test and puts the old value back.
class ScopedEnvironment
{
public:
	ScopedEnvironment(const char *name, const char *value) : name_(name)
	{
		if (const char *old = std::getenv(name))
			old_ = old;
		if (value != nullptr)
			::setenv(name, value, 1);
		else
			::unsetenv(name);
	}
	~ScopedEnvironment()
	{
		if (old_)
			::setenv(name_, old_->c_str(), 1);
		else
			::unsetenv(name_);
	}

private:
	const char *name_;
	std::optional<std::string> old_;
};

class FileLocationsTest : public ::testing::Test
{
protected:
	static LocationFacts Installed()
	{
		LocationFacts facts;
		facts.executable_path = "/usr/bin/velira";
		facts.executable_folder_writable = false;
		facts.installed_data_folder = "/usr/share/velira";
		facts.home = "/home/eva";
		facts.xdg_config_home = "/home/eva/.cfg";
		facts.xdg_data_home = "/home/eva/.data";
		return facts;
	}

	testing::ScratchFolder folder;
	testing::FakePlatform platform;
};

TEST_F(FileLocationsTest, AWritableRunFolderKeepsEverythingBesideTheShell)
{
	LocationFacts facts;
	facts.executable_path = "/media/stick/run/velira";
	facts.executable_folder_writable = true;
	facts.home = "/home/eva";
	const FileLocations locations = ChooseFileLocations(facts);
	EXPECT_TRUE(locations.portable);
	EXPECT_EQ(locations.settings_file, "/media/stick/run/velira.ini");
	EXPECT_EQ(locations.memory_image, "ram.dat") << "the working folder's, by its bare name";
	EXPECT_TRUE(locations.user_folders.empty()) << "nothing is made in the home folder";
	SetFileLocations(locations);
	EXPECT_EQ(DataFilePath("sounds.dat"), "sounds.dat");

	facts.executable_path = "/media/stick/run/hra.bin";
	EXPECT_EQ(ChooseFileLocations(facts).settings_file, "/media/stick/run/hra.ini")
	    << "the executable's name with its extension replaced";

	// A locked folder whose settings file may still be written stays the
	// user's portable copy: its files are written in place.
	facts.executable_folder_writable = false;
	facts.settings_beside_executable_writable = true;
	EXPECT_TRUE(ChooseFileLocations(facts).portable);
	facts.settings_beside_executable_writable = false;
	EXPECT_FALSE(ChooseFileLocations(facts).portable);
}

TEST_F(FileLocationsTest, AnInstallationKeepsTheUsersFilesInTheXdgFolders)
{
	LocationFacts facts = Installed();
	const FileLocations locations = ChooseFileLocations(facts);
	EXPECT_FALSE(locations.portable);
	EXPECT_EQ(locations.settings_file, "/home/eva/.cfg/velira/velira.ini");
	EXPECT_EQ(locations.memory_image, "/home/eva/.data/velira/ram.dat");
	EXPECT_EQ(locations.data_folders,
	          (std::vector<std::string>{"/home/eva/.data/velira", "/usr/share/velira"}));
	EXPECT_EQ(locations.user_folders,
	          (std::vector<std::string>{"/home/eva/.cfg/velira", "/home/eva/.data/velira"}));

	// Root may write into /usr/bin, and a prefix in the home folder is the
	// user's own: an installation is never written either way.
	facts.executable_folder_writable = true;
	EXPECT_EQ(ChooseFileLocations(facts).settings_file, locations.settings_file);

	// Unset or relative variables give the usual folders under the home.
	facts.xdg_config_home.clear();
	facts.xdg_data_home = "relative/data";
	const FileLocations defaults = ChooseFileLocations(facts);
	EXPECT_EQ(defaults.settings_file, "/home/eva/.config/velira/velira.ini");
	EXPECT_EQ(defaults.memory_image, "/home/eva/.local/share/velira/ram.dat");
}

TEST_F(FileLocationsTest, AReadOnlyRunFolderKeepsItsDataFilesAsTheLastResort)
{
	LocationFacts facts = Installed();
	facts.executable_path = "/media/cdrom/run/velira";
	facts.installed_data_folder.clear();
	const FileLocations locations = ChooseFileLocations(facts);
	EXPECT_FALSE(locations.portable);
	EXPECT_EQ(locations.settings_file, "/home/eva/.cfg/velira/velira.ini");
	EXPECT_EQ(locations.data_folders,
	          (std::vector<std::string>{"/home/eva/.data/velira", "/media/cdrom/run"}));
}

TEST_F(FileLocationsTest, DataFilesComeFromTheUserBeforeTheInstallation)
{
	const std::string user = folder.path() + "/user";
	const std::string installed = folder.path() + "/share";
	fs::create_directories(user);
	fs::create_directories(installed);
	testing::WriteFile(installed + "/sounds.dat", "shipped");
	testing::WriteFile(installed + "/czech.vbt", "shipped");
	testing::WriteFile(user + "/sounds.dat", "own");
	FileLocations locations;
	locations.portable = false;
	locations.data_folders = {user, installed};
	SetFileLocations(locations);

	EXPECT_EQ(DataFilePath("sounds.dat"), user + "/sounds.dat");
	EXPECT_EQ(DataFilePath("czech.vbt"), installed + "/czech.vbt");
	EXPECT_EQ(DataFilePath("data.dta"), installed + "/data.dta")
	    << "a file found nowhere is named where it is shipped";

	// The one reset between tests puts the locations and the settings file
	// back into the current directory, so that no test inherits another's
	// deleted folder.
	SetSettingsFilePath(user + "/velira.ini");
	ResetCoreState();
	EXPECT_EQ(DataFilePath("sounds.dat"), "sounds.dat");
	EXPECT_EQ(MemoryImagePath(), "ram.dat");
	EXPECT_EQ(SettingsFilePath(), "velira.ini");
}

TEST_F(FileLocationsTest, ProbingFindsTheInstalledDataFolderAndTheEnvironment)
{
	const std::string prefix = folder.path() + "/prefix";
	fs::create_directories(prefix + "/bin");
	const ScopedEnvironment home("HOME", "/home/eva");
	const ScopedEnvironment config("XDG_CONFIG_HOME", "/home/eva/.cfg");
	const ScopedEnvironment data("XDG_DATA_HOME", nullptr);

	LocationFacts facts = ProbeLocationFacts(prefix + "/bin/velira", "../share/velira");
	EXPECT_TRUE(facts.executable_folder_writable);
	EXPECT_EQ(facts.installed_data_folder, "") << "no data folder: not an installation";
	EXPECT_EQ(facts.home, "/home/eva");
	EXPECT_EQ(facts.xdg_config_home, "/home/eva/.cfg");
	EXPECT_EQ(facts.xdg_data_home, "");

	fs::create_directories(prefix + "/share/velira");
	facts = ProbeLocationFacts(prefix + "/bin/velira", "../share/velira");
	EXPECT_EQ(facts.installed_data_folder, prefix + "/share/velira");
	EXPECT_FALSE(ChooseFileLocations(facts).portable);

	const ScopedEnvironment no_home("HOME", nullptr);
	EXPECT_FALSE(ProbeLocationFacts(prefix + "/bin/velira", "../share/velira").home.empty())
	    << "without HOME the account's home folder";
}

TEST_F(FileLocationsTest, TheFirstStartMakesTheUserFolders)
{
	const std::string existing = folder.path() + "/config";
	fs::create_directories(existing);
	fs::permissions(existing, fs::perms(0755));
	FileLocations locations;
	locations.user_folders = {existing + "/velira", folder.path() + "/data/velira"};
	CreateUserFolders(locations);

	EXPECT_TRUE(fs::is_directory(existing + "/velira"));
	EXPECT_TRUE(fs::is_directory(folder.path() + "/data/velira"));
	EXPECT_EQ(fs::status(existing).permissions(), fs::perms(0755)) << "an existing base stays";
	EXPECT_EQ(fs::status(folder.path() + "/data").permissions(), fs::perms::owner_all)
	    << "a base folder the shell makes is the user's alone";

	// Again, with the folders there, nothing changes and nothing fails.
	CreateUserFolders(locations);
	EXPECT_TRUE(fs::is_directory(existing + "/velira"));
}

} // namespace
} // namespace velira
