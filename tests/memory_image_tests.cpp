#include "fakes/fake_platform.h"
#include "platform/error.h"
#include "runtime/velcommands.h"
#include "shell/memory_image.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace velira
{
namespace
{

class MemoryImageTest : public ::testing::Test
{
protected:
	testing::ScratchFolder folder;
	testing::FakePlatform platform;
};

TEST_F(MemoryImageTest, MissingFileLeavesEverythingZero)
{
	LoadMemoryImage();
	EXPECT_EQ(PeekByte(0), 0);
	EXPECT_EQ(PeekByte(65535), 0);
	EXPECT_FALSE(std::filesystem::exists("ram.dat")) << "loading writes nothing";
}

TEST_F(MemoryImageTest, ShortFileFillsOnlyItsBytesAndIsRewrittenWhole)
{
	testing::WriteFile("ram.dat", "0123456789");
	LoadMemoryImage();
	EXPECT_EQ(PeekByte(0), '0');
	EXPECT_EQ(PeekByte(9), '9');
	EXPECT_EQ(PeekByte(10), 0);
	SaveMemoryImage();
	const std::string saved = testing::ReadFile("ram.dat");
	ASSERT_EQ(saved.size(), 65536u);
	EXPECT_EQ(saved.substr(0, 10), "0123456789");
	EXPECT_EQ(saved[10], '\0');
}

TEST_F(MemoryImageTest, FullAndOverlongFiles)
{
	std::string full(65536, '\0');
	full[65535] = 7;
	testing::WriteFile("ram.dat", full);
	LoadMemoryImage();
	EXPECT_EQ(PeekByte(65535), 7);

	std::string overlong(70000, '\x05');
	testing::WriteFile("ram.dat", overlong);
	LoadMemoryImage();
	EXPECT_EQ(PeekByte(65535), 5) << "the first 65536 bytes";
	SaveMemoryImage();
	EXPECT_EQ(std::filesystem::file_size("ram.dat"), 65536u);
}

TEST_F(MemoryImageTest, PokeSurvivesSaveAndLoad)
{
	LoadMemoryImage();
	PokeByte(50730, 1);
	PokeByte(51257, 257);
	SaveMemoryImage();
	ramImage.fill(0);
	LoadMemoryImage();
	EXPECT_EQ(PeekByte(50730), 1);
	EXPECT_EQ(PeekByte(51257), 1) << "the low 8 bits";
}

TEST_F(MemoryImageTest, FailedWriteLeavesTheOldImageWhole)
{
	testing::WriteFile("ram.dat", std::string(65536, '\x01'));
	LoadMemoryImage();
	// The temporary file cannot be made: a folder stands in its place.
	std::filesystem::create_directory("ram.dat.tmp");
	ramImage.fill(2);
	try {
		SaveMemoryImage();
		ADD_FAILURE() << "the save reported success";
	} catch (const ShellError &error) {
		// The reason is that of the call that failed, the temporary file's creation.
		const std::string message = error.what();
		EXPECT_NE(message.find("Cannot create "), std::string::npos) << message;
		EXPECT_NE(message.find("ram.dat.tmp"), std::string::npos) << message;
		EXPECT_NE(message.find(std::strerror(EISDIR)), std::string::npos) << message;
	}
	EXPECT_EQ(testing::ReadFile("ram.dat"), std::string(65536, '\x01'));
}

TEST_F(MemoryImageTest, UnreadableImageIsAnError)
{
	std::filesystem::create_directory("ram.dat");
	EXPECT_THROW(LoadMemoryImage(), ShellError);
}

// A start-up that stopped before the image was read (a settings file that
// cannot be written), or a read that failed, must not let a way out put
// zeros over the user's image.
TEST_F(MemoryImageTest, OnlyAnImageThatWasReadIsWrittenBack)
{
	const std::string image(65536, '\x2A');
	testing::WriteFile("ram.dat", image);
	SaveMemoryImage();
	EXPECT_EQ(testing::ReadFile("ram.dat"), image) << "never read: not written";

	LoadMemoryImage();
	ASSERT_TRUE(MemoryImageLoaded());
	PokeByte(0, 1);
	SaveMemoryImage();
	EXPECT_EQ(testing::ReadFile("ram.dat")[0], 1) << "read: written back";

	// A new start-up forgets it until it reads the image again.
	ForgetMemoryImage();
	testing::WriteFile("ram.dat", image);
	SaveMemoryImage();
	EXPECT_EQ(testing::ReadFile("ram.dat"), image);

	// A read that fails leaves nothing to write, and whatever stands in the
	// image's place stays.
	std::filesystem::remove("ram.dat");
	std::filesystem::create_directory("ram.dat");
	EXPECT_THROW(LoadMemoryImage(), ShellError);
	EXPECT_FALSE(MemoryImageLoaded());
	EXPECT_NO_THROW(SaveMemoryImage());
	EXPECT_TRUE(std::filesystem::is_directory("ram.dat"));
}

} // namespace
} // namespace velira
