#include "fakes/fake_mixer.h"
#include "fakes/fake_platform.h"
#include "settings/localized_texts.h"
#include "settings/settings_file.h"
#include "shell/file_locations.h"
#include "shell/qt/tform1.h"
#include "shell/shutdown.h"
#include "sound/sound_bank.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace velira
{
namespace
{

class MainWindowSoundTest : public ::testing::Test
{
protected:
	void SetUp() override { mixer.Install(); }

	testing::ScratchFolder folder;
	testing::FakePlatform platform;
	testing::FakeMixer mixer{platform.clock};
};

TEST_F(MainWindowSoundTest, AMissingBankEndsTheShellAfterTheMessage)
{
	TForm1 form;
	languageBase = kEnglishBase;
	EXPECT_THROW(form.CreateSoundObjects(), testing::ProcessTerminated);
	ASSERT_EQ(platform.desktop.messages.size(), 1u);
	EXPECT_EQ(platform.desktop.messages[0],
	          LocalizedText(kEnglishBase, kTextCannotFindFile) + " sounds.dat");
	EXPECT_EQ(mixer.CallsOf("open").size(), 1u) << "the device opens before the bank is looked for";

	// Installed, the message names where the bank is shipped, the last
	// folder looked in.
	ReleaseSoundObjects();
	FileLocations locations;
	locations.portable = false;
	locations.data_folders = {folder.path() + "/user", "/usr/share/velira"};
	SetFileLocations(locations);
	EXPECT_THROW(form.CreateSoundObjects(), testing::ProcessTerminated);
	ASSERT_EQ(platform.desktop.messages.size(), 2u);
	EXPECT_EQ(platform.desktop.messages[1],
	          LocalizedText(kEnglishBase, kTextCannotFindFile) + " /usr/share/velira/sounds.dat");
}

TEST_F(MainWindowSoundTest, TheShippedBankLoadsAndIsReleasedOnClose)
{
	std::filesystem::copy_file(VELIRA_SHIPPED_DATA "/sounds.dat", "sounds.dat");
	auto form = std::make_unique<TForm1>();
	form->FormCreate();
	EXPECT_TRUE(platform.desktop.messages.empty());
	EXPECT_TRUE(FindWave("click15").ready);
	EXPECT_GT(mixer.LiveBuffers(), 50u);
	form->close();
	EXPECT_EQ(mixer.LiveBuffers(), 0u);
	EXPECT_EQ(waveList, nullptr);
}

} // namespace
} // namespace velira
